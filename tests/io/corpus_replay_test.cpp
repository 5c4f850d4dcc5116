// Replays the fuzzers' corpora (fuzz/corpus/<reader>/) so every ordinary and sanitizer run sees
// the damaged files they found; the PNG reader and the history index check checksums here, so
// they refuse more of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/MemoryLimit.h"
#include "conversion/Preset.h"
#include "history/HistoryIndex.h"
#include "io/Bmp.h"
#include "io/IoTestUtil.h"
#include "io/Jpeg.h"
#include "io/Png.h"
#include "io/ProjectFile.h"
#include "prefs/Options.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Calls `use` with every input of one corpus, which must have some, sorted by name so
// that a failure names the same file on every run.
template <typename Use>
void ForEachInput(const std::string& reader, Use use) {
    const std::filesystem::path dir = std::filesystem::path(VELMORA_SOURCE_DIR) / "fuzz" / "corpus" / reader;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(dir))
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    EXPECT_FALSE(files.empty()) << "no corpus in fuzz/corpus/" << reader;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        use(testing::Slurp(file.string()));
    }
}

// The fuzzers' picture budget: a header that asks for more is refused, as there.
class FuzzBudget {
public:
    FuzzBudget() { SetPictureMemoryLimit(std::size_t(8) << 20); }
    ~FuzzBudget() { SetPictureMemoryLimit(0); }
};

// A picture a refusal must leave exactly as it was.
Bitmap Sentinel() { return testing::Noise(2, 1, 77); }

// What a corpus did, to show that it still reaches both outcomes.
struct Outcome {
    int decoded = 0, refused = 0;
};

// Runs `decode` over every input of the corpus: a refusal must say why and leave the
// output alone; a picture must fit the budget and pass `check`.
template <typename Decode, typename Check>
Outcome Replay(const std::string& reader, Decode decode, Check check) {
    Outcome outcome;
    ForEachInput(reader, [&](const Bytes& bytes) {
        Bitmap out = Sentinel();
        std::string error;
        if (!decode(bytes, out, error)) {
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(out == Sentinel());
            ++outcome.refused;
            return;
        }
        EXPECT_TRUE(error.empty()) << error;
        EXPECT_FALSE(out.Empty());
        EXPECT_LE(out.ByteSize(), PictureMemoryLimit());
        check(out);
        ++outcome.decoded;
    });
    return outcome;
}

TEST(CorpusReplay, BitmapsDecodeToPicturesOurWriterReproducesOrAreRefused) {
    FuzzBudget budget;
    const Outcome outcome = Replay(
        "bmp",
        [](const Bytes& bytes, Bitmap& out, std::string& error) {
            std::size_t consumed = 0;
            const bool ok = DecodeBmp(bytes.data(), bytes.size(), out, consumed, error);
            EXPECT_TRUE(!ok || (consumed > 0 && consumed <= bytes.size()));
            return ok;
        },
        [](const Bitmap& picture) {
            const Bytes again = EncodeBmp(picture);
            Bitmap back;
            std::size_t used = 0;
            std::string error;
            ASSERT_TRUE(DecodeBmp(again.data(), again.size(), back, used, error)) << error;
            EXPECT_EQ(used, again.size());
            EXPECT_TRUE(back == picture);
        });
    EXPECT_GT(outcome.decoded, 0);
    EXPECT_GT(outcome.refused, 0);
}

TEST(CorpusReplay, JpegAndPngPicturesEncodeAgainOrAreRefused) {
    FuzzBudget budget;
    const Outcome jpeg = Replay(
        "jpeg", [](const Bytes& b, Bitmap& out, std::string& e) { return DecodeJpeg(b.data(), b.size(), out, e); },
        [](const Bitmap& picture) {
            Bytes encoded;
            std::string error;
            ASSERT_TRUE(EncodeJpeg(picture, kJpegQuality, encoded, error)) << error;
            Bitmap back;
            ASSERT_TRUE(DecodeJpeg(encoded.data(), encoded.size(), back, error)) << error;
            EXPECT_EQ(back.Width(), picture.Width());
            EXPECT_EQ(back.Height(), picture.Height());
        });
    EXPECT_GT(jpeg.decoded, 0);
    EXPECT_GT(jpeg.refused, 0);

    // Most PNG inputs carry checksums the fuzzer never fixed, so only refusals are
    // certain here.
    const Outcome png = Replay(
        "png", [](const Bytes& b, Bitmap& out, std::string& e) { return DecodePng(b.data(), b.size(), out, e); },
        [](const Bitmap& picture) {
            Bytes encoded;
            std::string error;
            ASSERT_TRUE(EncodePng(picture, encoded, error)) << error;
            Bitmap back;
            ASSERT_TRUE(DecodePng(encoded.data(), encoded.size(), back, error)) << error;
            EXPECT_TRUE(back == picture);
        });
    EXPECT_GT(png.refused, 0);
}

