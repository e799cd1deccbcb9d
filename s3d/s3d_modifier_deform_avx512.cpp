// The deforming modifiers' loops built for AVX-512: the formulas of s3d_deform_loop_bodies_p.h
// with sixteen floats a packed operation, and the noise lattice looked up by byte permutes (VBMI)
// sixty-four points at a time. Reached only through loopsFor(LoopPath::kAvx512), which asks the
// CPU first. The build brings no FMA and the project builds with -ffp-contract=off, so every lane
// rounds exactly as the baseline loops do. Off x86 the file builds the same table without AVX-512;
// it is never chosen there.

#include "s3d/s3d_deform_loop_bodies_p.h"

const s3d_deform::Loops& s3d_deform::avx512Loops() {
  return kLoops;
}
