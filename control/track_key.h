#pragma once
// The values a track returns (a float, a 3D point, a rotation quaternion) and the key records of
// every track type. Times are milliseconds, angles radians. Fields marked "derived" are not
// stored in files: prepare() computes them from the others.

#include <cstdint>

// Interpolation rules, numbered as the track files store them.
enum class TrackType : int32_t {
  Linear = 1,   // straight segments; spherical linear for rotations
  Hermite = 2,  // uniform Catmull-Rom tangents
  TCB = 3,      // tension, continuity, bias tangents with ease
  Bezier = 4,   // tangent types per side (float tracks only)
};

// A point or vector with three float components.
struct Point3D {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  friend Point3D operator+(Point3D a, Point3D b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend Point3D operator-(Point3D a, Point3D b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend Point3D operator*(float k, Point3D a) { return {k * a.x, k * a.y, k * a.z}; }
  friend bool operator==(const Point3D&, const Point3D&) = default;
};

// A rotation as a quaternion (x, y, z) vector part, w scalar part.
struct Quaternion {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  friend bool operator==(const Quaternion&, const Quaternion&) = default;
};

// Linear and hermite keys of float and point tracks.
template <class Value>
struct TrackKey {
  float time = 0.0f;
  Value value{};
};

// TCB keys of float and point tracks.
template <class Value>
struct TrackKeyTCB {
  float time = 0.0f;
  Value value{};
  float bias = 0.0f;
  float continuity = 0.0f;
  float tension = 0.0f;
  float easeFrom = 0.0f;
  float easeTo = 0.0f;
  Value outTangent{};  // derived
  Value inTangent{};   // derived
};

// Tangent types of a Bezier key side.
enum class TrackTangent : uint16_t {
  Smooth = 0,  // continues the other side (or the neighbours' average)
  Linear = 1,  // towards the neighbour, or a smooth curve end
  Step = 2,    // holds the value over the segment
  Fast = 3,    // twice the linear slope
  Slow = 4,    // flat
  Custom = 5,  // slope and handle length as stored
};
inline constexpr uint16_t kNbTrackTangent = 6;

// Bezier keys of float tracks. Slopes are value per millisecond; an in slope looks backwards in
// time (the incoming handle sits at value + slope * dt / 3 before the key).
struct TrackKeyBezier {
  float time = 0.0f;
  float value = 0.0f;
  uint16_t inType = 0;
  uint16_t outType = 0;
  float inSlope = 0.0f;    // derived unless inType is Custom
  float inLength = 0.0f;   // handle length of a Custom side
  float outSlope = 0.0f;   // derived unless outType is Custom
  float outLength = 0.0f;  // handle length of a Custom side
};

// Linear rotation keys: an absolute rotation of `angle` about `axis`.
struct TrackKeyRotation {
  float time = 0.0f;
  Point3D axis{};
  float angle = 0.0f;
  Quaternion quaternion{};  // derived
};

// TCB rotation keys: each key is the rotation from the previous key (the first from none).
// prepare() keeps whole turns apart in nbTurn, leaves the rest in angle and accumulates the
// quaternions, so `quaternion` holds the absolute rotation at the key.
struct TrackKeyRotationTCB {
  float time = 0.0f;
  Point3D axis{};
  float angle = 0.0f;
  Quaternion quaternion{};  // derived
  float bias = 0.0f;
  float continuity = 0.0f;
  float tension = 0.0f;
  float easeFrom = 0.0f;
  float easeTo = 0.0f;
  Quaternion outgoing{};  // derived: intermediate towards the next key
  Quaternion incoming{};  // derived: intermediate from the previous key
  int32_t nbTurn = 0;
};
