#include <gtest/gtest.h>

#include "conversion/ConversionRun.h"
#include "conversion/ParamControls.h"

using namespace velmora;

TEST(ConversionDetail, DefaultsWithColorGiveEveryPart) {
    TEffectParams p = ControlDefaultRecord();
    p.DrawColor = true;
    EXPECT_EQ(ConversionDetailText(p),
              "Sketch(115,68,15) Sketch Type(2) Color(10,2,25,0,0,0) Color Scale(0) Smooth(0) Blending Mode(1)");
}

TEST(ConversionDetail, SketchOnlyHasNoColorOrBlendingPartAndNoLayerNoText) {
    TEffectParams p = ControlDefaultRecord();
    p.Detail = 0;
    p.Darkness = 256;
    p.SketchSmooth = 100;
    p.SketchType = 1;
    p.BlendMode = 2;
    EXPECT_EQ(ConversionDetailText(p), "Sketch(0,256,100) Sketch Type(1) ");
    p.DrawSketch = false;
    EXPECT_EQ(ConversionDetailText(p), "") << "no layer, no text";
}

TEST(ConversionDetail, ColorOnlyAndOverlay) {
    TEffectParams p = ControlDefaultRecord();
    p.DrawSketch = false;
    p.DrawColor = true;
    p.ColorReducer = 254;
    p.ColorSmooth = 19;
    p.BorderBlur = 0;
    p.Brightness = -255;
    p.Contrast = 12;
    p.Saturation = -127;
    p.ReducerType = 1;
    p.SmoothType = 1;
    EXPECT_EQ(ConversionDetailText(p), "Color(254,19,0,-255,12,-127) Color Scale(1) Smooth(1) ");
    p.DrawSketch = true;
    p.BlendMode = 2;
    p.Opacity = 40;
    const std::string d = ConversionDetailText(p);
    EXPECT_EQ(d.substr(d.size() - 19), "Blending Mode(2,40)");
    p.BlendMode = 0;  // anything but 1 counts as the weighted mix
    EXPECT_EQ(ConversionDetailText(p).substr(d.size() - 19), "Blending Mode(2,40)");
}

TEST(ConversionProgress, CountsTheStepsARunReallyReports) {
    TEffectParams p = ControlDefaultRecord();  // sketch with smoothing
    EXPECT_EQ(TotalProgressSteps(p), 3);
    p.SketchSmooth = 0;
    EXPECT_EQ(TotalProgressSteps(p), 1);
    p.DrawColor = true;  // border blur 25
    EXPECT_EQ(TotalProgressSteps(p), 9);
    p.BorderBlur = 0;
    EXPECT_EQ(TotalProgressSteps(p), 7);
    p.DrawSketch = false;
    EXPECT_EQ(TotalProgressSteps(p), 6);
    p.DrawColor = false;
    EXPECT_EQ(TotalProgressSteps(p), 0);
}
