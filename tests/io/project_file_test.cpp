#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "io/Bmp.h"
#include "io/IoTestUtil.h"
#include "io/ProjectFile.h"

namespace velmora {
namespace {

using testing::Get32;
using testing::Noise;

struct Project {
    Bitmap sketch = Noise(4, 3, 1);
    Bitmap color = Noise(4, 3, 2);
    Bitmap photo = Noise(4, 3, 3);
    LayerState state{.BlendingMode = 1, .Opacity = 37, .SketchVisible = false, .ColorVisible = true,
                     .SketchDrawable = true, .ColorDrawable = false};

    int Save(const std::string& path, std::string* error = nullptr) const {
        return SaveD2O(path, sketch, color, photo, state, error);
    }
    ProjectData Data() const { return ProjectData{sketch, color, photo, state}; }
};

// A document unlike any file here, so that a partial load shows.
ProjectData Filled() { return ProjectData{Noise(2, 2, 7), Noise(2, 2, 8), Noise(2, 2, 9), LayerState{.Opacity = 66}}; }

void ExpectSame(const ProjectData& a, const ProjectData& b) {
    EXPECT_EQ(a.Sketch, b.Sketch);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Photo, b.Photo);
    EXPECT_EQ(a.State, b.State);
}

TEST(ProjectFile, HeaderHoldsTheLayoutAndTheLayerState) {
    testing::TempDir dir;
    const Project p;
    ASSERT_EQ(p.Save(dir.File("p.d2o")), 0);
    const std::vector<std::uint8_t> f = testing::Slurp(dir.File("p.d2o"));
    const std::uint32_t bmpLength = 54 + 12 * 3;
    ASSERT_EQ(f.size(), 1024 + 3 * bmpLength);
    // Magic and version, then the layer state: mode, opacity and the four flags.
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 6), (Bytes{0x70, 0x32, 0x63, 0, 0, 1}));
    EXPECT_EQ(Bytes(f.begin() + 22, f.begin() + 28), (Bytes{1, 37, 0, 1, 1, 0}));
    EXPECT_EQ(Get32(f, 6), 1024u);
    EXPECT_EQ(Get32(f, 10), bmpLength);
    EXPECT_EQ(Get32(f, 14), 1024u + bmpLength);
    EXPECT_EQ(Get32(f, 18), bmpLength);
    for (std::size_t i = 28; i < 1024; ++i) ASSERT_EQ(f[i], 0) << "reserved byte " << i;
    // The body is the three bitmaps exactly as the BMP writer makes them.
    std::vector<std::uint8_t> body;
    for (const Bitmap* b : {&p.sketch, &p.color, &p.photo}) {
        const std::vector<std::uint8_t> e = EncodeBmp(*b);
        body.insert(body.end(), e.begin(), e.end());
    }
    EXPECT_TRUE(std::equal(body.begin(), body.end(), f.begin() + 1024));
}

TEST(ProjectFile, RoundTripsPixelsStateAndBytes) {
    testing::TempDir dir;
    Project p;
    for (int mode : {0, 1})
        for (int opacity : {1, 50, 99}) {
            p.state.BlendingMode = mode;
            p.state.Opacity = opacity;
            p.state.SketchVisible = !p.state.SketchVisible;
            ASSERT_EQ(p.Save(dir.File("a.d2o")), 0);
            ProjectData d;
            ASSERT_EQ(LoadD2O(dir.File("a.d2o"), d), 0);
            ExpectSame(d, p.Data());
            ASSERT_EQ(SaveD2O(dir.File("b.d2o"), d.Sketch, d.Color, d.Photo, d.State), 0);
            EXPECT_EQ(testing::Slurp(dir.File("a.d2o")), testing::Slurp(dir.File("b.d2o")));
        }
}

