// LoadKmlData and OpenKmlFile: KML text or a KML/KMZ file becomes one new
// top-level feature of Temporary Places. A file opened again (the same full
// path, compared without regard to case) replaces its earlier copy, which
// then reads as deleted. A file's top-level feature without a name is named
// by the file name. A load that fails changes nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/feature_tree.h"

namespace standin {

// Reads again the files of the NetworkLinks whose refreshMode is
// onInterval and whose time has come (`now` in seconds, any steady clock);
// forgets links that were removed. A file that does not read keeps what
// the link showed. Runs on the thread that changes the tree.
void RefreshLinks(FeatureTree& tree, double now);

class KmlLoader {
 public:
  explicit KmlLoader(FeatureTree& tree) : tree_(tree) {}

  // Returns the feature appended.
  std::shared_ptr<FeatureNode> LoadData(std::u16string_view text);
  std::shared_ptr<FeatureNode> OpenFile(std::u16string_view path);

 private:
  FeatureTree& tree_;
  // Full path, upper-cased, to the feature its last opening appended.
  std::unordered_map<std::u16string, std::weak_ptr<FeatureNode>> openedFiles_;
};

}  // namespace standin
