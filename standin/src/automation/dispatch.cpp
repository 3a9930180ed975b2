#include "automation/dispatch.h"

#include <algorithm>

#include "automation/earth_ids.h"
#include "model/error.h"
#include "model/journal.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/guard.h"

namespace standin {
namespace {

std::u16string_view View(const OLECHAR* text) {
  return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text))
              : std::u16string_view();
}

bool NameMatches(std::string_view ascii, std::u16string_view name) {
  if (ascii.size() != name.size()) {
    return false;
  }
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'A' && c <= u'Z') {
      c = static_cast<char16_t>(c - u'A' + u'a');
    }
    char a = ascii[i];
    if (a >= 'A' && a <= 'Z') {
      a = static_cast<char>(a - 'A' + 'a');
    }
    if (c != static_cast<char16_t>(static_cast<unsigned char>(a))) {
      return false;
    }
  }
  return true;
}

DispatchObject* OwnObjectOf(IDispatch* object) {
  if (!object) {
    return nullptr;
  }
  void* own = nullptr;
  if (FAILED(object->QueryInterface(ids::kIStandInObject, &own)) || !own) {
    return nullptr;
  }
  auto* result = static_cast<DispatchObject*>(own);
  result->Release();  // the caller's argument keeps it alive
  return result;
}

std::string ObjectText(IDispatch* object) {
  if (!object) {
    return "null";
  }
  if (const DispatchObject* own = OwnObjectOf(object)) {
    const std::string name = own->JournalName();
    return name.empty() ? "Application" : name;
  }
  return "<object>";
}

// A journal form for an argument that could not be converted.
std::string RawText(const VARIANT& in) {
  unique_variant direct;
  if (FAILED(VariantCopyInd(direct.put(), const_cast<VARIANT*>(&in)))) {
    return "<?>";
  }
  const VARIANT& v = direct.get();
  switch (V_VT(&v)) {
    case VT_EMPTY:
      return "empty";
    case VT_NULL:
      return "null";
    case VT_R8:
      return JournalNumber(V_R8(&v));
    case VT_I4:
      return JournalNumber(static_cast<std::int32_t>(V_I4(&v)));
    case VT_BOOL:
      return JournalBool(V_BOOL(&v) != VARIANT_FALSE);
    case VT_BSTR:
      return JournalString(FromBstr(V_BSTR(&v)));
    case VT_DISPATCH:
      return ObjectText(V_DISPATCH(&v));
    default:
      return "<VT " + std::to_string(V_VT(&v)) + ">";
  }
}

std::string ValueText(const Args::Value& value) {
  struct Visitor {
    std::string operator()(double d) const { return JournalNumber(d); }
    std::string operator()(std::int32_t i) const { return JournalNumber(i); }
    std::string operator()(bool b) const { return JournalBool(b); }
    std::string operator()(const std::u16string& s) const { return JournalString(s); }
    std::string operator()(const com_ptr<IDispatch>& o) const { return ObjectText(o.get()); }
  };
  return std::visit(Visitor{}, value);
}

// Converts one argument; false when it has no form of the wanted type.
bool Convert(const VARIANT& in, ArgType type, Args::Value& out) {
  unique_variant direct;
  if (FAILED(VariantCopyInd(direct.put(), const_cast<VARIANT*>(&in)))) {
    return false;
  }
  unique_variant converted;
  const auto change = [&](VARTYPE target) {
    return SUCCEEDED(
        VariantChangeTypeEx(converted.put(), direct.addressof(), LOCALE_INVARIANT, 0, target));
  };
  switch (type) {
    case ArgType::kDouble:
      if (!change(VT_R8)) {
        return false;
      }
      out = V_R8(&converted.get());
      return true;
    case ArgType::kInt:
      if (!change(VT_I4)) {
        return false;
      }
      out = static_cast<std::int32_t>(V_I4(&converted.get()));
      return true;
    case ArgType::kBool:
      if (!change(VT_BOOL)) {
        return false;
      }
      out = V_BOOL(&converted.get()) != VARIANT_FALSE;
      return true;
    case ArgType::kString:
      if (!change(VT_BSTR)) {
        return false;
      }
      out = FromBstr(V_BSTR(&converted.get()));
      return true;
    case ArgType::kObject:
      switch (V_VT(&direct.get())) {
        case VT_EMPTY:
        case VT_NULL:
          out = com_ptr<IDispatch>();
          return true;
        case VT_DISPATCH:
          out = com_ptr<IDispatch>::AddRefFrom(V_DISPATCH(&direct.get()));
          return true;
        case VT_UNKNOWN: {
          com_ptr<IDispatch> object;
          IUnknown* unknown = V_UNKNOWN(&direct.get());
          if (unknown && FAILED(unknown->QueryInterface(IID_IDispatch, object.put_void()))) {
            return false;
          }
          out = std::move(object);
          return true;
        }
        default:
          return false;
      }
  }
  return false;
}

}  // namespace

DispatchObject* Args::OwnObject(std::size_t index) const { return OwnObjectOf(Object(index)); }

Answer Answer::Double(double value) {
  Answer answer;
  V_VT(answer.value_.addressof()) = VT_R8;
  V_R8(answer.value_.addressof()) = value;
  return answer;
}

Answer Answer::Int(std::int32_t value) {
  Answer answer;
  V_VT(answer.value_.addressof()) = VT_I4;
  V_I4(answer.value_.addressof()) = value;
  return answer;
}

Answer Answer::Bool(bool value) { return Int(value ? 1 : 0); }

Answer Answer::String(std::u16string_view value) {
  Answer answer;
  unique_bstr text = MakeBstr(value);
  V_VT(answer.value_.addressof()) = VT_BSTR;
  V_BSTR(answer.value_.addressof()) = text.release();
  return answer;
}

