#include <gtest/gtest.h>

#include <string>

#include "conversion/ParamControls.h"
#include "conversion/Preset.h"

using namespace velmora;

namespace {
TEffectParams Shipped(const char* name, bool* complete) {
    TEffectParams p;
    std::string error;
    bool shortFile = true;
    EXPECT_TRUE(ReadPresetFile(std::string(VELMORA_PROGRAM_DIR) + "/" + name, p, error, &shortFile)) << error;
    *complete = !shortFile;
    return p;
}
}  // namespace

// Every value lies within its control's range, so loading a shipped preset and
// pressing OK at once converts with exactly the stored record, and the four
// shortcuts differ from the default and from each other. The default is the
// controls' defaults with both layers.
TEST(ShippedPresets, DefaultIsTheControlDefaultsAndAllPassTheControlsUnchanged) {
    TEffectParams defaults = ControlDefaultRecord();
    defaults.DrawColor = true;
    std::vector<TEffectParams> all;
    for (const char* name : {"default.set", "cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"}) {
        bool complete = false;
        const TEffectParams p = Shipped(name, &complete);
        EXPECT_TRUE(complete) << name;
        if (all.empty()) {
            EXPECT_EQ(p, defaults) << name;
        }
        EXPECT_EQ(RecordThroughControls(p), p) << name;
        EXPECT_TRUE(p.DrawSketch || p.DrawColor) << name;
        EXPECT_TRUE(p.BlendMode == 1 || p.BlendMode == 2) << name;
        EXPECT_EQ(p.ThresholdLevel, 255) << name << ": the dialog's threshold starts at 0";
        for (const TEffectParams& q : all) EXPECT_FALSE(p == q) << name;
        all.push_back(p);
    }
}
