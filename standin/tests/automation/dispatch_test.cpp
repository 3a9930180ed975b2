// The IDispatch plumbing and the application object, in process: a fake
// window port and a journal that records lines.
#include <memory>
#include <string>
#include <vector>

#include "automation/application_ge.h"
#include "automation/call_gate.h"
#include "automation/earth_ids.h"
#include "automation/member_tables.h"
#include "model/journal.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "test.h"
#include "windows/view_windows.h"

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
    app = MakeDispatch<ApplicationGE>(gate, state, windows, Versions{});
  }
  std::vector<std::string> lines;
  std::shared_ptr<EarthState> state = std::make_shared<EarthState>();
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
  EXPECT_EQ(V_VT(&hwnd.value.get()), VT_I4);
  EXPECT_EQ(V_I4(&hwnd.value.get()), 0L);
  Result initialized;
  Invoke(*fixture.app.get(), ids::app::kIsInitialized, DISPATCH_METHOD, {}, initialized);
  EXPECT_EQ(V_I4(&initialized.value.get()), 0L);
  Result camera;
  Invoke(*fixture.app.get(), ids::app::kGetCamera, DISPATCH_METHOD, {I4(1)}, camera);
  EXPECT_EQ(camera.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(camera.info.scode, static_cast<HRESULT>(codes::kApplicationUninitialized));
  fixture.windows->main = FakeHandle();
  Result after;
  Invoke(*fixture.app.get(), ids::app::kGetMainHwnd, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
         after);
  EXPECT_EQ(V_I4(&after.value.get()), 0x10042L);
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
  EXPECT_EQ(V_I4(&version.value.get()), 7L);
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
  EXPECT_EQ(V_VT(&feature.value.get()), VT_DISPATCH);
  IDispatch* roads = V_DISPATCH(&feature.value.get());
  EXPECT_TRUE(roads != nullptr);
  if (!roads) {
    return;
  }
  VARIANT on;
  VariantInit(&on);
  V_VT(&on) = VT_BOOL;
  V_BOOL(&on) = VARIANT_FALSE;
  Result put;
  Invoke(*roads, ids::feature::kVisibility, DISPATCH_PROPERTYPUT, {on}, put);
  Result get;
  Invoke(*roads, ids::feature::kVisibility, DISPATCH_PROPERTYGET, {}, get);
  EXPECT_EQ(V_VT(&get.value.get()), VT_I4);
  EXPECT_EQ(V_I4(&get.value.get()), 0L);
  EXPECT_EQ(fixture.lines.back(), std::string("Feature(\"Roads\").Visibility()"));
  EXPECT_EQ(fixture.lines[fixture.lines.size() - 2],
            std::string("Feature(\"Roads\").Visibility=0"));
}

namespace {

// A BSTR argument that frees itself.
class Text {
 public:
  explicit Text(const std::wstring& text) {
    VariantInit(&v_);
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text() { VariantClear(&v_); }
  operator VARIANT() const { return v_; }  // NOLINT: a borrowed copy for the call

 private:
  VARIANT v_;
};

// A call whose result is an object; null when it fails.
com_ptr<IDispatch> ObjectCall(IDispatch& object, DISPID id, std::vector<VARIANT> args = {}) {
  Result result;
  Invoke(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), result);
  if (result.hr != S_OK || V_VT(&result.value.get()) != VT_DISPATCH) {
    return {};
  }
  return com_ptr<IDispatch>::AddRefFrom(V_DISPATCH(&result.value.get()));
}

long IntCall(IDispatch& object, DISPID id) {
  Result result;
  Invoke(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, result);
  return result.hr == S_OK && V_VT(&result.value.get()) == VT_I4 ? V_I4(&result.value.get()) : -1;
}

std::u16string NameOf(IDispatch& feature) {
  Result result;
  Invoke(feature, ids::feature::kName, DISPATCH_PROPERTYGET, {}, result);
  return V_VT(&result.value.get()) == VT_BSTR ? FromBstr(V_BSTR(&result.value.get())) : u"?";
}

}  // namespace

