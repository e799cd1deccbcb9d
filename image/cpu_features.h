#pragma once
// What the running CPU offers beyond the baseline the project is built for. The libraries that
// carry AVX2 builds of their loops (image kernels, raster span fillers, 3D modifier loops) ask
// here once and pick their table of functions.

// True when AVX2 instructions can run: the CPU has them and the OS saves the 256-bit registers.
// Always false off x86. The answer is computed on the first call and kept.
bool cpuHasAvx2();

// True when the AVX-512 byte permutes can run: AVX-512 F, BW and VBMI, with the OS saving the
// 512-bit registers. Always false off x86; computed on the first call and kept.
bool cpuHasAvx512Vbmi();
