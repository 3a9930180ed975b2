#include "fake_system.h"

#include <algorithm>

#include "base/error.h"

namespace zge::fakes {
namespace {

std::string Normalise(std::string_view path) {
  std::string key(path);
  while (!key.empty() && key.front() == '\\') {
    key.erase(0, 1);
  }
  while (!key.empty() && key.back() == '\\') {
    key.pop_back();
  }
  return key;
}

class FakeProcess final : public platform::Process {
 public:
  FakeProcess(FakeProcesses& owner, std::uint32_t id, CallLog& log)
      : owner_(owner), id_(id), log_(log) {
    ++owner_.openHandles;
  }
  ~FakeProcess() override {
    --owner_.openHandles;
    log_.Add("CloseHandle(process)");
  }
  FakeProcess(const FakeProcess&) = delete;
  FakeProcess& operator=(const FakeProcess&) = delete;

  std::optional<std::uint32_t> ExitCode() override {
    log_.Add("GetExitCodeProcess");
    if (owner_.faults != nullptr && owner_.faults->Check(fault::kProcess, "GetExitCodeProcess")) {
      return std::nullopt;
    }
    const FakeProcessState& state = owner_.processes.at(id_);
    return state.running ? 259U : state.exitCode;
  }
  void Terminate(std::uint32_t exitCode) override {
    log_.Add("TerminateProcess(" + std::to_string(exitCode) + ")");
    FakeProcessState& state = owner_.processes.at(id_);
    state.running = false;
    state.exitCode = exitCode;
  }

 private:
  FakeProcesses& owner_;
  std::uint32_t id_;
  CallLog& log_;
};

}  // namespace

std::unique_ptr<platform::Process> FakeProcesses::Open(std::uint32_t processId) {
  log_.Add("OpenProcess(" + std::to_string(processId) + ")");
  if (faults != nullptr && faults->Check(fault::kProcess, "OpenProcess")) {
    return nullptr;
  }
  const auto found = processes.find(processId);
  if (found == processes.end() || !found->second.openable) {
    return nullptr;
  }
  return std::make_unique<FakeProcess>(*this, processId, log_);
}

class FakeRegistryKey final : public platform::RegistryKey {
 public:
  FakeRegistryKey(FakeRegistry& registry, std::string path)
      : registry_(registry), path_(std::move(path)) {
    ++registry_.openKeys;
  }
  ~FakeRegistryKey() override { --registry_.openKeys; }
  FakeRegistryKey(const FakeRegistryKey&) = delete;
  FakeRegistryKey& operator=(const FakeRegistryKey&) = delete;

  bool HasValue(std::string_view name) override { return Find(name) != nullptr; }
  std::optional<platform::RegistryValueType> ValueType(std::string_view name) override {
    const RegistryData* data = Find(name);
    if (data == nullptr) {
      return std::nullopt;
    }
    if (std::holds_alternative<std::string>(*data)) {
      return platform::RegistryValueType::kString;
    }
    if (std::holds_alternative<std::uint32_t>(*data)) {
      return platform::RegistryValueType::kDword;
    }
    return platform::RegistryValueType::kOther;
  }
  std::string ReadString(std::string_view name) override {
    Due("ReadString");
    const RegistryData* data = Find(name);
    if (data == nullptr || !std::holds_alternative<std::string>(*data)) {
      throw Error(static_cast<std::int32_t>(0x8007000D),
                  "Invalid data type for '" + std::string(name) + "'");
    }
    return std::get<std::string>(*data);
  }
  std::uint32_t ReadDword(std::string_view name) override {
    Due("ReadDword");
    const RegistryData* data = Find(name);
    if (data == nullptr || !std::holds_alternative<std::uint32_t>(*data)) {
      throw Error(static_cast<std::int32_t>(0x8007000D), "Invalid data type");
    }
    return std::get<std::uint32_t>(*data);
  }
  void WriteString(std::string_view name, std::string_view value) override {
    registry_.log_.Add("RegWrite(" + path_ + "\\" + std::string(name) + "=" + std::string(value) +
                       ")");
    if (registry_.failWrites) {
      throw Error(*registry_.failWrites, "Failed to set data for '" + std::string(name) + "'");
    }
    Due("WriteString(" + path_ + "\\" + std::string(name) + ")");
    registry_.Set(path_, std::string(name), std::string(value));
  }
  void DeleteValue(std::string_view name) override {
    registry_.log_.Add("RegDelete(" + path_ + "\\" + std::string(name) + ")");
    Due("DeleteValue(" + path_ + "\\" + std::string(name) + ")");
    auto& values = registry_.keys[path_].values;
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const auto& v) { return v.first == name; }),
                 values.end());
  }
  std::vector<std::string> ValueNames() override {
    Due("ValueNames");
    std::vector<std::string> names;
    for (const auto& [name, data] : registry_.keys.at(path_).values) {
      names.push_back(name);
    }
    return names;
  }

 private:
  void Due(const std::string& member) {
    if (registry_.faults != nullptr) {
      registry_.faults->ThrowIfDue(fault::kRegistry, member);
    }
  }
  const RegistryData* Find(std::string_view name) {
    for (const auto& [valueName, data] : registry_.keys.at(path_).values) {
      if (valueName == name) {
        return &data;
      }
    }
    return nullptr;
  }

  FakeRegistry& registry_;
  std::string path_;
};

