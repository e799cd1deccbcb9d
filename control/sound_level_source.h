#pragma once
// The music's current level, as a sound controller reads it. The music player implements it; the
// controllers never own it.

class SoundLevelSource {
 public:
  virtual ~SoundLevelSource() = default;
  // The current level of the music channel, 0 when no music plays.
  virtual float getVU() = 0;
};
