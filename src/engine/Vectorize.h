#pragma once
// Marks the engine's innermost pixel loops: the compiler vectorizes them and, on x86-64
// with GCC, also builds an AVX2 copy that is chosen at run time when the processor
// has it. Only loops whose results are exact integer arithmetic carry the mark, so
// every copy computes the same bytes.

#include "common/Sanitizer.h"

// Sanitizer builds go without the run-time choice: its resolvers run before the
// sanitizer's own start-up, which the thread sanitizer does not survive.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(VELMORA_UNDER_SANITIZER)
#define VELMORA_PIXEL_LOOP __attribute__((target_clones("avx2", "default"), optimize("O3")))
// A few loops are also written out with AVX2 instructions where the compiler's own
// vectors fall short; they are chosen at run time in the same builds, so the
// sanitizer builds run the portable loops.
#define VELMORA_AVX2_KERNELS 1
#elif defined(__GNUC__) && !defined(__clang__)
#define VELMORA_PIXEL_LOOP __attribute__((optimize("O3")))
#else
#define VELMORA_PIXEL_LOOP
#endif
