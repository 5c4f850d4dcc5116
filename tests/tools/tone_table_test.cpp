#include <gtest/gtest.h>

#include <tuple>

#include "common/Bitmap.h"
#include "support/Images.h"
#include "tools/ToneTable.h"

using namespace velmora;
using velmora::test::Flat;

TEST(ToneTable, DarkenAndLightenAtTheDefaultContrast) {
    for (const auto& [contrast, v, mapped] : {std::tuple{128, 0, 0}, {128, 128, 65}, {128, 200, 173}, {128, 252, 251},
                                              {-128, 0, 127}, {-128, 100, 177}, {-128, 252, 253}})
        EXPECT_EQ(BuildToneTable(contrast)[v], mapped) << contrast << " " << v;
}

TEST(ToneTable, TopValuesNeverMoveAndZeroIsTheIdentity) {
    for (int c = -255; c <= 255; ++c) {
        const ToneTable t = BuildToneTable(c);
        for (int v = 253; v <= 255; ++v) EXPECT_EQ(t[v], v) << "contrast " << c;
        // Darkening never brightens and lightening never darkens.
        for (int v = 0; v < 253; ++v) EXPECT_TRUE(c >= 0 ? t[v] <= v : t[v] >= v) << c << " " << v;
    }
    EXPECT_EQ(BuildToneTable(-255)[0], 253);  // 254 * 255 / 256 = 253.0
    const ToneTable identity = BuildToneTable(0);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(identity[v], v);
}

TEST(StampTone, ReadsTheStrokeStartCopyUnderTheMask) {
    const Bitmap source = Flat(8, 8, 128);
    Bitmap layer = source;
    const ToneTable t = BuildToneTable(128);
    // A second stamp over the same place maps the stroke-start value again.
    StampTone(layer, source, Flat(3, 3, 255), 2, 2, t);
    StampTone(layer, source, Flat(3, 3, 255), 2, 2, t);
    EXPECT_EQ(layer.Pixel(2, 2)[0], 65);
    EXPECT_EQ(layer.Pixel(4, 4)[2], 65);
    EXPECT_EQ(layer.Pixel(5, 4)[1], 128);

    // Only the mask's blue byte counts, and each channel is mapped on its own.
    Bitmap src(2, 1);
    src.Pixel(0, 0)[1] = 100;
    src.Pixel(0, 0)[2] = 254;
    Bitmap out = Flat(2, 1, 7), mask(2, 1);
    mask.Pixel(0, 0)[0] = 1;
    mask.Pixel(1, 0)[2] = 255;
    StampTone(out, src, mask, 0, 0, BuildToneTable(-128));
    EXPECT_EQ(out.Pixel(0, 0)[0], 127);
    EXPECT_EQ(out.Pixel(0, 0)[1], 177);
    EXPECT_EQ(out.Pixel(0, 0)[2], 254);
    EXPECT_EQ(out.Pixel(1, 0)[0], 7);
}

TEST(StampTone, ClipsAtEveryEdge) {
    const Bitmap source = Flat(6, 5, 200);
    // A 4 x 4 mask hanging over each side; the count is of the pixels inside the layer.
    for (const auto& [left, top, expected] :
         {std::tuple{-2, -3, 2}, {4, 3, 4}, {-3, 1, 4}, {1, 4, 4}, {6, 0, 0}, {0, -4, 0}}) {
        Bitmap layer = source;
        StampTone(layer, source, Flat(4, 4, 255), left, top, BuildToneTable(128));
        int changed = 0;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) changed += layer.Pixel(x, y)[0] == 173;
        EXPECT_EQ(changed, expected) << left << "," << top;
    }
}
