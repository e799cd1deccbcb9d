#include "app/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace PngWriter {

std::vector<std::uint8_t> toRgb(const CImage32& image) {
  const std::uint32_t* pPixels = image.getPixels();
  if (!pPixels || image.getWidth() <= 0 || image.getHeight() <= 0) return {};
  const std::size_t count =
      static_cast<std::size_t>(image.getWidth()) * static_cast<std::size_t>(image.getHeight());
  std::vector<std::uint8_t> rgb(count * 3);
  std::uint8_t* pOut = rgb.data();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t pixel = pPixels[i];
    *pOut++ = static_cast<std::uint8_t>(pixel >> 16);
    *pOut++ = static_cast<std::uint8_t>(pixel >> 8);
    *pOut++ = static_cast<std::uint8_t>(pixel);
  }
  return rgb;
}

std::optional<std::string> write(const CImage32& image, const std::string& path) {
  const std::vector<std::uint8_t> rgb = toRgb(image);
  if (rgb.empty()) return std::string("the image has no pixels");
  // Our own stream rather than libpng's file writer, which removes the path it was given when
  // writing fails, even when that path is a device.
  std::FILE* pFile = std::fopen(path.c_str(), "wb");
  if (!pFile) return std::string(std::strerror(errno));
  // libpng's simplified interface: no setjmp in our code, errors come back in png.message.
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.getWidth());
  png.height = static_cast<png_uint_32>(image.getHeight());
  png.format = PNG_FORMAT_RGB;
  // A row stride of 0 means rows packed one after another, which toRgb gives.
  std::optional<std::string> failure;
  if (!png_image_write_to_stdio(&png, pFile, 0, rgb.data(), 0, nullptr)) {
    failure = png.message[0] ? png.message : "unknown libpng error";
  }
  png_image_free(&png);
  // Buffered bytes reach the file only here, so a full disk may show up at the close.
  errno = 0;
  if (std::fclose(pFile) != 0 && !failure) failure = std::string(std::strerror(errno));
  return failure;
}

}  // namespace PngWriter
