// The deforming modifiers' loops built for AVX2: the formulas of s3d_deform_loop_bodies_p.h with
// eight floats a packed operation. Reached only through loopsFor(LoopPath::kAvx2), which asks the
// CPU first. -mavx2 brings no FMA and the project builds with -ffp-contract=off, so every lane
// rounds exactly as the baseline loops do. Off x86 the file builds the same table without AVX2;
// it is never chosen there.

#include "s3d/s3d_deform_loop_bodies_p.h"

const s3d_deform::Loops& s3d_deform::avx2Loops() {
  return kLoops;
}