TEST(ProjectFile, StateBytesAreReadAsTheLayersWindowShowsThem) {
    testing::TempDir dir;
    ASSERT_EQ(Project().Save(dir.File("p.d2o")), 0);
    const std::vector<std::uint8_t> good = testing::Slurp(dir.File("p.d2o"));
    auto load = [&](std::size_t at, std::uint8_t v) {
        std::vector<std::uint8_t> f = good;
        f[at] = v;
        ProjectData d;
        EXPECT_EQ(LoadD2OFromMemory(f.data(), f.size(), d), 0);
        return d.State;
    };
    // Each flag is set only by a 1.
    auto flag = [](const LayerState& s, std::size_t i) -> bool {
        return std::vector<bool>{s.SketchVisible, s.ColorVisible, s.SketchDrawable, s.ColorDrawable}[i];
    };
    for (std::size_t at = 24; at < 28; ++at)
        for (std::uint8_t v : {0, 1, 2, 0xFF}) EXPECT_EQ(flag(load(at, v), at - 24), v == 1) << at << " " << int(v);
    // Opacity is clamped to 1..99, and any mode but 1 is Multiply.
    for (const auto& [v, opacity] : {std::pair{0, 1}, {100, 99}, {255, 99}})
        EXPECT_EQ(load(23, v).Opacity, opacity) << v;
    for (const auto& [v, mode] : {std::pair{0, 0}, {1, 1}, {2, 0}, {255, 0}})
        EXPECT_EQ(load(22, v).BlendingMode, mode) << v;
    // Versions are not checked, and the offset fields are not used for positioning.
    for (std::size_t at : {4, 5, 6, 14, 100})
        for (std::uint8_t v : {0x00, 0x07, 0xFF}) load(at, v);
}

TEST(ProjectFile, RejectsDamagedFilesAndLeavesTheDocumentAlone) {
    testing::TempDir dir;
    ASSERT_EQ(Project().Save(dir.File("p.d2o")), 0);
    const std::vector<std::uint8_t> good = testing::Slurp(dir.File("p.d2o"));
    const ProjectData before = Filled();
    auto rejected = [&](const std::vector<std::uint8_t>& f, const std::string& what) {
        ProjectData d = Filled();
        std::string error;
        EXPECT_EQ(LoadD2OFromMemory(f.data(), f.size(), d, &error), -1) << what;
        EXPECT_FALSE(error.empty()) << what;
        ExpectSame(d, before);
    };
    // Every cut: short header, inside any of the three pictures (rows are unpadded).
    for (std::size_t n = 0; n < good.size(); n += (n < 1024 ? 97 : 1))
        rejected({good.begin(), good.begin() + n}, "cut at " + std::to_string(n));
    // The magic's last byte, and the color layer's "BM".
    std::vector<std::uint8_t> f;
    for (const auto& [at, what] : {std::pair{3, "magic"}, {1024 + 90 + 1, "broken second picture"}}) {
        f = good;
        f[at] = 'X';
        rejected(f, what);
    }

    // Three pictures that do not agree in size.
    f.assign(good.begin(), good.begin() + 1024);
    for (const Bitmap& b : {Noise(4, 3, 1), Noise(4, 3, 2), Noise(3, 4, 3)}) {
        const std::vector<std::uint8_t> e = EncodeBmp(b);
        f.insert(f.end(), e.begin(), e.end());
    }
    rejected(f, "sizes differ");
}