// The sketch layer stands for the document: a refusal must leave it, and the other
// layers and the state, alone.
TEST(CorpusReplay, ProjectsLoadWholeOrLeaveTheDocumentAlone) {
    FuzzBudget budget;
    const Outcome outcome = Replay(
        "d2o",
        [](const Bytes& bytes, Bitmap& out, std::string& error) {
            ProjectData d;
            d.Sketch = out;
            d.State.Opacity = 42;
            if (LoadD2OFromMemory(bytes.data(), bytes.size(), d, &error) != 0) {
                EXPECT_TRUE(d.Sketch == out && d.Color.Empty() && d.Photo.Empty());
                EXPECT_EQ(d.State.Opacity, 42);
                return false;
            }
            for (const Bitmap* b : {&d.Color, &d.Photo})
                EXPECT_TRUE(b->Width() == d.Sketch.Width() && b->Height() == d.Sketch.Height());
            EXPECT_TRUE(d.State.BlendingMode == 0 || d.State.BlendingMode == 1);
            EXPECT_TRUE(d.State.Opacity >= 1 && d.State.Opacity <= 99);
            out.Swap(d.Sketch);
            return true;
        },
        [](const Bitmap&) {});
    EXPECT_GT(outcome.decoded, 0);
}

TEST(CorpusReplay, OptionsAndPresetsReadIntoUsableValues) {
    ForEachInput("options", [](const Bytes& bytes) {
        Options o;
        ReadOptionsBytes(bytes.data(), bytes.size(), o);
        EXPECT_TRUE(o.PreviewSizeMode >= 0 && o.PreviewSizeMode <= 2);
        EXPECT_TRUE(o.PreviewWidth > 0 && o.PreviewHeight > 0);
        EXPECT_TRUE(o.HistoryStates >= 0 && o.HistoryStates <= kMaxHistoryStates);
        const auto written = OptionsBytes(o);
        Options again;
        ReadOptionsBytes(written.data(), written.size(), again);
        EXPECT_TRUE(again == o);
    });
    ForEachInput("set", [](const Bytes& bytes) {
        TEffectParams record;
        const EffectParamsBytes before = record.ToBytes();
        EXPECT_EQ(ReadPresetBytes(bytes.data(), bytes.size(), record),
                  bytes.size() >= static_cast<std::size_t>(kEffectParamsSize));
        const EffectParamsBytes after = record.ToBytes();
        // Bytes past the end of a short file keep the record's own values.
        for (std::size_t i = bytes.size(); i < after.size(); ++i) EXPECT_EQ(after[i], before[i]) << "byte " << i;
        EXPECT_TRUE(TEffectParams::FromBytes(after).ToBytes() == after);
    });
}

// An index left by a run that ended without cleaning up: one that is read lists its
// current state and writes back to the same bytes; a refused one leaves the index
// alone. The fuzzer skips the checksum, so only refusals are certain here.
TEST(CorpusReplay, HistoryIndexesDescribeARingOrAreRefused) {
    int refused = 0;
    ForEachInput("idx", [&](const Bytes& bytes) {
        HistoryIndex index;
        index.DocumentPath = "untouched";
        std::string problem;
        if (!DecodeHistoryIndex(bytes.data(), bytes.size(), index, problem)) {
            EXPECT_FALSE(problem.empty());
            EXPECT_TRUE(index.DocumentPath == "untouched" && index.States.empty());
            ++refused;
            return;
        }
        EXPECT_NE(index.Current(), nullptr);
        EXPECT_TRUE(EncodeHistoryIndex(index) == bytes);
    });
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace velmora
