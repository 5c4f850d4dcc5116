#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/GBlur2.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The integer weights of the cut kernel, from -Size to Size.
std::vector<int> KernelInts(double radius) {
    TBlurKernel k;
    BuildKernel(k, radius);
    const auto w = IntegerWeights(k);
    std::vector<int> out;
    for (int j = -k.Size; j <= k.Size; ++j) out.push_back(w[static_cast<std::size_t>(j + 100)]);
    return out;
}

TripleBuffer Uniform(int w, int h, TRGBTriple c) { return TripleBuffer(static_cast<std::size_t>(w) * h, c); }

}  // namespace

TEST(BlurKernel, CutAndIntegerWeightsForTheDialogRadii) {
    EXPECT_EQ(KernelInts(0.05), (std::vector<int>{0, 1024, 0})) << "at least three taps always remain";
    EXPECT_EQ(KernelInts(0.75), (std::vector<int>{231, 562, 231}));
    EXPECT_EQ(KernelInts(1.0), (std::vector<int>{56, 250, 412, 250, 56}));
    EXPECT_EQ(KernelInts(1.25), (std::vector<int>{18, 91, 238, 328, 238, 91, 18}));
    EXPECT_EQ(KernelInts(2.0), (std::vector<int>{9, 28, 67, 125, 181, 205, 181, 125, 67, 28, 9}));
}

TEST(GaussianBlur, UniformAreasFollowTheSumOfTheIntegerWeights) {
    // Radius 1.25 sums to 1022, so white loses a level in each pass (a single row still runs the
    // column pass); 2.0 sums to 1025 and the clamp keeps white; 0.75 sums to exactly 1024.
    struct Case {
        int w, h;
        TRGBTriple in;
        double radius;
        TRGBTriple out;
    };
    const TRGBTriple white = Rgb(255, 255, 255);
    for (const Case& c : {Case{9, 1, white, 1.25, Rgb(253, 253, 253)}, Case{10, 8, white, 1.25, Rgb(253, 253, 253)},
                          Case{12, 12, white, 2.0, white}, Case{7, 6, Rgb(10, 128, 251), 0.75, Rgb(10, 128, 251)}}) {
        TripleBuffer b = Uniform(c.w, c.h, c.in);
        GaussianBlur(b, c.w, c.h, c.radius);
        EXPECT_EQ(b, Uniform(c.w, c.h, c.out)) << c.w << "x" << c.h << ", radius " << c.radius;
    }
    // The smallest slider step and a radius of 0 leave any picture as it is.
    const TripleBuffer noisy = ToBuffer(TexturedPhoto(6, 5));
    for (double radius : {0.05, 0.0}) {
        TripleBuffer copy = noisy;
        GaussianBlur(copy, 6, 5, radius);
        EXPECT_EQ(copy, noisy) << radius;
    }
}

TEST(GaussianBlur, BordersRepeatTheEdgePixelAndSinglePixelLinesBlurAlongOneAxis) {
    // A single column: the horizontal taps all read the same pixel, so only the
    // vertical pass changes anything, and the top and bottom see their own value
    // repeated (never black).
    TripleBuffer col(5, Rgb(0, 0, 0));
    col[2] = Rgb(200, 200, 200);
    GaussianBlur(col, 1, 5, 0.75);
    // Row pass: (200 * (231 + 562 + 231)) div 1024 = 200. Column pass: 231 and 562.
    EXPECT_EQ(col[0], Rgb(0, 0, 0));
    EXPECT_EQ(col[1], Rgb(45, 45, 45));   // 200 * 231 div 1024
    EXPECT_EQ(col[2], Rgb(109, 109, 109));  // 200 * 562 div 1024
    EXPECT_EQ(col[3], Rgb(45, 45, 45));

    TripleBuffer edge(3, Rgb(100, 100, 100));
    edge[0] = Rgb(200, 50, 0);
    GaussianBlur(edge, 3, 1, 0.75);
    // Left border: the taps read x = 0 twice (clamped) and x = 1; the column pass of a
    // one-row image multiplies by 1024 / 1024 and changes nothing.
    EXPECT_EQ(edge[0].R, (200 * (231 + 562) + 100 * 231) / 1024);
    EXPECT_EQ(edge[0].B, (0 * 793 + 100 * 231) / 1024);
}

