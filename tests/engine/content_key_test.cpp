#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "engine/Buffers.h"
#include "engine/ContentKey.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

TEST(ContentKey, SeesEveryPixelAndOnlyThePixels) {
    // 301 pixels a row: every row ends in a byte of padding that must not count.
    const Bitmap photo = TexturedPhoto(301, 130, 4);
    const ContentKey key = KeyOfPicture(photo);
    EXPECT_TRUE(key.Known());

    Bitmap copy = photo;
    EXPECT_EQ(KeyOfPicture(copy), key) << "the same pixels in another bitmap";
    for (int y = 0; y < copy.Height(); ++y) copy.Row(y)[copy.Width() * 3] = 0x5A;
    EXPECT_EQ(KeyOfPicture(copy), key) << "row padding is not part of the picture";

    // One byte anywhere, in any row block, changes the key; so do the dimensions.
    for (auto [x, y, byte] : {std::tuple{0, 0, 0}, std::tuple{300, 129, 2}, std::tuple{150, 64, 1},
                              std::tuple{7, 63, 0}, std::tuple{299, 65, 2}}) {
        Bitmap changed = photo;
        changed.Pixel(x, y)[byte] ^= 1;
        EXPECT_NE(KeyOfPicture(changed), key) << x << "," << y;
    }
    const Bitmap black(40, 30), otherShape(30, 40), wider(41, 30);
    EXPECT_NE(KeyOfPicture(black), KeyOfPicture(otherShape));
    EXPECT_NE(KeyOfPicture(black), KeyOfPicture(wider));
    // Swapping two rows keeps the bytes but not the picture.
    Bitmap swapped = photo;
    std::memcpy(swapped.Row(3), photo.Row(4), photo.Stride());
    std::memcpy(swapped.Row(4), photo.Row(3), photo.Stride());
    EXPECT_NE(KeyOfPicture(swapped), key);
}

TEST(Buffers, AnUnchangedSizeKeepsTheContents) {
    TripleBuffer b(3, Rgb(1, 2, 3));
    SizeBuffer(b, 3);
    EXPECT_EQ(b[2], Rgb(1, 2, 3)) << "same size: nothing happens";
    SizeBuffer(b, 100000);
    ASSERT_EQ(b.size(), 100000u);
}
