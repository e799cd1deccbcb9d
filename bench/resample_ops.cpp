// The resampling blits on a 512 x 256 destination (the usual layer), one core, against memcpy of
// the destination measured in the same run and against pixman's transformed composite of the same
// operation (nearest or bilinear filter, SRC for the copy, OVER through a solid mask for the
// opacity; pixman 0.42 picks its SSE2/SSSE3 fast paths for these).
// - scaled: a 384 x 192 picture stretched by 4/3 to cover the destination exactly;
// - rotated: the same picture turned by 0.3 rad and zoomed 2.25 about the destination centre, so
//   that it covers every destination pixel (pixman, which composites the whole rectangle, then
//   does the same work);
// - resampled: a 512 x 512 picture to 256 x 256 (bilinear), as initResampled256 does for
//   textures, with memcpy of 256 x 256 pixels as its reference. Its steps are whole texels, so the
//   wide bilinear fetch reads only the texels of weight > 0 (here the top-left ones); a 384 x 320
//   picture (steps of 1.5 and 1.25 texels) shows the cost of full bilinear sampling.
// Targets: nearest scaled copy within 3x memcpy, bilinear within 8x; each at least twice as fast
// as pixman. On a shared machine run with --benchmark_repetitions=10
// --benchmark_enable_random_interleaving=true and compare medians.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench/bench_layer.h"
#include "image/cimage32.h"

namespace {

using namespace bench_layer;

constexpr int32_t kSourceWidth = 384;
constexpr int32_t kSourceHeight = 192;
constexpr float kScaledZoom = 4.0f / 3.0f;
constexpr float kAngle = 0.3f;
constexpr float kRotatedZoom = 2.25f;
constexpr float kOpacity = 0.3f;
constexpr int32_t kPictureSide = 512;
constexpr int32_t kOddPictureWidth = 384;
constexpr int32_t kOddPictureHeight = 320;
constexpr int32_t kTextureSide = 256;
constexpr size_t kTexturePixels = static_cast<size_t>(kTextureSide) * kTextureSide;

enum class Filter { kNearest, kBilinear };
enum class Mix { kCopy, kOpacity };

int filterFlag(Filter filter) {
  return filter == Filter::kNearest ? CImage32::kFilterNearest : CImage32::kFilterBilinear;
}
float alphaOf(Mix mix) {
  return mix == Mix::kCopy ? 1.0f : kOpacity;
}

struct Images {
  CImage32Buffered source{kSourceWidth, kSourceHeight};
  CImage32Buffered destination{kWidth, kHeight};
  CImage32Buffered picture{kPictureSide, kPictureSide};
  CImage32Buffered oddPicture{kOddPictureWidth, kOddPictureHeight};
  CImage32Buffered texture{kTextureSide, kTextureSide};
  Images() {
    fill(source, 3);
    fill(destination, 7);
    fill(picture, 11);
    fill(oddPicture, 13);
  }
  // Varied bytes over the whole image, whatever its size (fillVaried covers one layer).
  static void fill(CImage32& image, uint32_t seed) {
    uint32_t* p = image.getPixels();
    const size_t count =
        static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight());
    for (size_t i = 0; i < count; ++i)
      p[i] = (static_cast<uint32_t>(i) + seed) * 2654435761u;
  }
};

Images& images() {
  static Images shared;
  return shared;
}

// --- References ---

void BM_Memcpy(benchmark::State& state) {
  memcpyLayer(state);
}
BENCHMARK(BM_Memcpy);

void BM_Memcpy256x256(benchmark::State& state) {
  std::vector<uint32_t> source(kTexturePixels, 0x12345678u), destination(kTexturePixels);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kTexturePixels * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memcpy256x256);

// --- Ours ---