std::unique_ptr<platform::RegistryKey> FakeRegistry::OpenKey(std::string_view path) {
  const std::string key = Normalise(path);
  if (keys.count(key) == 0) {
    return nullptr;
  }
  if (faults != nullptr && faults->Check(fault::kRegistry, "OpenKey(" + key + ")")) {
    return nullptr;
  }
  return std::make_unique<FakeRegistryKey>(*this, key);
}

std::unique_ptr<platform::RegistryKey> FakeRegistry::CreateKey(std::string_view path) {
  const std::string key = Normalise(path);
  if (failWrites) {
    throw Error(*failWrites, "Failed to create key " + key);
  }
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kRegistry, "CreateKey(" + key + ")");
  }
  keys[key];
  return std::make_unique<FakeRegistryKey>(*this, key);
}

void FakeRegistry::DeleteKeyIfEmpty(std::string_view path) {
  const auto found = keys.find(Normalise(path));
  if (found != keys.end() && found->second.values.empty()) {
    keys.erase(found);
  }
}

void FakeRegistry::Set(const std::string& path, const std::string& name, RegistryData data) {
  auto& values = keys[Normalise(path)].values;
  for (auto& [valueName, valueData] : values) {
    if (valueName == name) {
      valueData = std::move(data);
      return;
    }
  }
  values.emplace_back(name, std::move(data));
}

std::optional<RegistryData> FakeRegistry::Get(const std::string& path,
                                              const std::string& name) const {
  const auto key = keys.find(Normalise(path));
  if (key == keys.end()) {
    return std::nullopt;
  }
  for (const auto& [valueName, data] : key->second.values) {
    if (valueName == name) {
      return data;
    }
  }
  return std::nullopt;
}

std::u16string FakeCodePage::ToWide(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (const char c : text) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return wide;
}

std::string FakeCodePage::ToAnsi(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (const char16_t c : text) {
    narrow.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  }
  return narrow;
}

std::optional<std::string> FakeCodePage::ToAnsiExact(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c >= 0x100) {
      return std::nullopt;
    }
  }
  return ToAnsi(text);
}

// A plain encoder: the fake may not use the system's converter.
std::string FakeCodePage::ToUtf8(std::u16string_view text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      utf8.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return utf8;
}

void FakeFiles::CreateDirectory(std::string_view path) {
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kFiles, "CreateDirectory");
  }
  if (failCreateDirectory) {
    throw Error(static_cast<std::int32_t>(0x80070005), "access denied");
  }
  directories.insert(std::string(path));
}

void FakeFiles::WriteFile(std::string_view path, std::string_view bytes) {
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kFiles, "WriteFile(" + std::string(path) + ")");
  }
  if (failWrites) {
    throw Error(*failWrites, "cannot write " + std::string(path));
  }
  files[std::string(path)] = std::string(bytes);
}

std::string FakeFiles::CreateUniqueFile(std::string_view directory, std::string_view prefix) {
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kFiles, "CreateUniqueFile");
  }
  std::string path =
      std::string(directory) + std::string(prefix) + std::to_string(++uniqueFiles) + ".tmp";
  files[path] = std::string();
  return path;
}

bool FakeFiles::DeleteFile(std::string_view path) {
  deletions.emplace_back(path);
  if (faults != nullptr && faults->Check(fault::kFiles, "DeleteFile(" + std::string(path) + ")")) {
    return false;
  }
  return files.erase(std::string(path)) != 0;
}

void FakeFiles::CopyFile(std::string_view source, std::string_view target) {
  copies.emplace_back(source, target);
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kFiles, "CopyFile");
  }
  const auto found = files.find(std::string(source));
  if (failCopies || found == files.end()) {
    throw Error(
        failCopies.value_or(static_cast<std::int32_t>(0x80070002)),
        "Copying \"" + std::string(source) + "\" to \"" + std::string(target) + "\" failed");
  }
  files[std::string(target)] = found->second;
}

namespace {

class FakeOleScope final : public platform::OleScope {
 public:
  FakeOleScope(FakeOle& ole, CallLog& log) : ole_(ole), log_(log) { ++ole_.depth; }
  ~FakeOleScope() override {
    --ole_.depth;
    log_.Add("OleUninitialize");
  }
  FakeOleScope(const FakeOleScope&) = delete;
  FakeOleScope& operator=(const FakeOleScope&) = delete;

 private:
  FakeOle& ole_;
  CallLog& log_;
};

}  // namespace

std::unique_ptr<platform::OleScope> FakeOle::Initialize() {
  log_.Add("OleInitialize");
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kOle, "OleInitialize");
  }
  return std::make_unique<FakeOleScope>(*this, log_);
}

namespace {
class FakeModuleReference final : public platform::ModuleReference {
 public:
  explicit FakeModuleReference(int& references) : references_(references) { ++references_; }
  ~FakeModuleReference() override { --references_; }
  FakeModuleReference(const FakeModuleReference&) = delete;
  FakeModuleReference& operator=(const FakeModuleReference&) = delete;

 private:
  int& references_;
};
}  // namespace

std::unique_ptr<platform::ModuleReference> FakeModule::Reference() {
  return std::make_unique<FakeModuleReference>(references);
}

}  // namespace zge::fakes
