// A client's view of the stand-in through IDispatch, by member name: what
// EarthStandInCheck and the session tests call it with.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/text.h"
#include "platform/com_types.h"

namespace standin::client {

using standin::com_ptr;
using standin::unique_bstr;
using standin::unique_variant;

inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}
inline std::u16string U16(std::wstring_view text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}
inline std::string Utf8(std::wstring_view text) { return standin::ToUtf8(U16(text)); }

// The outcome of one IDispatch call.
struct Outcome {
  HRESULT hr = E_FAIL;
  unique_variant result;
  HRESULT scode = S_OK;
  std::string description;

  [[nodiscard]] bool Ok() const { return hr == S_OK; }
  [[nodiscard]] bool FailedWith(HRESULT code) const {
    return hr == DISP_E_EXCEPTION && scode == code;
  }
  [[nodiscard]] std::string Describe() const {
    return "hr " + standin::HexCode(hr) + ", scode " + standin::HexCode(scode) + " " + description;
  }
  [[nodiscard]] long Int() const {
    return V_VT(&result.get()) == VT_I4 ? V_I4(&result.get()) : -99999;
  }
  [[nodiscard]] double Double() const {
    return V_VT(&result.get()) == VT_R8 ? V_R8(&result.get()) : -99999.0;
  }
  [[nodiscard]] IDispatch* Object() const {
    return V_VT(&result.get()) == VT_DISPATCH ? V_DISPATCH(&result.get()) : nullptr;
  }
  [[nodiscard]] std::wstring String() const {
    return V_VT(&result.get()) == VT_BSTR ? Wide(standin::FromBstr(V_BSTR(&result.get())))
                                          : L"<not a string>";
  }
};

class Arg {
 public:
  static Arg R8(double value) {
    Arg arg;
    V_VT(arg.value.addressof()) = VT_R8;
    V_R8(arg.value.addressof()) = value;
    return arg;
  }
  static Arg I4(long value) {
    Arg arg;
    V_VT(arg.value.addressof()) = VT_I4;
    V_I4(arg.value.addressof()) = value;
    return arg;
  }
  static Arg Bool(bool value) {
    Arg arg;
    V_VT(arg.value.addressof()) = VT_BOOL;
    V_BOOL(arg.value.addressof()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return arg;
  }
  static Arg Str(std::wstring_view value) {
    Arg arg;
    unique_bstr text = standin::MakeBstr(U16(value));
    V_VT(arg.value.addressof()) = VT_BSTR;
    V_BSTR(arg.value.addressof()) = text.release();
    return arg;
  }
  unique_variant value;
};

inline DISPID IdOf(IDispatch& object, const wchar_t* name) {
  std::wstring text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    return DISPID_UNKNOWN;
  }
  return id;
}

inline Outcome InvokeId(IDispatch& object, DISPID id, WORD flags, std::vector<Arg> args) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    reversed.push_back(it->value.get());
  }
  DISPPARAMS params{};
  DISPID putId = DISPID_PROPERTYPUT;
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  if (flags & DISPATCH_PROPERTYPUT) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
  }
  Outcome outcome;
  EXCEPINFO info{};
  UINT argError = 0;
  outcome.hr = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                             (flags & DISPATCH_PROPERTYPUT) ? nullptr : outcome.result.put(), &info,
                             &argError);
  if (outcome.hr == DISP_E_EXCEPTION) {
    outcome.scode = info.scode;
    outcome.description = standin::ToUtf8(standin::FromBstr(info.bstrDescription));
  }
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return outcome;
}

inline Outcome Call(IDispatch& object, const wchar_t* name, std::vector<Arg> args = {},
                    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
  const DISPID id = IdOf(object, name);
  if (id == DISPID_UNKNOWN) {
    Outcome outcome;
    outcome.hr = DISP_E_UNKNOWNNAME;
    return outcome;
  }
  return InvokeId(object, id, flags, std::move(args));
}

inline Outcome Get(IDispatch& object, const wchar_t* name) {
  return Call(object, name, {}, DISPATCH_PROPERTYGET);
}

inline Outcome Put(IDispatch& object, const wchar_t* name, Arg value) {
  std::vector<Arg> args;
  args.push_back(std::move(value));
  return Call(object, name, std::move(args), DISPATCH_PROPERTYPUT);
}

template <class... A>
std::vector<Arg> Args(Arg first, A... rest) {
  std::vector<Arg> args;
  args.push_back(std::move(first));
  (args.push_back(std::move(rest)), ...);
  return args;
}

}  // namespace standin::client
