#include "win32/dispatch_object.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "base/error.h"
#include "fake_dispatch.h"

namespace zge::win32 {
namespace {

using testing::FakeDispatch;

class DispatchObjectTest : public ::testing::Test {
 protected:
  DispatchObject MakeObject() {
    return DispatchObject(com_ptr<IDispatch>::AddRefFrom(&server_), ids_);
  }

  FakeDispatch server_;
  std::shared_ptr<DispatchIds> ids_ = std::make_shared<DispatchIds>("IApplicationGE");
};

TEST_F(DispatchObjectTest, ResolvesEachNameOnceForAllObjectsOfAKind) {
  DispatchObject first = MakeObject();
  DispatchObject second = MakeObject();
  static_cast<void>(first.Call("GetCamera"));
  static_cast<void>(first.Call("GetCamera"));
  static_cast<void>(second.Call("GetCamera"));
  EXPECT_EQ(server_.idQueries, 1);
  ASSERT_EQ(server_.invocations.size(), 3u);
  EXPECT_EQ(server_.invocations[2].id, 1);
}

TEST_F(DispatchObjectTest, SendsArgumentsLastFirstWithBooleansAsIntegers) {
  DispatchObject object = MakeObject();
  const std::array args{DispatchArgument::Double(52.5), DispatchArgument::Int(2),
                        DispatchArgument::Bool(true), DispatchArgument::Bool(false)};
  static_cast<void>(object.Call("SetCameraParams", args));

  const FakeDispatch::Invocation& call = server_.invocations.at(0);
  EXPECT_EQ(call.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(call.types, (std::vector<VARTYPE>{VT_I4, VT_I4, VT_I4, VT_R8}));
  EXPECT_EQ(call.numbers, (std::vector<double>{0, 1, 2, 52.5}));
  EXPECT_TRUE(call.named.empty());
}

TEST_F(DispatchObjectTest, PassesKmlTextByReference) {
  DispatchObject object = MakeObject();
  unique_bstr text(::SysAllocString(L"<kml>\u00e9</kml>"));
  const std::array args{DispatchArgument::TextByRef(text)};
  static_cast<void>(object.Call("LoadKmlData", args));

  const FakeDispatch::Invocation& call = server_.invocations.at(0);
  EXPECT_EQ(call.types, (std::vector<VARTYPE>{VT_BSTR | VT_BYREF}));
  EXPECT_EQ(call.texts, (std::vector<std::wstring>{L"<kml>\u00e9</kml>"}));
}

TEST_F(DispatchObjectTest, WritesPropertiesThroughTheNamedPutArgument) {
  DispatchObject object = MakeObject();
  object.Put("Visibility", DispatchArgument::Bool(true));

  const FakeDispatch::Invocation& call = server_.invocations.at(0);
  EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(call.named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
  EXPECT_EQ(call.types, (std::vector<VARTYPE>{VT_I4}));
}

struct FailureCase {
  const char* name;
  HRESULT result;
  SCODE scode;
  WORD wCode;
  const wchar_t* description;
  bool deferred;
  std::uint32_t expectedCode;
  const char* expectedText;  // contained in the message
};

// Names the case in test listings instead of its bytes.
void PrintTo(const FailureCase& testCase, std::ostream* out) { *out << testCase.name; }

class DispatchFailureTest : public DispatchObjectTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DispatchFailureTest, ReportsTheServersOwnCodeAndText) {
  const FailureCase& c = GetParam();
  const unique_bstr description(c.description ? ::SysAllocString(c.description) : nullptr);
  server_.result = c.result;
  server_.exception.scode = c.scode;
  server_.exception.wCode = c.wCode;
  server_.exception.bstrDescription = description.get();
  server_.deferredFillIn = c.deferred;
  DispatchObject object = MakeObject();
  try {
    static_cast<void>(object.Call("GetCamera"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), c.expectedCode);
    EXPECT_NE(std::string(error.what()).find(c.expectedText), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DispatchFailureTest,
    ::testing::Values(FailureCase{"ExceptionWithScode", DISP_E_EXCEPTION,
                                  static_cast<SCODE>(0x80048001), 0, L"The feature was deleted",
                                  false, 0x80048001, "The feature was deleted"},
                      FailureCase{"ExceptionWithoutText", DISP_E_EXCEPTION,
                                  static_cast<SCODE>(0x80048002), 0, nullptr, false, 0x80048002,
                                  "IApplicationGE.GetCamera"},
                      FailureCase{"ExceptionWithWcode", DISP_E_EXCEPTION, 0, 5, L"old style", false,
                                  0x80040205, "old style"},
                      FailureCase{"DeferredFillIn", DISP_E_EXCEPTION, 0, 0, L"filled later", true,
                                  0x80048004, "filled later"},
                      FailureCase{"ServerGone", static_cast<HRESULT>(0x800706BA), 0, 0, nullptr,
                                  false, 0x800706BA, "IApplicationGE.GetCamera"}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(DispatchObjectTest, UnknownMemberNamesTheInterfaceAndMember) {
  DispatchObject object = MakeObject();
  try {
    static_cast<void>(object.Call("NoSuchMember"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
    EXPECT_NE(std::string(error.what()).find("IApplicationGE.NoSuchMember"), std::string::npos);
  }
}

TEST_F(DispatchObjectTest, TeleportedIsASuccess) {
  server_.result = static_cast<HRESULT>(0x00048003);
  DispatchObject object = MakeObject();
  EXPECT_NO_THROW(static_cast<void>(object.Call("SetCameraParams")));
}

unique_variant Variant(VARTYPE type, LONGLONG bits) {
  unique_variant value;
  VARIANT* v = value.addressof();
  v->vt = type;
  v->llVal = 0;
  switch (type) {
    case VT_I4:
      v->lVal = static_cast<LONG>(bits);
      break;
    case VT_UI4:
      v->ulVal = static_cast<ULONG>(bits);
      break;
    case VT_INT:
      v->intVal = static_cast<INT>(bits);
      break;
    case VT_BOOL:
      v->boolVal = bits != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    default:
      v->llVal = bits;
      break;
  }
  return value;
}

TEST(DispatchResultTest, WindowHandlesArriveInAnyIntegerType) {
  struct Case {
    VARTYPE type;
    LONGLONG bits;
    WindowHandle expected;
  };
  const Case cases[] = {
      {VT_I4, 0x00020A3C, 0x00020A3C},
      {VT_UI4, 0x00020A3C, 0x00020A3C},
      {VT_INT, 0x00010010, 0x00010010},
      {VT_I8, 0x00030020, 0x00030020},
      // A handle with the high bit set is sign-extended, as HandleToLong does.
      {VT_I4, -2, static_cast<WindowHandle>(static_cast<std::intptr_t>(-2))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToWindowHandle(Variant(c.type, c.bits).get(), "GetMainHwnd"), c.expected)
        << "vt " << c.type;
  }
}

TEST(DispatchResultTest, BooleansArriveAsIntegersOrVariantBools) {
  EXPECT_TRUE(ToBool(Variant(VT_I4, 1).get(), "IsInitialized"));
  EXPECT_FALSE(ToBool(Variant(VT_I4, 0).get(), "IsInitialized"));
  EXPECT_TRUE(ToBool(Variant(VT_BOOL, 1).get(), "IsInitialized"));
  EXPECT_FALSE(ToBool(Variant(VT_BOOL, 0).get(), "IsInitialized"));
}

TEST(DispatchResultTest, NoObjectIsNull) {
  EXPECT_FALSE(ToDispatch(unique_variant(), "GetFeatureByName"));
  EXPECT_FALSE(ToDispatch(Variant(VT_NULL, 0), "GetFeatureByName"));
}

TEST(DispatchResultTest, UnconvertibleResultNamesTheMember) {
  unique_variant text;
  text.addressof()->vt = VT_BSTR;
  text.addressof()->bstrVal = ::SysAllocString(L"not a number");
  EXPECT_THROW(static_cast<void>(ToInt(text.get(), "VersionMajor")), Error);
}

}  // namespace
}  // namespace zge::win32