void BM_Scaled(benchmark::State& state, Filter filter, Mix mix) {
  Images& im = images();
  for (auto _ : state) {
    im.source.blitScaled(&im.destination, kWidth / 2.0f, kHeight / 2.0f, kScaledZoom, kScaledZoom,
                         CImage32::kBlitModeNormal, nullptr, alphaOf(mix), filterFlag(filter));
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
void BM_Rotated(benchmark::State& state, Filter filter, Mix mix) {
  Images& im = images();
  for (auto _ : state) {
    im.source.blitRotation(&im.destination, kAngle, kWidth / 2.0f, kHeight / 2.0f, kRotatedZoom,
                           kRotatedZoom, CImage32::kBlitModeNormal, nullptr, alphaOf(mix),
                           filterFlag(filter));
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK_CAPTURE(BM_Scaled, nearest_copy, Filter::kNearest, Mix::kCopy);
BENCHMARK_CAPTURE(BM_Scaled, nearest_opacity, Filter::kNearest, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_Scaled, bilinear_copy, Filter::kBilinear, Mix::kCopy);
BENCHMARK_CAPTURE(BM_Scaled, bilinear_opacity, Filter::kBilinear, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_Rotated, nearest_copy, Filter::kNearest, Mix::kCopy);
BENCHMARK_CAPTURE(BM_Rotated, nearest_opacity, Filter::kNearest, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_Rotated, bilinear_copy, Filter::kBilinear, Mix::kCopy);
BENCHMARK_CAPTURE(BM_Rotated, bilinear_opacity, Filter::kBilinear, Mix::kOpacity);

// The texture preparation as the textures run it (sizing the image included), and the
// resampling blit alone into a sized image.
void BM_Resampled256(benchmark::State& state) {
  Images& im = images();
  for (auto _ : state) {
    CImage32Buffered texture;
    texture.initResampled256(im.picture);
    benchmark::DoNotOptimize(texture.getPixels());
  }
}
void BM_Resampled256BlitOnly(benchmark::State& state) {
  Images& im = images();
  constexpr float kZoom = static_cast<float>(kTextureSide) / kPictureSide;
  for (auto _ : state) {
    im.picture.blitRotation(&im.texture, 0.0f, kTextureSide / 2.0f, kTextureSide / 2.0f, kZoom,
                            kZoom, CImage32::kBlitModeNormal, nullptr, 1.0f,
                            CImage32::kFilterBilinear);
    benchmark::ClobberMemory();
  }
}
void BM_Resampled256From384x320(benchmark::State& state) {
  Images& im = images();
  for (auto _ : state) {
    CImage32Buffered texture;
    texture.initResampled256(im.oddPicture);
    benchmark::DoNotOptimize(texture.getPixels());
  }
}
BENCHMARK(BM_Resampled256);
BENCHMARK(BM_Resampled256BlitOnly);
BENCHMARK(BM_Resampled256From384x320);

// --- pixman ---

// pixman over the same pixels: x8r8g8b8 (the fourth byte ignored), the destination -> source
// transform of each blit, no repeat.
class PixmanBlit {
 public:
  PixmanBlit(CImage32& source, CImage32& destination, double angle, double zoomX, double zoomY,
             Filter filter, Mix mix) {
    m_pSource = wrap(source);
    m_pDestination = wrap(destination);
    // Texel = R(angle) (pixel - centre) / zoom + source centre.
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double cx = destination.getWidth() / 2.0;
    const double cy = destination.getHeight() / 2.0;
    pixman_transform_t transform;
    pixman_transform_init_identity(&transform);
    transform.matrix[0][0] = pixman_double_to_fixed(c / zoomX);
    transform.matrix[0][1] = pixman_double_to_fixed(-s / zoomX);
    transform.matrix[0][2] =
        pixman_double_to_fixed(source.getWidth() / 2.0 - (c * cx - s * cy) / zoomX);
    transform.matrix[1][0] = pixman_double_to_fixed(s / zoomY);
    transform.matrix[1][1] = pixman_double_to_fixed(c / zoomY);
    transform.matrix[1][2] =
        pixman_double_to_fixed(source.getHeight() / 2.0 - (s * cx + c * cy) / zoomY);
    pixman_image_set_transform(m_pSource, &transform);
    pixman_image_set_filter(
        m_pSource, filter == Filter::kNearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR,
        nullptr, 0);
    if (mix == Mix::kOpacity) {
      const pixman_color_t opacity = {0, 0, 0, static_cast<uint16_t>(kOpacity * 65535.0f)};
      m_pMask = pixman_image_create_solid_fill(&opacity);
    }
    m_op = mix == Mix::kCopy ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
    m_width = destination.getWidth();
    m_height = destination.getHeight();
  }
  ~PixmanBlit() {
    if (m_pMask) pixman_image_unref(m_pMask);
    pixman_image_unref(m_pDestination);
    pixman_image_unref(m_pSource);
  }
  PixmanBlit(const PixmanBlit&) = delete;
  PixmanBlit& operator=(const PixmanBlit&) = delete;

  void run() const {
    pixman_image_composite32(m_op, m_pSource, m_pMask, m_pDestination, 0, 0, 0, 0, 0, 0, m_width,
                             m_height);
  }

 private:
  static pixman_image_t* wrap(CImage32& image) {
    return pixman_image_create_bits(PIXMAN_x8r8g8b8, image.getWidth(), image.getHeight(),
                                    image.getPixels(),
                                    image.getWidth() * static_cast<int>(sizeof(uint32_t)));
  }

  pixman_image_t* m_pSource = nullptr;
  pixman_image_t* m_pDestination = nullptr;
  pixman_image_t* m_pMask = nullptr;
  pixman_op_t m_op = PIXMAN_OP_SRC;
  int m_width = 0;
  int m_height = 0;
};

void runPixman(benchmark::State& state, const PixmanBlit& blit) {
  for (auto _ : state) {
    blit.run();
    benchmark::ClobberMemory();
  }
}

void BM_PixmanScaled(benchmark::State& state, Filter filter, Mix mix) {
  Images& im = images();
  const PixmanBlit blit(im.source, im.destination, 0.0, kScaledZoom, kScaledZoom, filter, mix);
  runPixman(state, blit);
  setBytes(state);
}
void BM_PixmanRotated(benchmark::State& state, Filter filter, Mix mix) {
  Images& im = images();
  const PixmanBlit blit(im.source, im.destination, kAngle, kRotatedZoom, kRotatedZoom, filter, mix);
  runPixman(state, blit);
  setBytes(state);
}
void BM_PixmanResampled256(benchmark::State& state) {
  Images& im = images();
  constexpr double kZoom = static_cast<double>(kTextureSide) / kPictureSide;
  const PixmanBlit blit(im.picture, im.texture, 0.0, kZoom, kZoom, Filter::kBilinear, Mix::kCopy);
  runPixman(state, blit);
}
void BM_PixmanResampled256From384x320(benchmark::State& state) {
  Images& im = images();
  const PixmanBlit blit(
      im.oddPicture, im.texture, 0.0, static_cast<double>(kTextureSide) / kOddPictureWidth,
      static_cast<double>(kTextureSide) / kOddPictureHeight, Filter::kBilinear, Mix::kCopy);
  runPixman(state, blit);
}
BENCHMARK_CAPTURE(BM_PixmanScaled, nearest_copy, Filter::kNearest, Mix::kCopy);
BENCHMARK_CAPTURE(BM_PixmanScaled, nearest_opacity, Filter::kNearest, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_PixmanScaled, bilinear_copy, Filter::kBilinear, Mix::kCopy);
BENCHMARK_CAPTURE(BM_PixmanScaled, bilinear_opacity, Filter::kBilinear, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_PixmanRotated, nearest_copy, Filter::kNearest, Mix::kCopy);
BENCHMARK_CAPTURE(BM_PixmanRotated, nearest_opacity, Filter::kNearest, Mix::kOpacity);
BENCHMARK_CAPTURE(BM_PixmanRotated, bilinear_copy, Filter::kBilinear, Mix::kCopy);
BENCHMARK_CAPTURE(BM_PixmanRotated, bilinear_opacity, Filter::kBilinear, Mix::kOpacity);
BENCHMARK(BM_PixmanResampled256);
BENCHMARK(BM_PixmanResampled256From384x320);

}  // namespace
