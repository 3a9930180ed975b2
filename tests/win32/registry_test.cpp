#include "win32/win32_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/error.h"
#include "win32/resources.h"
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

// Replaces a key's access list by one that grants the current user only
// `rights` (none at all for 0). False when the system ignores such a list
// for the key's owner, as some do: then the test has nothing to show.
bool GrantOnly(const std::string& path, DWORD rights) {
  unique_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
    ADD_FAILURE() << "OpenProcessToken failed";
    return false;
  }
  std::vector<BYTE> user(256);
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()),
                             &size)) {
    ADD_FAILURE() << "GetTokenInformation failed";
    return false;
  }
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
  auto* list = reinterpret_cast<ACL*>(acl.data());
  EXPECT_TRUE(::InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION));
  if (rights != 0) {
    EXPECT_TRUE(::AddAccessAllowedAce(list, ACL_REVISION, rights, sid));
  }
  SECURITY_DESCRIPTOR descriptor{};
  EXPECT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  EXPECT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE));
  unique_hkey key;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()), 0);
  EXPECT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), 0);
  unique_hkey probe;
  return ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, probe.put()) !=
         ERROR_SUCCESS;
}

// A key whose rights refuse us reads as no key: nothing is read, written or
// deleted there, and nothing throws.
TEST_F(RegistryTest, KeyThatRefusesAccessIsNothing) {
  const std::string child = path_ + "\\refused";
  registry_.CreateKey(child)->WriteString("locale", "de-DE");
  if (!GrantOnly(child, 0)) {
    GTEST_SKIP() << "this system grants the key's owner all access whatever its rights";
  }

  EXPECT_EQ(registry_.OpenKey(child), nullptr);
  EXPECT_NO_THROW(registry_.DeleteKeyIfEmpty(child));
}

// A managed machine may let the user read and write a key but not change
// its rights: the locale is still read and switched there.
TEST_F(RegistryTest, KeyThatGrantsOnlyValueRightsIsReadAndWritten) {
  const std::string child = path_ + "\\managed";
  registry_.CreateKey(child)->WriteString("locale", "de-DE");
  if (!GrantOnly(child, KEY_QUERY_VALUE | KEY_SET_VALUE)) {
    GTEST_SKIP() << "this system grants the key's owner all access whatever its rights";
  }

  const auto key = registry_.OpenKey(child);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("locale"), "de-DE");
  key->WriteString("locale", "en-US");
  EXPECT_EQ(key->ReadString("locale"), "en-US");
  EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"locale"});
  key->DeleteValue("locale");
  EXPECT_FALSE(key->HasValue("locale"));
  EXPECT_NE(registry_.CreateKey(child), nullptr);
}

}  // namespace
}  // namespace zge::win32