STANDIN_TEST(LoadKmlDataTakesItsTextByReferenceAndJournalsItInFull) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  BSTR text = SysAllocString(
      L"<kml><Document><name>Say \"hi\"\n\u00E9</name><Placemark><name>P</name></Placemark>"
      L"</Document></kml>");
  VARIANT byReference;
  VariantInit(&byReference);
  V_VT(&byReference) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&byReference) = &text;
  Result load;
  Invoke(*fixture.app.get(), ids::app::kLoadKmlData, DISPATCH_METHOD, {byReference}, load);
  SysFreeString(text);
  EXPECT_EQ(load.hr, S_OK);
  EXPECT_EQ(fixture.lines.back(),
            "LoadKmlData(\"<kml><Document><name>Say \\\"hi\\\"\\n\xC3\xA9</name><Placemark><name>P"
            "</name></Placemark></Document></kml>\")");
  const auto found = ObjectCall(*fixture.app.get(), ids::app::kGetFeatureByName, {Text(L"P")});
  ASSERT_TRUE(found);
  const auto parent = ObjectCall(*found.get(), ids::feature::kGetParent);
  ASSERT_TRUE(parent);
  EXPECT_TRUE(NameOf(*parent.get()) == u"Say \"hi\"\n\u00E9");

  Result invalid;
  Invoke(*fixture.app.get(), ids::app::kLoadKmlData, DISPATCH_METHOD,
         {Text(L"<kml>\n  <Folder>\n</kml>")}, invalid);
  EXPECT_EQ(invalid.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(invalid.info.scode, E_INVALIDARG);
  const std::u16string description = FromBstr(invalid.info.bstrDescription);
  EXPECT_TRUE(description.starts_with(u"LoadKmlData: invalid KML at line 3, column "))
      << ToUtf8(description);
}

STANDIN_TEST(TemporaryPlacesCanBeWalkedAndHiddenThroughTheirChildren) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  Result load;
  Invoke(*fixture.app.get(), ids::app::kLoadKmlData, DISPATCH_METHOD,
         {Text(L"<kml><Document><name>Leg1</name><Placemark><name>a</name></Placemark>"
               L"<Placemark><name>b</name></Placemark><Placemark><name>c</name></Placemark>"
               L"</Document></kml>")},
         load);
  ASSERT_EQ(load.hr, S_OK);
  const auto temporary = ObjectCall(*fixture.app.get(), ids::app::kGetTemporaryPlaces);
  ASSERT_TRUE(temporary);
  const auto loads = ObjectCall(*temporary.get(), ids::feature::kGetChildren);
  ASSERT_TRUE(loads);
  EXPECT_EQ(IntCall(*loads.get(), ids::collection::kCount), 1L);
  const auto document = ObjectCall(*loads.get(), ids::collection::kItem, {I4(1)});
  ASSERT_TRUE(document);
  const auto placemarks = ObjectCall(*document.get(), ids::feature::kGetChildren);
  ASSERT_TRUE(placemarks);
  ASSERT_EQ(IntCall(*placemarks.get(), ids::collection::kCount), 3L);
  const long wanted[] = {1, 0, 1};
  for (long i = 1; i <= 3; ++i) {
    const auto placemark = ObjectCall(*placemarks.get(), ids::collection::kItem, {I4(i)});
    ASSERT_TRUE(placemark);
    Result put;
    Invoke(*placemark.get(), ids::feature::kVisibility, DISPATCH_PROPERTYPUT, {I4(wanted[i - 1])},
           put);
    EXPECT_EQ(put.hr, S_OK);
  }
  for (long i = 1; i <= 3; ++i) {
    const auto placemark = ObjectCall(*placemarks.get(), ids::collection::kItem, {I4(i)});
    EXPECT_EQ(IntCall(*placemark.get(), ids::feature::kVisibility), wanted[i - 1]);
    const auto leaf = ObjectCall(*placemark.get(), ids::feature::kGetChildren);
    EXPECT_EQ(IntCall(*leaf.get(), ids::collection::kCount), 0L);
  }
  for (const long outside : {0L, 4L}) {
    Result item;
    Invoke(*placemarks.get(), ids::collection::kItem, DISPATCH_PROPERTYGET, {I4(outside)}, item);
    EXPECT_EQ(item.info.scode, E_INVALIDARG);
  }
  EXPECT_EQ(fixture.lines.back(), "Feature(\"Leg1\").Children.Item(4)");
}

