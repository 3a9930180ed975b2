#include "dispatch_object.h"

#include "system_headers.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/error.h"
#include "errors.h"
#include "text.h"

namespace zge::win32 {
namespace {

// The first code of the range that EXCEPINFO.wCode maps into.
constexpr HRESULT kWcodeHresultFirst = static_cast<HRESULT>(0x80040200);

std::string MemberName(const DispatchIds& ids, std::string_view member) {
  std::string name = ids.InterfaceName();
  name += '.';
  name += member;
  return name;
}

// The copy is converted, so the server's own variant stays as it came.
// VariantChangeType only reads its source, though the SDK does not say const.
unique_variant Converted(const VARIANT& value, VARTYPE type, std::string_view what) {
  unique_variant result;
  const HRESULT converted =
      ::VariantChangeType(result.addressof(), const_cast<VARIANT*>(&value), 0, type);
  if (FAILED(converted)) {
    ThrowHresult(converted, std::string(what) + ": VariantChangeType");
  }
  return result;
}

}  // namespace

DISPID DispatchIds::Resolve(IDispatch& object, std::string_view member) {
  if (const auto known = ids_.find(member); known != ids_.end()) {
    return known->second;
  }
  std::wstring wideName = AnsiToWide(member);
  LPOLESTR names[] = {wideName.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT result = object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  ThrowIfFailed(result, MemberName(*this, member) + ": GetIDsOfNames");
  ids_.emplace(std::string(member), id);
  return id;
}

DispatchArgument DispatchArgument::Int(std::int32_t value) {
  DispatchArgument argument;
  VARIANT* variant = argument.value_.addressof();
  variant->vt = VT_I4;
  variant->lVal = value;
  return argument;
}

DispatchArgument DispatchArgument::Bool(bool value) { return Int(value ? 1 : 0); }

DispatchArgument DispatchArgument::Double(double value) {
  DispatchArgument argument;
  VARIANT* variant = argument.value_.addressof();
  variant->vt = VT_R8;
  variant->dblVal = value;
  return argument;
}

DispatchArgument DispatchArgument::Text(std::u16string_view value) {
  unique_bstr text = MakeBstr(value);
  DispatchArgument argument;
  VARIANT* variant = argument.value_.addressof();
  variant->vt = VT_BSTR;
  variant->bstrVal = text.release();  // VariantClear frees it
  return argument;
}

DispatchArgument DispatchArgument::TextByRef(unique_bstr& text) {
  DispatchArgument argument;
  VARIANT* variant = argument.value_.addressof();
  variant->vt = VT_BSTR | VT_BYREF;
  variant->pbstrVal = text.addressof();
  return argument;
}

DispatchObject::DispatchObject(com_ptr<IDispatch> object, std::shared_ptr<DispatchIds> ids)
    : object_(std::move(object)), ids_(std::move(ids)) {}

unique_variant DispatchObject::Call(std::string_view member,
                                    std::span<const DispatchArgument> args) {
  // IDispatch takes its arguments last one first.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  std::transform(args.rbegin(), args.rend(), std::back_inserter(reversed),
                 [](const DispatchArgument& argument) { return argument.Get(); });
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  return Invoke(member, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET), params);
}

void DispatchObject::Put(std::string_view member, const DispatchArgument& value) {
  VARIANTARG argument = value.Get();
  DISPID namedPut = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = &argument;
  params.cArgs = 1;
  params.rgdispidNamedArgs = &namedPut;
  params.cNamedArgs = 1;
  static_cast<void>(Invoke(member, DISPATCH_PROPERTYPUT, params));
}

unique_variant DispatchObject::Invoke(std::string_view member, WORD flags, DISPPARAMS& params) {
  const DISPID id = ids_->Resolve(*object_.get(), member);
  unique_variant result;
  EXCEPINFO exception{};
  UINT badArgument = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                     flags == DISPATCH_PROPERTYPUT ? nullptr : result.addressof(),
                                     &exception, &badArgument);
  if (hr == DISP_E_EXCEPTION) {
    ExceptionReport report = TakeExceptionReport(exception);
    if (report.description.empty()) {
      ThrowHresult(report.code, MemberName(*ids_, member));
    }
    throw Error(static_cast<std::int32_t>(report.code), report.description);
  }
  if (FAILED(hr)) {  // success codes such as S_TELEPORTED pass
    ThrowHresult(hr, MemberName(*ids_, member));
  }
  return result;
}

ExceptionReport TakeExceptionReport(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn != nullptr) {
    // A failed fill-in leaves what is there; the code below still applies.
    static_cast<void>(info.pfnDeferredFillIn(&info));
  }
  const unique_bstr source(std::exchange(info.bstrSource, nullptr));
  const unique_bstr description(std::exchange(info.bstrDescription, nullptr));
  const unique_bstr helpFile(std::exchange(info.bstrHelpFile, nullptr));
  ExceptionReport report{E_FAIL, {}};
  if (FAILED(info.scode)) {
    report.code = info.scode;
  } else if (info.wCode != 0) {
    report.code = kWcodeHresultFirst + info.wCode;
  }
  report.description = WideToAnsi(ToWstring(FromBstr(description.get())));
  return report;
}

std::int32_t ToInt(const VARIANT& value, std::string_view what) {
  return Converted(value, VT_I4, what).get().lVal;
}

bool ToBool(const VARIANT& value, std::string_view what) {
  return Converted(value, VT_I4, what).get().lVal != 0;
}

double ToDouble(const VARIANT& value, std::string_view what) {
  return Converted(value, VT_R8, what).get().dblVal;
}

std::u16string ToText(const VARIANT& value, std::string_view what) {
  return FromBstr(Converted(value, VT_BSTR, what).get().bstrVal);
}

WindowHandle ToWindowHandle(const VARIANT& value, std::string_view what) {
  const LONGLONG bits = Converted(value, VT_I8, what).get().llVal;
  // Handles keep 32 significant bits; a VT_I4 arrives already sign-extended.
  return static_cast<WindowHandle>(static_cast<std::intptr_t>(bits));
}

com_ptr<IDispatch> ToDispatch(unique_variant&& value, std::string_view what) {
  const VARIANT& variant = value.get();
  if (variant.vt == VT_EMPTY || variant.vt == VT_NULL) {
    return {};
  }
  if (variant.vt == VT_DISPATCH) {
    return com_ptr<IDispatch>::AddRefFrom(variant.pdispVal);
  }
  unique_variant converted = Converted(variant, VT_DISPATCH, what);
  return com_ptr<IDispatch>::AddRefFrom(converted.get().pdispVal);
}

}  // namespace zge::win32
