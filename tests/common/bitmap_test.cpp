// Copying a bitmap: into one of the same byte size, of another, and with no memory left.

#include <gtest/gtest.h>

#include <new>

#include "common/Bitmap.h"
#include "common/Sanitizer.h"
#include "support/LowMemory.h"

using namespace velmora;

namespace {

Bitmap Numbered(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    return b;
}

TEST(Bitmap, CopiesTakeTheSourcesShapeWhateverTheTargetHeld) {
    const Bitmap wide = Numbered(8, 3);
    Bitmap tall = Numbered(4, 6);  // the same 72 bytes in another shape
    ASSERT_EQ(tall.ByteSize(), wide.ByteSize());
    tall = wide;
    EXPECT_EQ(tall.Width(), 8);
    EXPECT_EQ(tall, wide);
    Bitmap small = Numbered(2, 2);
    small = wide;
    EXPECT_EQ(small, wide);
    small = Bitmap();
    EXPECT_TRUE(small.Empty());
    EXPECT_EQ(small.ByteSize(), 0u);
}

TEST(Bitmap, ACopyWithoutMemoryLeavesTheTargetEmptyNotResized) {
#ifdef VELMORA_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' allocators need more address space than a cap leaves";
#else
    const Bitmap big = Numbered(3000, 2000);
    Bitmap target = Numbered(10, 10);
    {
        ReleaseKeptBlocks();
        test::AddressSpaceCap cap(4u << 20);
        EXPECT_THROW(target = big, std::bad_alloc);
    }
    // Before, the copy took the new size and kept the old pixels: rows past the tenth
    // were then read and written out of bounds.
    EXPECT_TRUE(target.Empty());
    EXPECT_EQ(target.ByteSize(), target.Stride() * static_cast<std::size_t>(target.Height()));
    target = big;
    EXPECT_EQ(target, big);
#endif
}

}  // namespace
