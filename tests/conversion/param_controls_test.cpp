#include <gtest/gtest.h>

#include <tuple>

#include "conversion/ParamControls.h"

using namespace velmora;

TEST(RecordThroughControls, ClampsEveryFieldLikeItsControl) {
    TEffectParams in;
    in.DrawSketch = true;
    in.Detail = 5000;
    in.Darkness = 0;
    in.SketchType = 7;
    in.SmoothType = 9;
    in.ColoringMode = -4;
    in.HandleCount = 6;
    in.BlendMode = 0;
    in.ReducerType = 3;
    in.Opacity = 0;
    in.Saturation = -300;
    const TEffectParams r = RecordThroughControls(in, 40);
    EXPECT_EQ(r.Detail, 1024);
    EXPECT_EQ(r.Darkness, 1);
    EXPECT_EQ(r.SketchType, 2) << "past the last item selects Gray";
    EXPECT_EQ(r.SmoothType, 1);
    EXPECT_EQ(r.ColoringMode, -1) << "below the first item selects nothing";
    EXPECT_EQ(r.HandleCount, 0);
    EXPECT_EQ(r.BlendMode, 2);
    EXPECT_EQ(r.ReducerType, 0);
    EXPECT_EQ(r.Opacity, 1);
    EXPECT_EQ(r.Saturation, -127);
    EXPECT_EQ(r.ThresholdLevel, 215);
}

TEST(RecordThroughControls, AllZeroRecordWithNoLayerKeepsUnrefreshedFields) {
    TEffectParams zero;
    zero.HandleCount = 9;
    zero.ThresholdLevel = 3;
    const TEffectParams r = RecordThroughControls(zero);
    EXPECT_EQ(r.SketchType, 0);
    EXPECT_EQ(r.Darkness, 1);
    EXPECT_EQ(r.ColorReducer, 1);
    EXPECT_EQ(r.BlendMode, 2);
    EXPECT_EQ(r.HandleCount, 9) << "no preview ran, so the record keeps the loaded value";
    EXPECT_EQ(r.ThresholdLevel, 3);
    // Only the custom reducer's editor refreshes the handle count without a layer;
    // type 2 shows as Equality, whose editor is hidden.
    for (auto [type, count, want] : {std::tuple{1, 9, 0}, {1, 4, 4}, {2, 9, 9}}) {
        zero.ReducerType = type;
        zero.HandleCount = count;
        EXPECT_EQ(RecordThroughControls(zero).HandleCount, want) << type << " " << count;
    }
}
