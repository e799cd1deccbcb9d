#include "s3d/s3d_material.h"

#include <cmath>

#include "s3d/s3d_raster_material.h"

namespace {

// 0x00RRGGBB of a colour in 0..1, each channel · 255 rounded.
uint32_t packColor(Vec3 color) {
  const auto channel = [](float c) {
    return static_cast<uint32_t>(std::lround(c < 0.0f ? 0.0f : c > 1.0f ? 255.0f : c * 255.0f));
  };
  return channel(color.x) << 16 | channel(color.y) << 8 | channel(color.z);
}

}  // namespace

Vec3 colorFromFile(Vec3 color) {
  if (color.x > 1.0f || color.y > 1.0f || color.z > 1.0f) return color * (1.0f / 255.0f);
  return color;
}

void S3DMapLayer::animate(float time) {
  animateTrack(m_pOffsetUTrack, time, m_offsetU);
  animateTrack(m_pOffsetVTrack, time, m_offsetV);
  animateTrack(m_pTileUTrack, time, m_tileU);
  animateTrack(m_pTileVTrack, time, m_tileV);
  animateTrack(m_pAngleTrack, time, m_angle);
  animateTrack(m_pAmountTrack, time, m_amount);
  animateTrack(m_pValue24Track, time, m_values[0]);
  animateTrack(m_pValue25Track, time, m_values[1]);
}

void S3DMapLayer::transformUV(float& u, float& v) const {
  if (m_uvTransform == 0) return;
  const float c = std::cos(m_angle), s = std::sin(m_angle);
  const float x = u - 0.5f, y = v - 0.5f;
  u = (x * c - y * s + 0.5f) * m_tileU + m_offsetU;
  v = (x * s + y * c + 0.5f) * m_tileV + m_offsetV;
  if (m_wrap != 0) {
    u -= std::floor(u);
    v -= std::floor(v);
  }
}

S3DSubMaterial::S3DSubMaterial() {
  buildColorTable();
}
S3DSubMaterial::~S3DSubMaterial() = default;
S3DSubMaterial::S3DSubMaterial(S3DSubMaterial&&) noexcept = default;
S3DSubMaterial& S3DSubMaterial::operator=(S3DSubMaterial&&) noexcept = default;

void S3DSubMaterial::setOpacity(float opacity) {
  opacity = opacity < 0.0f ? 0.0f : opacity > 1.0f ? 1.0f : opacity;
  if (opacity == m_opacity) return;
  m_opacity = opacity;
  m_changed = 1;
}

void S3DSubMaterial::setColor(int index, Vec3 color) {
  color = colorFromFile(color);
  if (color == m_colors[index]) return;
  m_colors[index] = color;
  m_changed = 1;
}

void S3DSubMaterial::setPaletteParam(float value) {
  if (value == m_paletteParam) return;
  m_paletteParam = value;
  m_changed = 1;
}

void S3DSubMaterial::animate(float time) {
  float opacity = m_opacity;
  if (animateTrack(m_pOpacityTrack, time, opacity)) setOpacity(opacity);
  for (int i = 0; i < kNbColor; ++i) {
    Vec3 color = m_colors[i];
    if (animateTrack(m_pColorTracks[i], time, color)) setColor(i, color);
  }
  if (m_pLine) {
    Vec3 color{};
    if (animateTrack(m_pLine->m_pColorTrack, time, color))
      m_pLine->m_color = static_cast<int32_t>(packColor(colorFromFile(color)));
  }
  for (S3DMapLayer* pLayer : {m_pLayer1.get(), m_pLayer2.get(), m_pMapLayer.get()})
    if (pLayer) pLayer->animate(time);
  // Videos show the frame of the scene's time (frames at 30 a second).
  // time · 1000 first: whole frames then land on whole milliseconds (frame 30 is 1000 ms).
  const float milliseconds = time * 1000.0f / 30.0f;
  for (const S3DMapLayer* pLayer : {m_pLayer1.get(), m_pLayer2.get(), m_pMapLayer.get()})
    if (pLayer && pLayer->m_pTexture) pLayer->m_pTexture->setTime(milliseconds);
  if (m_pTextureLayer && m_pTextureLayer->m_pTexture)
    m_pTextureLayer->m_pTexture->setTime(milliseconds);
  selectTexture();
}

void S3DSubMaterial::selectTexture() {
  const RasterTexture* pMap =
      m_pMapLayer && m_pMapLayer->m_pTexture ? m_pMapLayer->m_pTexture->getRaster() : nullptr;
  const RasterTexture* pLayer = m_pTextureLayer && m_pTextureLayer->m_pTexture
                                    ? m_pTextureLayer->m_pTexture->getRaster()
                                    : nullptr;
  m_pTexture = pMap ? pMap : pLayer;
}

int S3DSubMaterial::getKnee() const {
  if (m_paletteParam > 0.0f && m_paletteParam < 1.0f)
    return static_cast<int>(std::lround(255.0f * m_paletteParam));
  return kDefaultKnee;
}

void S3DSubMaterial::buildColorTable() {
  const int knee = getKnee();
  // c1 + (c2 - c1) · i / k per channel, in that order of operations.
  const auto ramp = [](Vec3 from, Vec3 to, float i, float k) {
    return Vec3{from.x + (to.x - from.x) * i / k, from.y + (to.y - from.y) * i / k,
                from.z + (to.z - from.z) * i / k};
  };
  const Vec3* c = m_colors;
  for (int i = 0; i < 256; ++i) {
    // Below the knee from c1 to c2, from the knee on from c2 to c3 (c2 exactly at the knee,
    // whichever side computes it).
    const Vec3 color =
        i < knee
            ? ramp(c[kColorDark], c[kColorBase], static_cast<float>(i), static_cast<float>(knee))
        : knee == 255 ? c[kColorBase]
                      : ramp(c[kColorBase], c[kColorHighlight], static_cast<float>(i - knee),
                             static_cast<float>(255 - knee));
    m_raster.colors[static_cast<std::size_t>(i)] = packColor(color);
  }
}

void S3DSubMaterial::prepare() {
  // The texture can be given after loading: its binding is checked every frame.
  const bool textureChanged = m_raster.pTexture != m_pTexture;
  if (!m_changed && !textureChanged) return;
  if (m_changed) buildColorTable();
  m_raster.pTexture = m_pTexture;
  SpanChoice choice;
  choice.shadingType = m_shadingType;
  choice.blendMode = m_blendMode;
  choice.opacity = m_opacity;
  choice.textureOption = m_textureOption;
  choice.tiled = m_pTexture && m_pTexture->tiled();
  choice.combination = m_pMapLayer ? m_pMapLayer->m_combination : 0;
  chooseSpans(choice, m_raster);
  m_changed = 0;
}

void S3DMaterial::animate(float time) {
  for (S3DSubMaterial& subMaterial : m_subMaterials)
    subMaterial.animate(time);
}
