#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/DocumentFiles.h"
#include "io/Bmp.h"
#include "io/Jpeg.h"
#include "io/ProjectFile.h"
#include "support/Images.h"
#include "support/TempDir.h"

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(FileFormatTest, ByExtensionInAnyCase) {
    EXPECT_EQ(FormatForFileName("/a/photo.jpg"), FileFormat::Jpeg);
    EXPECT_EQ(FormatForFileName("/a/photo.JPG"), FileFormat::Jpeg);
    EXPECT_EQ(FormatForFileName("/a/photo.jpeg"), FileFormat::Jpeg);
    EXPECT_EQ(FormatForFileName("/a/photo.Bmp"), FileFormat::Bmp);
    EXPECT_EQ(FormatForFileName("/a/work.d2o"), FileFormat::Project);
    EXPECT_EQ(FormatForFileName("/a/photo.Png"), FileFormat::Png);
    EXPECT_EQ(FormatForFileName("/a/photo.tif"), FileFormat::Unknown);
    EXPECT_EQ(FormatForFileName("/a.jpg/photo"), FileFormat::Unknown);
}

TEST(OpenFile, PicturesOfBothKindsAndEveryJpegSpelling) {
    TempDir dir;
    const Bitmap pic = Gradient(13, 7);
    std::string error;
    ASSERT_TRUE(WriteBmpFile(dir / "p.BMP", pic, error)) << error;
    ASSERT_TRUE(WriteJpegFile(dir / "p.jpg", pic, 90, error)) << error;
    fs::copy_file(dir / "p.jpg", dir / "p.jpeg");
    fs::copy_file(dir / "p.jpg", dir / "p.JPG");

    OpenedFile out;
    std::vector<std::string> messages;
    ASSERT_TRUE(ReadDocumentFile(dir / "p.BMP", out, messages));
    EXPECT_EQ(out.Format, FileFormat::Bmp);
    EXPECT_TRUE(out.Picture.SamePixels(pic));
    for (const char* name : {"p.jpg", "p.jpeg", "p.JPG"}) {
        OpenedFile jpeg;
        ASSERT_TRUE(ReadDocumentFile(dir / name, jpeg, messages)) << name;
        EXPECT_EQ(jpeg.Format, FileFormat::Jpeg);
        EXPECT_EQ(jpeg.Picture.Width(), 13);
        EXPECT_EQ(jpeg.Picture.Height(), 7);
    }
    EXPECT_TRUE(messages.empty());
}

