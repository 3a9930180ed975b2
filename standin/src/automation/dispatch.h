// The IDispatch plumbing shared by every object of the stand-in: member
// tables, GetIDsOfNames (case-insensitive), argument conversion, the journal
// line, the call gate and the mapping of failures to DISP_E_EXCEPTION.
// The objects themselves (application_ge, feature_ge, view_objects) only
// implement Call().
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "automation/call_gate.h"
#include "platform/com_types.h"

namespace standin {

enum class ArgType { kDouble, kInt, kBool, kString, kObject };

// What a member can be called as.
inline constexpr unsigned kAsMethod = 1;
inline constexpr unsigned kAsGet = 2;
inline constexpr unsigned kAsPut = 4;

enum class CallKind { kMethod, kGet, kPut };

struct MemberEntry {
  DISPID id;
  std::string_view name;  // ASCII, as docs/automation-api.md spells it
  unsigned kinds;
  std::vector<ArgType> params;  // of a method or get
  ArgType putType = ArgType::kDouble;
  bool needsInitialized = false;  // fails with E_APPLICATION_UNINITIALIZED before
};

class DispatchObject;

// The arguments of one call, converted to the member's declared types, in
// the order of the member's signature.
class Args {
 public:
  using Value = std::variant<double, std::int32_t, bool, std::u16string, com_ptr<IDispatch>>;

  [[nodiscard]] double Double(std::size_t index) const {
    return std::get<double>(values_.at(index));
  }
  [[nodiscard]] std::int32_t Int(std::size_t index) const {
    return std::get<std::int32_t>(values_.at(index));
  }
  [[nodiscard]] bool Bool(std::size_t index) const { return std::get<bool>(values_.at(index)); }
  [[nodiscard]] const std::u16string& String(std::size_t index) const {
    return std::get<std::u16string>(values_.at(index));
  }
  // May be null.
  [[nodiscard]] IDispatch* Object(std::size_t index) const {
    return std::get<com_ptr<IDispatch>>(values_.at(index)).get();
  }
  // The argument when it is one of the stand-in's own objects, else null.
  [[nodiscard]] DispatchObject* OwnObject(std::size_t index) const;

  std::vector<Value> values_;
};

// A member's result.
class Answer {
 public:
  [[nodiscard]] static Answer None() { return Answer(); }
  [[nodiscard]] static Answer Double(double value);
  [[nodiscard]] static Answer Int(std::int32_t value);
  [[nodiscard]] static Answer Bool(bool value);  // VT_I4, 1 for true
  [[nodiscard]] static Answer String(std::u16string_view value);
  // A null object travels as VT_DISPATCH null.
  [[nodiscard]] static Answer Object(com_ptr<IDispatch> value);
  // A success code other than S_OK (S_TELEPORTED).
  [[nodiscard]] Answer WithCode(HRESULT code) &&;

  [[nodiscard]] HRESULT Code() const { return code_; }
  // Moves the value into the caller's VARIANT (which may be absent).
  void WriteTo(VARIANT* result);

 private:
  unique_variant value_;
  HRESULT code_ = S_OK;
};

// IDispatch has no virtual destructor; objects are deleted through
// DispatchObject, whose destructor is virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DispatchObject : public IDispatch {
 public:
  DispatchObject(std::shared_ptr<CallGate> gate, std::span<const MemberEntry> members,
                 const IID& iid);
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  virtual ~DispatchObject();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                        ITypeInfo** info) noexcept override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) noexcept override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                   UINT* argError) noexcept override;

  // How the journal names this object: "" for the application,
  // Feature("Roads"), Camera, ViewExtents, ...
  [[nodiscard]] virtual std::string JournalName() const = 0;

 protected:
  // The object kind in rule keys: "" for the application, "Feature", ...
  [[nodiscard]] virtual std::string_view RuleClass() const = 0;
  [[nodiscard]] virtual bool IsInitialized() const { return true; }
  // Runs one member; throws standin::Error for a failure.
  virtual Answer Call(const MemberEntry& member, CallKind kind, const Args& args) = 0;

  [[nodiscard]] const std::shared_ptr<CallGate>& Gate() const { return gate_; }

 private:
  HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                       UINT* argError);

  std::atomic<ULONG> references_{1};
  std::shared_ptr<CallGate> gate_;
  std::span<const MemberEntry> members_;
  IID iid_;
};
#pragma GCC diagnostic pop

// Wraps a newly made object (reference count 1) as IDispatch.
template <class T, class... A>
[[nodiscard]] com_ptr<IDispatch> MakeDispatch(A&&... args) {
  return com_ptr<IDispatch>(new T(std::forward<A>(args)...));
}

// E_NOTIMPL for a member the stand-in does not implement.
[[noreturn]] void ThrowNotImplemented(const MemberEntry& member);

}  // namespace standin
