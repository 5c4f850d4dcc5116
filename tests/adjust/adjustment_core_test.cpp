#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "adjust/Adjustment.h"
#include "engine/ColorStep.h"
#include "support/Images.h"

namespace velmora {
namespace {

using test::Noise;

// One pixel given as R, G, B, stored in the bitmap's B, G, R byte order.
Bitmap OnePixel(int r, int g, int b) {
    Bitmap bmp(1, 1);
    bmp.Fill(static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r));
    return bmp;
}

void ExpectRgb(const Bitmap& bmp, int r, int g, int b) {
    EXPECT_EQ(bmp.Pixel(0, 0)[2], r);
    EXPECT_EQ(bmp.Pixel(0, 0)[1], g);
    EXPECT_EQ(bmp.Pixel(0, 0)[0], b);
}

Bitmap Adjusted(Adjustment kind, std::vector<int> values, const Bitmap& src, Rect r) {
    TColorStep step;
    Bitmap dst = src;
    ApplyAdjustment(step, {kind, std::move(values)}, src, dst, r);
    return dst;
}

TEST(ApplyAdjustment, EachKindGivesItsKnownPixelValues) {
    // Brightness before contrast: 254 - 100 = 154, which contrast 255 sends to 0; the
    // other order would keep 254 and give 154.
    ExpectRgb(Adjusted(Adjustment::BrightContrast, {-100, 255}, OnePixel(254, 254, 254), {0, 0, 0, 0}), 0, 0, 0);
    // Contrast 10 takes 128 down to 121 only about the pivot 253; about 128 it would stay.
    ExpectRgb(Adjusted(Adjustment::BrightContrast, {0, 10}, OnePixel(128, 128, 128), {0, 0, 0, 0}), 121, 121, 121);
    ExpectRgb(Adjusted(Adjustment::Saturation, {-127}, OnePixel(200, 100, 50), {0, 0, 0, 0}), 116, 116, 116);
    ExpectRgb(Adjusted(Adjustment::ColorBalance, {20, 0, -15}, OnePixel(200, 100, 50), {0, 0, 0, 0}), 220, 100, 35);

    const Bitmap noise = Noise(17, 11, 7);
    EXPECT_EQ(Adjusted(Adjustment::Blur, {1}, noise, WholeBitmap(noise)), noise);  // radius 0.05
    Bitmap radius10 = noise;
    TColorStep step;
    step.BlurRect(noise, radius10, WholeBitmap(noise), 10.0);
    EXPECT_NE(radius10, noise);
    EXPECT_EQ(Adjusted(Adjustment::Blur, {200}, noise, WholeBitmap(noise)), radius10);

    EXPECT_THROW(Adjusted(Adjustment::ColorBalance, {1, 2}, noise, WholeBitmap(noise)), std::invalid_argument);
}

class DrawableLayers : public ::testing::Test {
protected:
    void SetUp() override {
        doc.PhotoBmp = Noise(20, 16, 1);
        doc.SketchBmp = Noise(20, 16, 2);
        doc.ColorBmp = Noise(20, 16, 3);
        // Scratch bitmaps left at another picture's size, as after an undo across pictures.
        doc.WorkBmp1 = Noise(3, 2, 4);
        doc.WorkBmp2 = Bitmap();
        sketch = doc.SketchBmp;
        color = doc.ColorBmp;
    }
    Document doc;
    TColorStep step;
    Bitmap sketch, color;
};

TEST_F(DrawableLayers, PreviewWritesScratchBitmapsOfTheLayerSizeAndLeavesLayersAlone) {
    const AdjustmentSettings blur{Adjustment::Blur, {40}};
    // Partly outside the picture: the part inside is blurred as a rectangle of its own.
    AdjustDrawableLayers(step, blur, doc, LayerState{}, Rect{10, 9, 50, 40}, AdjustInto::Scratch);
    EXPECT_EQ(doc.ShownSketch, &doc.WorkBmp1);
    EXPECT_EQ(doc.ShownColor, &doc.WorkBmp2);
    EXPECT_EQ(doc.SketchBmp, sketch);
    EXPECT_EQ(doc.ColorBmp, color);
    ASSERT_EQ(doc.WorkBmp1.Width(), 20);
    ASSERT_EQ(doc.WorkBmp2.Height(), 16);
    const Rect inside{10, 9, 19, 15};
    const Bitmap wantSketch = Adjusted(Adjustment::Blur, {40}, sketch, inside);
    const Bitmap wantColor = Adjusted(Adjustment::Blur, {40}, color, inside);
    for (int y = inside.Top; y <= inside.Bottom; ++y)
        for (int x = inside.Left; x <= inside.Right; ++x)
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(doc.WorkBmp1.Pixel(x, y)[c], wantSketch.Pixel(x, y)[c]) << x << "," << y;
                ASSERT_EQ(doc.WorkBmp2.Pixel(x, y)[c], wantColor.Pixel(x, y)[c]) << x << "," << y;
            }

    // A rectangle wholly outside writes nothing and does not fail.
    ShowRealLayers(doc);
    const Bitmap work1 = doc.WorkBmp1;
    AdjustDrawableLayers(step, blur, doc, LayerState{}, Rect{30, 30, 40, 40}, AdjustInto::Scratch);
    EXPECT_EQ(doc.WorkBmp1, work1);
}

TEST_F(DrawableLayers, PreviewSkipsLayersThatAreNotDrawable) {
    LayerState state;
    state.SketchDrawable = false;
    AdjustDrawableLayers(step, {Adjustment::Saturation, {50}}, doc, state, Rect{0, 0, 19, 15}, AdjustInto::Scratch);
    EXPECT_EQ(doc.ShownSketch, &doc.SketchBmp);
    EXPECT_EQ(doc.ShownColor, &doc.WorkBmp2);
    EXPECT_EQ(doc.WorkBmp1.Width(), 3);  // not needed, so not touched
}

TEST_F(DrawableLayers, OkAdjustsWholeDrawableLayersInPlace) {
    LayerState state;
    state.ColorDrawable = false;
    doc.ShownSketch = &doc.WorkBmp1;  // left over from a preview
    const Bitmap work1 = doc.WorkBmp1;
    AdjustedLayers written;
    AdjustDrawableLayers(step, {Adjustment::ColorBalance, {20, 0, -15}}, doc, state, WholeBitmap(doc.SketchBmp),
                         AdjustInto::Layers, &written);
    EXPECT_EQ(doc.SketchBmp, Adjusted(Adjustment::ColorBalance, {20, 0, -15}, sketch, WholeBitmap(sketch)));
    EXPECT_NE(doc.SketchBmp, sketch);
    EXPECT_EQ(doc.ColorBmp, color);
    EXPECT_EQ(doc.WorkBmp1, work1);
    EXPECT_TRUE(written.Sketch);
    EXPECT_FALSE(written.Color);
    EXPECT_EQ(doc.ShownSketch, &doc.SketchBmp);
    EXPECT_EQ(doc.ShownColor, &doc.ColorBmp);
}

}  // namespace
}  // namespace velmora