TEST(OpenFile, FailuresNameTheFileAndLeaveTheResultAlone) {
    TempDir dir;
    OpenedFile out;
    out.Picture = Gradient(3, 3);
    std::vector<std::string> messages;

    // Unknown extension and no extension: the plain failure.
    WriteBytes(dir / "notes.txt", "hello");
    EXPECT_FALSE(ReadDocumentFile(dir / "notes.txt", out, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (dir / "notes.txt") + " open failed.");
    messages.clear();
    WriteBytes(dir / "noext", "hello");
    EXPECT_FALSE(ReadDocumentFile(dir / "noext", out, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (dir / "noext") + " open failed.");

    // A picture the decoder refuses: the same message first, the reason after it.
    messages.clear();
    WriteBytes(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really", 15));
    EXPECT_FALSE(ReadDocumentFile(dir / "broken.jpg", out, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind((dir / "broken.jpg") + " open failed.", 0), 0u) << messages[0];
    EXPECT_TRUE(out.Picture.SamePixels(Gradient(3, 3)));

    // A missing file.
    messages.clear();
    EXPECT_FALSE(ReadDocumentFile(dir / "missing.bmp", out, messages));
    ASSERT_EQ(messages.size(), 1u);

    // A project with the wrong magic: two messages, the project one first.
    messages.clear();
    WriteBytes(dir / "bad.d2o", std::string(2000, 'x'));
    EXPECT_FALSE(ReadDocumentFile(dir / "bad.d2o", out, messages));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind((dir / "bad.d2o") + " is not a valid .d2o file.", 0), 0u) << messages[0];
    EXPECT_EQ(messages[1], (dir / "bad.d2o") + " open failed.");
    EXPECT_TRUE(out.Picture.SamePixels(Gradient(3, 3)));
}

TEST(OpenFile, ProjectReplacesTheDocumentAndAFailureLeavesItAsItWas) {
    TempDir dir;
    Bitmap sketch(5, 4), color = Gradient(5, 4), photo = Gradient(5, 4);
    FillWhite(sketch);
    photo.Fill(1, 2, 3);
    LayerState state;
    state.BlendingMode = 1;
    state.Opacity = 40;
    state.SketchVisible = false;
    ASSERT_EQ(SaveD2O(dir / "w.d2o", sketch, color, photo, state), 0);

    // A document with a larger picture open, its scratch bitmaps in use.
    Document doc;
    LayerState shown;
    shown.Opacity = 70;
    InstallPicture(Gradient(9, 7), doc, shown);
    doc.WorkBmp1 = Gradient(9, 7);
    std::vector<std::string> messages;
    ASSERT_TRUE(OpenDocumentFile(dir / "w.d2o", doc, shown, messages));
    EXPECT_TRUE(doc.ImageLoaded);
    EXPECT_TRUE(doc.SketchBmp.SamePixels(sketch));
    EXPECT_TRUE(doc.ColorBmp.SamePixels(color));
    EXPECT_TRUE(doc.PhotoBmp.SamePixels(photo));
    EXPECT_EQ(shown, state);
    // The sketch is hidden, so the whole composite is the color layer.
    EXPECT_TRUE(doc.CompositeBmp.SamePixels(color));
    EXPECT_TRUE(doc.WorkBmp1.Empty());

    // A file that cannot be read changes nothing.
    WriteBytes(dir / "bad.jpg", "not a picture");
    EXPECT_FALSE(OpenDocumentFile(dir / "bad.jpg", doc, shown, messages));
    EXPECT_TRUE(doc.SketchBmp.SamePixels(sketch));
    EXPECT_TRUE(doc.CompositeBmp.SamePixels(color));
    EXPECT_EQ(shown, state);
}

TEST(SaveNames, ProposalFollowsLastOpenedFile) {
    EXPECT_EQ(ProposeSaveName("/home/u/beach.jpg"), (SaveProposal{"beach_cartoon", 1}));
    EXPECT_EQ(ProposeSaveName("/home/u/Beach.BMP"), (SaveProposal{"Beach_cartoon", 1}));
    EXPECT_EQ(ProposeSaveName("/home/u/work.D2O"), (SaveProposal{"work.D2O", 3}));
    EXPECT_EQ(ProposeSaveName("/home/u/work.d2o"), (SaveProposal{"work.d2o", 3}));
    // Only the last extension goes, even when its letters occur earlier in the name.
    EXPECT_EQ(ProposeSaveName("/home/u/my.jpgs.jpg"), (SaveProposal{"my.jpgs_cartoon", 1}));
    EXPECT_EQ(ProposeSaveName("/home/u.d/photo.jpeg"), (SaveProposal{"photo_cartoon", 1}));
}

TEST(SaveNames, ExtensionAddedByFilterOnlyWhenMissing) {
    EXPECT_EQ(CompleteSaveName("/tmp/result", 1), "/tmp/result.BMP");
    EXPECT_EQ(CompleteSaveName("/tmp/result", 2), "/tmp/result.JPG");
    EXPECT_EQ(CompleteSaveName("/tmp/result", 3), "/tmp/result.D2O");
    EXPECT_EQ(CompleteSaveName("/tmp/a.b/result", 2), "/tmp/a.b/result.JPG");
    EXPECT_EQ(CompleteSaveName("/tmp/result.png", 2), "/tmp/result.png");
    EXPECT_EQ(CompleteSaveName("/tmp/result.bmp", 2), "/tmp/result.bmp");
}

TEST(SaveFile, WritesByExtensionAndRefusesOthersWithAMessage) {
    TempDir dir;
    Document doc;
    doc.PhotoBmp = Gradient(6, 5);
    doc.ColorBmp = doc.PhotoBmp;
    doc.SketchBmp = Bitmap(6, 5);
    FillWhite(doc.SketchBmp);
    LayerState state;
    doc.CompositeAll(state);

    std::string message;
    ASSERT_TRUE(WriteDocumentFile(dir / "r.BMP", doc, state, message)) << message;
    Bitmap back;
    std::string error;
    ASSERT_TRUE(ReadBmpFile(dir / "r.BMP", back, error));
    EXPECT_TRUE(back.SamePixels(doc.CompositeBmp));

    ASSERT_TRUE(WriteDocumentFile(dir / "r.jpeg", doc, state, message)) << message;
    ASSERT_TRUE(ReadJpegFile(dir / "r.jpeg", back, error));
    EXPECT_EQ(back.Width(), 6);

    ASSERT_TRUE(WriteDocumentFile(dir / "r.d2o", doc, state, message)) << message;
    ProjectData project;
    ASSERT_EQ(LoadD2O(dir / "r.d2o", project), 0);
    EXPECT_TRUE(project.Photo.SamePixels(doc.PhotoBmp));

    message.clear();
    EXPECT_FALSE(WriteDocumentFile(dir / "r.tif", doc, state, message));
    EXPECT_NE(message.find(dir / "r.tif"), std::string::npos) << message;
    EXPECT_NE(message.find(".tif"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir / "r.tif"));

    // A folder that does not exist: told, naming the file.
    message.clear();
    EXPECT_FALSE(WriteDocumentFile(dir / "no/such/folder/r.bmp", doc, state, message));
    EXPECT_EQ(message.rfind((dir / "no/such/folder/r.bmp") + " could not be saved.", 0), 0u) << message;
}
