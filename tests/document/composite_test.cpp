#include <gtest/gtest.h>

#include <tuple>

#include "document/Document.h"
#include "support/Images.h"

using namespace velmora;
using velmora::test::Flat;

namespace {

struct Doc3 : Document {
    Doc3(std::uint8_t sketch, std::uint8_t color, std::uint8_t photo, int w = 4, int h = 3) {
        SketchBmp = Flat(w, h, sketch);
        ColorBmp = Flat(w, h, color);
        PhotoBmp = Flat(w, h, photo);
        CompositeBmp = Flat(w, h, 7);
    }
};

}  // namespace

TEST(Composite, MultiplyOverWhiteDropsOneLevel) {
    for (auto [in, out] : {std::pair{255, 254}, {128, 127}, {1, 0}, {0, 0}}) {
        Doc3 d(255, static_cast<std::uint8_t>(in), 9);
        d.CompositeAll(LayerState{});
        EXPECT_EQ(d.CompositeBmp.Pixel(2, 1)[1], out) << in;
    }
}

TEST(Composite, OpacityTruncates) {
    for (auto [sketch, color, opacity, out] : {std::tuple{0, 200, 50, 100}, {255, 0, 99, 252}}) {
        LayerState st;
        st.BlendingMode = 1;
        st.Opacity = opacity;
        Doc3 d(static_cast<std::uint8_t>(sketch), static_cast<std::uint8_t>(color), 9);
        d.CompositeAll(st);
        EXPECT_EQ(d.CompositeBmp.Pixel(0, 0)[0], out) << opacity;
        EXPECT_EQ(d.CompositeBmp.Pixel(3, 2)[2], out) << opacity;
    }
}

TEST(Composite, VisibilityChoosesTheCopiedLayer) {
    // Both hidden shows the photograph, not black.
    for (auto [sketch, color, shown] : {std::tuple{false, true, 20}, {false, false, 30}, {true, false, 10}}) {
        LayerState st;
        st.SketchVisible = sketch;
        st.ColorVisible = color;
        Doc3 d(10, 20, 30);
        d.CompositeAll(st);
        EXPECT_EQ(d.CompositeBmp.Pixel(1, 1)[0], shown) << sketch << color;
    }
}

TEST(Composite, RectanglesAreClippedAndUnknownModesWriteNothing) {
    for (bool blend : {true, false}) {
        LayerState st;
        st.ColorVisible = blend;
        Doc3 d(255, 100, 50);
        d.CompositeRect(st, Rect{-5, 1, 1, 99});
        const std::uint8_t expect = blend ? 99 : 255;
        EXPECT_EQ(d.CompositeBmp.Pixel(0, 1)[0], expect);
        EXPECT_EQ(d.CompositeBmp.Pixel(1, 2)[2], expect);
        EXPECT_EQ(d.CompositeBmp.Pixel(2, 1)[0], 7) << "right of the rectangle";
        EXPECT_EQ(d.CompositeBmp.Pixel(0, 0)[0], 7) << "above the rectangle";
    }
    LayerState odd;
    odd.BlendingMode = 2;
    Doc3 d(255, 100, 50);
    d.CompositeAll(odd);
    EXPECT_EQ(d.CompositeBmp.Pixel(0, 0)[0], 7);
}

TEST(Composite, ShownSlotsRedirectTheSketch) {
    Doc3 d(255, 100, 50);
    d.WorkBmp1 = Flat(4, 3, 0);
    d.ShownSketch = &d.WorkBmp1;
    d.CompositeAll(LayerState{});
    EXPECT_EQ(d.CompositeBmp.Pixel(0, 0)[0], 0);
}

// The batch converter composites a flat output into the color layer's own memory.
TEST(Composite, InPlaceIntoTheColorLayerEqualsASeparateTarget) {
    const Bitmap sketch = test::Noise(37, 11, 1), color = test::Noise(37, 11, 2), photo = test::Noise(37, 11, 3);
    const Rect all{0, 0, 36, 10};
    for (int c = 0; c < 5; ++c) {
        LayerState st;
        st.BlendingMode = c == 1 ? 1 : 0;
        st.Opacity = 37;
        st.SketchVisible = c != 2 && c != 4;
        st.ColorVisible = c != 3 && c != 4;
        Bitmap separate(37, 11), inPlace = color;
        CompositeRect(separate, sketch, color, photo, st, all);
        CompositeRect(inPlace, sketch, inPlace, photo, st, all);
        EXPECT_TRUE(inPlace == separate) << "case " << c;
    }
}
