#pragma once
// The pieces the demo's glTF models are written with: a small vector type, numbers as JSON text,
// one inline buffer with its views and accessors, a primitive's vertices and triangles, and the
// rotation that points a node's view along a direction.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace DemoGltf {

inline constexpr double kPi = 3.14159265358979323846;

struct V3 {
  double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline double dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(V3 a) {
  return std::sqrt(dot(a, a));
}

// Numbers as JSON text, short and exact enough for floats.
inline std::string number(double value) {
  std::ostringstream out;
  out.precision(9);
  out << value;
  return out.str();
}
inline std::string list(std::initializer_list<double> values) {
  std::string text = "[";
  for (const double value : values)
    text += (text.size() > 1 ? ", " : "") + number(value);
  return text + "]";
}

inline std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = 0;
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    for (std::size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k)
      out += k <= count ? kDigits[(group >> (18 - 6 * k)) & 63u] : '=';
  }
  return out;
}

// The model's one buffer with its views and accessors, as JSON objects.
class Buffer {
 public:
  // Floats of `components` each (SCALAR, VEC2, VEC3, VEC4, or 16 for MAT4); min and max when
  // asked (positions and animation times need them).
  int floats(const std::vector<float>& values, int components, bool bounds) {
    static const char* const kTypes[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4", "", "", "",    "",
                                         "", "",       "",     "",     "",     "", "", "MAT4"};
    const auto count = values.size() / static_cast<std::size_t>(components);
    std::string extra;
    if (bounds) {
      std::vector<float> low(values.begin(), values.begin() + components), high = low;
      for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t c = i % static_cast<std::size_t>(components);
        low[c] = std::min(low[c], values[i]);
        high[c] = std::max(high[c], values[i]);
      }
      extra = ", \"min\": " + floatList(low) + ", \"max\": " + floatList(high);
    }
    return add(values.data(), values.size() * sizeof(float), 5126, count, kTypes[components],
               extra);
  }
  // Unsigned 16-bit words, one (indices) or four (joints) each.
  int words(const std::vector<std::uint16_t>& values, int components = 1) {
    return add(values.data(), values.size() * sizeof(std::uint16_t), 5123,
               values.size() / static_cast<std::size_t>(components),
               components == 4 ? "VEC4" : "SCALAR", "");
  }

  std::string json() const {
    std::string text = "\"buffers\": [{\"byteLength\": " + std::to_string(m_bytes.size()) +
                       ", \"uri\": \"data:application/octet-stream;base64," + base64(m_bytes) +
                       "\"}],\n\"bufferViews\": [\n" + join(m_views) + "],\n\"accessors\": [\n" +
                       join(m_accessors) + "]";
    return text;
  }

 private:
  static std::string floatList(const std::vector<float>& values) {
    std::string text = "[";
    for (const float value : values)
      text += (text.size() > 1 ? ", " : "") + number(static_cast<double>(value));
    return text + "]";
  }
  static std::string join(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
      text += items[i] + (i + 1 < items.size() ? ",\n" : "\n");
    return text;
  }
  int add(const void* pData, std::size_t size, int componentType, std::size_t count,
          const char* pType, const std::string& extra) {
    m_bytes.resize((m_bytes.size() + 3) / 4 * 4, '\0');
    m_views.push_back("{\"buffer\": 0, \"byteOffset\": " + std::to_string(m_bytes.size()) +
                      ", \"byteLength\": " + std::to_string(size) + "}");
    m_bytes.append(static_cast<const char*>(pData), size);
    m_accessors.push_back("{\"bufferView\": " + std::to_string(m_views.size() - 1) +
                          ", \"componentType\": " + std::to_string(componentType) +
                          ", \"count\": " + std::to_string(count) + ", \"type\": \"" + pType +
                          "\"" + extra + "}");
    return static_cast<int>(m_accessors.size() - 1);
  }

  std::string m_bytes;
  std::vector<std::string> m_views;
  std::vector<std::string> m_accessors;
};

// One primitive's vertices (position, glTF texture coordinates: v runs down the picture) and
// triangles.
struct MeshData {
  std::vector<float> positions;
  std::vector<float> uvs;
  std::vector<std::uint16_t> indices;

  std::uint16_t vertex(V3 p, double u, double v) {
    const auto index = static_cast<std::uint16_t>(positions.size() / 3);
    for (const double c : {p.x, p.y, p.z})
      positions.push_back(static_cast<float>(c));
    uvs.push_back(static_cast<float>(u));
    uvs.push_back(static_cast<float>(v));
    return index;
  }
  // The squares of a grid of (columns + 1) x (rows + 1) vertices from `first`, row after row:
  // counter-clockwise seen from the side `outward` points to.
  void grid(std::uint16_t first, int columns, int rows, V3 outward) {
    const auto at = [&](int column, int row) {
      return static_cast<std::uint16_t>(first + row * (columns + 1) + column);
    };
    const auto corner = [&](std::uint16_t index) {
      const float* p = &positions[3u * index];
      return V3{static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])};
    };
    const bool counterClockwise =
        dot(cross(corner(at(1, 0)) - corner(at(0, 0)), corner(at(1, 1)) - corner(at(0, 0))),
            outward) > 0;
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < columns; ++column) {
        const std::uint16_t a = at(column, row), b = at(column + 1, row),
                            c = at(column + 1, row + 1), d = at(column, row + 1);
        for (const std::uint16_t index : counterClockwise
                                             ? std::array<std::uint16_t, 6>{a, b, c, a, c, d}
                                             : std::array<std::uint16_t, 6>{a, c, b, a, d, c})
          indices.push_back(index);
      }
  }
  // A quad of corners a b c d (in order round it) seen from the side `outward` points to:
  // counter-clockwise there, the front side in glTF.
  void quad(const std::array<V3, 4>& corners, const std::array<std::array<double, 2>, 4>& uv,
            V3 outward) {
    std::array<std::uint16_t, 4> at{};
    for (std::size_t i = 0; i < 4; ++i)
      at[i] = vertex(corners[i], uv[i][0], uv[i][1]);
    const bool counterClockwise =
        dot(cross(corners[1] - corners[0], corners[2] - corners[0]), outward) > 0;
    const std::array<std::size_t, 6> order = counterClockwise
                                                 ? std::array<std::size_t, 6>{0, 1, 2, 0, 2, 3}
                                                 : std::array<std::size_t, 6>{0, 2, 1, 0, 3, 2};
    for (const std::size_t i : order)
      indices.push_back(at[i]);
  }
};

// The rotation (x, y, z, w) that turns glTF's view direction -z towards `direction`: a pitch
// about x, then a yaw about y. `yaw` is kept continuous with the previous key's.
inline std::array<double, 4> lookAlong(V3 direction, double& yaw) {
  double wanted = std::atan2(-direction.x, -direction.z);
  while (wanted - yaw > kPi)
    wanted -= 2 * kPi;
  while (wanted - yaw < -kPi)
    wanted += 2 * kPi;
  yaw = wanted;
  const double pitch = std::atan2(direction.y, std::hypot(direction.x, direction.z));
  const double sy = std::sin(yaw / 2), cy = std::cos(yaw / 2);
  const double sx = std::sin(pitch / 2), cx = std::cos(pitch / 2);
  // q_yaw * q_pitch.
  return {cy * sx, cx * sy, -sy * sx, cy * cx};
}

}  // namespace DemoGltf
