// Fakes of the system ports: processes, the registry, files, the code page
// and OLE. Each keeps state, records calls and can be told to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "call_log.h"
#include "fault_plan.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/ole.h"
#include "platform/processes.h"
#include "platform/registry.h"

namespace zge::fakes {

struct FakeProcessState {
  bool running = true;
  std::uint32_t exitCode = 259;
  bool openable = true;
};

class FakeProcesses final : public platform::Processes {
 public:
  explicit FakeProcesses(CallLog& log) : log_(log) {}
  std::unique_ptr<platform::Process> Open(std::uint32_t processId) override;
  std::map<std::uint32_t, FakeProcessState> processes;
  int openHandles = 0;
  FaultPlan* faults = nullptr;

 private:
  CallLog& log_;
};

// Registry data: key path (no leading backslash) -> ordered values. A value
// is text, a DWORD, or bytes of another type.
using RegistryData = std::variant<std::string, std::uint32_t, std::vector<std::uint8_t>>;
struct FakeKey {
  std::vector<std::pair<std::string, RegistryData>> values;
};

class FakeRegistry final : public platform::Registry {
 public:
  explicit FakeRegistry(CallLog& log) : log_(log) {}
  std::unique_ptr<platform::RegistryKey> OpenKey(std::string_view path) override;
  std::unique_ptr<platform::RegistryKey> CreateKey(std::string_view path) override;
  void DeleteKeyIfEmpty(std::string_view path) override;

  // Test helpers.
  void Set(const std::string& path, const std::string& name, RegistryData data);
  [[nodiscard]] std::optional<RegistryData> Get(const std::string& path,
                                                const std::string& name) const;
  [[nodiscard]] bool HasKey(const std::string& path) const { return keys.count(path) != 0; }

  std::map<std::string, FakeKey> keys;
  // Writes fail with this code while set.
  std::optional<std::int32_t> failWrites;
  int openKeys = 0;
  // Injected failures: an open that fails finds no key, the rest throw.
  FaultPlan* faults = nullptr;

 private:
  friend class FakeRegistryKey;
  CallLog& log_;
};

class FakeFiles final : public platform::Files {
 public:
  std::string TempDirectory() override { return tempDirectory; }
  bool DirectoryExists(std::string_view path) override {
    return directories.count(std::string(path)) != 0;
  }
  bool FileExists(std::string_view path) override { return files.count(std::string(path)) != 0; }
  void CreateDirectory(std::string_view path) override;
  void WriteFile(std::string_view path, std::string_view bytes) override;
  std::string CreateUniqueFile(std::string_view directory, std::string_view prefix) override;
  bool DeleteFile(std::string_view path) override;
  void CopyFile(std::string_view source, std::string_view target) override;

  std::string tempDirectory = "C:\\Users\\skipper\\AppData\\Local\\Temp\\";
  std::set<std::string> directories;
  std::map<std::string, std::string> files;
  // Every deletion asked for, in order, whether or not the file existed.
  std::vector<std::string> deletions;
  bool failCreateDirectory = false;
  // Writes fail with this code while set; an existing file keeps its
  // content, as the real replacement guarantees.
  std::optional<std::int32_t> failWrites;
  int uniqueFiles = 0;
  // Every copy asked for, in order: source and target.
  std::vector<std::pair<std::string, std::string>> copies;
  // Copies fail with this code while set, leaving the target as it was. A
  // missing source fails as well.
  std::optional<std::int32_t> failCopies;
  // Injected failures: a deletion that fails leaves the file, the rest throw.
  FaultPlan* faults = nullptr;
};

// Latin-1 as the code page: each byte is one UTF-16 unit.
class FakeCodePage final : public platform::CodePage {
 public:
  std::u16string ToWide(std::string_view text) override;
  std::string ToAnsi(std::u16string_view text) override;
  std::optional<std::string> ToAnsiExact(std::u16string_view text) override;
  std::string ToUtf8(std::u16string_view text) override;
};

class FakeOle final : public platform::Ole {
 public:
  explicit FakeOle(CallLog& log) : log_(log) {}
  std::unique_ptr<platform::OleScope> Initialize() override;
  int depth = 0;
  FaultPlan* faults = nullptr;

 private:
  CallLog& log_;
};

// Counts the references held on the package's code.
class FakeModule final : public platform::Module {
 public:
  std::unique_ptr<platform::ModuleReference> Reference() override;
  int references = 0;
};

}  // namespace zge::fakes
