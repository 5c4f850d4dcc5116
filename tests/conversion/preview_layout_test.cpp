#include <gtest/gtest.h>

#include "conversion/PreviewLayout.h"

using namespace velmora;

namespace {
const WindowBox kDesigned = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, 0, 0, 1920, 1050);
}

TEST(PreviewPlacement, DesignedBoxIsCentredOnTheWorkArea) {
    EXPECT_EQ(kDesigned, (WindowBox{702, 306, 516, 438}));
    EXPECT_EQ(CentredBox(516, 438, 100, 50, 1124, 818), (WindowBox{354, 215, 516, 438}));
}

TEST(PreviewPlacement, CustomSizeIsCentredWhenItFits) {
    Options o;  // Custom, 459 x 451
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), (WindowBox{730, 299, 459, 451}));
    // A primary screen right of another one, with a panel along its top: centred on it.
    EXPECT_EQ(PlacePreviewWindow(o, {1920, 32, 1920, 1018}, kDesigned), (WindowBox{2650, 315, 459, 451}));
    o.PreviewWidth = 1001;
    o.PreviewHeight = 801;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), (WindowBox{459, 124, 1001, 801}));
    // Not strictly smaller than the work area: the designed box stays.
    o.PreviewWidth = 1920;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned);
    o.PreviewWidth = 0;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned) << "an unusable size is refused";
    o.PreviewWidth = -500;
    o.PreviewHeight = -500;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned);
}

TEST(PreviewPlacement, SizeLimitsApplyOnTop) {
    Options o;
    o.PreviewWidth = 300;  // below the 453 minimum
    o.PreviewHeight = 200;
    const WindowBox b = PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned);
    EXPECT_EQ(b.Width, 453);
    EXPECT_EQ(b.Height, 400);
    EXPECT_EQ(b.Left, (1920 - 300) / 2) << "centred for the asked size, then limited";
    o.PreviewSizeMode = 1;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 3840, 2100}, kDesigned), (WindowBox{0, 0, 1600, 1200}));
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1366, 728}, kDesigned), (WindowBox{0, 0, 1366, 728}));
    // Maximized on the work area's own screen, not on the one at the desktop's origin.
    EXPECT_EQ(PlacePreviewWindow(o, {1920, 32, 1366, 728}, kDesigned), (WindowBox{1920, 32, 1366, 728}));
}

TEST(PreviewPlacement, LastBoxOnlyWhenItStillFits) {
    Options o;
    o.PreviewSizeMode = 2;
    o.LastPreviewLeft = 10;
    o.LastPreviewTop = 20;
    o.LastPreviewWidth = 700;
    o.LastPreviewHeight = 500;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), (WindowBox{10, 20, 700, 500}));
    // After a change to a smaller screen, the stored box is ignored.
    const WindowBox small = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, 0, 0, 640, 480);
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 640, 480}, small), small);
    o.LastPreviewWidth = 0;  // never stored
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned);
    o.LastPreviewWidth = 700;
    o.LastPreviewTop = -1;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned);
    o.LastPreviewTop = 1050;  // the edge itself still counts, but the window is moved up to show whole
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), (WindowBox{10, 550, 700, 500}));
    o.PreviewSizeMode = 7;
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1920, 1050}, kDesigned), kDesigned);
}

// The box stored on a larger screen, or on a screen beside the primary one that is
// gone, must not open the dialog with its buttons (at the top right) off the screen.
TEST(PreviewPlacement, LastBoxOpensWhollyOnTheWorkArea) {
    Options o;
    o.PreviewSizeMode = 2;
    o.LastPreviewLeft = 1000;  // near the bottom right of a 2560 x 1440 screen
    o.LastPreviewTop = 600;
    o.LastPreviewWidth = 800;
    o.LastPreviewHeight = 500;
    const WindowBox laptop = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, 0, 0, 1366, 728);
    EXPECT_EQ(PlacePreviewWindow(o, {0, 0, 1366, 728}, laptop), (WindowBox{566, 228, 800, 500}));

    // A primary screen right of another one, with a panel along its top: its work area
    // is 1366 wide, however far right its edge lies.
    const WindowBox work{1920, 32, 1366, 728};
    const WindowBox designed = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, 1920, 32, 3286, 760);
    o.LastPreviewLeft = 2000;
    o.LastPreviewTop = 100;
    o.LastPreviewWidth = 1500;
    EXPECT_EQ(PlacePreviewWindow(o, work, designed), designed) << "wider than the work area";
    o.LastPreviewWidth = 800;
    EXPECT_EQ(PlacePreviewWindow(o, work, designed), (WindowBox{2000, 100, 800, 500}));
    // Left on the screen at the left, which is no longer there.
    o.LastPreviewLeft = 100;
    EXPECT_EQ(PlacePreviewWindow(o, work, designed), designed);
    o.LastPreviewLeft = 2000;
    o.LastPreviewTop = 10;  // under the panel
    EXPECT_EQ(PlacePreviewWindow(o, work, designed), designed);
}

// On a work area lower than the dialog's smallest size its caption stays on the
// screen, where the user can take hold of it; the bottom is what is cut off.
TEST(PreviewPlacement, CaptionStaysOnAWorkAreaTooSmallForTheDialog) {
    Options o;
    const WindowBox small{0, 0, 800, 380};
    const WindowBox designed = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, 0, 0, 800, 380);
    EXPECT_EQ(PlacePreviewWindow(o, small, designed), (WindowBox{142, 0, 516, 438}));
    o.PreviewWidth = 300;  // fits, but below the smallest size the dialog takes
    o.PreviewHeight = 200;
    EXPECT_EQ(PlacePreviewWindow(o, small, designed), (WindowBox{250, 0, 453, 400}));
    o.PreviewSizeMode = 2;
    o.LastPreviewLeft = 700;
    o.LastPreviewTop = 300;
    o.LastPreviewWidth = 300;
    o.LastPreviewHeight = 300;
    EXPECT_EQ(PlacePreviewWindow(o, small, designed), (WindowBox{347, 0, 453, 400}));
}

TEST(PreviewPanning, DragMovesThePictureAgainstTheMouseAndStopsAtTheEnds) {
    PanAxis a;
    a.Position = 33;  // where the last picture was left
    SetupPanAxis(a, 800, 300);  // positions 0..500
    EXPECT_TRUE(a.Enabled);
    EXPECT_EQ(a.Position, 0);
    EXPECT_EQ(a.Max, 800);
    EXPECT_EQ(a.Page, 300);
    int last = 100;
    EXPECT_TRUE(PanAxisStep(a, last, 40));  // mouse left by 60: the view moves right by 60
    EXPECT_EQ(a.Position, 60);
    EXPECT_EQ(last, 40);
    // A step past the start is ignored, not clamped, and the anchor stays.
    EXPECT_FALSE(PanAxisStep(a, last, 120));
    EXPECT_EQ(a.Position, 60);
    EXPECT_EQ(last, 40);
    EXPECT_TRUE(PanAxisStep(a, last, 100));
    EXPECT_EQ(a.Position, 0);
    EXPECT_FALSE(PanAxisStep(a, last, -401));
    EXPECT_EQ(a.Position, 0);
    EXPECT_TRUE(PanAxisStep(a, last, -400));
    EXPECT_EQ(a.Position, 500);
    EXPECT_FALSE(PanAxisStep(a, last, -400)) << "no movement, no change";
    // A picture no longer than the pane does not scroll at all.
    SetupPanAxis(a, 300, 300);
    EXPECT_FALSE(a.Enabled);
    EXPECT_FALSE(PanAxisStep(a, last, 10));
    EXPECT_EQ(last, -400);
}
