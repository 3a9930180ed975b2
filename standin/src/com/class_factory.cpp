#include "com/class_factory.h"

#include <string>

#include "automation/member_tables.h"
#include "platform/guard.h"

namespace standin {

ClassFactory::ClassFactory(com_ptr<IDispatch> application, std::shared_ptr<CallGate> gate)
    : application_(std::move(application)), gate_(std::move(gate)) {}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) {
    return E_POINTER;
  }
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG ClassFactory::AddRef() noexcept { return ++references_; }

ULONG ClassFactory::Release() noexcept {
  const ULONG left = --references_;
  if (left == 0) {
    delete this;
  }
  return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept {
  return GuardCom([&]() -> HRESULT {
    if (!object) {
      return E_POINTER;
    }
    *object = nullptr;
    if (outer) {
      return CLASS_E_NOAGGREGATION;
    }
    gate_->Enter(kCreateInstance, std::string(kCreateInstance) + "()");
    return application_->QueryInterface(iid, object);
  });
}

HRESULT ClassFactory::LockServer(BOOL) noexcept {
  // The server runs until its main window closes, locked or not.
  return S_OK;
}

class_object_registration::class_object_registration(const CLSID& clsid, IUnknown* factory) {
  ThrowIfFailed(
      CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
      "CoRegisterClassObject");
}

class_object_registration::~class_object_registration() {
  if (FAILED(CoRevokeClassObject(cookie_))) {
    OutputDebugStringW(L"EarthStandIn: CoRevokeClassObject failed\n");
  }
}

active_object_registration::active_object_registration(const CLSID& clsid, IUnknown* application) {
  ThrowIfFailed(RegisterActiveObject(application, clsid, ACTIVEOBJECT_STRONG, &cookie_),
                "RegisterActiveObject");
}

active_object_registration::~active_object_registration() {
  if (FAILED(RevokeActiveObject(cookie_, nullptr))) {
    OutputDebugStringW(L"EarthStandIn: RevokeActiveObject failed\n");
  }
}

}  // namespace standin
