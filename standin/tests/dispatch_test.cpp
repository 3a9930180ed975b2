// The IDispatch plumbing and the application object, in process: a fake
// window port and a journal that records lines.
#include <memory>
#include <string>
#include <vector>

#include "application_ge.h"
#include "call_gate.h"
#include "earth_ids.h"
#include "member_tables.h"
#include "result_codes.h"
#include "test.h"
#include "view_windows.h"

using namespace standin;

namespace {

class FakeWindows final : public ViewWindows {
 public:
  [[nodiscard]] HWND MainWindow() const override { return main; }
  [[nodiscard]] HWND RenderWindow() const override { return nullptr; }
  HWND main = nullptr;
};

class RecordingJournal final : public Journal {
 public:
  explicit RecordingJournal(std::vector<std::string>& lines) : lines_(lines) {}
  void Append(std::string_view line) noexcept override { lines_.emplace_back(line); }

 private:
  std::vector<std::string>& lines_;
};

struct Fixture {
  explicit Fixture(const char* failRules = "") {
    auto gate =
        std::make_shared<CallGate>(std::make_unique<RecordingJournal>(lines),
                                   CallPolicy(ParseFailRules(failRules, IsKnownMemberKey), {}));
    app = MakeDispatch<ApplicationGE>(gate, std::make_shared<EarthState>(), windows, Versions{});
  }
  std::vector<std::string> lines;
  std::shared_ptr<FakeWindows> windows = std::make_shared<FakeWindows>();
  com_ptr<IDispatch> app;
};

struct Result {
  HRESULT hr = E_FAIL;
  unique_variant value;
  EXCEPINFO info{};
  UINT argError = 99;
  ~Result() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
};

void Invoke(IDispatch& object, DISPID id, WORD flags, std::vector<VARIANT> naturalOrder,
            Result& result) {
  std::vector<VARIANT> reversed(naturalOrder.rbegin(), naturalOrder.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(),
                    (flags & DISPATCH_PROPERTYPUT) ? &put : nullptr,
                    static_cast<UINT>(reversed.size()), (flags & DISPATCH_PROPERTYPUT) ? 1U : 0U};
  result.hr = object.Invoke(id, IID_NULL, 0, flags, &params, result.value.put(), &result.info,
                            &result.argError);
}

VARIANT I4(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT R8(double value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

HWND FakeHandle() { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10042)); }

}  // namespace

