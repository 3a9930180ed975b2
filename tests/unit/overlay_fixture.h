// A panel with Google Earth embedded, and helpers to read what the overlays
// left behind: documents handed over, temporary files, the feature list.
#pragma once

#include <string>
#include <vector>

#include "panel_fixture.h"

namespace zge::testing {

class OverlayTest : public PanelTest {
 protected:
  void SetUp() override { LoadAndEmbed(); }

  [[nodiscard]] std::string TempFile(const std::string& name) const {
    return f.files.tempDirectory + "ZelkanGE\\" + name + ".kml";
  }
  [[nodiscard]] std::vector<std::string> FeatureNames() {
    std::vector<std::string> names;
    for (const StringList::Entry& entry : Panel().GetFeatureList().Entries()) {
      names.push_back(entry.text);
    }
    return names;
  }
  [[nodiscard]] const std::vector<std::u16string>& Loaded() const {
    return f.earth.state.loadedKml;
  }
  // A top-level feature of the temporary places, as a load leaves it.
  std::shared_ptr<fakes::FakeFeatureNode> AddDocument(
      std::u16string name, std::vector<std::shared_ptr<fakes::FakeFeatureNode>> children) {
    auto document = fakes::MakeFeature(std::move(name), 1, std::move(children));
    f.earth.state.temporaryPlaces->children.push_back(document);
    return document;
  }
};

}  // namespace zge::testing
