#include <gtest/gtest.h>

#include "conversion/Preset.h"
#include "io/IoTestUtil.h"

namespace velmora {
namespace {

TEffectParams Sample() {
    TEffectParams p;
    p.Source = 0xDEADBEEF;
    p.SketchType = 2;
    p.Detail = 115;
    p.Darkness = 68;
    p.RemainDark = true;
    p.RemainThreshold = 40;
    p.Brightness = -12;
    p.DrawSketch = true;
    p.BlendMode = 2;
    p.Opacity = 50;
    p.Reserved = 9;
    p.HandleCount = 3;
    p.Handles = {10, 20, 30, 40, 250};
    return p;
}

TEST(PresetFile, WritesTheRecordByteForByteAndReadsItBack) {
    testing::TempDir dir;
    const std::string path = dir.File("mine.set");
    std::string error;
    ASSERT_TRUE(WritePresetFile(path, Sample(), error)) << error;
    const std::vector<std::uint8_t> f = testing::Slurp(path);
    const EffectParamsBytes expected = Sample().ToBytes();
    ASSERT_EQ(f.size(), 121u);
    EXPECT_TRUE(std::equal(f.begin(), f.end(), expected.begin()));
    TEffectParams back;
    bool shortFile = true;
    ASSERT_TRUE(ReadPresetFile(path, back, error, &shortFile));
    EXPECT_FALSE(shortFile);
    EXPECT_EQ(back, Sample());
}

TEST(PresetFile, ShortAndLongFilesCoverOnlyTheirBytes) {
    testing::TempDir dir;
    const std::string path = dir.File("short.set");
    std::vector<std::uint8_t> bytes(25, 0);
    bytes[20] = 1;  // SketchType 1
    bytes[24] = 7;  // first byte of Detail
    testing::Spit(path, bytes);
    TEffectParams p = Sample();
    std::string error;
    bool shortFile = false;
    ASSERT_TRUE(ReadPresetFile(path, p, error, &shortFile));
    EXPECT_TRUE(shortFile);
    EXPECT_EQ(p.Source, 0u);
    EXPECT_EQ(p.SketchType, 1);
    EXPECT_EQ(p.Detail, 7);  // 115 = 0x73 had only its low byte replaced
    EXPECT_EQ(p.Darkness, 68);
    EXPECT_EQ(p.Handles, Sample().Handles);

    std::vector<std::uint8_t> longer(200, 0xFF);
    testing::Spit(path, longer);
    ASSERT_TRUE(ReadPresetFile(path, p, error, &shortFile));
    EXPECT_FALSE(shortFile);
    EXPECT_EQ(p.Detail, -1);
    EXPECT_TRUE(p.DrawColor);  // any non-zero byte is true
    EXPECT_EQ(p.ToBytes()[85], 1);
}

TEST(PresetFile, FailuresNameTheFileAndChangeNothing) {
    testing::TempDir dir;
    TEffectParams p = Sample();
    std::string error;
    EXPECT_FALSE(ReadPresetFile(dir.File("absent.set"), p, error));
    EXPECT_NE(error.find("absent.set"), std::string::npos);
    EXPECT_EQ(p, Sample());
    EXPECT_FALSE(ReadPresetFile(dir.File(""), p, error));  // a folder
    EXPECT_EQ(p, Sample());

    const std::string path = dir.File("default.set");
    ASSERT_TRUE(WritePresetFile(path, Sample(), error));
    TEffectParams other;
    {
        testing::FileSizeLimit limit(50);
        EXPECT_FALSE(WritePresetFile(path, other, error));
    }
    EXPECT_NE(error.find("default.set"), std::string::npos);
    EXPECT_EQ(testing::Slurp(path).size(), 121u);
    ASSERT_TRUE(ReadPresetFile(path, other, error));
    EXPECT_EQ(other, Sample());
    EXPECT_EQ(dir.Count(), 1u);
}

}  // namespace
}  // namespace velmora
