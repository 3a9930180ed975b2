// The grammar of the export-sequence fuzzer: the operations a step can be
// (every export of the export table, then what the host, the system and
// Google Earth do around them) and the arguments the steps read from the
// input. fuzz/make_export_seeds.py writes inputs in this grammar.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "base/error.h"
#include "zelkange_exports.h"

namespace zge::fuzzing {

#define ZGE_EXPORT_OP(name) k##name,
enum class Op : std::uint8_t {
  ZGE_FOR_EACH_EXPORT(ZGE_EXPORT_OP)
  // ----- Not exports -----
  kTick,
  kWake,
  kHostDestroysPanelWindow,
  kResize,
  kFocus,
  kArmFault,
  kEarthDies,
  kEarthRestarts,
  kCallWhileWaiting,
  kCameraSetters,
  kEarthAnswersNull,
  kEarthWindowsChange,
  kEarthGainsFeature,
  kHostWindowChanges,
  kMaxValue = kHostWindowChanges,
};
#undef ZGE_EXPORT_OP

// Result codes the fakes fail with: COM's, the server's and the system's.
inline constexpr std::array<std::int32_t, 7> kFailureCodes = {
    codes::kFail,
    codes::kDisconnected,
    codes::kServerUnavailable,
    codes::kCallFailed,
    codes::kOutOfMemory,
    static_cast<std::int32_t>(0x80070005),  // access denied
    static_cast<std::int32_t>(0x80048002),  // not initialised
};

// What the fault plan can be aimed at: categories and single members.
inline constexpr std::array<std::string_view, 30> kFaultTargets = {
    "earth",           "registry",
    "files",           "desktop",
    "window",          "timer",
    "process",         "ole",
    "dialogs",         "Connect",
    "GetMainHwnd",     "GetRenderHwnd",
    "IsInitialized",   "GetCamera",
    "SetCameraParams", "LoadKmlData",
    "OpenKmlFile",     "GetFeatureByName",
    "SaveScreenShot",  "SetParent",
    "SetWindowPos",    "MoveWindow",
    "SetWindowText",   "WriteFile",
    "DeleteFile",      "CreateDirectory",
    "OpenKey",         "WriteString",
    "DeleteValue",     "SetTimer",
};

inline constexpr std::string_view kUserLocaleChoices[] = {"", "de-DE", "en-US", "fr-FR"};

// The arguments of a step, read from the input.
class Arguments {
 public:
  explicit Arguments(FuzzedDataProvider& data) : data_(data) {}

  FuzzedDataProvider& Data() { return data_; }
  Op NextOp() { return data_.ConsumeEnum<Op>(); }
  bool Flag() { return data_.ConsumeBool(); }

  double Number() {
    static constexpr std::array<double, 12> kEdgeValues = {
        0.0,
        -0.0,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::lowest(),
        std::numeric_limits<double>::denorm_min(),
        90.0,
        -180.0,
        1e9,
        35.9,
    };
    if (data_.ConsumeBool()) {
      return data_.PickValueInArray(kEdgeValues);
    }
    return data_.ConsumeFloatingPoint<double>();
  }

  std::int32_t Int() {
    static constexpr std::array<std::int32_t, 6> kEdgeValues = {
        0,
        -1,
        1,
        std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max(),
        120};
    if (data_.ConsumeBool()) {
      return data_.PickValueInArray(kEdgeValues);
    }
    return data_.ConsumeIntegral<std::int32_t>();
  }

  // Single-byte text: empty, any bytes (not UTF-8 either), or one of the
  // names the fakes know. The host hands it over NUL-terminated.
  std::string Text() { return data_.ConsumeRandomLengthString(48); }

  std::u16string WideText() {
    const std::string bytes = data_.ConsumeRandomLengthString(96);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }

  // Which of a call's `count` pointers the host passes as NULL: 0 for none,
  // else its position.
  std::size_t NullPointer(std::size_t count) {
    return data_.ConsumeIntegralInRange<std::size_t>(0, count);
  }

 private:
  FuzzedDataProvider& data_;
};

}  // namespace zge::fuzzing
