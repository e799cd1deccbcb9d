#pragma once
// CImage32: the one raster type of the system. A pixel is one 32-bit little-endian word
// 0xXXRRGGBB (byte 0 blue, byte 1 green, byte 2 red, byte 3 a fourth channel that the whole-image
// and blit operators treat like the other three). Rows are stored top first with a pitch of exactly
// `width` pixels: pixel (x, y) is word y * width + x from getPixels().
//
// Owned pixel memory has two zeroed guard rows above row 0 and two below the last row, so effects
// that look up to two rows past an edge read zeros instead of leaving the block.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Word index of pixel (x, y) of a 256x256 texture in the tiled layout: 32 vertical strips of 8
// columns, strip k (columns 8k..8k+7) stored row after row in words k * 2048 .. k * 2048 + 2047.
// x and y are taken modulo 256, so the index always lies in 0..65535.
constexpr uint32_t tiledWordIndex256(uint32_t x, uint32_t y) {
  return ((x & 255u) >> 3) * 2048u + (y & 255u) * 8u + (x & 7u);
}

// The abstract image: size, pixels and the whole-image operations. Every concrete image is a
// CImage32Buffered, a CImage32FromData or a CImage32External.
class CImage32 {
 public:
  virtual ~CImage32() = default;
  CImage32(const CImage32&) = delete;
  CImage32& operator=(const CImage32&) = delete;

  int32_t getWidth() const { return m_width; }
  int32_t getHeight() const { return m_height; }
  // Row 0, column 0; null while the image is empty.
  uint32_t* getPixels() { return m_pPixels; }
  const uint32_t* getPixels() const { return m_pPixels; }

  // Fatal report captioned with the variant's class name; also asks the program to quit (code 1).
  virtual void error(std::string_view text) const = 0;
  // Warning report captioned with the variant's class name; the program goes on.
  virtual void warning(std::string_view text) const = 0;

  // --- Whole-image pixel operations, in place over width * height pixels ---

  // p = c
  void fill(uint32_t color);
  // Every byte min(2b, 255).
  void doubleIntensity();
  // Every byte min(b + c_byte, 255), all four bytes.
  void addColor(uint32_t color);
  // Every byte max(b - c_byte, 0), all four bytes.
  void subColor(uint32_t color);
  // p = p AND c. The width must be even, else a warning and nothing is written.
  void maskPixel(uint32_t color);
  // Every byte 255 - b, all four bytes. The width must be even, else a warning.
  void invert();
  // g = (5 blue + 16 green + 11 red) >> 5 written into all four bytes.
  void toGray();
  // p = g << 16, g << 8 or g: the grey level alone in one channel, the other bytes 0.
  void grayToRed();
  void grayToGreen();
  void grayToBlue();

  // Writes pixel (x, y) when it lies inside the image; negative coordinates wrap to huge unsigned
  // values and are ignored the same way, without a report.
  void setPixel(uint32_t x, uint32_t y, uint32_t color);
  // Fills this whole image with the window of src whose top-left pixel is (x, y). A window that
  // does not lie inside src is ignored.
  void copyWindow(const CImage32& src, int32_t x, int32_t y);
  // Row 0, the last row or column 0 set to 0 (black borders of the shown frame).
  void clearFirstRow();
  void clearLastRow();
  void clearFirstColumn();

  // Turns *pSrc, stretched to 256x256, into this 256x256 image in the tiled texture layout (see
  // tiledWordIndex256). Warns on a bad size of this image or a null source.
  void init256x256Tiled(const CImage32* pSrc);
  // The tiling step alone: copies the 256x256 image src256 into this 256x256 image, pixel (x, y)
  // going to word tiledWordIndex256(x, y). Returns false, writing nothing, when either image is not
  // 256x256 with pixels. src256 must not be this image.
  bool tile256x256From(const CImage32& src256);

  // --- Two-image operators: this image is the source, pDst the one written ---

  // Every operator below treats all four bytes of a pixel alike. It first tests that *pDst has the
  // size of this image, then (all but blit) that the width is even; a refusal is reported through
  // this image's error() ("<operator>: must be same dimensions", "<operator>: width must be even")
  // and *pDst is left unchanged. A null pDst is ignored. Opacities become a weight
  // a = alpha * 255 rounded to nearest, ties to even, clamped to 0..255 (NaN gives 0). Products
  // are shifted right by 8 one by one, so a full blend sums to 255, not 256. An alpha map weights
  // each byte by the same byte of the map, read in the same order as the source; a map with fewer
  // pixels than this image is reported ("<operator>: alpha map smaller than source").

  // Modes of blitMix; any value other than Normal and TransSub mixes additively.
  enum BlitMode : int { kBlitModeNormal = 0, kBlitModeTransAdd = 1, kBlitModeTransSub = 3 };

