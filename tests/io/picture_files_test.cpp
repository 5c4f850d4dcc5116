#include <gtest/gtest.h>

#include <functional>

#include "io/Bmp.h"
#include "io/IoTestUtil.h"
#include "io/Jpeg.h"
#include "io/Png.h"
#include "io/ProjectFile.h"
#include "support/Pipe.h"

namespace velmora {
namespace {

// The three picture files and the project file share one contract on disk: round
// trip, a failed write keeps the old file and leaves no temporary one, and every
// failure names the file.
struct PictureFormat {
    const char* extension;
    std::function<bool(const std::string&, const Bitmap&, std::string&)> write;
    std::function<bool(const std::string&, Bitmap&, std::string&)> read;
    bool lossless;
    const char* emptyFile;  // the reader's reason for refusing an empty file
};

const std::vector<PictureFormat>& Formats() {
    static const std::vector<PictureFormat> formats{
        {".bmp", WriteBmpFile, ReadBmpFile, true, "empty"},
        {".png", WritePngFile, ReadPngFile, true, "empty"},
        {".jpg",
         [](const std::string& p, const Bitmap& b, std::string& e) { return WriteJpegFile(p, b, kJpegQuality, e); },
         ReadJpegFile, false, "empty"},
        // A project of three equal layers, of which the sketch is read back; a failed
        // load must leave all of them alone.
        {".d2o", [](const std::string& p, const Bitmap& b, std::string& e) { return SaveD2O(p, b, b, b, {}, &e) == 0; },
         [](const std::string& p, Bitmap& b, std::string& e) {
             ProjectData d{b, b, b, {}};
             const bool ok = LoadD2O(p, d, &e) == 0;
             EXPECT_TRUE(ok || (d.Color == b && d.Photo == b));
             b = d.Sketch;
             return ok;
         },
         true, "too short"},
    };
    return formats;
}

TEST(PictureFiles, WriteReadAndFailWithoutLosingTheOldFile) {
    for (const PictureFormat& f : Formats()) {
        SCOPED_TRACE(f.extension);
        testing::TempDir dir;
        const std::string path = dir.File(std::string("pic") + f.extension);
        const Bitmap src = testing::Noise(41, 17, 3);
        std::string error;
        ASSERT_TRUE(f.write(path, src, error)) << error;
        EXPECT_TRUE(std::string(f.extension) != ".bmp" || testing::Slurp(path) == EncodeBmp(src));
        Bitmap back;
        ASSERT_TRUE(f.read(path, back, error)) << error;
        EXPECT_TRUE(!f.lossless || back == src);
        EXPECT_EQ(back.Width(), 41);
        EXPECT_EQ(back.Height(), 17);

        // The disk fills up part-way through a larger picture.
        const std::vector<std::uint8_t> first = testing::Slurp(path);
        {
            testing::FileSizeLimit limit(100);
            EXPECT_FALSE(f.write(path, testing::Noise(300, 300, 4), error));
        }
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_FALSE(f.write(path, Bitmap(), error));
        EXPECT_EQ(testing::Slurp(path), first);
        const std::string elsewhere = dir.File(std::string("no/folder/x") + f.extension);
        EXPECT_FALSE(f.write(elsewhere, src, error));
        EXPECT_NE(error.find(elsewhere), std::string::npos) << error;
        EXPECT_EQ(dir.Count(), 1u) << "no temporary or empty file left behind";

        // A missing or empty file is refused by name and leaves the picture alone.
        const std::string empty = dir.File(std::string("empty") + f.extension);
        testing::Spit(empty, {});
        for (const std::string& bad : {dir.File(std::string("missing") + f.extension), empty}) {
            EXPECT_FALSE(f.read(bad, back, error)) << bad;
            EXPECT_NE(error.find(bad), std::string::npos) << error;
            EXPECT_TRUE(bad != empty || error.find(f.emptyFile) != std::string::npos) << "the reason: " << error;
            EXPECT_EQ(back.Width(), 41);
        }
        EXPECT_TRUE(!f.lossless || back == src);
    }
}

// A picture or project in a named pipe (what another program is writing, say) is read
// as it comes, once: the first bytes that tell its format are not read a second time.
TEST(PictureFiles, ReadFromANamedPipe) {
    for (const PictureFormat& f : Formats()) {
        SCOPED_TRACE(f.extension);
        testing::TempDir dir;
        const std::string file = dir.File(std::string("pic") + f.extension);
        std::string error;
        ASSERT_TRUE(f.write(file, testing::Noise(41, 17, 3), error)) << error;
        Bitmap expected;
        ASSERT_TRUE(f.read(file, expected, error)) << error;
        const std::vector<std::uint8_t> bytes = testing::Slurp(file);
        const std::string pipe = dir.File(std::string("pipe") + f.extension);
        const test::FilledPipe filled(pipe, bytes);
        ASSERT_TRUE(filled.Ok());
        Bitmap back;
        EXPECT_TRUE(f.read(pipe, back, error)) << error;
        EXPECT_TRUE(back == expected);
    }
}

}  // namespace
}  // namespace velmora
