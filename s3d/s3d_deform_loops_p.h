#pragma once
// The per-vertex loops of the deforming modifiers, one function per type, gathered in a table.
// The table exists three times: built for baseline x86-64 (s3d_modifier_deform.cpp) and, on x86,
// for AVX2 (s3d_modifier_deform_avx2.cpp, eight lanes a packed operation instead of four) and
// AVX-512 (s3d_modifier_deform_avx512.cpp, sixteen). All run the same float operations in the same
// order, without fused multiply-adds, so they give the same bytes; a modifier's deform asks
// activeLoops() once per call.

#include <array>
#include <cstdint>
#include <span>

#include "s3d/s3d_modifier_deform.h"

namespace s3d_deform {

using In = std::span<const Vec3>;
using Out = std::span<Vec3>;

// Each loop is the type's deform once prepare has found it active: out := formula(in · G) · H
// over min(|in|, |out|) points; `in` may be `out`.
struct Loops {
  void (*bend)(const S3DModifierBend&, In, Out);
  void (*stretch)(const S3DModifierStretch&, In, Out);
  void (*twist)(const S3DModifierTwist&, In, Out);
  void (*taper)(const S3DModifierTaper&, In, Out);
  void (*skew)(const S3DModifierSkew&, In, Out);
  void (*spherify)(const S3DModifierSpherify&, In, Out);
  void (*melt)(const S3DModifierMelt&, In, Out);
  void (*noise)(const S3DModifierNoise&, In, Out);
  void (*linearWave)(const S3DModifierWave&, In, Out);
  // The circular wave of Wave (variant 0) and SpaceWarp.
  void (*circularWave)(const S3DModifierGizmo&, In, Out, float amp1, float amp2, float length,
                       float phase, float decay);
};

enum class LoopPath { kBaseline, kAvx2, kAvx512 };

// The table of `path`; null when it cannot run here (a CPU without the instructions, or off x86).
const Loops* loopsFor(LoopPath path);
// The widest table the CPU runs, chosen on first use.
const Loops& activeLoops();

// The AVX2 table (defined in s3d_modifier_deform_avx2.cpp; call only when the CPU has AVX2).
const Loops& avx2Loops();
// The AVX-512 table, sixteen lanes and byte permutes for the noise lattice (defined in
// s3d_modifier_deform_avx512.cpp; call only when cpuHasAvx512Vbmi()).
const Loops& avx512Loops();

// The noise lattice: 256 entries shuffled once, doubled so perm[perm[i] + j] needs no wrap.
const std::array<uint8_t, 512>& noisePermutation();

}  // namespace s3d_deform
