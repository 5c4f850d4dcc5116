#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "conversion/ImageSize.h"

using namespace velmora;

namespace {

using Sizes = std::vector<PictureSize>;

// A page opened on `original` over a resampler that notes every size it is asked for
// and refuses the next one while `refuse` is set, as when memory runs out once.
struct Page : ImageSizePage {
    Sizes resampled;
    bool refuse = false;
    explicit Page(PictureSize original)
        : ImageSizePage([this](PictureSize s) {
              resampled.push_back(s);
              return !std::exchange(refuse, false);
          }) {
        Open(original);
    }
    // The sizes asked for since the last call.
    Sizes Taken() { return std::exchange(resampled, {}); }
};

// Whether both spin edits show `size`, the page holds it as the size chosen, and the
// slider stands at `scale`.
testing::AssertionResult Shows(const ImageSizePage& page, PictureSize size, int scale) {
    const PictureSize held = page.Current();
    if (page.Width() == size.Width && page.Height() == size.Height && held == size && page.Scale() == scale)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "shows " << page.Width() << " x " << page.Height() << " at "
                                       << page.Scale() << " % holding " << held.Width << " x " << held.Height;
}

}  // namespace

TEST(ImageSize, LargePicturesDoNotOverflow) {
    // 60000 * 59999 is beyond 32 bits.
    const PictureSize big{60000, 59999};
    EXPECT_EQ(HeightForWidth(60000, big), 59999);
    EXPECT_EQ(WidthForHeight(59999, big), 60000);
    EXPECT_EQ(HeightForWidth(50000, big), 49999);  // 49999.17, truncated
}

TEST(ImageSize, EmptyOriginalGivesZeroNotACrash) {
    const PictureSize none{0, 0};
    EXPECT_EQ(HeightForWidth(10, none), 0);
    EXPECT_EQ(WidthForHeight(10, none), 0);
    EXPECT_EQ(ScaleForWidth(10, none), 0);
}

TEST(ImageSizePage, ReplaysTheHandlersToTheFinalSize) {
    // The slider at 33 on 640 x 480 gives 211 x 158.
    EXPECT_EQ(DialogImageSize({640, 480}, 33, 0), (PictureSize{211, 158}));
    // Typing a width keeps the aspect ratio, truncating.
    EXPECT_EQ(DialogImageSize({640, 480}, 100, 320), (PictureSize{320, 240}));
    EXPECT_EQ(DialogImageSize({641, 479}, 100, 320), (PictureSize{320, 239}));
    // 100 % and the original width change nothing.
    EXPECT_EQ(DialogImageSize({640, 480}, 100, 0), (PictureSize{640, 480}));
    EXPECT_EQ(DialogImageSize({640, 480}, 100, 640), (PictureSize{640, 480}));
    // The slider always ends at its own width and height, even where the width's
    // handler computed another height on the way.
    EXPECT_EQ(DialogImageSize({999, 1000}, 50, 0), (PictureSize{499, 500}));
}

// On a picture much wider than high (or the reverse) the side that keeps the aspect
// ratio can come out below one pixel; it stays one pixel, so that the page shows the
// size the picture really gets and the conversion makes it that size.
TEST(ImageSizePage, ATypedSideOfAThinPictureKeepsTheOtherSideAtOnePixelAtLeast) {
    EXPECT_EQ(DialogImageSize({640, 2}, 100, 100), (PictureSize{100, 1}));
    Page tall({2, 3000});
    tall.Taken();
    tall.SetHeight(1000);
    EXPECT_TRUE(Shows(tall, {1, 1000}, 50));
    EXPECT_EQ(tall.Taken(), (Sizes{{1, 1000}}));
    Page wide({3000, 1});
    wide.Taken();
    wide.SetWidth(1500);
    EXPECT_TRUE(Shows(wide, {1500, 1}, 50));
    EXPECT_EQ(wide.Taken(), (Sizes{{1500, 1}}));
}

