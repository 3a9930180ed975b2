// zge_soak MODE [--calls N] [--cycles N] [--legs N] [--seed S] [--report FILE]
//          [--journal FILE] [--host-messages 0|1] [--server-deaths 0|1]
//   random  N random export calls with injected faults (seed printed)
//   cycles  N LoadGE/CloseGE cycles; handle, GDI and USER counts
//   com-cycles  N starts of Google Earth by the host's own COM client
//           (no DLL): Wine's own share of the handle counts
//   voyage  N LoadLiveGPS calls and the given track legs; memory and time
// Exit code 0 when the run passed, 1 when it failed, 2 for a bad command
// line, 3 when an export did not return.
#include <iostream>
#include <string>

#include "soak.h"
#include "support/earth_standin.h"
#include "support/handles.h"
#include "support/win_error.h"

namespace zge::test {

ComScope::ComScope() {
  ThrowIfFailed(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
}

ComScope::~ComScope() { CoUninitialize(); }

}  // namespace zge::test

namespace {

bool ParseNumber(const char* text, std::uint64_t& value) {
  try {
    std::size_t used = 0;
    value = std::stoull(text, &used);
    return text[used] == '\0';
  } catch (const std::exception&) {
    return false;
  }
}

bool Parse(int argc, char** argv, zge::soak::Options& options) {
  if (argc < 2) {
    return false;
  }
  options.mode = argv[1];
  options.seed = std::random_device{}();
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    std::uint64_t value = 0;
    if (name == "--report") {
      options.report = argv[i + 1];
      continue;
    }
    if (name == "--journal") {
      options.journal = argv[i + 1];
      continue;
    }
    if (!ParseNumber(argv[i + 1], value)) {
      return false;
    }
    if (name == "--calls") {
      options.calls = value;
    } else if (name == "--cycles") {
      options.cycles = value;
    } else if (name == "--legs") {
      options.legs = value;
    } else if (name == "--host-messages") {
      options.hostMessages = value != 0;
    } else if (name == "--server-deaths") {
      options.serverDeaths = value != 0;
    } else if (name == "--seed") {
      options.seed = static_cast<std::uint32_t>(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 0;
}

}  // namespace

int main(int argc, char** argv) {
  zge::soak::Options options;
  if (!Parse(argc, argv, options)) {
    std::cerr << "usage: zge_soak random|cycles|voyage [--calls N] [--cycles N] [--legs N]"
                 " [--seed S] [--report FILE] [--journal FILE] [--host-messages 0|1]"
                 " [--server-deaths 0|1]\n";
    return 2;
  }
  try {
    // A host's user-interface thread: a single-threaded apartment.
    const zge::test::ComScope com;
    zge::soak::Report report(options.report);
    int result = 2;
    if (options.mode == "random") {
      result = zge::soak::RunRandomCalls(options, report);
    } else if (options.mode == "cycles") {
      result = zge::soak::RunCycles(options, report);
    } else if (options.mode == "com-cycles") {
      result = zge::soak::RunComCycles(options, report);
    } else if (options.mode == "voyage") {
      result = zge::soak::RunVoyage(options, report);
    } else {
      std::cerr << "unknown mode " << options.mode << "\n";
    }
    zge::test::EndStandIn();
    return result;
  } catch (const std::exception& error) {
    std::cerr << "FAIL: " << error.what() << "\n";
    return 1;
  }
}
