// The parallel color reduction against the plain scan that grows one region after another.

#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/ContentKey.h"
#include "engine/EquivalenceUtil.h"
#include "engine/ReduceCompare.h"
#include "engine/reference/ReferenceColorStep.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const Reducer kReducers[] = {
    {10, 0, 0, {}},                     // the default
    {1, 0, 0, {}},                      // every color its own class
    {40, 0, 0, {}},
    {254, 0, 0, {}},                    // two classes per channel
    {10, 1, 2, {128, 64, 0, 0, 0}},     // handles out of order
    {10, 1, 5, {255, 0, 100, 7, 200}},  // every handle, the extremes included
    {10, 1, 0, {9, 9, 9, 9, 9}},        // one class: connected pixels form one region
};

// Corners, middle, single rows and columns and a single pixel of a w x h picture.
std::vector<Area> Rectangles(int w, int h) {
    std::vector<Area> v = {{0, 0, w, h}};
    const int rw = std::max(1, w / 3), rh = std::max(1, h / 3);
    v.push_back({0, 0, rw, rh});
    v.push_back({w - rw, 0, rw, rh});
    v.push_back({0, h - rh, rw, rh});
    v.push_back({w - rw, h - rh, rw, rh});
    v.push_back({w / 3, h / 3, rw, rh});
    v.push_back({0, h / 2, w, 1});
    v.push_back({w / 2, 0, 1, h});
    v.push_back({w - 1, h - 1, 1, 1});
    return v;
}

// Dark diagonal lines running down to the left, one pixel wide but 8-connected, over
// bands: a region whose first pixel lies right of a rectangle at the left still
// reaches into it lower down.
Bitmap Diagonals(int w, int h) {
    Bitmap b = GradientPicture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x + y) % 17 == 0) Put(b, x, y, Rgb(5, 5, 5));
    return b;
}

std::string Describe(const std::string& pic, const Area& a, std::size_t reducer, int mode) {
    return pic + ", rect " + std::to_string(a.left) + "," + std::to_string(a.top) + " " + std::to_string(a.w) + "x" +
           std::to_string(a.h) + ", reducer " + std::to_string(reducer) + ", mode " + std::to_string(mode);
}

}  // namespace

TEST(ReduceEquivalence, EveryPictureRectangleClassAndColoring) {
    std::vector<NamedPicture> pictures = VariedPictures();
    pictures.push_back({"diagonals 90x60", Diagonals(90, 60)});
    for (const NamedPicture& pic : pictures)
        for (const Area& a : Rectangles(pic.bitmap.Width(), pic.bitmap.Height()))
            for (std::size_t i = 0; i < std::size(kReducers); ++i)
                for (int mode : {0, 1})
                    ExpectSameReduction(pic.bitmap, a, kReducers[i], mode, Describe(pic.name, a, i, mode));
}

TEST(ReduceEquivalence, TheSamplePhotographWholeAndInPreviewRectangles) {
    const Bitmap photo = SamplePhoto();
    const std::vector<Area> areas = {{0, 0, 512, 512}, {0, 0, 160, 120}, {352, 392, 160, 120}, {170, 200, 160, 120}};
    for (const Area& a : areas)
        for (std::size_t i : {std::size_t{0}, std::size_t{2}, std::size_t{4}})
            for (int mode : {0, 1}) ExpectSameReduction(photo, a, kReducers[i], mode, Describe("sample", a, i, mode));
}

TEST(ReduceEquivalence, KeptSegmentationFollowsPansClassesColoringAndChangedPixels) {
    Bitmap photo = Diagonals(120, 90);
    // One step carried through a dialog session; each result against a fresh plain run.
    TColorStep fast;
    struct Run {
        Area a;
        std::size_t reducer;
        int mode;
    };
    const Run session[] = {
        {{0, 0, 40, 30}, 0, 1},   {{80, 60, 40, 30}, 0, 1}, {{0, 0, 40, 30}, 0, 1},   // pans back and forth
        {{30, 20, 40, 30}, 0, 0}, {{30, 20, 40, 30}, 2, 0}, {{30, 20, 40, 30}, 0, 0}, // coloring, classes
        {{0, 0, 120, 90}, 0, 1},  {{5, 50, 40, 30}, 5, 1},  {{5, 50, 40, 30}, 6, 1},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const Run& run : session)
            ExpectSameKeptReduction(fast, photo, run.a, kReducers[run.reducer], run.mode,
                                    "pass " + std::to_string(pass) + ", " +
                                        Describe("diagonals", run.a, run.reducer, run.mode));
        // The dialog resamples into the same photograph object: same size, new pixels.
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                if ((x * 7 + y * 3) % 11 == 0) Put(photo, x, y, Rgb(250, 10, 10));
    }
}

TEST(ReduceEquivalence, CancelDuringTheReductionReleasesWhatItKept) {
    const Bitmap photo = PatchesPicture(200, 150, 4);
    const ContentKey key = KeyOfPicture(photo);
    TColorStep step;
    step.LoadRegion(photo, key, 10, 10, 50, 40);
    step.ReduceColors(10, 0, 1, 0, {});
    ProgressLog log;
    log.onCaption = [](const char*) { CancelFlag = true; };
    step.SetProgress(&log);
    step.LoadRegion(photo, key, 100, 90, 50, 40);
    step.ReduceColors(40, 0, 1, 0, {});
    EXPECT_EQ(log.advances, 0);
    // A later run on the same pixels starts from scratch and is right.
    CancelFlag = false;
    step.SetProgress(nullptr);
    ExpectSameKeptReduction(step, photo, {100, 90, 50, 40}, Reducer{40, 0, 0, {}}, 1, "after a cancel");
}
