// What every track rule shares: the key array, key access with its reports, and the key chunk.

#include "control/track.h"

#include <cmath>
#include <new>
#include <string>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/track_math_p.h"

namespace {

constexpr std::uint16_t kKeyChunk = 1;
// The key count in front of the keys.
constexpr std::uint32_t kCountSize = 4;

// Files hold whole milliseconds: the time truncated towards zero, clamped to the int range.
std::int32_t timeToFile(float time) {
  if (!(time == time)) return 0;
  if (time >= 2147483520.0f) return 2147483520;  // the largest float below 2^31
  if (time <= -2147483648.0f) return INT32_MIN;
  return static_cast<std::int32_t>(time);
}

void readTCB(ChunkFileReader& chunk, float& bias, float& continuity, float& tension,
             float& easeFrom, float& easeTo) {
  bias = chunk.readFloat();
  continuity = chunk.readFloat();
  tension = chunk.readFloat();
  easeFrom = chunk.readFloat();
  easeTo = chunk.readFloat();
}

template <class Key>
void writeTCB(ChunkFileWriter& chunk, const Key& key) {
  chunk.writeFloat(key.bias);
  chunk.writeFloat(key.continuity);
  chunk.writeFloat(key.tension);
  chunk.writeFloat(key.easeFrom);
  chunk.writeFloat(key.easeTo);
}

void clearDerived(TrackKey<float>&) {}
void clearDerived(TrackKey<Point3D>&) {}
void clearDerived(TrackKeyBezier&) {}
void clearDerived(TrackKeyRotation&) {}
template <class Value>
void clearDerived(TrackKeyTCB<Value>& key) {
  key.outTangent = Value{};
  key.inTangent = Value{};
}
void clearDerived(TrackKeyRotationTCB& key) {
  key.outgoing = Quaternion{};
  key.incoming = Quaternion{};
}

}  // namespace

void reportTrack(std::string_view text) {
  report("Track", text, ReportLevel::Warning);
}

// --- Key records in the key chunk (after the int time) ----------------------------------------

// How a key record is laid out in a key chunk: its size with the time, and its fields.
template <class Key>
struct TrackKeyFile;

template <>
struct TrackKeyFile<TrackKey<float>> {
  static constexpr std::uint32_t kSize = 8;
  static void read(ChunkFileReader& chunk, TrackKey<float>& key) { key.value = chunk.readFloat(); }
  static void write(ChunkFileWriter& chunk, const TrackKey<float>& key) {
    chunk.writeFloat(key.value);
  }
  static bool isValid(const TrackKey<float>&) { return true; }
};

template <>
struct TrackKeyFile<TrackKey<Point3D>> {
  static constexpr std::uint32_t kSize = 16;
  static void read(ChunkFileReader& chunk, TrackKey<Point3D>& key) {
    chunk.readPoint3(key.value.x, key.value.y, key.value.z);
  }
  static void write(ChunkFileWriter& chunk, const TrackKey<Point3D>& key) {
    chunk.writePoint3(key.value.x, key.value.y, key.value.z);
  }
  static bool isValid(const TrackKey<Point3D>&) { return true; }
};

template <>
struct TrackKeyFile<TrackKeyTCB<float>> {
  static constexpr std::uint32_t kSize = 28;
  static void read(ChunkFileReader& chunk, TrackKeyTCB<float>& key) {
    key.value = chunk.readFloat();
    readTCB(chunk, key.bias, key.continuity, key.tension, key.easeFrom, key.easeTo);
  }
  static void write(ChunkFileWriter& chunk, const TrackKeyTCB<float>& key) {
    chunk.writeFloat(key.value);
    writeTCB(chunk, key);
  }
  static bool isValid(const TrackKeyTCB<float>&) { return true; }
};

