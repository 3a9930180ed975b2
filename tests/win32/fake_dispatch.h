// An in-process IDispatch that records how it was called and answers as it
// is told: the server side of DispatchObject's tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "win32/com_types.h"

namespace zge::win32::testing {

// COM objects are released through Release, never deleted through a base
// pointer: IDispatch's non-virtual destructor is as COM designed it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FakeDispatch final : public IDispatch {
 public:
  struct Invocation {
    DISPID id = DISPID_UNKNOWN;
    WORD flags = 0;
    std::vector<VARTYPE> types;       // as received: last argument first
    std::vector<double> numbers;      // each argument as VT_R8 where it converts
    std::vector<std::wstring> texts;  // VT_BSTR and VT_BSTR|VT_BYREF contents
    std::vector<DISPID> named;
  };

  // What the next Invoke answers.
  HRESULT result = S_OK;
  EXCEPINFO exception{};
  bool deferredFillIn = false;
  unique_variant answer;

  std::map<std::wstring, DISPID> ids{
      {L"GetCamera", 1}, {L"SetCameraParams", 3}, {L"Visibility", 2}, {L"LoadKmlData", 7}};
  int idQueries = 0;
  std::vector<Invocation> invocations;
  ULONG references = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* found) override {
    ++idQueries;
    if (count != 1) {
      return E_INVALIDARG;
    }
    const auto known = ids.find(names[0]);
    if (known == ids.end()) {
      *found = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    *found = known->second;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* out, EXCEPINFO* info, UINT*) override {
    Invocation call;
    call.id = id;
    call.flags = flags;
    for (UINT i = 0; i < params->cArgs; ++i) {
      VARIANT& argument = params->rgvarg[i];
      call.types.push_back(argument.vt);
      if (argument.vt == VT_BSTR) {
        call.texts.emplace_back(argument.bstrVal, ::SysStringLen(argument.bstrVal));
      } else if (argument.vt == (VT_BSTR | VT_BYREF)) {
        call.texts.emplace_back(*argument.pbstrVal, ::SysStringLen(*argument.pbstrVal));
      }
      unique_variant number;
      call.numbers.push_back(SUCCEEDED(::VariantChangeType(number.addressof(), &argument, 0, VT_R8))
                                 ? number.get().dblVal
                                 : -1);
    }
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    invocations.push_back(std::move(call));
    if (result == DISP_E_EXCEPTION && info != nullptr) {
      *info = exception;
      if (exception.bstrDescription != nullptr) {
        info->bstrDescription = ::SysAllocString(exception.bstrDescription);
      }
      if (deferredFillIn) {
        info->scode = 0;
        info->pfnDeferredFillIn = &FillIn;
      }
    }
    if (out != nullptr && SUCCEEDED(result)) {
      static_cast<void>(::VariantCopy(out, answer.addressof()));
    }
    return result;
  }

 private:
  static HRESULT STDMETHODCALLTYPE FillIn(EXCEPINFO* info) {
    info->scode = static_cast<HRESULT>(0x80048004);
    return S_OK;
  }
};
#pragma GCC diagnostic pop

}  // namespace zge::win32::testing
