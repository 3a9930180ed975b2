#include "win32/win32_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/error.h"
#include "win32/system_headers.h"

namespace zge::win32 {
namespace {

using platform::RegistryValueType;

// Each test works in a key of its own under HKCU and removes it after.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = "Software\\ZelkanGE-tests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    key_ = registry_.CreateKey("\\" + path_);
    ASSERT_NE(key_, nullptr);
  }
  void TearDown() override {
    key_.reset();
    static_cast<void>(::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()));
  }

  // Stores raw bytes, as other programs may have written them.
  void WriteRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, &key), 0);
    EXPECT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    ::RegCloseKey(key);
  }

  Win32Registry registry_;
  std::string path_;
  std::unique_ptr<platform::RegistryKey> key_;
};

TEST_F(RegistryTest, MissingKeyIsNothingAndPathsMayStartOrEndWithBackslash) {
  EXPECT_EQ(registry_.OpenKey(path_ + "\\missing"), nullptr);
  EXPECT_NE(registry_.OpenKey(path_), nullptr);
  EXPECT_NE(registry_.OpenKey("\\" + path_ + "\\"), nullptr);
}

TEST_F(RegistryTest, StringsRoundTripAtAnyLength) {
  for (const std::string& text : {std::string(), std::string("en-US"), std::string(5000, 'x')}) {
    key_->WriteString("locale", text);
    EXPECT_EQ(key_->ReadString("locale"), text);
    EXPECT_EQ(key_->ValueType("locale"), RegistryValueType::kString);
  }
}

TEST_F(RegistryTest, ReadsStoredTextWithOrWithoutTerminator) {
  WriteRaw("bare", REG_SZ, "abc", 3);
  WriteRaw("expand", REG_EXPAND_SZ, "%TEMP%", 7);
  WriteRaw("padded", REG_SZ, "ab\0\0\0", 5);
  EXPECT_EQ(key_->ReadString("bare"), "abc");
  EXPECT_EQ(key_->ReadString("expand"), "%TEMP%");
  EXPECT_EQ(key_->ReadString("padded"), "ab");
}

TEST_F(RegistryTest, TellsValueTypes) {
  const DWORD number = 7;
  WriteRaw("number", REG_DWORD, &number, sizeof number);
  WriteRaw("blob", REG_BINARY, "\1\2", 2);
  WriteRaw("expand", REG_EXPAND_SZ, "x", 2);
  EXPECT_EQ(key_->ValueType("number"), RegistryValueType::kDword);
  EXPECT_EQ(key_->ValueType("blob"), RegistryValueType::kOther);
  EXPECT_EQ(key_->ValueType("expand"), RegistryValueType::kString);
  EXPECT_EQ(key_->ValueType("missing"), std::nullopt);
  EXPECT_TRUE(key_->HasValue("blob"));
  EXPECT_FALSE(key_->HasValue("missing"));
  EXPECT_EQ(key_->ReadDword("number"), 7u);
}

TEST_F(RegistryTest, WrongTypeOrMissingValueThrowsWithTheSystemCode) {
  const DWORD number = 7;
  WriteRaw("number", REG_DWORD, &number, sizeof number);
  key_->WriteString("text", "abc");
  struct Case {
    std::function<void()> read;
    HRESULT code;
  };
  const Case cases[] = {
      {[&] { static_cast<void>(key_->ReadString("number")); },
       HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE)},
      {[&] { static_cast<void>(key_->ReadDword("text")); },
       HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE)},
      {[&] { static_cast<void>(key_->ReadString("missing")); },
       HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {[&] { static_cast<void>(key_->ReadDword("missing")); },
       HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
  };
  for (const Case& c : cases) {
    try {
      c.read();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Code(), static_cast<std::int32_t>(c.code)) << error.what();
    }
  }
}

// The order is the registry's own (creation order on Windows, sorted under
// Wine), so the names are compared as a set.
std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(RegistryTest, ListsValueNamesAtAnyLength) {
  const std::string longName(300, 'n');
  key_->WriteString("b", "1");
  key_->WriteString("a", "2");
  key_->WriteString(longName, "3");
  EXPECT_EQ(Sorted(key_->ValueNames()), (std::vector<std::string>{"a", "b", longName}));
  key_->DeleteValue("a");
  key_->DeleteValue("missing");
  EXPECT_EQ(Sorted(key_->ValueNames()), (std::vector<std::string>{"b", longName}));
}

TEST_F(RegistryTest, DeletesAKeyOnlyWhenEmpty) {
  const std::string child = path_ + "\\child";
  registry_.CreateKey(child)->WriteString("v", "x");
  registry_.DeleteKeyIfEmpty(child);
  EXPECT_NE(registry_.OpenKey(child), nullptr);

  registry_.OpenKey(child)->DeleteValue("v");
  registry_.DeleteKeyIfEmpty(child);
  EXPECT_EQ(registry_.OpenKey(child), nullptr);
  EXPECT_NO_THROW(registry_.DeleteKeyIfEmpty(child));
}

// A key whose rights refuse us reads as no key: nothing is read, written or
// deleted there, and nothing throws.
TEST_F(RegistryTest, KeyThatRefusesAccessIsNothing) {
  const std::string child = path_ + "\\refused";
  registry_.CreateKey(child)->WriteString("locale", "de-DE");
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, child.c_str(), 0, WRITE_DAC, &key), 0);
  // An empty access list grants nothing to anyone.
  SECURITY_DESCRIPTOR descriptor{};
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ACL acl{};
  ASSERT_TRUE(::InitializeAcl(&acl, sizeof acl, ACL_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE));
  ASSERT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), 0);
  ::RegCloseKey(key);
  HKEY probe = nullptr;
  const LONG refused = ::RegOpenKeyExA(HKEY_CURRENT_USER, child.c_str(), 0, KEY_ALL_ACCESS, &probe);
  if (refused == ERROR_SUCCESS) {
    ::RegCloseKey(probe);
    GTEST_SKIP() << "this system grants the key's owner all access whatever its rights";
  }

  EXPECT_EQ(registry_.OpenKey(child), nullptr);
  EXPECT_NO_THROW(registry_.DeleteKeyIfEmpty(child));
}

}  // namespace
}  // namespace zge::win32