template <>
struct TrackKeyFile<TrackKeyTCB<Point3D>> {
  static constexpr std::uint32_t kSize = 36;
  static void read(ChunkFileReader& chunk, TrackKeyTCB<Point3D>& key) {
    chunk.readPoint3(key.value.x, key.value.y, key.value.z);
    readTCB(chunk, key.bias, key.continuity, key.tension, key.easeFrom, key.easeTo);
  }
  static void write(ChunkFileWriter& chunk, const TrackKeyTCB<Point3D>& key) {
    chunk.writePoint3(key.value.x, key.value.y, key.value.z);
    writeTCB(chunk, key);
  }
  static bool isValid(const TrackKeyTCB<Point3D>&) { return true; }
};

template <>
struct TrackKeyFile<TrackKeyBezier> {
  static constexpr std::uint32_t kSize = 28;
  static void read(ChunkFileReader& chunk, TrackKeyBezier& key) {
    key.value = chunk.readFloat();
    key.inSlope = chunk.readFloat();
    key.inLength = chunk.readFloat();
    key.inType = chunk.readWord();
    key.outSlope = chunk.readFloat();
    key.outLength = chunk.readFloat();
    key.outType = chunk.readWord();
  }
  static void write(ChunkFileWriter& chunk, const TrackKeyBezier& key) {
    chunk.writeFloat(key.value);
    chunk.writeFloat(key.inSlope);
    chunk.writeFloat(key.inLength);
    chunk.writeWord(key.inType);
    chunk.writeFloat(key.outSlope);
    chunk.writeFloat(key.outLength);
    chunk.writeWord(key.outType);
  }
  static bool isValid(const TrackKeyBezier& key) {
    return key.inType < kNbTrackTangent && key.outType < kNbTrackTangent;
  }
};

template <>
struct TrackKeyFile<TrackKeyRotation> {
  static constexpr std::uint32_t kSize = 20;
  static void read(ChunkFileReader& chunk, TrackKeyRotation& key) {
    chunk.readAngleAxis(key.axis.x, key.axis.y, key.axis.z, key.angle);
  }
  static void write(ChunkFileWriter& chunk, const TrackKeyRotation& key) {
    chunk.writeAngleAxis(key.axis.x, key.axis.y, key.axis.z, key.angle);
  }
  static bool isValid(const TrackKeyRotation&) { return true; }
};

template <>
struct TrackKeyFile<TrackKeyRotationTCB> {
  static constexpr std::uint32_t kSize = 40;
  static void read(ChunkFileReader& chunk, TrackKeyRotationTCB& key) {
    chunk.readAngleAxis(key.axis.x, key.axis.y, key.axis.z, key.angle);
    key.nbTurn = 0;
    readTCB(chunk, key.bias, key.continuity, key.tension, key.easeFrom, key.easeTo);
  }
  // The whole turns that prepare() split off go back into the angle.
  static void write(ChunkFileWriter& chunk, const TrackKeyRotationTCB& key) {
    const float angle = key.angle + static_cast<float>(key.nbTurn) * track_math::kTwoPi;
    chunk.writeAngleAxis(key.axis.x, key.axis.y, key.axis.z, angle);
    writeTCB(chunk, key);
  }
  static bool isValid(const TrackKeyRotationTCB&) { return true; }
};

// --- TrackKeyed -------------------------------------------------------------------------------

template <class Key, class Value>
bool TrackKeyed<Key, Value>::createKey(int32_t nbKey) {
  if (nbKey <= 0) {
    reportTrack("createKey: nbKey <= 0");
    return false;
  }
  Key* pKey = new (std::nothrow) Key[static_cast<std::size_t>(nbKey)]();
  if (!pKey) {
    reportTrack("createKey: not enough memory");
    return false;
  }
  m_pKey.reset(pKey);
  this->m_nbKey = nbKey;
  return true;
}

template <class Key, class Value>
void TrackKeyed<Key, Value>::deleteKeys() {
  m_pKey.reset();
  this->m_nbKey = 0;
}

