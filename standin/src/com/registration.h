// /RegServer and /UnregServer: the ApplicationGE class and the
// GoogleEarth.ApplicationGE ProgID under Software\Classes of
// HKEY_LOCAL_MACHINE (default; Wine's COM reads only these) or
// HKEY_CURRENT_USER (/User: Windows users without admin rights).
#pragma once

namespace standin {

enum class RegistrationScope { kMachine, kUser };

// Throws standin::Error naming the key that could not be written.
void RegisterServer(RegistrationScope scope);
// Removes both keys; keys that are not there are fine.
void UnregisterServer(RegistrationScope scope);

}  // namespace standin
