#pragma once
// Tracks: a time-ordered array of keys with one interpolation rule, asked for a value at a time.
//
// Track<Value> is what owners evaluate, whatever the rule; TrackKeyed<Key, Value> holds the key
// array and does what every rule shares (creating, setting and getting keys, reading and writing
// the key chunk). The rules themselves live in track_curve.h (linear, hermite, TCB for floats and
// points), track_bezier.h and track_rotation.h. After keys are set by hand, call prepare() before
// asking for values; load() prepares by itself.
//
// Reports go to the caption "Track"; failing operations return a zero key or value and go on.

#include <cstdint>
#include <memory>
#include <string_view>

#include "control/track_key.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class ChunkFileWriterManager;

// Reports `text` under the tracks' caption.
void reportTrack(std::string_view text);

template <class Value>
class Track {
 public:
  explicit Track(TrackType type) : m_type(type) {}
  virtual ~Track() = default;
  Track(const Track&) = delete;
  Track& operator=(const Track&) = delete;

  TrackType getType() const { return m_type; }
  int32_t getNbKey() const { return m_nbKey; }

  // Derives what the rule needs from the keys (tangents, quaternions); nothing for some rules.
  virtual void prepare() = 0;
  // Writes the key chunk into the chunk being written on `manager`.
  virtual void save(ChunkFileWriterManager& manager) const = 0;
  // Reads every key chunk of `chunk`, then prepares. A broken chunk (the reader manager fails,
  // or a key count larger than the chunk) leaves no keys and gives false.
  virtual bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) = 0;
  // Replaces the keys with nbKey zeroed keys; a count of 0 or less is reported and changes
  // nothing.
  virtual bool createKey(int32_t nbKey) = 0;
  virtual void deleteKeys() = 0;
  // The value at `time` (ms). Allocates nothing.
  virtual Value getValue(float time) const = 0;
  // Time of a key; 0 outside the keys.
  virtual float getKeyTime(int32_t index) const = 0;

 protected:
  TrackType m_type;
  int32_t m_nbKey = 0;
};

template <class Key, class Value>
class TrackKeyed : public Track<Value> {
 public:
  using KeyType = Key;

  explicit TrackKeyed(TrackType type) : Track<Value>(type) {}

  void save(ChunkFileWriterManager& manager) const override;
  bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  bool createKey(int32_t nbKey) override;
  void deleteKeys() override;
  float getKeyTime(int32_t index) const override;

  // Copies `key` to `index` (0..count-1) with its derived fields cleared; call prepare() after.
  bool setKey(int32_t index, const Key& key);
  // The key at `index`, or a zeroed key (reported) when there is none.
  Key getKey(int32_t index) const;
  const Key* getKeys() const { return m_pKey.get(); }

 protected:
  // True when there are keys; otherwise reports "getValue: no key".
  bool hasKeysForValue() const;

  std::unique_ptr<Key[]> m_pKey;
};
