#pragma once
// The row loops of the blur, radial and emboss effects. Two paths with the same results byte for
// byte: `scalar`, written like the formulas (the reference), and `packed`, the channels of a pixel
// in 16-bit SSE2 lanes (it falls back to the scalar loop where SSE2 is missing). The effects call
// `packed`.

#include <cstdint>

namespace fx_kernels {

// --- Box blur ---

// How the average v is combined with the input byte p: v, min(p + v, 255), max(p - v, 0).
enum class BlurDraw : int32_t { Normal = 0, TransAdd = 1, TransSub = 2 };

// The window average of a 16-bit channel sum: sum >> shift when the window is a power of two,
// (sum * multiplier) >> shift otherwise (multiplier 129..256, shift = floor(log2 size) + 8).
struct BlurDivider {
  bool powerOfTwo = true;
  int32_t shift = 0;
  uint32_t multiplier = 0;
};

// Window length 2 * half: output x averages the input from x - half + 1 to x + half, pixels
// outside the row counting as black. Channel sums are unsigned 16-bit saturating, updated by
// subtracting the pixel leaving the window, then adding the one entering.
namespace scalar {
// One row from pSrc to pDst (distinct rows, width pixels), sums starting at 0.
void blurRow(const uint32_t* pSrc, uint32_t* pDst, int32_t width, int32_t half, BlurDivider divider,
             BlurDraw draw);
// Column sums (4 lanes per column) += a row, with saturation.
void addRowToSums(uint16_t* pSums, const uint32_t* pRow, int32_t width);
// One output row of the vertical blur: sums -= pLeaving (if not null), sums += pEntering (if not
// null), then pDst[x] = draw(pInput[x], average of sums[x]).
void blurColumnsStep(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                     const uint32_t* pInput, uint32_t* pDst, int32_t width, BlurDivider divider,
                     BlurDraw draw);
}  // namespace scalar
namespace packed {
void blurRow(const uint32_t* pSrc, uint32_t* pDst, int32_t width, int32_t half, BlurDivider divider,
             BlurDraw draw);
void addRowToSums(uint16_t* pSums, const uint32_t* pRow, int32_t width);
void blurColumnsStep(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                     const uint32_t* pInput, uint32_t* pDst, int32_t width, BlurDivider divider,
                     BlurDraw draw);
}  // namespace packed

// --- Radial blur ---

enum class RadialMode : int32_t { Smooth = 0, Fast = 1 };

// Integer weights of a pass: SMOOTH a = trunc((strength + decay) 16384), b = trunc((1 - decay)
// 16384); FAST the same on a 256 scale. a <= 32768 (SMOOTH) or 512 (FAST), b <= 16384 or 256.
struct RadialWeights {
  uint32_t a = 0;
  uint32_t b = 0;
};

namespace scalar {
// One pixel p from its axis and diagonal neighbours, f the axis weight 0..256:
// SMOOTH  c = min(255, ((((diag (256 - f) + axis f) a) >> 8) + p b) >> 14) for blue, green, red,
//         fourth byte 0;
// FAST    i = (axis f + diag (256 - f)) >> 1, c = min(255, sat16(p b + ((i a) >> 8)) >> 8), all
//         four bytes.
uint32_t radialPixel(RadialMode mode, RadialWeights weights, uint32_t p, uint32_t axis,
                     uint32_t diag, uint32_t f);
}  // namespace scalar

// One row of a quadrant at distance b >= 1 from the centre row: pixel a (a = aBegin..aEnd - 1,
// aBegin >= 1) is pRow0[step a], its row neighbour toward the centre pPrev0[step a], f = pF[a],
// step = +1 or -1. For a <= b the axis neighbour is pPrev0[step a], otherwise pRow0[step (a - 1)]
// (already updated); the diagonal one is pPrev0[step (a - 1)].
namespace scalar {
void radialRow(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
               const uint16_t* pF, int32_t step, int32_t b, int32_t aBegin, int32_t aEnd);
}
namespace packed {
void radialRow(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
               const uint16_t* pF, int32_t step, int32_t b, int32_t aBegin, int32_t aEnd);
// Rows b and b + 1 of a quadrant: what radialRow for row b, then radialRow for row b + 1 (pNext0,
// pNextF, its previous row pRow0) give.
void radialRowPair(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
                   const uint16_t* pF, uint32_t* pNext0, const uint16_t* pNextF, int32_t step,
                   int32_t b, int32_t aBegin, int32_t aEnd);
}  // namespace packed

// --- Emboss ---

// Column sums are signed 16-bit saturating, 4 lanes per word. sums[j] belongs to word j of a span.
namespace scalar {
// sums[j] += pWords[j] (or -=) for j = 0..count - 1, per byte.
void addSpanToSums(int16_t* pSums, const uint32_t* pWords, int32_t count);
void subSpanFromSums(int16_t* pSums, const uint32_t* pWords, int32_t count);
// G = sums[x + 2] - sums[x] per channel; EMBOSS writes clamp(G + 128, 0, 255) in the four bytes.
void embossRow(const int16_t* pSums, uint32_t* pDst, int32_t width);
// SHADE: E = clamp(G + 128), e = (5 E_blue + 16 E_green + 11 E_red) >> 5,
// k = ((e - 128) level) >> 8, each byte clamp(p + k, 0, 255) with p from pInput.
void shadeRow(const int16_t* pSums, const uint32_t* pInput, uint32_t* pDst, int32_t width,
              int32_t level);
}  // namespace scalar
namespace packed {
void addSpanToSums(int16_t* pSums, const uint32_t* pWords, int32_t count);
void subSpanFromSums(int16_t* pSums, const uint32_t* pWords, int32_t count);
void embossRow(const int16_t* pSums, uint32_t* pDst, int32_t width);
void shadeRow(const int16_t* pSums, const uint32_t* pInput, uint32_t* pDst, int32_t width,
              int32_t level);
}  // namespace packed

}  // namespace fx_kernels
