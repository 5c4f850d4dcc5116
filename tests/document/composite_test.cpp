#include <gtest/gtest.h>

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

// Multiply, opacity 37 and the three ways of hiding layers, by case number.
LayerState StateOfCase(int c) {
    LayerState st;
    st.BlendingMode = c == 1 ? 1 : 0;
    st.Opacity = 37;
    st.SketchVisible = c != 2 && c != 4;
    st.ColorVisible = c != 3 && c != 4;
    return st;
}

}  // namespace

// Each row: the gray levels of sketch, color and photograph, the layer state, and the
// level the whole composite shows.
TEST(Composite, ModeOpacityAndVisibilityGiveTheShownLevel) {
    struct Case {
        const char* what;
        std::uint8_t sketch, color, photo;
        LayerState state;
        int shown;
    };
    const Case cases[] = {
        {"multiply over white drops one level", 255, 255, 9, {}, 254},
        {"multiply over white, middle", 255, 128, 9, {}, 127},
        {"multiply over white, darkest", 255, 1, 9, {}, 0},
        {"multiply over white, black", 255, 0, 9, {}, 0},
        {"opacity truncates, half", 0, 200, 9, {.BlendingMode = 1, .Opacity = 50}, 100},
        {"opacity truncates, 99", 255, 0, 9, {.BlendingMode = 1, .Opacity = 99}, 252},
        {"color alone", 10, 20, 30, {.SketchVisible = false}, 20},
        {"both hidden shows the photograph, not black", 10, 20, 30,
         {.SketchVisible = false, .ColorVisible = false}, 30},
        {"sketch alone", 10, 20, 30, {.ColorVisible = false}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Doc3 d(c.sketch, c.color, c.photo);
        d.CompositeAll(c.state);
        EXPECT_EQ(d.CompositeBmp.Pixel(0, 0)[0], c.shown);
        EXPECT_EQ(d.CompositeBmp.Pixel(3, 2)[2], c.shown);
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

// A whole picture is composited in bands of rows on the worker threads, and the batch
// converter composites a flat output into the color layer's own memory. Tall enough for
// several bands, both must come out as one rectangle composited into a separate target.
TEST(Composite, AllOfATallPictureAndInPlaceEqualOneSeparateRectangle) {
    const int w = 301, h = 2000;
    const Rect all{0, 0, w - 1, h - 1};
    for (int c = 0; c < 5; ++c) {
        Document d;
        d.SketchBmp = test::Noise(w, h, 1);
        d.ColorBmp = test::Noise(w, h, 2);
        d.PhotoBmp = test::Noise(w, h, 3);
        const LayerState st = StateOfCase(c);
        Bitmap whole(w, h), inPlace = d.ColorBmp;
        CompositeRect(whole, d.SketchBmp, d.ColorBmp, d.PhotoBmp, st, all);
        CompositeRect(inPlace, d.SketchBmp, inPlace, d.PhotoBmp, st, all);
        d.CompositeAll(st);
        EXPECT_TRUE(d.CompositeBmp == whole) << "case " << c;
        EXPECT_TRUE(inPlace == whole) << "in place, case " << c;
    }
}
