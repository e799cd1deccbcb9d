// The demo's city model read back as glTF: its flight lasts whole bars of the music, the camera
// keeps clear of every tower, the screen and the ground and looks at the screen's front on its
// way, and its pictures are ones make_pictures draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/demo_pictures.h"
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
  // The 16-bit words of an accessor.
  std::vector<std::uint16_t> words(int accessor) const {
    const Json& a = m_gltf.at("accessors")[static_cast<std::size_t>(accessor)];
    const Json& view = m_gltf.at("bufferViews")[a.at("bufferView").get<std::size_t>()];
    std::vector<std::uint16_t> out(a.at("count").get<std::size_t>());
    std::copy_n(m_bytes.data() + view.at("byteOffset").get<std::size_t>(),
                out.size() * sizeof(std::uint16_t), reinterpret_cast<char*>(out.data()));
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

// The screen: a square whose front (counter-clockwise in glTF) shows the video; at some key the
// camera is on that side within 20 units of its middle, looking within 20 degrees of it.
TEST_F(CityModel, TheCameraLooksAtTheScreensFront) {
  const Json& node = m_gltf.at("nodes")[nodeIndex("Screen")];
  const Json& primitive =
      m_gltf.at("meshes")[node.at("mesh").get<std::size_t>()].at("primitives")[0];
  const Json& material = m_gltf.at("materials")[primitive.at("material").get<std::size_t>()];
  const Json& texture = m_gltf.at("textures")[material.at("pbrMetallicRoughness")
                                                  .at("baseColorTexture")
                                                  .at("index")
                                                  .get<std::size_t>()];
  EXPECT_EQ(m_gltf.at("images")[texture.at("source").get<std::size_t>()].at("uri"),
            DemoScenes::kScreenVideo);

  // The normal of the first triangle's front, and the middle of the screen's box.
  const std::vector<float> positions = floats(primitive.at("attributes").at("POSITION"));
  const std::vector<std::uint16_t> indices = words(primitive.at("indices"));
  ASSERT_GE(indices.size(), 3u);
  std::array<std::array<float, 3>, 3> corner{};
  for (std::size_t k = 0; k < 3; ++k)
    for (std::size_t c = 0; c < 3; ++c)
      corner[k][c] = positions[3u * indices[k] + c] + node.at("translation")[c].get<float>();
  const auto minus = [](std::array<float, 3> a, std::array<float, 3> b) {
    return std::array<float, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  };
  const auto dot = [](std::array<float, 3> a, std::array<float, 3> b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  };
  const std::array<float, 3> e1 = minus(corner[1], corner[0]), e2 = minus(corner[2], corner[0]);
  const std::array<float, 3> normal{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                    e1[0] * e2[1] - e1[1] * e2[0]};
  const Box box = boxOf(node, {0, 0, 0});
  const std::array<float, 3> middle{(box[0] + box[3]) / 2, (box[1] + box[4]) / 2,
                                    (box[2] + box[5]) / 2};

  const Json& animation = m_gltf.at("animations")[0];
  const std::vector<float> eyes = floats(animation.at("samplers")[0].at("output"));
  const std::vector<float> turns = floats(animation.at("samplers")[1].at("output"));
  ASSERT_EQ(eyes.size() / 3, turns.size() / 4);
  int facing = 0;
  for (std::size_t k = 0; k < eyes.size() / 3; ++k) {
    const std::array<float, 3> toScreen =
        minus(middle, {eyes[3 * k], eyes[3 * k + 1], eyes[3 * k + 2]});
    // The camera looks along -z turned by the key's quaternion (x, y, z, w):
    // -(2 (xz + wy), 2 (yz - wx), 1 - 2 (xx + yy)).
    const float x = turns[4 * k], y = turns[4 * k + 1], z = turns[4 * k + 2], w = turns[4 * k + 3];
    const std::array<float, 3> view{-2 * (x * z + w * y), -2 * (y * z - w * x),
                                    -(1 - 2 * (x * x + y * y))};
    const float distance = std::sqrt(dot(toScreen, toScreen));
    if (dot(toScreen, normal) < 0 && distance < 20 &&
        dot(view, toScreen) > std::cos(20.0f * 3.14159265f / 180) * distance)
      ++facing;
  }
  EXPECT_GT(facing, 0);
}

TEST_F(CityModel, ItsPicturesAreDrawnWithPowerOfTwoSides) {
  std::set<std::string> named;
  for (const Json& image : m_gltf.at("images"))
    named.insert(image.at("uri").get<std::string>());
  EXPECT_EQ(named, (std::set<std::string>{"facade.tga", "street.tga", "plasma.avi"}));
  named.erase(DemoScenes::kScreenVideo);  // make_video writes it
  for (const DemoPictures::PictureFile& file : DemoPictures::makeAll()) {
    if (!named.erase(file.name)) continue;
    const auto isPowerOfTwo = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
    EXPECT_TRUE(isPowerOfTwo(file.picture.width) && isPowerOfTwo(file.picture.height)) << file.name;
  }
  EXPECT_TRUE(named.empty()) << "not drawn: " << *named.begin();
}

}  // namespace
