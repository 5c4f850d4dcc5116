// Copying whole pictures over the worker threads.

#include <gtest/gtest.h>

#include <cstring>

#include "common/Bitmap.h"
#include "engine/Buffers.h"

using namespace velmora;

namespace {

// Every byte of the rows (padding included) set from its position and a seed.
Bitmap Pattern(int w, int h, unsigned seed) {
    Bitmap b;
    b.SetSizeUnset(w, h);
    for (std::size_t i = 0; i < b.ByteSize(); ++i) b.Data()[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13 ^ seed);
    return b;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.ByteSize() == b.ByteSize() &&
           std::memcmp(a.Data(), b.Data(), a.ByteSize()) == 0;
}

}  // namespace

TEST(CopyPicture, CopiesEveryByteIntoAFreshAReusedOrAResizedDestination) {
    // An odd width has row padding; 1001 x 700 spans three of the copy's chunks, the
    // last one short.
    for (const auto& [w, h] : {std::pair{7, 3}, std::pair{1001, 700}}) {
        const Bitmap from = Pattern(w, h, 1);
        Bitmap fresh;
        CopyPicture(fresh, from);
        EXPECT_TRUE(SameBytes(fresh, from)) << w << "x" << h << " into an empty bitmap";

        Bitmap reused = Pattern(w, h, 2);
        const std::uint8_t* memory = reused.Data();
        CopyPicture(reused, from);
        EXPECT_TRUE(SameBytes(reused, from)) << w << "x" << h << " over a picture of the same size";
        EXPECT_EQ(reused.Data(), memory) << "a destination of the right size keeps its memory";

        Bitmap resized = Pattern(w + 1, h / 2 + 1, 3);
        CopyPicture(resized, from);
        EXPECT_TRUE(SameBytes(resized, from)) << w << "x" << h << " over a picture of another size";
    }
    Bitmap empty, full = Pattern(5, 5, 4);
    CopyPicture(full, empty);
    EXPECT_TRUE(full.Empty());
}
