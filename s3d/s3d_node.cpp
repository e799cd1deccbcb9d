#include "s3d/s3d_node.h"

#include <unordered_map>

S3DNode::S3DNode() : m_matrix(identity()), m_rotationMatrix(identity()) {}
S3DNode::~S3DNode() = default;
S3DNode::S3DNode(S3DNode&&) noexcept = default;
S3DNode& S3DNode::operator=(S3DNode&&) noexcept = default;

void S3DNode::animate(float time) {
  if (animateTrack(m_pPositionTrack, time, m_position)) m_dirty = 1;
  if (animateTrack(m_pScaleTrack, time, m_scale)) m_dirty = 1;
  if (animateTrack(m_pRotationTrack, time, m_rotation)) m_dirty = 1;
}

void S3DNode::buildMatrix() {
  if (m_matrixMode == kFullTransform) {
    m_rotationMatrix = quaternionToMatrix(m_rotation);
    m_matrix = multiply(multiply(scaling(m_scale), m_rotationMatrix), translation(m_position));
  } else {
    // Reset rather than kept: the hierarchy multiplies it by the parent's rotation every frame,
    // and a kept one would spin further at each frame.
    m_rotationMatrix = identity();
    m_matrix = translation(m_position);
  }
  m_dirty = 0;
}

bool isObjectName(const StringC& name) {
  return !name.isEmpty() && !name.view().empty() && name.view() != "NULL";
}

std::vector<S3DNode*> orderParentsFirst(const std::vector<S3DNode*>& candidates,
                                        const std::function<void(const std::string&)>& onCycle) {
  enum State : uint8_t { kOpen, kOnPath, kDone };
  std::unordered_map<S3DNode*, State> state;
  for (S3DNode* pNode : candidates)
    state[pNode] = kOpen;
  std::vector<S3DNode*> links;
  links.reserve(candidates.size());
  std::vector<S3DNode*> path;
  for (S3DNode* pStart : candidates) {
    // Up the chain while the heads are candidates not met yet.
    path.clear();
    S3DNode* pNode = pStart;
    for (auto it = state.find(pNode); it != state.end() && it->second == kOpen;
         it = state.find(pNode)) {
      it->second = kOnPath;
      path.push_back(pNode);
      pNode = pNode->m_pParent;
    }
    const auto top = state.find(pNode);
    std::size_t cycleStart = path.size();
    if (top != state.end() && top->second == kOnPath) {
      // The chain came back to pNode: path[cycleStart] is pNode, the rest of the path the cycle.
      while (path[cycleStart - 1] != pNode)
        --cycleStart;
      --cycleStart;
      std::string names;
      for (std::size_t i = cycleStart; i < path.size(); ++i)
        names += std::string(path[i]->m_name.view()) + " -> ";
      onCycle(names + std::string(pNode->m_name.view()));
      for (std::size_t i = cycleStart; i < path.size(); ++i) {
        path[i]->m_pParent = nullptr;
        state[path[i]] = kDone;
      }
    }
    // The rest of the path, parents first.
    for (std::size_t i = cycleStart; i-- > 0;) {
      links.push_back(path[i]);
      state[path[i]] = kDone;
    }
  }
  return links;
}
