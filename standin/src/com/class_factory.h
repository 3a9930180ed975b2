// The class object registered for ApplicationGE: every CreateInstance hands
// out the one application object (journaled as "CreateInstance()").
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>
#include <memory>

#include "automation/call_gate.h"
#include "platform/com_types.h"

namespace standin {

// IClassFactory has no virtual destructor; the factory deletes itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(com_ptr<IDispatch> application, std::shared_ptr<CallGate> gate);
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;
  virtual ~ClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                           void** object) noexcept override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

 private:
  std::atomic<ULONG> references_{1};
  com_ptr<IDispatch> application_;
  std::shared_ptr<CallGate> gate_;
};
#pragma GCC diagnostic pop

// CoRegisterClassObject for as long as it lives (CoRevokeClassObject after).
class class_object_registration {
 public:
  class_object_registration(const CLSID& clsid, IUnknown* factory);
  class_object_registration(const class_object_registration&) = delete;
  class_object_registration& operator=(const class_object_registration&) = delete;
  ~class_object_registration();

 private:
  DWORD cookie_ = 0;
};

// The application in the running object table for as long as it lives, so
// that clients attach to it with GetActiveObject. Unlike a class object
// registration, the table forgets an entry whose process has died.
class active_object_registration {
 public:
  active_object_registration(const CLSID& clsid, IUnknown* application);
  active_object_registration(const active_object_registration&) = delete;
  active_object_registration& operator=(const active_object_registration&) = delete;
  ~active_object_registration();

 private:
  DWORD cookie_ = 0;
};

}  // namespace standin
