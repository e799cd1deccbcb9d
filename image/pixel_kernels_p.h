#pragma once
// The per-pixel loops of the whole-image operations, over a flat run of `count` pixels in place.
// Two paths with the same results byte for byte: `scalar`, one pixel per step written like the
// formula (the reference), and `packed`, four pixels per SSE2 instruction with a scalar tail (it
// falls back to the scalar loop where SSE2 is missing). The images call `packed`.

#include <cstddef>
#include <cstdint>

namespace pixel_kernels {

// Where grayToRed, grayToGreen and grayToBlue put the grey level: its bit position in the pixel.
enum class GrayChannel : int { Blue = 0, Green = 8, Red = 16 };

namespace scalar {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace scalar

namespace packed {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace packed

}  // namespace pixel_kernels
