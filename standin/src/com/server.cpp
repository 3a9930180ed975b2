#include "com/server.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "automation/application_ge.h"
#include "automation/call_gate.h"
#include "automation/config.h"
#include "automation/earth_ids.h"
#include "automation/member_tables.h"
#include "com/class_factory.h"
#include "com/file_journal.h"
#include "com/stats_file.h"
#include "model/earth_state.h"
#include "model/error.h"
#include "platform/com_types.h"
#include "platform/guard.h"
#include "windows/earth_windows.h"

namespace standin {
namespace {

struct Settings {
  StandInConfig config;
  CallPolicy policy;
};

// nullopt (after telling the user) when the configuration is unusable.
std::optional<Settings> LoadSettings() {
  try {
    Settings settings;
    settings.config = ReadConfig();
    settings.policy = CallPolicy(ParseFailRules(settings.config.failMembers, IsKnownMemberKey),
                                 ParseExitRules(settings.config.exitOnCall, IsKnownMemberKey),
                                 ParseDelayRules(settings.config.delayMembers, IsKnownMemberKey));
    return settings;
  } catch (const Error& error) {
    ReportToUser(std::string("EarthStandIn: configuration error: ") + error.what());
    return std::nullopt;
  }
}

// Pumps messages (COM calls arrive as messages too) until WM_QUIT; creates
// the windows once the delay has passed and writes the stats file when due.
int RunMessageLoop(EarthWindows& windows, DWORD delayMs, StatsFile* stats, UiFaults& faults) {
  const ULONGLONG createAt = GetTickCount64() + delayMs;
  for (;;) {
    DWORD timeout = INFINITE;
    if (stats) {
      stats->WriteIfDue();
      timeout = stats->DueInMs();
    }
    if (!windows.Created()) {
      const ULONGLONG now = GetTickCount64();
      if (now >= createAt) {
        windows.Create();
      } else {
        timeout = std::min(timeout, static_cast<DWORD>(createAt - now));
      }
    }
    if (MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
        WAIT_FAILED) {
      ThrowLastError("MsgWaitForMultipleObjectsEx");
    }
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        return static_cast<int>(message.wParam);
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      faults.RethrowIfAny();
    }
  }
}

}  // namespace

int RunServer(HINSTANCE instance) {
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  std::optional<Settings> settings = LoadSettings();
  if (!settings) {
    return kExitConfigurationError;
  }
  const StandInConfig& config = settings->config;
  WriteProcessId(GetCurrentProcessId());

  std::unique_ptr<Journal> journal;
  if (config.journalPath) {
    journal = std::make_unique<FileJournal>(*config.journalPath);
  } else {
    journal = std::make_unique<NullJournal>();
  }
  const auto gate = std::make_shared<CallGate>(std::move(journal), std::move(settings->policy));
  const auto state = std::make_shared<EarthState>();
  state->Features().SetKeepShadowed(config.keepShadowedDocuments);
  state->SetFlights(config.flights);
  UiFaults faults;
  const auto windows = std::make_shared<EarthWindows>(instance, state, config.title, faults);
  std::optional<StatsFile> stats;
  if (config.statsPath) {
    stats.emplace(*config.statsPath, [&state, &windows] {
      const FrameTimes times = windows->FrameStatistics();
      const FeatureTree& features = state->Features();
      return StatsReport{.frames = times.Count(),
                         .frameMsP50 = times.Percentile(50),
                         .frameMsP99 = times.Percentile(99),
                         .documents = features.TemporaryPlaces()->children.size(),
                         .privateBytes = PrivateBytes(),
                         .retired = features.RetiredCount()};
    });
  }
  state->SetOnChanged([weak = std::weak_ptr<EarthWindows>(windows), &stats] {
    if (const auto target = weak.lock()) {
      target->StateChanged();
    }
    if (stats) {
      stats->MarkChanged();
    }
  });
  windows->SetOnFrame([&stats] {
    if (stats) {
      stats->MarkChanged();
    }
  });

  const Versions versions{config.versionMajor, config.versionMinor, config.versionBuild,
                          config.appType};
  const com_ptr<IDispatch> application =
      MakeDispatch<ApplicationGE>(gate, state, windows, versions);
  const auto factory = com_ptr<IClassFactory>(new ClassFactory(application, gate));
  int exitCode = 0;
  {
    const class_object_registration registration(ids::kApplicationGE, factory.get());
    const active_object_registration running(ids::kApplicationGE, application.get());
    exitCode =
        RunMessageLoop(*windows, config.mainWindowDelayMs, stats ? &*stats : nullptr, faults);
  }
  if (stats) {
    stats->Write();
  }
  // The render thread ends here, whoever still holds the windows.
  windows->StopRendering();
  // Clients still holding the application get RPC_E_DISCONNECTED from now on.
  if (FAILED(CoDisconnectObject(application.get(), 0))) {
    OutputDebugStringW(L"EarthStandIn: CoDisconnectObject failed\n");
  }
  return exitCode;
}

}  // namespace standin
