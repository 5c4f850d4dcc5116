#include <gtest/gtest.h>

#include "conversion/ImageSize.h"

using namespace velmora;

TEST(ImageSize, SliderPercentTruncates) {
    const PictureSize vga{640, 480};
    EXPECT_EQ(ScaledSize(33, vga), (PictureSize{211, 158}));
    EXPECT_EQ(ScaledSize(50, vga), (PictureSize{320, 240}));
    EXPECT_EQ(ScaledSize(1, vga), (PictureSize{6, 4}));
    EXPECT_EQ(ScaledSize(1, PictureSize{50, 20}), (PictureSize{0, 0}));
}

TEST(ImageSize, TypedSideGivesTheOtherAndTheSlider) {
    const PictureSize vga{640, 480};
    EXPECT_EQ(HeightForWidth(211, vga), 158);
    EXPECT_EQ(HeightForWidth(320, vga), 240);
    EXPECT_EQ(WidthForHeight(240, vga), 320);
    EXPECT_EQ(WidthForHeight(100, vga), 133);
    EXPECT_EQ(ScaleForWidth(211, vga), 32) << "the slider shows less than was chosen";
    EXPECT_EQ(ScaleForWidth(320, vga), 50);
    EXPECT_EQ(ScaleForWidth(640, vga), 100);
}

TEST(ImageSize, LargePicturesDoNotOverflow) {
    const PictureSize big{30000, 29999};
    EXPECT_EQ(HeightForWidth(30000, big), 29999);
    EXPECT_EQ(WidthForHeight(29999, big), 30000);
    EXPECT_EQ(HeightForWidth(12345, big), static_cast<int>(12345LL * 29999 / 30000));
}

TEST(ImageSize, EmptyOriginalGivesZeroNotACrash) {
    const PictureSize none{0, 0};
    EXPECT_EQ(HeightForWidth(10, none), 0);
    EXPECT_EQ(WidthForHeight(10, none), 0);
    EXPECT_EQ(ScaleForWidth(10, none), 0);
}