// A project file is read straight into its pictures when its bitmaps are plain, and
// decoded from its bytes otherwise. Either way the result must be what decoding the
// bytes gives, however the bitmaps declare their ends: a picture that declares room
// for more than its rows, or nothing, or more than the file holds; rows top-down; a
// last picture whose last row lacks its padding; a picture of another depth.
TEST(ProjectFile, FilesReadStraightIntoPicturesMatchTheDecoder) {
    using Bytes = std::vector<std::uint8_t>;
    testing::TempDir dir;
    const int w = 5, h = 7;  // rows of 15 bytes, padded to 16
    const Bitmap layers[3] = {Noise(w, h, 1), Noise(w, h, 2), Noise(w, h, 3)};
    Bytes header(1024, 0);
    std::copy_n(kProjectMagic, 4, header.begin());
    header[22] = 1;
    header[23] = 42;
    const auto project = [&](const std::function<void(Bytes&, int)>& change) {
        Bytes f = header;
        for (int i = 0; i < 3; ++i) {
            Bytes b = EncodeBmp(layers[i]);
            change(b, i);
            f.insert(f.end(), b.begin(), b.end());
        }
        return f;
    };
    const auto thirtyTwoBits = [&](Bytes& b) {
        Bytes rows;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                rows.insert(rows.end(), b.begin() + 54 + 16 * y + 3 * x, b.begin() + 54 + 16 * y + 3 * x + 3);
                rows.push_back(0);
            }
        b.resize(54);
        b.insert(b.end(), rows.begin(), rows.end());
        testing::Put16(b, 28, 32);
        testing::Put32(b, 2, static_cast<std::uint32_t>(b.size()));
        testing::Put32(b, 34, static_cast<std::uint32_t>(rows.size()));
    };
    const std::pair<const char*, std::function<void(Bytes&, int)>> variants[] = {
        {"as written", [](Bytes&, int) {}},
        {"room declared past the rows",
         [](Bytes& b, int i) {
             if (i != 0) return;
             b.insert(b.end(), 6, 0xEE);
             testing::Put32(b, 2, static_cast<std::uint32_t>(b.size()));
         }},
        {"no size declared", [](Bytes& b, int i) { testing::Put32(b, 2, i == 1 ? 0 : testing::Get32(b, 2)); }},
        {"more declared than the file holds",
         [](Bytes& b, int i) { testing::Put32(b, 2, i == 0 ? 1u << 30 : testing::Get32(b, 2)); }},
        {"top-down", [](Bytes& b, int i) { testing::Put32(b, 22, i == 1 ? static_cast<std::uint32_t>(-h) : h); }},
        {"last padding missing", [](Bytes& b, int i) { if (i == 2) b.pop_back(); }},
        {"another depth", [&](Bytes& b, int i) { if (i == 1) thirtyTwoBits(b); }},
    };
    for (const auto& [what, change] : variants) {
        SCOPED_TRACE(what);
        const Bytes f = project(change);
        testing::Spit(dir.File("v.d2o"), f);
        ProjectData fromFile = Filled(), fromBytes = Filled();
        ASSERT_EQ(LoadD2OFromMemory(f.data(), f.size(), fromBytes), 0);
        ASSERT_EQ(LoadD2O(dir.File("v.d2o"), fromFile), 0);
        ExpectSame(fromFile, fromBytes);
        EXPECT_EQ(fromFile.State.Opacity, 42);
        // Only the picture of another depth sends the file to the decoder.
        Bitmap direct[3];
        const bool plain = std::string(what) != "another depth";
        ASSERT_EQ(ReadPlainBmps(dir.File("v.d2o"), 1024, direct, 3), plain);
        if (plain) ExpectSame({direct[0], direct[1], direct[2], fromBytes.State}, fromBytes);
    }
}

// A missing or empty file, a failed write and a pipe are the file tests' for every
// format; here the names and pictures only a project can get wrong.
TEST(ProjectFile, FailedLoadsAndSavesChangeNothing) {
    testing::TempDir dir;
    const Project p;
    std::string error;
    EXPECT_EQ(p.Save("  ", &error), -1);
    ProjectData d = Filled();
    EXPECT_EQ(LoadD2O(" \t", d), -1);
    EXPECT_EQ(SaveD2O(dir.File("odd.d2o"), p.sketch, p.color, Noise(5, 3, 1), p.state, &error), -1);
    EXPECT_EQ(dir.Count(), 0u);
    // A stream without end that is no project is refused by its start, not read
    // until memory runs out.
    ASSERT_TRUE(std::filesystem::exists("/dev/zero"));
    std::filesystem::create_symlink("/dev/zero", dir.File("zero.d2o"));
    EXPECT_EQ(LoadD2O(dir.File("zero.d2o"), d, &error), -1);
    EXPECT_NE(error.find("not a project file"), std::string::npos) << error;
    ExpectSame(d, Filled());
}

TEST(ProjectFile, HoldsEveryPictureTheProgramOpens) {
    // The header records the sketch's and the color layer's offset and length in 32
    // bits; the photograph's offset, past both layers, is recorded nowhere. Layers of
    // 2 GiB each are still within those fields (these pictures are only measured,
    // never made, so the test takes no memory).
    EXPECT_TRUE(ProjectFileCanHold(26756, 26755));
    EXPECT_TRUE(ProjectFileCanHold(kMaxPictureSide, kMaxPictureSide));
    EXPECT_TRUE(ProjectFileCanHold(1, 1));
}

}  // namespace
}  // namespace velmora