STANDIN_TEST(AReopenedFileLeavesItsOldFeatureDeleted) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  wchar_t folder[MAX_PATH + 1] = {};
  ASSERT_TRUE(GetTempPathW(MAX_PATH, folder) > 0);
  const std::wstring path =
      std::wstring(folder) + L"dispatch_test_" + std::to_wstring(GetCurrentProcessId()) + L".kml";
  const std::string kml = "<kml><Placemark><name>Boat</name></Placemark></kml>";
  {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, kml.data(), static_cast<DWORD>(kml.size()), &written, nullptr));
    CloseHandle(file);
  }
  const auto open = [&] {
    Result result;
    Invoke(*fixture.app.get(), ids::app::kOpenKmlFile, DISPATCH_METHOD, {Text(path), I4(1)},
           result);
    EXPECT_EQ(result.hr, S_OK);
  };
  open();
  const auto first = ObjectCall(*fixture.app.get(), ids::app::kGetFeatureByName, {Text(L"Boat")});
  ASSERT_TRUE(first);
  open();
  const std::u16string path16(reinterpret_cast<const char16_t*>(path.data()), path.size());
  EXPECT_EQ(fixture.lines.back(), "OpenKmlFile(" + JournalString(path16) + ", 1)");
  Result stale;
  Invoke(*first.get(), ids::feature::kName, DISPATCH_PROPERTYGET, {}, stale);
  EXPECT_EQ(stale.info.scode, static_cast<HRESULT>(codes::kInvalidOrDeletedFeature));
  const auto second = ObjectCall(*fixture.app.get(), ids::app::kGetFeatureByName, {Text(L"Boat")});
  ASSERT_TRUE(second);
  EXPECT_TRUE(NameOf(*second.get()) == u"Boat");
  DeleteFileW(path.c_str());

  Result missing;
  Invoke(*fixture.app.get(), ids::app::kOpenKmlFile, DISPATCH_METHOD, {Text(path), I4(0)}, missing);
  EXPECT_EQ(missing.info.scode, E_INVALIDARG);
  EXPECT_NE(FromBstr(missing.info.bstrDescription).find(u"cannot open the file"),
            std::u16string::npos);
}

STANDIN_TEST(FeatureViewsAndBalloonsThroughTheApplication) {
  Fixture fixture;
  fixture.windows->main = FakeHandle();
  Result load;
  Invoke(*fixture.app.get(), ids::app::kLoadKmlData, DISPATCH_METHOD,
         {Text(L"<kml><Document><name>D</name><Placemark><name>Quay</name><description>"
               L"here</description><LookAt><longitude>8.5</longitude><latitude>53.5</latitude>"
               L"<range>1500</range><tilt>20</tilt><heading>90</heading></LookAt><Point>"
               L"<coordinates>8.5,53.5</coordinates></Point></Placemark></Document></kml>")},
         load);
  ASSERT_EQ(load.hr, S_OK);
  const auto quay = ObjectCall(*fixture.app.get(), ids::app::kGetFeatureByName, {Text(L"Quay")});
  const auto document = ObjectCall(*fixture.app.get(), ids::app::kGetFeatureByName, {Text(L"D")});
  ASSERT_TRUE(quay && document);
  EXPECT_EQ(IntCall(*quay.get(), ids::feature::kHasView), 1L);
  EXPECT_EQ(IntCall(*document.get(), ids::feature::kHasView), 0L);

  VARIANT feature;
  VariantInit(&feature);
  V_VT(&feature) = VT_DISPATCH;
  V_DISPATCH(&feature) = quay.get();
  Result fly;
  Invoke(*fixture.app.get(), ids::app::kSetFeatureView, DISPATCH_METHOD, {feature, R8(5)}, fly);
  EXPECT_EQ(fly.hr, static_cast<HRESULT>(codes::kTeleported));  // speed 5: a jump
  const auto camera = ObjectCall(*fixture.app.get(), ids::app::kGetCamera, {I4(1)});
  ASSERT_TRUE(camera);
  Result latitude;
  Invoke(*camera.get(), ids::camera::kFocusPointLatitude, DISPATCH_PROPERTYGET, {}, latitude);
  EXPECT_EQ(V_R8(&latitude.value.get()), 53.5);
  Result range;
  Invoke(*camera.get(), ids::camera::kRange, DISPATCH_PROPERTYGET, {}, range);
  EXPECT_EQ(V_R8(&range.value.get()), 1500);
  V_DISPATCH(&feature) = document.get();
  Result noView;
  Invoke(*fixture.app.get(), ids::app::kSetFeatureView, DISPATCH_METHOD, {feature, R8(1)}, noView);
  EXPECT_EQ(noView.info.scode, static_cast<HRESULT>(codes::kFeatureHasNoView));

  V_DISPATCH(&feature) = quay.get();
  Result show;
  Invoke(*fixture.app.get(), ids::app::kShowDescriptionBalloon, DISPATCH_METHOD, {feature}, show);
  EXPECT_EQ(show.hr, S_OK);
  const auto open = fixture.state->Features().Balloon();
  EXPECT_TRUE(open && open->name == u"Quay" && open->description == u"here");
  Result hide;
  Invoke(*fixture.app.get(), ids::app::kHideDescriptionBalloons, DISPATCH_METHOD, {}, hide);
  EXPECT_EQ(hide.hr, S_OK);
  EXPECT_FALSE(fixture.state->Features().Balloon());
  Result notOurs;
  Invoke(*fixture.app.get(), ids::app::kShowDescriptionBalloon, DISPATCH_METHOD, {I4(3)}, notOurs);
  EXPECT_TRUE(FAILED(notOurs.hr));
}
