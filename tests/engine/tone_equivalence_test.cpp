// The threaded point operations and the one-pass tone step against the reference, and
// what that comparison does not reach: rectangles outside the picture and a cancel.
// Amounts beyond the slider's range are among the worked values.

#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/EquivalenceUtil.h"
#include "engine/reference/ReferenceColorStep.h"

using namespace velmora;
using namespace velmora::test;

namespace {

struct Tone {
    int brightness, contrast, saturation;
};

const Tone kTones[] = {{0, 0, 0},   {100, 0, 0},     {-255, 255, -127}, {255, -255, 127},
                       {-40, 10, 30}, {17, -90, -1}, {3, 200, 89}};

}  // namespace

TEST(ToneEquivalence, AdjustToneAndBalanceWithTheirProgress) {
    // The gain table is irregular; every entry must be the reference's.
    EXPECT_EQ(SaturationGain, reference::SaturationGain);
    for (const NamedPicture& pic : VariedPictures())
        for (const Tone& t : kTones) {
            const int w = pic.bitmap.Width(), h = pic.bitmap.Height();
            TColorStep fast;
            reference::TColorStep slow;
            ProgressTrace fastTrace, slowTrace;
            fast.SetProgress(&fastTrace);
            slow.SetProgress(&slowTrace);
            fast.Width = slow.Width = w;
            fast.Height = slow.Height = h;
            fast.Reduced = slow.Reduced = ToBuffer(pic.bitmap);
            fast.AdjustTone(t.brightness, t.contrast, t.saturation);
            slow.AdjustTone(t.brightness, t.contrast, t.saturation);
            const std::string what = pic.name + " tone " + std::to_string(t.brightness) + "/" +
                                     std::to_string(t.contrast) + "/" + std::to_string(t.saturation);
            ASSERT_EQ(FirstDifference(fast.Final, slow.Final), -1) << what;
            fast.Blurred = slow.Blurred = fast.Final;
            fast.ColorBalance(t.contrast / 2, -t.brightness, t.saturation * 2);
            slow.ColorBalance(t.contrast / 2, -t.brightness, t.saturation * 2);
            ASSERT_EQ(FirstDifference(fast.Final, slow.Final), -1) << what << ", balance";
            EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
        }
}

TEST(ToneEquivalence, RectangleFormsOnTheSamplePhotographInPlaceAndIntoAnother) {
    const Bitmap photo = SamplePhoto();
    const Rect rects[] = {{0, 0, 511, 511}, {0, 0, 0, 0}, {100, 50, 100, 400}, {300, 300, 511, 511}, {-5, -5, 40, 700}};
    for (const Rect& r : rects)
        for (const Tone& t : kTones) {
            Bitmap fastIn = photo, slowIn = photo;
            Bitmap fastOut = FilledBitmap(512, 512, Rgb(1, 2, 3)), slowOut = fastOut;
            TColorStep fast;
            reference::TColorStep slow;
            fast.BrightnessRect(photo, fastOut, r, t.brightness, t.contrast / 2, t.saturation);
            slow.BrightnessRect(photo, slowOut, r, t.brightness, t.contrast / 2, t.saturation);
            fast.ContrastRect(fastIn, fastIn, r, t.contrast, 253);
            slow.ContrastRect(slowIn, slowIn, r, t.contrast, 253);
            fast.SaturationRect(fastIn, fastIn, r, t.saturation);
            slow.SaturationRect(slowIn, slowIn, r, t.saturation);
            EXPECT_TRUE(fastOut == slowOut) << "brightness into another bitmap";
            EXPECT_TRUE(fastIn == slowIn) << "contrast and saturation in place";
        }
}

TEST(Saturation, RectanglesOutsideThePictureDoNothing) {
    const Bitmap src = TexturedPhoto(6, 5);
    Bitmap untouched = src;
    TColorStep().SaturationRect(untouched, untouched, Rect{6, 0, 9, 4}, 127);
    EXPECT_EQ(untouched, src);
}

TEST(BufferForms, ColorBalanceStopsOnCancel) {
    TColorStep c;
    c.Width = 2;
    c.Height = 1;
    c.Blurred = {Rgb(10, 20, 30), Rgb(250, 5, 128)};
    c.Final = {Rgb(0, 0, 0), Rgb(0, 0, 0)};
    ProgressLog log;
    c.SetProgress(&log);
    CancelFlag = true;
    c.ColorBalance(100, 100, 100);
    EXPECT_EQ(c.Final, (TripleBuffer{Rgb(0, 0, 0), Rgb(0, 0, 0)}));
    EXPECT_EQ(log.advances, 0);
}
