// ZelkanGE.dll as a host sees it: loaded by path with LoadLibrary and bound
// by the plain export names, so binding also checks the export table.
#pragma once

#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/handles.h"
#include "zelkange.h"
#include "zelkange_exports.h"

namespace zge::test {

class ZelkanGE {
 public:
  explicit ZelkanGE(const std::filesystem::path& dll);

  // Names the DLL does not export by their plain name.
  const std::vector<std::string>& MissingExports() const noexcept { return missing_; }

// NOLINTNEXTLINE(bugprone-macro-parentheses): `name` is a declarator here.
#define ZGE_DECLARE_EXPORT(name) decltype(&::name) name = nullptr;
  ZGE_FOR_EACH_EXPORT(ZGE_DECLARE_EXPORT)
#undef ZGE_DECLARE_EXPORT

  // Frees the DLL; the binding is unusable afterwards.
  void Unload() noexcept { module_.reset(); }

 private:
  UniqueModule module_;
  std::vector<std::string> missing_;
};

// The calling thread's last error as the DLL reports it.
struct LastError {
  std::int32_t code = 0;
  std::string text;
};
LastError ReadLastError(ZelkanGE& api);

// The DLL under test: the build tree's ZelkanGE.dll.
std::filesystem::path ZelkanGEPath();
// The build passes Unix paths of its outputs; Wine's drive Z: is the root.
std::filesystem::path FromUnixPath(std::string_view unixPath);

}  // namespace zge::test
