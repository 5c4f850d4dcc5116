#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "app/DocumentFiles.h"
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

TEST(OpenFile, FailuresNameTheFileAndLeaveTheResultAlone) {
    TempDir dir;
    WriteBytes(dir / "notes.txt", "hello");
    WriteBytes(dir / "noext", "hello");
    WriteBytes(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really", 15));
    WriteBytes(dir / "bad.d2o", std::string(2000, 'x'));
    WriteBytes(dir / "bad.png", std::string("\x89PNG", 4));
    // Each message is the file's name and its text; a refusing decoder adds its reason
    // after it (so only the start is exact), and a damaged project says so first.
    struct Case {
        std::string name;
        std::vector<std::string> says;
        bool exact;
    };
    for (const Case& c : {Case{"notes.txt", {" open failed."}, true}, Case{"noext", {" open failed."}, true},
                          Case{"broken.jpg", {" open failed."}, false}, Case{"bad.png", {" open failed."}, false},
                          Case{"missing.bmp", {" open failed."}, false},
                          Case{"bad.d2o", {" is not a valid .d2o file.", " open failed."}, false}}) {
        const auto& [name, says, exact] = c;
        SCOPED_TRACE(name);
        OpenedFile out;
        out.Picture = Gradient(3, 3);
        std::vector<std::string> messages;
        EXPECT_FALSE(ReadDocumentFile(dir / name, out, messages));
        ASSERT_EQ(messages.size(), says.size());
        for (std::size_t i = 0; i < says.size(); ++i)
            EXPECT_EQ(messages[i].rfind((dir / name) + says[i], 0), 0u) << messages[i];
        if (exact) {
            EXPECT_EQ(messages.back(), (dir / name) + says.back());
        }
        EXPECT_TRUE(out.Picture.SamePixels(Gradient(3, 3)));
    }
}

TEST(OpenFile, ProjectReplacesTheDocumentAndAFailureLeavesItAsItWas) {
    TempDir dir;
    Bitmap sketch(5, 4), color = Gradient(5, 4), photo = Gradient(5, 4);
    FillWhite(sketch);
    photo.Fill(1, 2, 3);
    const LayerState state{.BlendingMode = 1, .Opacity = 40, .SketchVisible = false};
    ASSERT_EQ(SaveD2O(dir / "w.d2o", sketch, color, photo, state), 0);

    // A document with a larger picture open, its scratch bitmaps in use.
    Document doc;
    LayerState shown{.Opacity = 70};
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
    // Only the last extension goes, even when its letters occur earlier in the name.
    for (const auto& [opened, proposal] :
         {std::pair{"/home/u/beach.jpg", SaveProposal{"beach_cartoon", 1}},
          {"/home/u/Beach.BMP", SaveProposal{"Beach_cartoon", 1}}, {"/home/u/work.D2O", SaveProposal{"work.D2O", 3}},
          {"/home/u/work.d2o", SaveProposal{"work.d2o", 3}},
          {"/home/u/my.jpgs.jpg", SaveProposal{"my.jpgs_cartoon.bmp", 1}},
          {"/home/u.d/photo.jpeg", SaveProposal{"photo_cartoon", 1}}})
        EXPECT_EQ(ProposeSaveName(opened), proposal) << opened;
}

TEST(SaveNames, ProposalAcceptedAsItIsIsWrittenByItsFilter) {
    // Save pressed on the proposal writes the type its filter names, even when the
    // photograph's name has dots of its own before its extension.
    const FileFormat byFilter[] = {FileFormat::Unknown, FileFormat::Bmp, FileFormat::Jpeg, FileFormat::Project};
    for (const char* opened : {"/home/u/beach.jpg", "/home/u/my.jpgs.jpg", "/home/u/2024.05.01.jpg",
                               "/home/u/.hidden.png", "/home/u/work.d2o"}) {
        const SaveProposal proposal = ProposeSaveName(opened);
        const std::string saved = CompleteSaveName("/tmp/" + proposal.FileName, proposal.FilterIndex);
        EXPECT_EQ(FormatForFileName(saved), byFilter[proposal.FilterIndex]) << opened << " saved as " << saved;
    }
}

TEST(SaveNames, ExtensionAddedByFilterOnlyWhenMissing) {
    for (const auto& [chosen, filter, completed] :
         {std::tuple{"/tmp/result", 1, "/tmp/result.BMP"}, {"/tmp/result", 2, "/tmp/result.JPG"},
          {"/tmp/result", 3, "/tmp/result.D2O"}, {"/tmp/result", 4, "/tmp/result.PNG"},
          {"/tmp/a.b/result", 2, "/tmp/a.b/result.JPG"}, {"/tmp/result.png", 2, "/tmp/result.png"},
          {"/tmp/result.bmp", 2, "/tmp/result.bmp"}})
        EXPECT_EQ(CompleteSaveName(chosen, filter), completed) << chosen << " " << filter;
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

    // Pictures hold the composite, exactly unless saved as JPEG, and read back by their spelling.
    std::string message;
    for (const auto& [name, format] :
         {std::pair{"r.BMP", FileFormat::Bmp}, {"r.jpeg", FileFormat::Jpeg}, {"r.Png", FileFormat::Png}}) {
        ASSERT_TRUE(WriteDocumentFile(dir / name, doc, state, message)) << message;
        OpenedFile opened;
        std::vector<std::string> messages;
        ASSERT_TRUE(ReadDocumentFile(dir / name, opened, messages)) << name;
        EXPECT_TRUE(messages.empty()) << name;
        EXPECT_EQ(opened.Format, format) << name;
        if (format == FileFormat::Jpeg)
            EXPECT_EQ(opened.Picture.Width(), 6);
        else
            EXPECT_TRUE(opened.Picture.SamePixels(doc.CompositeBmp)) << name;
    }
    ASSERT_TRUE(WriteDocumentFile(dir / "r.d2o", doc, state, message)) << message;
    ProjectData project;
    ASSERT_EQ(LoadD2O(dir / "r.d2o", project), 0);
    EXPECT_TRUE(project.Photo.SamePixels(doc.PhotoBmp));

    message.clear();
    EXPECT_FALSE(WriteDocumentFile(dir / "r.tif", doc, state, message));
    EXPECT_EQ(message.rfind((dir / "r.tif") + " was not saved", 0), 0u) << message;
    EXPECT_NE(message.find(".tif"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir / "r.tif"));

    // A folder that does not exist: told, naming the file.
    message.clear();
    EXPECT_FALSE(WriteDocumentFile(dir / "no/such/folder/r.bmp", doc, state, message));
    EXPECT_EQ(message.rfind((dir / "no/such/folder/r.bmp") + " could not be saved.", 0), 0u) << message;
}
