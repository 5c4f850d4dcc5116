// Copying and clearing whole pictures over the worker threads, and copying pixels
// shared with another picture ahead of a change.

#include <gtest/gtest.h>

#include "common/Bitmap.h"
#include "engine/Buffers.h"
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