// A percentage of a thin side is below one pixel too; it also stays one pixel.
TEST(ImageSizePage, APercentOfAThinPictureKeepsEachSideAtOnePixelAtLeast) {
    struct Case {
        PictureSize original;
        int percent;
        PictureSize size;
    };
    for (const Case& c : {Case{{400, 50}, 1, {4, 1}}, Case{{50, 400}, 1, {1, 4}}, Case{{2, 3000}, 33, {1, 990}},
                          Case{{1, 1}, 1, {1, 1}}, Case{{3, 1}, 50, {1, 1}}}) {
        SCOPED_TRACE(testing::Message() << c.original.Width << "x" << c.original.Height);
        Page page(c.original);
        page.Taken();
        page.MoveSlider(c.percent);
        EXPECT_TRUE(Shows(page, c.size, c.percent));
        const Sizes resampled = page.Taken();
        ASSERT_FALSE(resampled.empty());
        EXPECT_EQ(resampled.back(), c.size);
        for (PictureSize s : resampled) EXPECT_TRUE(s.Width >= 1 && s.Height >= 1) << s.Width << "x" << s.Height;
        EXPECT_EQ(DialogImageSize(c.original, c.percent, 0), c.size);
    }
}

TEST(ImageSizePage, EachHandlerResamplesInTurnAndTheSliderEchoStaysQuiet) {
    Page page({999, 1000});
    EXPECT_EQ(page.Taken(), (Sizes{{999, 1000}}));
    // The slider sets the width (whose handler computes a height), then the height
    // (whose handler resamples again), then resamples at its own size.
    page.MoveSlider(50);
    EXPECT_EQ(page.Taken(), (Sizes{{499, 499}, {499, 500}, {499, 500}}));
    // The spin handlers moved the slider to 49 without running its handler; it stays
    // where the user put it, so that the next step up is a change again.
    EXPECT_TRUE(Shows(page, {499, 500}, 50));
    page.MoveSlider(51);
    EXPECT_EQ(page.Taken().back(), (PictureSize{509, 510}));
    EXPECT_EQ(page.Scale(), 51);
    // Back to 100 keeps the size; a spin edit set to its own value does nothing.
    page.MoveSlider(100);
    page.SetHeight(510);
    EXPECT_TRUE(page.Taken().empty());
    // Values beyond the original are clamped as the spin edit clamps them.
    page.SetWidth(5000);
    EXPECT_EQ(page.Width(), 999);
    EXPECT_EQ(page.Current(), (PictureSize{999, 1000}));
}

// The slider resamples at its own size last; the spin edits show that size even
// where a handler on the way worked out another width from the height.
TEST(ImageSizePage, TheSliderAfterATypedHeightShowsTheSizeItMade) {
    Page page({640, 480});
    page.SetHeight(29);
    EXPECT_EQ(page.Current(), (PictureSize{38, 29}));
    // 6 % is 38 x 28: the width is the one typed before, so only the height's handler
    // runs, and it works out 37 for a height of 28.
    page.MoveSlider(6);
    EXPECT_EQ(page.Taken().back(), (PictureSize{38, 28}));
    EXPECT_TRUE(Shows(page, {38, 28}, 6));
    // The width shown, typed again, is no change.
    page.SetWidth(38);
    EXPECT_TRUE(page.Taken().empty());
}

TEST(ImageSizePage, ARefusedSizeLeavesThePageAtTheSizeThePictureKept) {
    Page page({640, 480});
    page.refuse = true;
    page.SetWidth(320);
    EXPECT_TRUE(Shows(page, {640, 480}, 100));
    // The same width asked for again is a change again, and resamples.
    page.Taken();
    page.SetWidth(320);
    EXPECT_EQ(page.Taken(), (Sizes{{320, 240}}));
    EXPECT_TRUE(Shows(page, {320, 240}, 50));

    // A refused slider move stops at the first refusal and shows the kept size.
    page.refuse = true;
    page.MoveSlider(33);
    EXPECT_EQ(page.Taken(), (Sizes{{211, 158}}));
    EXPECT_TRUE(Shows(page, {320, 240}, 50));
    page.MoveSlider(33);
    EXPECT_TRUE(Shows(page, {211, 158}, 33));
}
