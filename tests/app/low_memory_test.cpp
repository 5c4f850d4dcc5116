// Opening documents and reading history states back when memory runs short. Each
// short run happens in a child process of its own, under a cap on its address space.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/DocumentFiles.h"
#include "common/LargeBlocks.h"
#include "common/MemoryLimit.h"
#include "common/Sanitizer.h"
#include "io/ProjectFile.h"
#include "support/Child.h"
#include "support/Images.h"
#include "support/LowMemory.h"
#include "support/TempDir.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::string Joined(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& m : messages) text += (text.empty() ? "" : " | ") + m;
    return text;
}

// A picture of about 8 MiB; a project of three of them takes about 24 MiB on disk.
Bitmap Layer() { return Gradient(1600, 1700); }

class LowMemory : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef VELMORA_UNDER_SANITIZER
        GTEST_SKIP() << "the sanitizer's own allocator needs more address space than the cap allows";
#endif
    }
};

}  // namespace

// After an open fails for want of memory, the pool keeps the blocks it took; reading a
// history state back (its file into an ordinary vector) must still find memory.
TEST_F(LowMemory, ARefusedOpenLeavesMemoryForReadingAStateBack) {
    TempDir dir;
    constexpr int kBigSide = 5800;  // about 96 MiB
    WriteBlankBmp(dir / "big.bmp", kBigSide, kBigSide);
    std::string error;
    ASSERT_TRUE(WriteBmpFile(dir / "a.bmp", Layer(), error)) << error;
    const std::string failure = InChild([&]() -> std::string {
        ReleaseKeptBlocksWhenMemoryRunsOut();
        SetPictureMemoryLimit(std::size_t{1} << 30);
        Document doc;
        LayerState state;
        std::vector<std::string> messages;
        if (!OpenDocumentFile(dir / "a.bmp", doc, state, messages)) return "a.bmp: " + Joined(messages);
        if (SaveD2O(dir / "state.d2o", doc.SketchBmp, doc.ColorBmp, doc.PhotoBmp, state) != 0) return "no state";
        // Blocks kept from earlier tests would serve the large picture without new
        // memory. The cap leaves room for it and a little more: its copy fails.
        ReleaseKeptBlocks();
        AddressSpaceCap cap(EncodedBmpSize(kBigSide, kBigSide) + 12 * kMiB);
        if (OpenDocumentFile(dir / "big.bmp", doc, state, messages)) return "the large picture opened";
        ProjectData project;
        std::string problem;
        if (LoadD2O(dir / "state.d2o", project, &problem) != 0) return problem;
        try {
            InstallProject(std::move(project), doc, state);
        } catch (const std::bad_alloc&) {
            return "no memory to install the state";
        }
        return doc.PhotoBmp.SamePixels(Layer()) ? "" : "the state's picture differs";
    });
    EXPECT_EQ(failure, "");
}

// A sound project that does not fit in memory is reported as too large, not as an
// invalid file: whether its pictures exceed the limit for one picture, or memory runs
// out while its pictures are read. One whose pictures fit opens, although its file's
// bytes would not fit beside them: they are read straight into the pictures.
TEST_F(LowMemory, AProjectTooLargeForMemoryIsNotCalledInvalid) {
    TempDir dir;
    const std::string path = dir / "large.d2o";
    ASSERT_EQ(SaveD2O(path, Layer(), Layer(), Layer(), LayerState{}), 0);
    const std::size_t fileBytes = std::filesystem::file_size(path);
    const std::size_t pictureBytes = fileBytes / 3;
    const std::string opened = "opened";
    const std::string tooLarge =
        path + " open failed.\n\"" + path + "\": the project is too large for the memory available";
    // The same file cut short, the last case, is damaged, whatever size its pictures claim.
    const std::string damaged = path + " is not a valid .d2o file.";
    struct Case {
        const char* what;
        std::size_t pictureLimit;  // 0: a limit that the pictures are well within
        std::size_t headroom;      // 0: no cap
        bool cut;
        const std::string& expected;
    };
    for (const Case& c : {Case{"pictures beyond the limit", kMiB, 0, false, tooLarge},
                          Case{"no memory for the second picture", 0, pictureBytes + 4 * kMiB, false, tooLarge},
                          Case{"no memory for the third picture", 0, 2 * pictureBytes + 4 * kMiB, false, tooLarge},
                          Case{"memory for the pictures only", 0, 3 * pictureBytes + 8 * kMiB, false, opened},
                          Case{"cut short", kMiB, 0, true, damaged}}) {
        SCOPED_TRACE(c.what);
        if (c.cut) std::filesystem::resize_file(path, fileBytes / 2);
        const std::string said = InChild([&] {
            SetPictureMemoryLimit(c.pictureLimit != 0 ? c.pictureLimit : std::size_t{1} << 30);
            ReleaseKeptBlocks();
            std::optional<AddressSpaceCap> cap;
            if (c.headroom != 0) cap.emplace(c.headroom);
            std::vector<std::string> messages;
            OpenedFile out;
            return ReadDocumentFile(path, out, messages) ? opened : Joined(messages);
        });
        EXPECT_EQ(said.substr(0, c.expected.size()), c.expected);
    }
}

// A large file that only has a picture's extension is refused as not a picture: its
// first bytes tell, and memory for the whole of it is never asked for. A file that
// starts with a bitmap's two letters is no bitmap either when no bitmap header follows.
TEST_F(LowMemory, ALargeFileThatIsNoPictureIsRefusedAsSuch) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* text;
        const char* reason;
    };
    const char* letter = "This is a letter, not a picture.\n";
    for (const Case& c : {Case{"large.bmp", letter, "not a bitmap"}, Case{"large.jpg", letter, "Not a JPEG file"},
                          Case{"large.png", letter, "not a PNG picture"},
                          Case{"bm.bmp", "BMX: a letter that starts like a bitmap.\n", "header of an unknown kind"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.name;
        {
            std::ofstream(path) << c.text;
        }
        std::filesystem::resize_file(path, 96 * kMiB);
        const std::string said = InChild([&] {
            ReleaseKeptBlocks();
            AddressSpaceCap cap(12 * kMiB);
            Document doc;
            LayerState state;
            std::vector<std::string> messages;
            return OpenDocumentFile(path, doc, state, messages) ? std::string("opened") : Joined(messages);
        });
        EXPECT_EQ(said.rfind(path + " open failed.\n", 0), 0u) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_EQ(said.find("memory"), std::string::npos) << said;
    }
}
