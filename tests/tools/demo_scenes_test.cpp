// The demo's city model read back as glTF: its flight lasts whole bars of the music and the
// camera keeps clear of every tower, the screen and the ground (the city's look is pinned by the
// demo's golden frames).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/demo_scenes.h"
#include "tools/demo_tempo.h"

namespace {

using Json = nlohmann::json;
using Box = std::array<float, 6>;  // low x, y, z, high x, y, z

std::string fromBase64(const std::string& text) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+') value = 62;
    if (c == '/') value = 63;
    if (value < 0) continue;
    bits = bits << 6 | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

class CityModel : public ::testing::Test {
 protected:
  void SetUp() override {
    m_gltf = Json::parse(DemoScenes::cityGltf(""));
    const std::string uri = m_gltf.at("buffers")[0].at("uri");
    m_bytes = fromBase64(uri.substr(uri.find(',') + 1));
    ASSERT_EQ(m_bytes.size(), m_gltf.at("buffers")[0].at("byteLength").get<std::size_t>());
  }

  // The floats of an accessor (tightly packed, as the views are).
  std::vector<float> floats(int accessor) const {
    const Json& a = m_gltf.at("accessors")[static_cast<std::size_t>(accessor)];
    const Json& view = m_gltf.at("bufferViews")[a.at("bufferView").get<std::size_t>()];
    std::vector<float> out(view.at("byteLength").get<std::size_t>() / sizeof(float));
    std::copy_n(m_bytes.data() + view.at("byteOffset").get<std::size_t>(),
                out.size() * sizeof(float), reinterpret_cast<char*>(out.data()));
    return out;
  }
  // The box of a mesh's positions moved by `offset`.
  Box boxOf(const Json& node, std::array<float, 3> offset) const {
    const Json& mesh = m_gltf.at("meshes")[node.at("mesh").get<std::size_t>()];
    const std::vector<float> positions =
        floats(mesh.at("primitives")[0].at("attributes").at("POSITION"));
    Box box{1e9f, 1e9f, 1e9f, -1e9f, -1e9f, -1e9f};
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const std::size_t c = i % 3;
      const float p = positions[i] + offset[c] + node.at("translation")[c].get<float>();
      box[c] = std::min(box[c], p);
      box[c + 3] = std::max(box[c + 3], p);
    }
    return box;
  }
  std::size_t nodeIndex(const std::string& name) const {
    const Json& nodes = m_gltf.at("nodes");
    for (std::size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i].at("name") == name) return i;
    ADD_FAILURE() << "no node " << name;
    return nodes.size();
  }

  Json m_gltf;
  std::string m_bytes;
};

TEST_F(CityModel, TheFlightLastsEightBarsAndKeepsClearOfTowersScreenAndGround) {
  const Json& animation = m_gltf.at("animations")[0];
  const std::vector<float> times = floats(animation.at("samplers")[0].at("input"));
  ASSERT_GE(times.size(), 2u);
  EXPECT_FLOAT_EQ(times.front(), 0.0f);
  // 8 bars of 1920 ms.
  EXPECT_FLOAT_EQ(times.back(), 15.36f);
  EXPECT_EQ(DemoScenes::kCityMs, 8 * DemoTempo::kMsPerBar);

  // Every tower in the world: its district's place plus its own, plus the box of its positions;
  // then the screen.
  std::vector<Box> towers;
  for (const Json& district : m_gltf.at("nodes")) {
    if (!district.contains("children")) continue;
    const Json& at = district.at("translation");
    for (const Json& child : district.at("children"))
      towers.push_back(boxOf(m_gltf.at("nodes")[child.get<std::size_t>()],
                             {at[0].get<float>(), at[1].get<float>(), at[2].get<float>()}));
  }
  ASSERT_EQ(towers.size(), 36u);
  towers.push_back(boxOf(m_gltf.at("nodes")[nodeIndex("Screen")], {0, 0, 0}));

  // The camera's keys, and the points halfway between them (the importer mixes keys linearly):
  // at least 1 unit (twice the near plane) from every tower and above the ground.
  const Json& channels = animation.at("channels");
  ASSERT_EQ(channels[0].at("target").at("path"), "translation");
  ASSERT_EQ(channels[0].at("target").at("node").get<std::size_t>(), nodeIndex("Camera"));
  const std::vector<float> keys = floats(animation.at("samplers")[0].at("output"));
  ASSERT_EQ(keys.size(), 3 * times.size());
  float nearest = 1e9f, lowest = 1e9f;
  for (std::size_t k = 0; k + 1 < times.size(); ++k)
    for (const float s : {0.0f, 0.5f}) {
      std::array<float, 3> eye{};
      for (std::size_t c = 0; c < 3; ++c)
        eye[c] = keys[3 * k + c] + (keys[3 * k + 3 + c] - keys[3 * k + c]) * s;
      lowest = std::min(lowest, eye[1]);
      for (const Box& box : towers) {
        float outside = 0;
        for (std::size_t c = 0; c < 3; ++c)
          outside = std::max({outside, box[c] - eye[c], eye[c] - box[c + 3]});
        nearest = std::min(nearest, outside);
      }
    }
  EXPECT_GE(nearest, 1.0f);
  EXPECT_GE(lowest, 4.0f);
}

}  // namespace
