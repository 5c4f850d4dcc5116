// Copying and clearing whole pictures over the worker threads, copying pixels shared
// with another picture ahead of a change, sizing working buffers, and the key by which
// work on a photograph is reused when the same pixels come again.

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "common/Bitmap.h"
#include "engine/Buffers.h"
#include "engine/ContentKey.h"
#include "engine/EngineTestUtil.h"
#include "support/Images.h"

using namespace velmora;
using namespace velmora::test;

TEST(CopyPicture, CopiesOrWhitensEveryPixelOfAFreshAReusedOrAResizedDestination) {
    // An odd width has row padding; 1001 x 700 spans three of the copy's chunks, the
    // last one short.
    for (const auto& [w, h] : {std::pair{7, 3}, std::pair{1001, 700}}) {
        const Bitmap from = Noise(w, h, 1), white = Flat(w, h, 255);
        for (bool whiten : {false, true}) {
            Bitmap fresh, reused = Noise(w, h, 2), resized = Noise(w + 1, h / 2 + 1, 3);
            const std::uint8_t* memory = reused.Data();
            for (Bitmap* to : {&fresh, &reused, &resized}) {
                whiten ? WhitePicture(*to, w, h) : CopyPicture(*to, from);
                EXPECT_TRUE(to->SamePixels(whiten ? white : from)) << w << "x" << h << (whiten ? ", white" : "");
            }
            EXPECT_EQ(reused.Data(), memory) << "a destination of the right size keeps its memory";
        }
    }
    Bitmap empty, full = Noise(5, 5, 4);
    CopyPicture(full, empty);
    EXPECT_TRUE(full.Empty());
}

TEST(OwnPicture, GivesASharedPictureItsOwnCopyAndLeavesALoneOneAsItIs) {
    const Bitmap original = Noise(1001, 700, 5);
    Bitmap first = original;
    Bitmap twin = first.Share();
    const Bitmap& constFirst = first;
    const Bitmap& constTwin = twin;
    OwnPicture(twin);
    EXPECT_NE(constTwin.Data(), constFirst.Data());
    EXPECT_TRUE(twin.SamePixels(original));
    twin.Row(0)[0] ^= 0xFF;
    EXPECT_TRUE(first.SamePixels(original));
    // The first is the pixels' only owner now: nothing is copied for it.
    const std::uint8_t* memory = constFirst.Data();
    OwnPicture(first);
    EXPECT_EQ(constFirst.Data(), memory);
}

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
