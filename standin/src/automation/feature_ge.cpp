#include "automation/feature_ge.h"

#include "automation/earth_ids.h"
#include "automation/member_tables.h"
#include "model/error.h"
#include "model/journal.h"
#include "model/result_codes.h"

namespace standin {

com_ptr<IDispatch> MakeFeature(const std::shared_ptr<CallGate>& gate,
                               const std::shared_ptr<EarthState>& state,
                               std::shared_ptr<FeatureNode> node) {
  if (!node) {
    return {};
  }
  return MakeDispatch<FeatureGE>(gate, state, std::move(node));
}

FeatureGE::FeatureGE(std::shared_ptr<CallGate> gate, std::shared_ptr<EarthState> state,
                     std::shared_ptr<FeatureNode> node)
    : DispatchObject(std::move(gate), FeatureMembers(), ids::kIFeatureGE),
      state_(std::move(state)),
      node_(std::move(node)),
      journalName_("Feature(" + JournalString(node_->name) + ")") {}

std::string_view FeatureGE::RuleClass() const { return kFeatureClass; }

Answer FeatureGE::Call(const MemberEntry& member, CallKind kind, const Args& args) {
  using namespace ids::feature;
  if (node_->deleted) {
    throw Error(codes::kInvalidOrDeletedFeature,
                journalName_ + "." + std::string(member.name) + ": the feature has been deleted");
  }
  FeatureTree& tree = state_->Features();
  switch (member.id) {
    case kName:
      return Answer::String(node_->name);
    case kVisibility:
      if (kind == CallKind::kPut) {
        tree.SetVisibility(*node_, args.Bool(0));
        return Answer::None();
      }
      return Answer::Bool(node_->visible);
    case kHasView:
      return Answer::Bool(node_->hasView);
    case kHighlighted:
      return Answer::Bool(tree.Highlighted() == node_);
    case kHighlight:
      tree.Highlight(node_);
      return Answer::None();
    case kGetParent:
      return Answer::Object(MakeFeature(Gate(), state_, FeatureTree::Parent(*node_)));
    case kGetChildren:
      return Answer::Object(MakeDispatch<FeatureCollectionGE>(Gate(), state_, node_->children,
                                                              journalName_ + ".Children"));
    default:
      ThrowNotImplemented(member);
  }
}

FeatureCollectionGE::FeatureCollectionGE(std::shared_ptr<CallGate> gate,
                                         std::shared_ptr<EarthState> state,
                                         std::vector<std::shared_ptr<FeatureNode>> items,
                                         std::string journalName)
    : DispatchObject(std::move(gate), FeatureCollectionMembers(), ids::kIFeatureCollectionGE),
      state_(std::move(state)),
      items_(std::move(items)),
      journalName_(std::move(journalName)) {}

std::string_view FeatureCollectionGE::RuleClass() const { return kFeatureCollectionClass; }

Answer FeatureCollectionGE::Call(const MemberEntry& member, CallKind, const Args& args) {
  using namespace ids::collection;
  const auto count = static_cast<std::int32_t>(items_.size());
  switch (member.id) {
    case kCount:
      return Answer::Int(count);
    case kItem: {
      const std::int32_t index = args.Int(0);
      if (index < 1 || index > count) {
        throw Error(codes::kInvalidArg, journalName_ + ".Item: index " + JournalNumber(index) +
                                            " is outside 1.." + JournalNumber(count));
      }
      return Answer::Object(
          MakeFeature(Gate(), state_, items_[static_cast<std::size_t>(index - 1)]));
    }
    default:
      ThrowNotImplemented(member);
  }
}

}  // namespace standin
