#pragma once

// Marks a loop over pixels to be built twice, for AVX2 and for the baseline x86-64, the
// machine's own picked when the program loads. The baseline has no wide byte multiplies,
// and these loops write every pixel of a screen on each show: AVX2 runs them 3-4 times
// faster.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PIXEL_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define PIXEL_LOOP
#endif