Answer Answer::Object(com_ptr<IDispatch> value) {
  Answer answer;
  V_VT(answer.value_.addressof()) = VT_DISPATCH;
  V_DISPATCH(answer.value_.addressof()) = value.detach();
  return answer;
}

Answer Answer::WithCode(HRESULT code) && {
  code_ = code;
  return std::move(*this);
}

void Answer::WriteTo(VARIANT* result) {
  if (result) {
    value_.release_to(result);
  }
}

DispatchObject::DispatchObject(std::shared_ptr<CallGate> gate, std::span<const MemberEntry> members,
                               const IID& iid)
    : gate_(std::move(gate)), members_(members), iid_(iid) {}

DispatchObject::~DispatchObject() = default;

HRESULT DispatchObject::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) {
    return E_POINTER;
  }
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_)) {
    *object = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(iid, ids::kIStandInObject)) {
    *object = this;
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG DispatchObject::AddRef() noexcept { return ++references_; }

ULONG DispatchObject::Release() noexcept {
  const ULONG left = --references_;
  if (left == 0) {
    delete this;
  }
  return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) {
    return E_POINTER;
  }
  *count = 0;  // no type library: names through GetIDsOfNames only
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) {
    *info = nullptr;
  }
  return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                      DISPID* ids) noexcept {
  if (!names || !ids || count == 0) {
    return E_INVALIDARG;
  }
  const std::u16string_view name = View(names[0]);
  const auto found = std::find_if(members_.begin(), members_.end(), [&](const MemberEntry& member) {
    return NameMatches(member.name, name);
  });
  ids[0] = found == members_.end() ? DISPID_UNKNOWN : found->id;
  // No member takes named arguments.
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
  }
  return found == members_.end() || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excepInfo, UINT* argError) noexcept {
  return GuardInvoke(
      [&] {
        const DISPPARAMS none{};
        return InvokeMember(id, flags, params ? *params : none, result, argError);
      },
      excepInfo);
}

HRESULT DispatchObject::InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params,
                                     VARIANT* result, UINT* argError) {
  const auto found = std::find_if(members_.begin(), members_.end(),
                                  [&](const MemberEntry& member) { return member.id == id; });
  if (found == members_.end()) {
    return DISP_E_MEMBERNOTFOUND;
  }
  const MemberEntry& member = *found;

  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const CallKind kind = isPut                             ? CallKind::kPut
                        : (member.kinds & kAsMethod) != 0 ? CallKind::kMethod
                                                          : CallKind::kGet;
  const bool kindAllowed = isPut ? (member.kinds & kAsPut) != 0
                                 : (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0 &&
                                       (member.kinds & (kAsMethod | kAsGet)) != 0;

  HRESULT argumentProblem = S_OK;
  if (isPut) {
    if (params.cNamedArgs != 1 || !params.rgdispidNamedArgs ||
        params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      argumentProblem = DISP_E_PARAMNOTFOUND;
    }
  } else if (params.cNamedArgs != 0) {
    argumentProblem = DISP_E_NONAMEDARGS;
  }
  const std::vector<ArgType> putTypes = {member.putType};
  const std::vector<ArgType>& types = isPut ? putTypes : member.params;
  if (SUCCEEDED(argumentProblem) && params.cArgs != types.size()) {
    argumentProblem = DISP_E_BADPARAMCOUNT;
  }
  if (params.cArgs > 0 && !params.rgvarg) {
    argumentProblem = E_INVALIDARG;
  }

  Args args;
  UINT badArgument = 0;
  if (SUCCEEDED(argumentProblem)) {
    args.values_.resize(types.size(), Args::Value(0.0));
    for (std::size_t i = 0; i < types.size(); ++i) {
      const UINT position = params.cArgs - 1 - static_cast<UINT>(i);  // rgvarg runs backwards
      if (!Convert(params.rgvarg[position], types[i], args.values_[i])) {
        argumentProblem = DISP_E_TYPEMISMATCH;
        badArgument = position;
        break;
      }
    }
  }

  // The journal line: converted values, or what arrived when they could not be.
  std::string line = JournalName();
  if (!line.empty()) {
    line += '.';
  }
  line += member.name;
  std::string values;
  if (SUCCEEDED(argumentProblem)) {
    for (std::size_t i = 0; i < args.values_.size(); ++i) {
      if (i > 0) {
        values += ", ";
      }
      values += ValueText(args.values_[i]);
    }
  } else if (params.rgvarg) {
    for (UINT i = 0; i < params.cArgs; ++i) {
      if (i > 0) {
        values += ", ";
      }
      values += RawText(params.rgvarg[params.cArgs - 1 - i]);
    }
  }
  line += kind == CallKind::kPut ? "=" + values : "(" + values + ")";

  const std::string_view ruleClass = RuleClass();
  const std::string ruleKey = ruleClass.empty()
                                  ? std::string(member.name)
                                  : std::string(ruleClass) + "." + std::string(member.name);
  gate_->Enter(ruleKey, line);

  if (!kindAllowed) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (argumentProblem == DISP_E_TYPEMISMATCH && argError) {
    *argError = badArgument;
  }
  if (FAILED(argumentProblem)) {
    return argumentProblem;
  }
  if (member.needsInitialized && !IsInitialized()) {
    throw Error(codes::kApplicationUninitialized,
                std::string(member.name) +
                    ": the application is not initialised yet (its main window does not exist)");
  }
  Answer answer = Call(member, kind, args);
  if (kind != CallKind::kPut) {
    answer.WriteTo(result);
  }
  return answer.Code();
}

void ThrowNotImplemented(const MemberEntry& member) {
  throw Error(codes::kNotImplemented,
              std::string(member.name) + " is not implemented by the EarthStandIn server");
}

}  // namespace standin
