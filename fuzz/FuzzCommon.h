#pragma once
// Shared set-up of the fuzz targets: a small picture budget, so that a header asking
// for a huge picture is refused instead of exhausting the fuzzer's memory, and a
// check that aborts (and so reports) when an invariant breaks.

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
    velmora::SetPictureMemoryLimit(std::size_t(64) << 20);
    return 0;
}
