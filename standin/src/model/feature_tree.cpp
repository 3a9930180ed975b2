#include "model/feature_tree.h"

#include <algorithm>
#include <utility>

namespace standin {
namespace {

struct LayerPlan {
  std::u16string_view name;
  bool visible;
  std::vector<LayerPlan> children;
};

std::shared_ptr<FeatureNode> MakeNode(std::u16string_view name, bool visible,
                                      const std::shared_ptr<FeatureNode>& parent) {
  auto node = std::make_shared<FeatureNode>();
  node->name = std::u16string(name);
  node->visible = visible;
  node->parent = parent;
  if (parent) {
    parent->children.push_back(node);
  }
  return node;
}

void AddLayers(const std::shared_ptr<FeatureNode>& parent, const std::vector<LayerPlan>& layers) {
  for (const LayerPlan& layer : layers) {
    AddLayers(MakeNode(layer.name, layer.visible, parent), layer.children);
  }
}

// The built-in layers with Earth's default ticks.
const std::vector<LayerPlan>& BuiltInLayers() {
  static const std::vector<LayerPlan> kLayers = {
      {u"Borders and Labels",
       true,
       {{u"International Borders", true, {}},
        {u"Coastlines", true, {}},
        {u"Populated Places", true, {}}}},
      {u"Places", true, {}},
      {u"Photos", false, {}},
      {u"Roads", true, {}},
      {u"3D Buildings", true, {}},
      {u"Ocean", true, {}},
      {u"Weather", false, {}},
      {u"Gallery", false, {}},
      {u"Global Awareness", false, {}},
      {u"More", false, {}},
      {u"Terrain", true, {}},
  };
  return kLayers;
}

void SetSubtree(FeatureNode& node, bool visible) {
  node.visible = visible;
  for (const auto& child : node.children) {
    SetSubtree(*child, visible);
  }
}

// A placemark shape is shown somewhere in the node's subtree, counting from
// the node itself (whose ancestors are not looked at).
bool ShowsAPlacemark(const FeatureNode& node) {
  if (!node.visible) {
    return false;
  }
  if (node.shape) {
    return true;
  }
  for (const auto& child : node.children) {
    if (ShowsAPlacemark(*child)) {
      return true;
    }
  }
  return false;
}

void MarkDeleted(FeatureNode& node) {
  node.deleted = true;
  for (const auto& child : node.children) {
    MarkDeleted(*child);
  }
}

}  // namespace

std::shared_ptr<FeatureNode> FeatureTree::FindDepthFirst(const std::shared_ptr<FeatureNode>& node,
                                                         std::u16string_view name) {
  if (node->name == name) {
    return node;
  }
  for (const auto& child : node->children) {
    if (auto found = FindDepthFirst(child, name)) {
      return found;
    }
  }
  return nullptr;
}

FeatureTree::FeatureTree()
    : temporaryPlaces_(MakeNode(u"Temporary Places", true, nullptr)),
      myPlaces_(MakeNode(u"My Places", true, nullptr)),
      primaryDatabase_(MakeNode(u"Primary Database", true, nullptr)) {
  AddLayers(primaryDatabase_, BuiltInLayers());
}

std::shared_ptr<FeatureNode> FeatureTree::FindByName(std::u16string_view name) const {
  if (const auto entries = nameIndex_.find(std::u16string(name)); entries != nameIndex_.end()) {
    // Entries leave the index with their node, so the first one is alive.
    if (auto found = entries->second.begin()->second.lock()) {
      return found;
    }
  }
  if (temporaryPlaces_->name == name) {
    return temporaryPlaces_;
  }
  if (auto found = FindDepthFirst(myPlaces_, name)) {
    return found;
  }
  return FindDepthFirst(primaryDatabase_, name);
}

std::shared_ptr<FeatureNode> FeatureTree::Parent(const FeatureNode& node) {
  return node.parent.lock();
}

void FeatureTree::SetVisibility(FeatureNode& node, bool visible) {
  SetSubtree(node, visible);
  if (visible) {
    for (auto ancestor = node.parent.lock(); ancestor; ancestor = ancestor->parent.lock()) {
      ancestor->visible = true;
    }
  }
  if (&node == temporaryPlaces_.get()) {
    for (const auto& load : temporaryPlaces_->children) {
      UpdateShownLoad(load);
    }
  } else if (node.loadSequence != 0 && !node.deleted) {
    // The load is the feature at position 0 of its sequence: the index
    // finds it without a walk along Temporary Places' children.
    const auto entries = nameIndex_.find(node.name);
    if (node.loadPosition == 0 && entries != nameIndex_.end()) {
      if (const auto found = entries->second.find(std::pair(node.loadSequence, 0U));
          found != entries->second.end()) {
        if (const auto load = found->second.lock()) {
          UpdateShownLoad(load);
        }
      }
    } else if (const auto parent = node.parent.lock()) {
      UpdateShownLoad(parent);
    }
  }
  Changed();
}

void FeatureTree::UpdateShownLoad(const std::shared_ptr<FeatureNode>& node) {
  // The load is the ancestor right under Temporary Places.
  std::shared_ptr<FeatureNode> load = node;
  for (auto parent = load->parent.lock(); parent && parent != temporaryPlaces_;
       parent = parent->parent.lock()) {
    load = parent;
  }
  if (load->parent.lock() != temporaryPlaces_) {
    return;
  }
  if (ShowsAPlacemark(*load)) {
    shownLoads_.insert_or_assign(load->loadSequence, load);
  } else {
    shownLoads_.erase(load->loadSequence);
  }
}

bool FeatureTree::IsShown(const FeatureNode& node) {
  if (!node.visible || node.deleted) {
    return false;
  }
  for (auto ancestor = node.parent.lock(); ancestor; ancestor = ancestor->parent.lock()) {
    if (!ancestor->visible) {
      return false;
    }
  }
  return true;
}

bool FeatureTree::IsLayerShown(std::u16string_view layerName) const {
  const auto layer = FindDepthFirst(primaryDatabase_, layerName);
  return layer && IsShown(*layer);
}

void FeatureTree::Highlight(const std::shared_ptr<FeatureNode>& node) {
  highlighted_ = node;
  Changed();
}

std::shared_ptr<FeatureNode> FeatureTree::Highlighted() const {
  auto node = highlighted_.lock();
  return node && !node->deleted ? node : nullptr;
}

void FeatureTree::SetBalloon(const std::shared_ptr<FeatureNode>& node) {
  balloon_ = node;
  Changed();
}

std::shared_ptr<FeatureNode> FeatureTree::Balloon() const {
  auto node = balloon_.lock();
  return node && !node->deleted ? node : nullptr;
}

void FeatureTree::AppendTemporary(const std::shared_ptr<FeatureNode>& node) {
  node->parent = temporaryPlaces_;
  IndexSubtree(node, ++lastLoadSequence_);
  temporaryPlaces_->children.push_back(node);
  UpdateShownLoad(node);
  if (keepShadowed_ != kKeepEveryCopy) {
    TrackCopy(node);
    RevisitWaitingCopies();
  }
  Changed();
}

void FeatureTree::TrackCopy(const std::shared_ptr<FeatureNode>& load) {
  Copies& recent = recentCopies_[load->name];
  recent.emplace(load->loadSequence, load);
  if (recent.size() <= std::size_t{keepShadowed_} + 1) {
    return;
  }
  // Everything left in `recent` is newer, so the oldest has its newest copy
  // and keepShadowed_ superseded ones after it.
  auto oldest = recent.extract(recent.begin());
  if (!RetireIfShadowed(oldest.mapped())) {
    waitingCopies_.insert(std::move(oldest));
  }
}

void FeatureTree::RevisitWaitingCopies() {
  // Two a load: a held copy's turn comes again after half as many loads as
  // copies wait, and no load pays for all of them.
  const std::size_t visits = std::min<std::size_t>(2, waitingCopies_.size());
  for (std::size_t visit = 0; visit < visits; ++visit) {
    auto next = waitingCopies_.lower_bound(nextWaitingToVisit_);
    if (next == waitingCopies_.end()) {
      next = waitingCopies_.begin();
    }
    const std::uint64_t sequence = next->first;
    nextWaitingToVisit_ = sequence + 1;
    // A copy: retiring it erases the entry.
    const std::weak_ptr<FeatureNode> copy = next->second;
    if (RetireIfShadowed(copy)) {
      waitingCopies_.erase(sequence);
    }
  }
}

bool FeatureTree::RetireIfShadowed(const std::weak_ptr<FeatureNode>& copy) {
  const std::shared_ptr<FeatureNode> load = copy.lock();
  if (!load || load->deleted) {
    return true;
  }
  if (!IsShadowed(load)) {
    return false;
  }
  Detach(load);
  ++retiredCount_;
  return true;
}

bool FeatureTree::IsShadowed(const std::shared_ptr<FeatureNode>& load) const {
  if (load->parent.lock() != temporaryPlaces_) {
    return false;
  }
  // Only a copy with keepShadowed_ + 1 newer ones of its name goes.
  const auto recent = recentCopies_.find(load->name);
  if (recent == recentCopies_.end() || recent->second.size() <= keepShadowed_ ||
      recent->second.begin()->first < load->loadSequence) {
    return false;
  }
  if (shownLoads_.contains(load->loadSequence)) {
    return false;
  }
  for (const auto& watched : {highlighted_.lock(), balloon_.lock()}) {
    if (watched && !watched->deleted && watched->loadSequence == load->loadSequence) {
      return false;
    }
  }
  // Held elsewhere means a client's feature object or collection (the
  // scenes the render thread paints copy what they draw and hold no node).
  // The load is referenced by Temporary Places and by the caller, every
  // other node by its parent only.
  if (load.use_count() != 2) {
    return false;
  }
  std::vector<const FeatureNode*> pending{load.get()};
  while (!pending.empty()) {
    const FeatureNode* node = pending.back();
    pending.pop_back();
    const auto entries = nameIndex_.find(node->name);
    if (entries == nameIndex_.end() || entries->second.begin()->first.first == load->loadSequence) {
      return false;  // the name would be found elsewhere, or nowhere, once it went
    }
    for (const auto& child : node->children) {
      if (child.use_count() != 1) {
        return false;
      }
      pending.push_back(child.get());
    }
  }
  return true;
}

void FeatureTree::ForgetCopy(const FeatureNode& load) {
  waitingCopies_.erase(load.loadSequence);
  if (const auto recent = recentCopies_.find(load.name); recent != recentCopies_.end()) {
    recent->second.erase(load.loadSequence);
    if (recent->second.empty()) {
      recentCopies_.erase(recent);
    }
  }
}

void FeatureTree::IndexSubtree(const std::shared_ptr<FeatureNode>& top, std::uint64_t sequence) {
  std::uint32_t position = 0;
  // Depth-first with an explicit stack: loaded documents may nest deeply.
  std::vector<std::shared_ptr<FeatureNode>> pending{top};
  while (!pending.empty()) {
    std::shared_ptr<FeatureNode> node = std::move(pending.back());
    pending.pop_back();
    node->loadSequence = sequence;
    node->loadPosition = position++;
    nameIndex_[node->name].emplace(std::pair(sequence, node->loadPosition), node);
    if (node->refresh && sequence != 0) {
      const bool known =
          std::any_of(refreshingLinks_.begin(), refreshingLinks_.end(),
                      [&](const RefreshingLink& entry) { return entry.link.lock() == node; });
      if (!known) {
        refreshingLinks_.push_back({node, 0});
      }
    }
    pending.insert(pending.end(), node->children.rbegin(), node->children.rend());
  }
}

void FeatureTree::UnindexSubtree(const FeatureNode& top) {
  std::vector<const FeatureNode*> pending{&top};
  while (!pending.empty()) {
    const FeatureNode* node = pending.back();
    pending.pop_back();
    if (node->loadSequence != 0) {
      if (auto entries = nameIndex_.find(node->name); entries != nameIndex_.end()) {
        entries->second.erase(std::pair(node->loadSequence, node->loadPosition));
        if (entries->second.empty()) {
          nameIndex_.erase(entries);
        }
      }
    }
    for (const auto& child : node->children) {
      pending.push_back(child.get());
    }
  }
}

void FeatureTree::ReplaceLinked(const std::shared_ptr<FeatureNode>& link,
                                std::shared_ptr<FeatureNode> child) {
  if (link->deleted) {
    return;
  }
  std::shared_ptr<FeatureNode> load = link;
  while (auto parent = load->parent.lock()) {
    if (parent == temporaryPlaces_) {
      break;
    }
    load = parent;
  }
  const bool loaded = load->parent.lock() == temporaryPlaces_;
  if (loaded) {
    UnindexSubtree(*load);
  }
  for (const auto& old : link->children) {
    MarkDeleted(*old);
  }
  link->children.clear();
  if (child) {
    child->parent = link;
    child->visible = child->visible && link->visible;
    link->children.push_back(std::move(child));
  }
  if (loaded) {
    IndexSubtree(load, load->loadSequence);
    UpdateShownLoad(load);
  }
  Changed();
}

void FeatureTree::Remove(const std::shared_ptr<FeatureNode>& node) {
  Detach(node);
  Changed();
}

void FeatureTree::Detach(const std::shared_ptr<FeatureNode>& alias) {
  // `alias` may be the parent's own entry, which the erase below destroys.
  // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): that is why
  const std::shared_ptr<FeatureNode> node = alias;
  UnindexSubtree(*node);
  const auto parent = node->parent.lock();
  if (parent) {
    std::erase(parent->children, node);
  }
  node->parent.reset();
  MarkDeleted(*node);
  if (parent == temporaryPlaces_) {
    shownLoads_.erase(node->loadSequence);
    ForgetCopy(*node);
  } else if (parent && parent->loadSequence != 0) {
    UpdateShownLoad(parent);
  }
}

void FeatureTree::Changed() const {
  if (onChanged_) {
    onChanged_();
  }
}

}  // namespace standin
