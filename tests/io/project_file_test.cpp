#include <gtest/gtest.h>

#include <filesystem>

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