TEST(GaussianBlur, ProgressFormMatchesThePlainFormAndReportsBothPasses) {
    TripleBuffer src(40 * 30);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = Rgb(static_cast<int>(i * 7 % 256), static_cast<int>(i * 11 % 256), static_cast<int>(i % 256));
    TripleBuffer plain = src;
    GaussianBlur(plain, 40, 30, 2.0);

    ProgressLog log;
    TripleBuffer dst;
    GaussianBlurProgress(src, dst, 40, 30, 2.0, &log);
    EXPECT_EQ(dst, plain);
    EXPECT_EQ(log.captions, (std::vector<std::string>{"Blur Row", "Blur Column"}));
    EXPECT_EQ(log.advances, 2);
    ASSERT_EQ(log.positions.size(), 30u + 40u);
    EXPECT_EQ(log.positions[29], 100);
    EXPECT_EQ(log.positions[30 + 13], 13 * 100 / 39);

    // One row: the row pass's divisor is zero, so only the column positions are set.
    ProgressLog row;
    TripleBuffer one(8, Rgb(1, 2, 3));
    GaussianBlurProgress(one, one, 8, 1, 1.0, &row);
    EXPECT_EQ(row.positions.size(), 8u);
    EXPECT_EQ(row.advances, 2);
}

TEST(GaussianBlur, CancelStopsTheProgressForm) {
    TripleBuffer src(20 * 20, Rgb(255, 255, 255));
    src[0] = Rgb(0, 0, 0);
    TripleBuffer dst(src.size(), Rgb(9, 9, 9));
    ProgressLog log;
    log.onCaption = [](const char* c) {
        if (std::string(c) == "Blur Column") CancelFlag = true;
    };
    GaussianBlurProgress(src, dst, 20, 20, 1.25, &log);
    EXPECT_EQ(log.advances, 1) << "the column pass never finished";
    EXPECT_EQ(dst[19 * 20 + 19], Rgb(254, 254, 254)) << "rows blurred, columns not";
}

TEST(BlurRect, BlursOnlyInsideTheInclusiveRectangleWithItsOwnBorder) {
    Bitmap bmp = FilledBitmap(8, 6, Rgb(0, 0, 0));
    for (int y = 1; y <= 4; ++y)
        for (int x = 2; x <= 5; ++x) Put(bmp, x, y, Rgb(255, 255, 255));
    const Bitmap before = bmp;
    TColorStep step;
    step.BlurRect(bmp, bmp, Rect{2, 1, 5, 4}, 1.25);
    // Only white pixels take part, so the inside comes out 253 everywhere, right
    // and bottom edges included; the black outside is never read or touched.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x <= 5 && y >= 1 && y <= 4;
            ASSERT_EQ(At(bmp, x, y), inside ? Rgb(253, 253, 253) : At(before, x, y)) << x << "," << y;
        }
    EXPECT_TRUE(step.Blurred.empty());
}

TEST(BlurRect, CompletesDespiteALeftoverCancelAndClipsToTheBitmaps) {
    CancelFlag = true;  // as an earlier cancelled conversion leaves it
    const Bitmap src = FilledBitmap(5, 5, Rgb(255, 255, 255));
    Bitmap dst = FilledBitmap(5, 5, Rgb(1, 1, 1));
    TColorStep step;
    step.BlurRect(src, dst, Rect{3, 3, 40, 40}, 1.25);
    EXPECT_EQ(At(dst, 4, 4), Rgb(253, 253, 253));
    EXPECT_EQ(At(dst, 3, 3), Rgb(253, 253, 253));
    EXPECT_EQ(At(dst, 2, 2), Rgb(1, 1, 1));
    step.BlurRect(src, dst, Rect{-5, -5, -1, -1}, 1.25);  // nothing left after clipping
    EXPECT_EQ(At(dst, 0, 0), Rgb(1, 1, 1));
    step.BlurRect(src, dst, Rect{0, 0, 0, 0}, 0.0);  // radius 0 copies
    EXPECT_EQ(At(dst, 0, 0), Rgb(255, 255, 255));
}