template <class Key, class Value>
float TrackKeyed<Key, Value>::getKeyTime(int32_t index) const {
  if (!m_pKey || index < 0 || index >= this->m_nbKey) return 0.0f;
  return m_pKey.get()[index].time;
}

template <class Key, class Value>
bool TrackKeyed<Key, Value>::setKey(int32_t index, const Key& key) {
  if (index < 0) {
    reportTrack("setKey: index < 0");
    return false;
  }
  if (!m_pKey) {
    reportTrack("setKey: pKey NULL");
    return false;
  }
  if (index >= this->m_nbKey) {
    reportTrack("setKey: not so much key");
    return false;
  }
  m_pKey.get()[index] = key;
  clearDerived(m_pKey.get()[index]);
  return true;
}

template <class Key, class Value>
Key TrackKeyed<Key, Value>::getKey(int32_t index) const {
  if (index < 0) {
    reportTrack("setKey: index < 0");  // the message the getter has always given
    return Key{};
  }
  if (!m_pKey) {
    reportTrack("getKey: pKey NULL");
    return Key{};
  }
  if (index >= this->m_nbKey) {
    reportTrack("getKey: not so much key");
    return Key{};
  }
  return m_pKey.get()[index];
}

template <class Key, class Value>
bool TrackKeyed<Key, Value>::hasKeysForValue() const {
  if (m_pKey && this->m_nbKey > 0) return true;
  reportTrack("getValue: no key");
  return false;
}

template <class Key, class Value>
void TrackKeyed<Key, Value>::save(ChunkFileWriterManager& manager) const {
  ChunkFileWriter chunk(&manager);
  chunk.beginChunk(kKeyChunk);
  const int32_t nbKey = m_pKey ? this->m_nbKey : 0;
  chunk.writeInt(nbKey);
  for (int32_t i = 0; i < nbKey; ++i) {
    chunk.writeInt(timeToFile(m_pKey.get()[i].time));
    TrackKeyFile<Key>::write(chunk, m_pKey.get()[i]);
  }
  chunk.endChunk();
}

template <class Key, class Value>
bool TrackKeyed<Key, Value>::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  using File = TrackKeyFile<Key>;
  ChunkFileReader child;
  while (!manager.hasFailed() && chunk.nextChild(child)) {
    if (child.getIdentifier() != kKeyChunk) continue;
    const int32_t nbKey = child.readInt();
    // A count is believed only when its keys fit in what is left of the chunk.
    const std::uint32_t length = child.getLength();
    const std::uint32_t room = length >= ChunkFile::kHeaderSize + kCountSize
                                   ? length - ChunkFile::kHeaderSize - kCountSize
                                   : 0;
    if (nbKey > 0 && std::uint64_t{static_cast<std::uint32_t>(nbKey)} * File::kSize > room) {
      manager.fail("Track load: the key count " + std::to_string(nbKey) +
                   " is more than the key chunk holds!");
      break;
    }
    if (manager.hasFailed() || !createKey(nbKey)) continue;
    for (int32_t i = 0; i < nbKey; ++i) {
      Key& key = m_pKey.get()[i];
      key.time = static_cast<float>(child.readInt());
      File::read(child, key);
      if (!File::isValid(key)) {
        manager.fail("Track load: unknown key type in key " + std::to_string(i) + "!");
        break;
      }
    }
  }
  if (manager.hasFailed()) {
    deleteKeys();
    return false;
  }
  this->prepare();
  return true;
}

template class TrackKeyed<TrackKey<float>, float>;
template class TrackKeyed<TrackKey<Point3D>, Point3D>;
template class TrackKeyed<TrackKeyTCB<float>, float>;
template class TrackKeyed<TrackKeyTCB<Point3D>, Point3D>;
template class TrackKeyed<TrackKeyBezier, float>;
template class TrackKeyed<TrackKeyRotation, Quaternion>;
template class TrackKeyed<TrackKeyRotationTCB, Quaternion>;
