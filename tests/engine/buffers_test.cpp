// Copying and clearing whole pictures over the worker threads.

#include <gtest/gtest.h>

#include "common/Bitmap.h"
#include "engine/Buffers.h"
#include "support/Images.h"

using namespace velmora;
using namespace velmora::test;

TEST(CopyPicture, CopiesEveryPixelIntoAFreshAReusedOrAResizedDestination) {
    // An odd width has row padding; 1001 x 700 spans three of the copy's chunks, the
    // last one short.
    for (const auto& [w, h] : {std::pair{7, 3}, std::pair{1001, 700}}) {
        const Bitmap from = Noise(w, h, 1);
        Bitmap fresh, reused = Noise(w, h, 2), resized = Noise(w + 1, h / 2 + 1, 3);
        const std::uint8_t* memory = reused.Data();
        for (Bitmap* to : {&fresh, &reused, &resized}) {
            CopyPicture(*to, from);
            EXPECT_TRUE(to->SamePixels(from)) << w << "x" << h;
        }
        EXPECT_EQ(reused.Data(), memory) << "a destination of the right size keeps its memory";
    }
    Bitmap empty, full = Noise(5, 5, 4);
    CopyPicture(full, empty);
    EXPECT_TRUE(full.Empty());
}

TEST(WhitePicture, WhitensEveryPixelOfAFreshAReusedOrAResizedPicture) {
    for (const auto& [w, h] : {std::pair{7, 3}, std::pair{1001, 700}}) {
        const Bitmap white = Flat(w, h, 255);
        Bitmap fresh, reused = Noise(w, h, 2), resized = Noise(w + 1, h / 2 + 1, 3);
        for (Bitmap* to : {&fresh, &reused, &resized}) {
            WhitePicture(*to, w, h);
            EXPECT_TRUE(to->SamePixels(white)) << w << "x" << h;
        }
    }
}