  // Copies this image onto *pDst (any width).
  void blit(CImage32* pDst) const;
  // d = (d >> 1) + (s >> 1)
  void blitTransDiv(CImage32* pDst) const;
  // d = ((d (255 - a)) >> 8) + ((s a) >> 8)
  void blitAlpha(CImage32* pDst, float alpha) const;
  // d = ((s m) >> 8) + ((d (255 - m)) >> 8)
  void blitAlpha(CImage32* pDst, const CImage32& alphaMap) const;
  // d = sat(d + s)
  void blitTransAdd(CImage32* pDst) const;
  // d = sat(d + ((s a) >> 8))
  void blitAlphaTransAdd(CImage32* pDst, float alpha) const;
  // d = sat(d + ((s m) >> 8))
  void blitAlphaTransAdd(CImage32* pDst, const CImage32& alphaMap) const;
  // d = sat(d - s); reports "blitTransSub: must be same dimensions" / "...: width must be even".
  void blitTransSub(CImage32* pDst) const;
  // d = sat(d - ((s a) >> 8))
  void blitAlphaTransSub(CImage32* pDst, float alpha) const;
  // d = sat(((s m) >> 8) - d): with a map, the destination is taken from the weighted source.
  void blitAlphaTransSub(CImage32* pDst, const CImage32& alphaMap) const;

  // The layer mix: nothing when alpha <= 0 without a map, or when pDst is null. Otherwise by mode,
  // a map taking precedence over the opacity:
  //   Normal:   map ? blitAlpha(map) : alpha == 0.5 ? blitTransDiv : alpha == 1 ? blit
  //             : blitAlpha(alpha)
  //   TransSub: map ? blitAlphaTransSub(map) : alpha == 1 ? blitTransSub : blitAlphaTransSub(alpha)
  //   other:    the same with blitAlphaTransAdd and blitTransAdd.
  void blitMix(CImage32* pDst, int mode, const CImage32* pAlphaMap, float alpha) const;

  // --- Resampling blits: this image drawn rotated or scaled onto *pDst of any size ---
  //
  // Shared parameters: (cx, cy), the destination point where the source centre lands; zoomX,
  // zoomY, destination pixels per source pixel; mode 1 (kBlitModeTransAdd) additive, 3
  // (kBlitModeTransSub) subtractive, any other value normal; pAlphaMap, null or an image of this
  // image's size whose bytes weight the source's bytes (it takes precedence over the opacity);
  // alpha, the opacity, weight a = alpha * 255 rounded to nearest; filter kFilterNearest or any
  // other value for bilinear sampling. Per byte, s sampled, d destination, m map byte:
  //   map:         normal ((s m) >> 8) + ((d (255 - m)) >> 8), additive sat(d + ((s m) >> 8)),
  //                subtractive sat(d - ((s m) >> 8))
  //   additive:    sat(d + s) at alpha 1, else sat(d + ((s a) >> 8))
  //   subtractive: sat(d - s) at alpha 1, else sat(d - ((s a) >> 8))
  //   normal:      (d + s) >> 1 at alpha 0.5, s at alpha 1,
  //                else ((s a) >> 8) + ((d (255 - a)) >> 8)
  // Nearest sampling reads texel (v >> 16) * width + (u >> 16) of the 16.16 texel walk; bilinear
  // weights that texel and its right, lower and lower-right neighbours by the 12-bit fractions of
  // u and v. Nothing is drawn without a destination or pixels, with alpha <= 0 and no map, with a
  // non-finite parameter, or when either image has a side above kMaxResampleSide.
  enum BlitFilter : int { kFilterNearest = 0, kFilterBilinear = 1 };
  // The 16.16 walk keeps positions and texel coordinates below 2^30.
  static constexpr int32_t kMaxResampleSide = 16383;

  // Draws this image rotated by `angle` (radians; positive turns it counter-clockwise on the
  // screen, whose y points down) and scaled about (cx, cy), as a quadrilateral clipped to the
  // destination and filled with the polygon edge walk (image/poly_walk.h) and its fill convention.
  // An alpha map of another size is the warning "blitRotation src and alpha map dimensions are
  // different" and nothing is drawn. One negative factor mirrors the picture along that axis, as in
  // blitScaled (the corners are then taken in reverse order, so that the walk still fills them).
  void blitRotation(CImage32* pDst, float angle, float cx, float cy, float zoomX, float zoomY,
                    int mode, const CImage32* pAlphaMap, float alpha, int filter) const;
  // blitRotation about a pivot given relative to the source centre, in fractions of the width
  // and height, placed at (posX, posY): with px = -pivotX width zoomX, py = pivotY height zoomY,
  // the centre is (px cos - py sin + posX, posY - (px sin + py cos)).
  void blitRotationPivot(CImage32* pDst, float angle, float pivotX, float pivotY, float posX,
                         float posY, float zoomX, float zoomY, int mode, const CImage32* pAlphaMap,
                         float alpha, int filter) const;
  // Draws this image scaled, axis-aligned, over the extent cx -+ width zoomX / 2,
  // cy -+ height zoomY / 2 clipped to the destination: pixels ceil(left) .. ceil(right) - 1 and
  // ceil(top) .. ceil(bottom) - 1, texel steps 1 / zoom in 16.16. A negative factor mirrors that
  // axis: the walk starts on the far edge of the source and steps backward, its first value
  // clamped one 16.16 unit inside, so that zoom -1 gives the exact mirror. A zero factor, or an
  // alpha map of another size, draws nothing (without a report). The alpha-map combinations
  // always sample the nearest texel.
  void blitScaled(CImage32* pDst, float cx, float cy, float zoomX, float zoomY, int mode,
                  const CImage32* pAlphaMap, float alpha, int filter) const;
  // blitScaled about a pivot: centre (posX - width pivotX zoomX, posY - height pivotY zoomY),
  // the centre blitRotationPivot gives at angle 0.
  void blitScaledPivot(CImage32* pDst, float pivotX, float pivotY, float posX, float posY,
                       float zoomX, float zoomY, int mode, const CImage32* pAlphaMap, float alpha,
                       int filter) const;

