#include <gtest/gtest.h>

#include "io/IoTestUtil.h"
#include "prefs/Options.h"

namespace velmora {
namespace {

Options Custom() {
    return Options{.PreviewSizeMode = 2, .PreviewWidth = 800, .PreviewHeight = 600, .HistoryStates = 7,
                   .LastPreviewTop = -5, .LastPreviewLeft = 10, .LastPreviewWidth = 640, .LastPreviewHeight = 480};
}

TEST(OptionsFile, RoundTripsAsEightLittleEndianIntegers) {
    testing::TempDir dir;
    const std::string path = dir.File("options.dat");
    const Options o = Custom();
    ASSERT_EQ(SaveOptions(path, o), "");
    const std::vector<std::uint8_t> f = testing::Slurp(path);
    ASSERT_EQ(f.size(), 32u);
    const std::int32_t expected[8] = {2, 800, 600, 7, -5, 10, 640, 480};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(static_cast<std::int32_t>(testing::Get32(f, 4 * i)), expected[i]);
    Options back;
    EXPECT_TRUE(LoadOptions(path, back));
    EXPECT_EQ(back, o);
}

// A missing file gives the defaults but keeps the last window; a short one replaces
// only the bytes it has.
TEST(OptionsFile, MissingAndShortFilesReplaceOnlyWhatTheyHave) {
    testing::TempDir dir;
    const std::string path = dir.File("options.dat");
    Options o = Custom();
    EXPECT_FALSE(LoadOptions(path, o));
    // The defaults' values themselves are the Preferences dialog test's.
    EXPECT_EQ(o, (Options{.LastPreviewTop = -5, .LastPreviewLeft = 10, .LastPreviewWidth = 640,
                          .LastPreviewHeight = 480}));

    testing::Spit(path, {1, 0, 0, 0, 0x20, 0x03});  // mode 1, low half of the width
    o = Custom();
    EXPECT_TRUE(LoadOptions(path, o));
    EXPECT_EQ(o.PreviewSizeMode, 1);
    EXPECT_EQ(o.PreviewWidth, 800);  // 0x0320: the upper half kept its zeros
    EXPECT_EQ(o.PreviewHeight, 600);
    testing::Spit(path, {});
    Options empty = Custom();
    EXPECT_TRUE(LoadOptions(path, empty));
    EXPECT_EQ(empty, Custom());
    // Bytes past the 32nd are ignored.
    std::vector<std::uint8_t> longer(40, 0);
    longer[12] = 3;
    longer[36] = 99;
    testing::Spit(path, longer);
    EXPECT_TRUE(LoadOptions(path, o));
    EXPECT_EQ(o.HistoryStates, 3);
}

TEST(OptionsFile, UnusableValuesAreReplaced) {
    std::vector<std::uint8_t> f(32, 0);
    testing::Put32(f, 0, 7);                               // no such size mode
    testing::Put32(f, 4, 0);                               // zero width
    testing::Put32(f, 8, static_cast<std::uint32_t>(-3));  // negative height
    testing::Put32(f, 12, static_cast<std::uint32_t>(-1));
    Options o;
    ReadOptionsBytes(f.data(), f.size(), o);
    EXPECT_EQ(o, Options{.HistoryStates = 0});
    testing::Put32(f, 12, 0x7FFFFFFF);
    ReadOptionsBytes(f.data(), f.size(), o);
    EXPECT_EQ(o.HistoryStates, kMaxHistoryStates);
}

TEST(OptionsFile, FailedSaveIsReportedAndKeepsTheOldFile) {
    testing::TempDir dir;
    const std::string path = dir.File("options.dat");
    ASSERT_EQ(SaveOptions(path, Options{}), "");
    const std::vector<std::uint8_t> before = testing::Slurp(path);
    std::string error;
    {
        testing::FileSizeLimit limit(10);
        error = SaveOptions(path, Custom());
    }
    EXPECT_NE(error.find("options.dat"), std::string::npos) << error;
    EXPECT_EQ(testing::Slurp(path), before);
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_NE(SaveOptions(dir.File("gone/options.dat"), Custom()), "");
}

}  // namespace
}  // namespace velmora
