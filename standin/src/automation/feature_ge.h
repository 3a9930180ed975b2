// IFeatureGE and IFeatureCollectionGE: automation objects over nodes of the
// FeatureTree. The objects hold their node; a node removed from the tree
// makes every call fail with E_INVALID_OR_DELETED_FEATURE.
#pragma once

#include <memory>
#include <vector>

#include "automation/dispatch.h"
#include "model/earth_state.h"
#include "model/feature_tree.h"

namespace standin {

class FeatureGE final : public DispatchObject {
 public:
  FeatureGE(std::shared_ptr<CallGate> gate, std::shared_ptr<EarthState> state,
            std::shared_ptr<FeatureNode> node);
  // Feature("name"), with the name the feature had when the object was made.
  [[nodiscard]] std::string JournalName() const override { return journalName_; }
  [[nodiscard]] const std::shared_ptr<FeatureNode>& Node() const { return node_; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  std::shared_ptr<EarthState> state_;
  std::shared_ptr<FeatureNode> node_;
  std::string journalName_;
};

class FeatureCollectionGE final : public DispatchObject {
 public:
  FeatureCollectionGE(std::shared_ptr<CallGate> gate, std::shared_ptr<EarthState> state,
                      std::vector<std::shared_ptr<FeatureNode>> items, std::string journalName);
  [[nodiscard]] std::string JournalName() const override { return journalName_; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  std::shared_ptr<EarthState> state_;
  std::vector<std::shared_ptr<FeatureNode>> items_;
  std::string journalName_;
};

// A feature object for the node, or a null object for nullptr.
[[nodiscard]] com_ptr<IDispatch> MakeFeature(const std::shared_ptr<CallGate>& gate,
                                             const std::shared_ptr<EarthState>& state,
                                             std::shared_ptr<FeatureNode> node);

}  // namespace standin