  // True when the pixels live in an owned block with its zeroed guard rows, so that reads up to
  // two rows below the last one stay inside it.
  bool hasGuardRows() const { return m_pBlock != nullptr && m_pPixels != nullptr; }

 private:
  enum class BlitWidth { Any, Even };
  // The operators' common start: the number of pixels to blend, or 0 when nothing may be written
  // (null or empty destination, or a refusal reported under `name`).
  size_t blitPixelCount(const CImage32* pDst, std::string_view name, BlitWidth rule) const;
  // The same, and the map must cover this image's pixels.
  size_t blitPixelCount(const CImage32* pDst, const CImage32& alphaMap,
                        std::string_view name) const;

 protected:
  CImage32() = default;

  // Takes a zeroed block of (height + 4) * width words and points the pixels two rows into it.
  // Sizes are checked by the callers. Reports through error() if the memory is not there.
  void allocate(int32_t width, int32_t height);
  // Frees the owned block, if any.
  void release();

  // width * height, or 0 for an image without pixels.
  size_t pixelCount() const;

  int32_t m_width = 0;
  int32_t m_height = 0;
  uint32_t* m_pPixels = nullptr;
  uint32_t* m_pBlock = nullptr;

 private:
  // Shared by blit and the later two-image operators: same width and same height.
  bool sameSizeAs(const CImage32& other) const;
};

// An image that owns its pixels, sized at construction or once later.
class CImage32Buffered : public CImage32 {
 public:
  CImage32Buffered() = default;
  // Both sizes must be greater than 0, else a fatal report and the image stays empty.
  CImage32Buffered(int32_t width, int32_t height);
  ~CImage32Buffered() override;

  void error(std::string_view text) const override;
  void warning(std::string_view text) const override;

  // Sizes the image (zeroed pixels); the same check and report as the constructor. A block taken
  // earlier is freed first.
  void init(int32_t width, int32_t height);
  // init with the size of src, then src blitted onto this image.
  void initCopy(const CImage32& src);
  // init with 256x256, then src stretched onto it by blitRotation: angle 0, centre (128, 128),
  // scales 256 / width and 256 / height, normal mode, no alpha map, alpha 1, bilinear sampling.
  // An empty src leaves the 256x256 image black.
  void initResampled256(const CImage32& src);
};

// An image loaded from a file; it keeps an owned copy of the file name.
class CImage32FromData : public CImage32 {
 public:
  CImage32FromData() = default;
  // All fields zero, then load(fileName).
  explicit CImage32FromData(const char* fileName);
  ~CImage32FromData() override;

  // Loads a picture chosen by the last three characters of the name, case ignored: "BMP" (24-bit,
  // bottom-up), "TGA" (8-bit colour-mapped or 24-bit, raw or run-length) or "JPG". Every pixel
  // gets 0 in its fourth byte. Keeps a copy of the name; pixels of an earlier load are dropped.
  // 1 when loaded, 0 (with a report) otherwise.
  int load(const char* name);

  void error(std::string_view text) const override;
  void warning(std::string_view text) const override;

  // Keeps a heap copy of name; null is a fatal report and the old name stays.
  void setName(const char* name);
  // The file name, or null when none was set.
  const char* getName() const { return m_pName; }

 private:
  // The readers behind load(), one per format (image_file_bmp.cpp, image_file_tga.cpp,
  // image_file_jpg.cpp), over the whole file in memory; 1 when loaded.
  int loadBmp(std::span<const uint8_t> file);
  int loadTga(std::span<const uint8_t> file);
  int loadJpg(std::span<const uint8_t> file);
  // Sizes the picture for a reader. A zero size or one over the pixel limit is refused with a
  // warning and nothing is allocated.
  bool allocatePicture(int64_t width, int64_t height);
  // warning() or error() with the text "file <name><suffix>".
  void warnFile(std::string_view suffix) const;
  void errorFile(std::string_view suffix) const;

  char* m_pName = nullptr;
};

// An image over memory owned by the caller (the locked screen surface); it frees nothing.
class CImage32External : public CImage32 {
 public:
  CImage32External() = default;
  ~CImage32External() override;

  void error(std::string_view text) const override;
  void warning(std::string_view text) const override;

  // Attaches width x height pixels at pPixelData (nothing copied). A null pointer or a size not
  // greater than 0 is a fatal report and the image keeps what it had.
  void setPixelData(int32_t width, int32_t height, uint32_t* pPixelData);
};
