// The frame profile: each stage's own time goes to its category, the stages nested in it to
// theirs, and nothing is counted while no profile is installed or on another thread.

#include "base/frame_profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using std::chrono::steady_clock;

void busy(std::chrono::microseconds length) {
  const steady_clock::time_point end = steady_clock::now() + length;
  while (steady_clock::now() < end) {
  }
}

TEST(FrameProfile, NestedStagesCountOnlyTheirOwnTimeAndOnlyOnTheProfilesThread) {
  FrameProfile profile;
  {
    const ProfileScope before(ProfileCategory::kMix);
    busy(std::chrono::microseconds(100));
  }
  FrameProfile* const pOld = FrameProfile::install(&profile);
  std::thread([] {
    const ProfileScope elsewhere(ProfileCategory::kMix);
    busy(std::chrono::microseconds(100));
  }).join();
  const steady_clock::time_point start = steady_clock::now();
  {
    const ProfileScope write(ProfileCategory::kFill);
    busy(std::chrono::microseconds(300));
    {
      const ProfileScope draw(ProfileCategory::kDraw3D);
      busy(std::chrono::microseconds(2000));
    }
  }
  const steady_clock::duration outside = steady_clock::now() - start;
  EXPECT_EQ(FrameProfile::install(pOld), &profile);

  const auto at = [&](ProfileCategory c) { return profile.time[static_cast<std::size_t>(c)]; };
  // The nested stage is not counted twice: the two add up to the outer stage, at most the time
  // measured around it.
  EXPECT_LE(at(ProfileCategory::kFill) + at(ProfileCategory::kDraw3D), outside);
  EXPECT_GE(at(ProfileCategory::kDraw3D), std::chrono::microseconds(2000));
  EXPECT_GE(at(ProfileCategory::kFill), std::chrono::microseconds(300));
  for (ProfileCategory c : {ProfileCategory::kMix, ProfileCategory::kEffect2D,
                            ProfileCategory::kScene2D, ProfileCategory::kTransform3D})
    EXPECT_EQ(at(c).count(), 0) << profileCategoryName(c);
  EXPECT_EQ(FrameProfile::installed(), pOld);
}

}  // namespace
