#pragma once
// Shared set-up of the fuzz targets: a small picture budget (8 MiB, about 1600 x 1600
// pixels), so that a header asking for a huge picture is refused instead of eating
// the fuzzer's time and memory, and a check that aborts (and so reports) when an
// invariant breaks.

#include <cstdio>
#include <cstdlib>

#include "common/MemoryLimit.h"

#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                         \
        }                                                                         \
    } while (0)

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    velmora::SetPictureMemoryLimit(std::size_t(8) << 20);
    return 0;
}
