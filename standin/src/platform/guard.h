// The guarded boundaries: every COM method, the window procedure and main
// run their body through one of these. No exception crosses them; these are
// the only places that catch everything.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace standin {

struct Fault {
  std::int32_t code = 0;
  std::string message;  // UTF-8
};

// The fault of the exception being handled (call inside a catch block only).
[[nodiscard]] Fault CurrentFault() noexcept;

// A member failure as an IDispatch caller sees it: DISP_E_EXCEPTION with
// EXCEPINFO filled; the bare code when the caller passed no EXCEPINFO.
[[nodiscard]] HRESULT ReportToDispatchCaller(const Fault& fault, EXCEPINFO* excepInfo) noexcept;

// A COM method whose body returns its HRESULT; exceptions become their code.
template <class Body>
HRESULT GuardCom(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return static_cast<HRESULT>(CurrentFault().code);
  }
}

// IDispatch::Invoke: a body returning its HRESULT; exceptions reach the
// caller through EXCEPINFO.
template <class Body>
HRESULT GuardInvoke(Body&& body, EXCEPINFO* excepInfo) noexcept {
  try {
    return body();
  } catch (...) {
    return ReportToDispatchCaller(CurrentFault(), excepInfo);
  }
}

// Window procedures store the exception here; the message loop rethrows it
// after DispatchMessage returns.
class UiFaults {
 public:
  void Store(std::exception_ptr fault) noexcept {
    if (!fault_) {
      fault_ = std::move(fault);
    }
  }
  void RethrowIfAny() {
    if (fault_) {
      std::rethrow_exception(std::exchange(fault_, nullptr));
    }
  }

 private:
  std::exception_ptr fault_;
};

template <class Body>
LRESULT GuardWindowProc(UiFaults& faults, LRESULT failed, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    faults.Store(std::current_exception());
    return failed;
  }
}

// A worker thread's unit of work (one frame of the render thread): a fault
// goes to the debugger and the thread carries on with the next unit.
template <class Body>
void GuardWorker(const char* worker, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    const Fault fault = CurrentFault();
    OutputDebugStringA(
        (std::string("EarthStandIn: ") + worker + ": " + fault.message + "\n").c_str());
  }
}

// Writes a UTF-8 message line to stderr (attaching to the parent's console
// when the process has no stderr) and to the debugger.
void ReportToUser(const std::string& message) noexcept;

// main: a body returning the exit code; exceptions print their message and
// give exit code 1.
template <class Body>
int GuardMain(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    const Fault fault = CurrentFault();
    ReportToUser("EarthStandIn: " + fault.message);
    return 1;
  }
}

}  // namespace standin
