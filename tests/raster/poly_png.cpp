#include "tests/raster/poly_png.h"

#include <png.h>

namespace poly_png {

Picture fromImage(const CImage32& image) {
  Picture picture;
  picture.width = image.getWidth();
  picture.height = image.getHeight();
  const uint32_t* pPixels = image.getPixels();
  if (!pPixels) return picture;
  const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  picture.rgb.reserve(count * 3);
  for (size_t i = 0; i < count; ++i) {
    picture.rgb.push_back(static_cast<uint8_t>(pPixels[i] >> 16));
    picture.rgb.push_back(static_cast<uint8_t>(pPixels[i] >> 8));
    picture.rgb.push_back(static_cast<uint8_t>(pPixels[i]));
  }
  return picture;
}

std::optional<Picture> read(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return std::nullopt;
  png.format = PNG_FORMAT_RGB;
  Picture picture;
  picture.width = static_cast<int32_t>(png.width);
  picture.height = static_cast<int32_t>(png.height);
  picture.rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, picture.rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return picture;
}

bool write(const Picture& picture, const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(picture.width);
  png.height = static_cast<png_uint_32>(picture.height);
  png.format = PNG_FORMAT_RGB;
  const bool written =
      png_image_write_to_file(&png, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return written;
}

}  // namespace poly_png
