// The stand-in's configuration: read once at start from
// HKEY_CURRENT_USER\Software\ZelkanGE\EarthStandIn. Every value is optional.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "model/feature_tree.h"

namespace standin {

inline constexpr wchar_t kConfigKeyPath[] = L"Software\\ZelkanGE\\EarthStandIn";

struct StandInConfig {
  DWORD mainWindowDelayMs = 0;
  std::int32_t versionMajor = 7;
  std::int32_t versionMinor = 3;
  std::int32_t versionBuild = 6;
  std::int32_t appType = 5;  // FreeGE
  std::u16string title = u"Google Earth";
  std::string failMembers;   // UTF-8, parsed by ParseFailRules
  std::string exitOnCall;    // UTF-8, parsed by ParseExitRules
  std::string delayMembers;  // UTF-8, parsed by ParseDelayRules
  std::optional<std::u16string> journalPath;
  std::optional<std::u16string> statsPath;
  // Superseded copies of a document kept besides its newest one (see
  // FeatureTree::SetKeepShadowed); kKeepEveryCopy retires nothing.
  std::uint32_t keepShadowedDocuments = FeatureTree::kDefaultKeepShadowed;
  // Moves below speed 5 fly; off, every move arrives at once (scripted
  // clients that read the view right after a move).
  bool flights = true;
};

// Throws standin::Error when a value has the wrong type.
[[nodiscard]] StandInConfig ReadConfig();

// Writes ProcessId (DWORD) into the configuration key, creating it.
void WriteProcessId(DWORD processId);

}  // namespace standin
