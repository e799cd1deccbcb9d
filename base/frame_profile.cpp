#include "base/frame_profile.h"

namespace {

thread_local FrameProfile* t_pProfile = nullptr;
thread_local ProfileScope* t_pInnermost = nullptr;

}  // namespace

const char* profileCategoryName(ProfileCategory category) {
  static constexpr const char* kNames[kNbProfileCategory] = {"fill",    "effect2d",    "mix",
                                                             "scene2d", "transform3d", "draw3d"};
  const auto index = static_cast<std::size_t>(category);
  return index < kNbProfileCategory ? kNames[index] : "?";
}

FrameProfile* FrameProfile::install(FrameProfile* pProfile) {
  FrameProfile* pOld = t_pProfile;
  t_pProfile = pProfile;
  return pOld;
}

FrameProfile* FrameProfile::installed() {
  return t_pProfile;
}

ProfileScope::ProfileScope(ProfileCategory category) : m_pProfile(t_pProfile) {
  if (!m_pProfile) return;
  m_category = category;
  m_pParent = t_pInnermost;
  t_pInnermost = this;
  m_start = std::chrono::steady_clock::now();
}

ProfileScope::~ProfileScope() {
  if (!m_pProfile) return;
  const std::chrono::steady_clock::duration spent = std::chrono::steady_clock::now() - m_start;
  m_pProfile->time[static_cast<std::size_t>(m_category)] += spent - m_nested;
  if (m_pParent) m_pParent->m_nested += spent;
  t_pInnermost = m_pParent;
}
