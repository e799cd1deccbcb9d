#include "s3d/s3d_channel.h"

#include <algorithm>
#include <cmath>

void applyChannelOperation(int32_t code, std::span<const float> a, std::span<const float> b,
                           std::span<float> out) {
  const std::size_t n = std::min(a.size(), out.size());
  const bool twoInputs = b.size() >= n;
  for (std::size_t i = 0; i < n; ++i) {
    const float x = a[i];
    const float y = twoInputs ? b[i] : 0.0f;
    switch (static_cast<S3DChannelOperationCode>(code)) {
      case S3DChannelOperationCode::kAdd:
        out[i] = x + y;
        break;
      case S3DChannelOperationCode::kSubtract:
        out[i] = x - y;
        break;
      case S3DChannelOperationCode::kMultiply:
        out[i] = x * y;
        break;
      case S3DChannelOperationCode::kMinimum:
        out[i] = std::min(x, y);
        break;
      case S3DChannelOperationCode::kMaximum:
        out[i] = std::max(x, y);
        break;
      case S3DChannelOperationCode::kOneMinus:
        out[i] = 1.0f - x;
        break;
      default:
        out[i] = x;
        break;
    }
  }
}

void generateChannel(int32_t kind, std::span<const float> parameters,
                     std::span<const Vec3> vertices, Vec3 boxMin, Vec3 boxMax,
                     std::span<float> out) {
  const auto parameter = [&](std::size_t i) {
    return i < parameters.size() ? parameters[i] : 0.0f;
  };
  if (static_cast<S3DGeneratedChannelKind>(kind) != S3DGeneratedChannelKind::kGradient) {
    std::fill(out.begin(), out.end(), parameter(0));
    return;
  }
  const int axis = std::clamp(static_cast<int>(parameter(0)), 0, 2);
  const auto along = [axis](Vec3 p) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
  const float low = along(boxMin);
  const float span = along(boxMax) - low;
  for (std::size_t i = 0; i < vertices.size() && i < out.size(); ++i) {
    const float t = span != 0.0f ? (along(vertices[i]) - low) / span : 0.0f;
    out[i] = parameter(1) + (parameter(2) - parameter(1)) * t;
  }
}

float texelOpacity(const RasterTexture& texture, float u, float v) {
  const CImage32* pPlain = texture.plain();
  if (!pPlain || !pPlain->getPixels()) return 0.0f;
  const float x = u * static_cast<float>(pPlain->getWidth());
  const float y = (1.0f - v) * static_cast<float>(pPlain->getHeight());
  // Out of the int range (or NaN) counts as 0 before the mask.
  const auto toInt = [](float f) {
    return f > -2147483520.0f && f < 2147483520.0f ? static_cast<int32_t>(f) : 0;
  };
  const auto column = static_cast<uint32_t>(toInt(x)) & texture.columnMask();
  const auto row = static_cast<uint32_t>(toInt(y)) & texture.rowMask();
  const uint32_t texel =
      pPlain->getPixels()[row * static_cast<uint32_t>(pPlain->getWidth()) + column];
  const uint32_t sum = ((texel >> 16) & 255) + ((texel >> 8) & 255) + (texel & 255);
  return static_cast<float>(sum) * 0.0013071896f;
}
