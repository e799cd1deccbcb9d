#pragma once
// Where a frame's time goes, for the benchmarks: the engine marks its stages with ProfileScope,
// and while a FrameProfile is installed each stage's own time (without the stages nested in it)
// is added to its category. Without one installed a scope costs one test of a pointer.

#include <array>
#include <chrono>
#include <cstddef>

enum class ProfileCategory : std::size_t {
  kFill,         // colour fills and writes of pictures and layers
  kEffect2D,     // effect operations
  kMix,          // mix operations
  kScene2D,      // 2D scenes
  kTransform3D,  // 3D scenes: animation, controllers, transform and lighting
  kDraw3D,       // 3D scenes: clipping, set-up and spans
  kCount
};
inline constexpr std::size_t kNbProfileCategory = static_cast<std::size_t>(ProfileCategory::kCount);

// The categories' names, for reports: "fill", "effect2d", "mix", "scene2d", "transform3d",
// "draw3d".
const char* profileCategoryName(ProfileCategory category);

struct FrameProfile {
  std::array<std::chrono::steady_clock::duration, kNbProfileCategory> time{};

  // Installs `pProfile` for this thread (null: none); returns the one it replaces.
  static FrameProfile* install(FrameProfile* pProfile);
  static FrameProfile* installed();
};

class ProfileScope {
 public:
  explicit ProfileScope(ProfileCategory category);
  ~ProfileScope();
  ProfileScope(const ProfileScope&) = delete;
  ProfileScope& operator=(const ProfileScope&) = delete;

 private:
  FrameProfile* m_pProfile;
  ProfileCategory m_category{};
  ProfileScope* m_pParent = nullptr;
  std::chrono::steady_clock::time_point m_start{};
  // Time spent in the scopes nested in this one.
  std::chrono::steady_clock::duration m_nested{};
};
