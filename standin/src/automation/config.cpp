#include "automation/config.h"

#include "automation/registry.h"
#include "model/text.h"

namespace standin {
namespace {

std::u16string Utf16(const std::wstring& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void ReadInt(HKEY key, const wchar_t* name, std::int32_t& target) {
  if (const auto value = ReadDword(key, name)) {
    target = static_cast<std::int32_t>(*value);
  }
}

}  // namespace

StandInConfig ReadConfig() {
  StandInConfig config;
  const unique_hkey key = OpenKeyIfExists(HKEY_CURRENT_USER, kConfigKeyPath, KEY_READ);
  if (!key) {
    return config;
  }
  if (const auto delay = ReadDword(key.get(), L"MainWindowDelayMs")) {
    config.mainWindowDelayMs = *delay;
  }
  ReadInt(key.get(), L"VersionMajor", config.versionMajor);
  ReadInt(key.get(), L"VersionMinor", config.versionMinor);
  ReadInt(key.get(), L"VersionBuild", config.versionBuild);
  ReadInt(key.get(), L"AppType", config.appType);
  if (const auto keep = ReadDword(key.get(), L"KeepShadowedDocuments")) {
    config.keepShadowedDocuments = *keep;
  }
  if (const auto flights = ReadDword(key.get(), L"Flights")) {
    config.flights = *flights != 0;
  }
  if (const auto title = ReadString(key.get(), L"Title")) {
    config.title = Utf16(*title);
  }
  if (const auto rules = ReadString(key.get(), L"FailMembers")) {
    config.failMembers = ToUtf8(Utf16(*rules));
  }
  if (const auto rules = ReadString(key.get(), L"ExitOnCall")) {
    config.exitOnCall = ToUtf8(Utf16(*rules));
  }
  if (const auto rules = ReadString(key.get(), L"DelayMembers")) {
    config.delayMembers = ToUtf8(Utf16(*rules));
  }
  if (const auto path = ReadString(key.get(), L"JournalPath")) {
    if (!path->empty()) {
      config.journalPath = Utf16(*path);
    }
  }
  if (const auto path = ReadString(key.get(), L"StatsPath")) {
    if (!path->empty()) {
      config.statsPath = Utf16(*path);
    }
  }
  return config;
}

void WriteProcessId(DWORD processId) {
  const unique_hkey key = CreateKey(HKEY_CURRENT_USER, kConfigKeyPath, KEY_SET_VALUE);
  WriteDword(key.get(), L"ProcessId", processId);
}

}  // namespace standin