STANDIN_TEST(NamesMatchWhateverTheirCase) {
  Fixture fixture;
  for (const wchar_t* name : {L"GetMainHwnd", L"getmainhwnd", L"GETMAINHWND"}) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = 0;
    EXPECT_EQ(fixture.app->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, ids::app::kGetMainHwnd);
  }
  std::wstring unknown = L"NoSuchMember";
  LPOLESTR names[] = {unknown.data()};
  DISPID id = 0;
  EXPECT_EQ(fixture.app->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

STANDIN_TEST(BeforeTheMainWindowExistsCallsThatNeedItAreUninitialized) {
  Fixture fixture;
  Result hwnd;
  Invoke(*fixture.app.get(), ids::app::kGetMainHwnd, DISPATCH_METHOD, {}, hwnd);
  EXPECT_EQ(hwnd.hr, S_OK);
  EXPECT_EQ(V_VT(hwnd.value.get()), VT_I4);
  EXPECT_EQ(V_I4(hwnd.value.get()), 0L);
  Result initialized;
  Invoke(*fixture.app.get(), ids::app::kIsInitialized, DISPATCH_METHOD, {}, initialized);
  EXPECT_EQ(V_I4(initialized.value.get()), 0L);
  Result camera;
  Invoke(*fixture.app.get(), ids::app::kGetCamera, DISPATCH_METHOD, {I4(1)}, camera);
  EXPECT_EQ(camera.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(camera.info.scode, static_cast<HRESULT>(codes::kApplicationUninitialized));
  fixture.windows->main = FakeHandle();
  Result after;
  Invoke(*fixture.app.get(), ids::app::kGetMainHwnd, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
         after);
  EXPECT_EQ(V_I4(after.value.get()), 0x10042L);
}

STANDIN_TEST(CallsAreJournaledWithTheirConvertedArguments) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  Result speed;
  Invoke(*fixture.app.get(), ids::app::kAutoPilotSpeed, DISPATCH_PROPERTYPUT, {R8(2.5)}, speed);
  EXPECT_EQ(speed.hr, S_OK);
  Result move;
  Invoke(*fixture.app.get(), ids::app::kSetCameraParams, DISPATCH_METHOD,
         {R8(52.5), R8(13.4), I4(0), I4(1), R8(1000), R8(0), R8(30), R8(5)}, move);
  EXPECT_EQ(move.hr, static_cast<HRESULT>(codes::kTeleported));
  Result version;
  Invoke(*fixture.app.get(), ids::app::kVersionMajor, DISPATCH_PROPERTYGET, {}, version);
  EXPECT_EQ(V_I4(version.value.get()), 7L);
  const std::vector<std::string> expected = {
      "AutoPilotSpeed=2.5",
      "SetCameraParams(52.5, 13.4, 0, 1, 1000, 0, 30, 5)",
      "VersionMajor()",
  };
  EXPECT_EQ(fixture.lines.size(), expected.size());
  for (std::size_t i = 0; i < expected.size() && i < fixture.lines.size(); ++i) {
    EXPECT_EQ(fixture.lines[i], expected[i]);
  }
}

STANDIN_TEST(WrongArgumentsAreStandardDispatchErrors) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  Result count;
  Invoke(*fixture.app.get(), ids::app::kGetFeatureByName, DISPATCH_METHOD, {}, count);
  EXPECT_EQ(count.hr, DISP_E_BADPARAMCOUNT);
  Result type;
  VARIANT object;
  VariantInit(&object);
  V_VT(&object) = VT_DISPATCH;
  V_DISPATCH(&object) = nullptr;
  Invoke(*fixture.app.get(), ids::app::kGetFeatureByName, DISPATCH_METHOD, {object}, type);
  EXPECT_EQ(type.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(type.argError, 0U);
  Result readOnly;
  Invoke(*fixture.app.get(), ids::app::kVersionMajor, DISPATCH_PROPERTYPUT, {I4(8)}, readOnly);
  EXPECT_EQ(readOnly.hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(fixture.lines.size(), std::size_t{3});  // still journaled: they were received
}

STANDIN_TEST(ConfiguredFailuresAndUnbuiltMembersReachTheCallerAsExceptions) {
  Fixture fixture("IsOnline:0x80048005@2");
  const struct {
    DISPID id;
    HRESULT hr;
    HRESULT scode;
  } kCalls[] = {
      {ids::app::kIsOnline, S_OK, S_OK},
      {ids::app::kIsOnline, DISP_E_EXCEPTION, static_cast<HRESULT>(0x80048005)},
      {ids::app::kIsOnline, S_OK, S_OK},
      {ids::app::kLogin, DISP_E_EXCEPTION, E_NOTIMPL},
      {ids::app::kTourController, DISP_E_EXCEPTION, E_NOTIMPL},
  };
  for (const auto& call : kCalls) {
    Result result;
    Invoke(*fixture.app.get(), call.id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, result);
    EXPECT_EQ(result.hr, call.hr);
    EXPECT_EQ(result.info.scode, call.scode);
    if (call.hr == DISP_E_EXCEPTION) {
      EXPECT_TRUE(SysStringLen(result.info.bstrDescription) > 0);
    }
  }
}

STANDIN_TEST(FeaturesAreObjectsWithTheirOwnJournalName) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  VARIANT name;
  VariantInit(&name);
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = SysAllocString(L"Roads");
  Result feature;
  Invoke(*fixture.app.get(), ids::app::kGetFeatureByName, DISPATCH_METHOD, {name}, feature);
  VariantClear(&name);
  EXPECT_EQ(V_VT(feature.value.get()), VT_DISPATCH);
  IDispatch* roads = V_DISPATCH(feature.value.get());
  EXPECT_TRUE(roads != nullptr);
  if (!roads) return;
  VARIANT on;
  VariantInit(&on);
  V_VT(&on) = VT_BOOL;
  V_BOOL(&on) = VARIANT_FALSE;
  Result put;
  Invoke(*roads, ids::feature::kVisibility, DISPATCH_PROPERTYPUT, {on}, put);
  Result get;
  Invoke(*roads, ids::feature::kVisibility, DISPATCH_PROPERTYGET, {}, get);
  EXPECT_EQ(V_VT(get.value.get()), VT_I4);
  EXPECT_EQ(V_I4(get.value.get()), 0L);
  EXPECT_EQ(fixture.lines.back(), std::string("Feature(\"Roads\").Visibility()"));
  EXPECT_EQ(fixture.lines[fixture.lines.size() - 2],
            std::string("Feature(\"Roads\").Visibility=0"));
}
