#pragma once
// Exact-byte golden pictures of the rendering tests: RGB rows (top first) against a PNG kept with
// the tests. With SHOWPLAYER_UPDATE_GOLDEN=1 the PNG is rewritten from the rows instead and the
// test is skipped, so a new golden is always looked at before it is trusted.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

inline void expectGoldenRgb(const std::string& path, std::uint32_t width, std::uint32_t height,
                            const std::vector<std::uint8_t>& rgb) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.format = PNG_FORMAT_RGB;
  const char* update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN");
  if (update && std::strcmp(update, "1") == 0) {
    png.width = width;
    png.height = height;
    ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr)) << path;
    GTEST_SKIP() << "golden picture rewritten: " << path;
  }
  ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str())) << "missing " << path;
  png.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> golden(PNG_IMAGE_SIZE(png));
  const bool read = png_image_finish_read(&png, nullptr, golden.data(), 0, nullptr) != 0;
  png_image_free(&png);
  ASSERT_TRUE(read) << path;
  ASSERT_EQ(golden.size(), rgb.size()) << path;
  EXPECT_TRUE(golden == rgb) << "bytes differ from " << path;
}
