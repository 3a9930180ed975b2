// A late-bound client of one automation object (IDispatch), as Google
// Earth's objects are reached out of process. Member names are resolved once
// per interface kind and cached; failures become zge::Error with the
// server's own code.
#pragma once

#include "system_headers.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/window_handle.h"
#include "com_types.h"

namespace zge::win32 {

// The DISPIDs of one interface kind (IApplicationGE, IFeatureGE, ...),
// shared by every object of that kind: dual interfaces give every object of
// a kind the same DISPIDs.
class DispatchIds {
 public:
  explicit DispatchIds(std::string interfaceName) : interfaceName_(std::move(interfaceName)) {}
  [[nodiscard]] const std::string& InterfaceName() const noexcept { return interfaceName_; }
  [[nodiscard]] DISPID Resolve(IDispatch& object, std::string_view member);

 private:
  std::string interfaceName_;
  std::map<std::string, DISPID, std::less<>> ids_;
};

// An argument as it travels: a VARIANT that may borrow what it points to
// (a BSTR held by the caller for VT_BSTR|VT_BYREF).
class DispatchArgument {
 public:
  static DispatchArgument Int(std::int32_t value);
  // BOOL travels as VT_I4, 1 or 0.
  static DispatchArgument Bool(bool value);
  static DispatchArgument Double(double value);
  static DispatchArgument Text(std::u16string_view value);
  // VT_BSTR|VT_BYREF: `text` must outlive the call.
  static DispatchArgument TextByRef(unique_bstr& text);

  [[nodiscard]] const VARIANT& Get() const noexcept { return value_.get(); }

 private:
  unique_variant value_;
};

class DispatchObject {
 public:
  DispatchObject(com_ptr<IDispatch> object, std::shared_ptr<DispatchIds> ids);

  // A method call or property read (DISPATCH_METHOD|DISPATCH_PROPERTYGET).
  // Arguments in their declared order.
  unique_variant Call(std::string_view member, std::span<const DispatchArgument> args = {});
  // A property write (DISPATCH_PROPERTYPUT with DISPID_PROPERTYPUT).
  void Put(std::string_view member, const DispatchArgument& value);

  [[nodiscard]] IDispatch* Get() const noexcept { return object_.get(); }

 private:
  unique_variant Invoke(std::string_view member, WORD flags, DISPPARAMS& params);

  com_ptr<IDispatch> object_;
  std::shared_ptr<DispatchIds> ids_;
};

// Readers of results. Each converts what the server sent (VariantChangeType)
// and throws zge::Error naming `what` when it cannot.
[[nodiscard]] std::int32_t ToInt(const VARIANT& value, std::string_view what);
[[nodiscard]] bool ToBool(const VARIANT& value, std::string_view what);
[[nodiscard]] double ToDouble(const VARIANT& value, std::string_view what);
[[nodiscard]] std::u16string ToText(const VARIANT& value, std::string_view what);
// Window handles travel as 32-bit integers, sign-extended like HandleToLong.
[[nodiscard]] WindowHandle ToWindowHandle(const VARIANT& value, std::string_view what);
// Null (no object) for VT_EMPTY, VT_NULL or a null pointer.
[[nodiscard]] com_ptr<IDispatch> ToDispatch(unique_variant&& value, std::string_view what);

// The code and text of a DISP_E_EXCEPTION, EXCEPINFO's strings freed.
struct ExceptionReport {
  HRESULT code;
  std::string description;
};
[[nodiscard]] ExceptionReport TakeExceptionReport(EXCEPINFO& info);

}  // namespace zge::win32
