#include "support/system_test.h"

#include <fstream>
#include <sstream>
#include <string>

#include "support/registry.h"
#include "support/win_error.h"

namespace zge::test {
namespace {

std::filesystem::path MakeTempDir() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':') {
      c = '_';
    }
  }
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "zge-system" /
                              (name + "-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

struct PanelCount {
  HWND parent;
  int count;
};

BOOL CALLBACK CountIfPanel(HWND window, LPARAM context) noexcept {
  auto& search = *reinterpret_cast<PanelCount*>(context);
  wchar_t className[64] = {};
  if (GetParent(window) != search.parent) {
    return TRUE;
  }
  if (GetClassNameW(window, className, static_cast<int>(std::size(className))) == 0) {
    return TRUE;
  }
  if (std::wstring_view(className) == kPanelClass) {
    ++search.count;
  }
  return TRUE;
}

}  // namespace

void SystemTest::SetUp() {
  // A stand-in left by an aborted earlier test would answer this test's
  // CoCreateInstance with the wrong configuration.
  EndStandIn();
  ResetPackageKeys();
  tempDir_ = MakeTempDir();
  journal_ = std::make_unique<Journal>(tempDir_ / "standin-journal.txt");
  WriteStandInConfig({}, journal_->Path());
  host_ = std::make_unique<HostWindow>();
  api_ = std::make_unique<ZelkanGE>(ZelkanGEPath());
  ASSERT_TRUE(api_->MissingExports().empty())
      << "not exported by plain name: " << ::testing::PrintToString(api_->MissingExports());
}

void SystemTest::TearDown() {
  if (api_ && api_->MissingExports().empty()) {
    // Google Earth is left running and closed by EndStandIn: ending it the
    // way the panel does would spoil the prefix's COM for later tests.
    api_->SetShutDownGE(0);
    api_->CloseGE();
  }
  api_.reset();
  host_.reset();
  EndStandIn();
  ResetPackageKeys();
  if (earthSettingsTouched_) {
    registry::DeleteTree(HKEY_CURRENT_USER, kEarthSettingsKey);
  }
  RemoveTempDir();
}

void SystemTest::RemoveTempDir() {
  std::error_code error;
  std::filesystem::remove_all(tempDir_, error);
  EXPECT_FALSE(error) << "could not remove " << tempDir_ << ": " << error.message();
}

void SystemTest::ConfigureStandIn(const StandInConfig& config) {
  WriteStandInConfig(config, journal_->Path());
}

void ZGE_CALL SystemTest::OnLoaded(void* context, ZgeBool isLoaded) {
  static_cast<SystemTest*>(context)->loadedCalls_.push_back(isLoaded != 0);
}

void SystemTest::LoadPanel() {
  ASSERT_EQ(api_->LoadGE(host_->Parent(), &SystemTest::OnLoaded, this), 1);
}

void SystemTest::LoadPanelAndWaitForView() {
  ASSERT_NO_FATAL_FAILURE(LoadPanel());
  ASSERT_TRUE(WaitForViewReady()) << "loaded callbacks: " << ::testing::PrintToString(loadedCalls_)
                                  << ", last error: " << ReadLastError(*api_).text << "\njournal:\n"
                                  << journal_->Text();
}

bool SystemTest::WaitForViewReady() {
  return PumpUntil(
      [&] {
        journal_->Poll();
        return api_->ZgeIsViewReady() != 0;
      },
      kEventTimeout);
}

void SystemTest::StartEarthFirst() {
  const EarthClient earth = EarthClient::Connect();
  ASSERT_TRUE(PumpUntil([&] { return earth.MainWindow() != nullptr; }, kEventTimeout));
}

DWORD SystemTest::WaitForStandInProcessId() {
  std::optional<DWORD> processId;
  EXPECT_TRUE(PumpUntil(
      [&] {
        processId = StandInProcessId();
        return processId.has_value();
      },
      kEventTimeout));
  return processId.value_or(0);
}

bool SystemTest::WaitForJournal(std::string_view call, std::size_t count) {
  return PumpUntil(
      [&] {
        journal_->Poll();
        return journal_->Count(call) >= count;
      },
      kEventTimeout);
}

HWND SystemTest::FindPanel(HWND parent) const {
  return FindWindowExW(parent, nullptr, kPanelClass, nullptr);
}

int SystemTest::CountPanels(HWND parent) const {
  PanelCount search{parent, 0};
  // EnumChildWindows' result carries no meaning (documented as unused).
  static_cast<void>(EnumChildWindows(parent, CountIfPanel, reinterpret_cast<LPARAM>(&search)));
  return search.count;
}

RECT RectIn(HWND window, HWND reference) {
  RECT rect{};
  ThrowIfFalse(GetWindowRect(window, &rect), "GetWindowRect");
  SetLastError(ERROR_SUCCESS);
  // MapWindowPoints returns 0 both for a zero offset and for failure.
  if (MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2) == 0 &&
      GetLastError() != ERROR_SUCCESS) {
    ThrowLastError("MapWindowPoints");
  }
  return rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  ThrowIfFalse(GetClientRect(window, &rect), "GetClientRect");
  return rect;
}

std::wstring WindowTextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace zge::test
