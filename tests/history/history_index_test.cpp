#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/History.h"
#include "history/HistoryIndex.h"
#include "io/IoTestUtil.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

// A wrapped four-slot ring, one undo back from the newest, with names a text format would trip over.
HistoryRing WrappedRing() {
    HistoryRing ring(4);
    ring.CommitAdd("Open", "/pictures/beach \"day\".jpg");
    ring.CommitAdd("Classic", "Detail 5\nEdges 3");
    ring.CommitAdd("Pencil", "--");
    ring.CommitAdd("Text Balloon", "Type: Rounded Rectanle");
    ring.CommitAdd("Brightness/Contrast", "");
    ring.SetCurrent(ring.UndoTarget());
    return ring;
}

::testing::AssertionResult RoundTrips(const HistoryIndex& index) {
    const std::vector<std::uint8_t> bytes = EncodeHistoryIndex(index);
    HistoryIndex out;
    std::string problem;
    if (!DecodeHistoryIndex(bytes.data(), bytes.size(), out, problem))
        return ::testing::AssertionFailure() << problem;
    if (!(out == index)) return ::testing::AssertionFailure() << "decoded index differs";
    return ::testing::AssertionSuccess();
}

TEST(HistoryIndex, DescribesTheRingAndSurvivesTheRoundTrip) {
    const HistoryRing ring = WrappedRing();
    const HistoryIndex index = IndexOfRing(ring, "/home/u/Bilder/strand café.jpg");
    EXPECT_EQ((std::vector<int>{index.Capacity, index.FirstIndex, index.LastIndex, index.CurrentIndex}),
              (std::vector<int>{4, ring.FirstIndex(), ring.LastIndex(), ring.CurrentIndex()}));
    // The three states left after "Open" and "Classic" were dropped, oldest first.
    ASSERT_EQ(index.States.size(), 3u);
    EXPECT_EQ(index.States[0], (HistoryIndexState{3, "Pencil", "--"}));
    EXPECT_EQ(index.States[2], (HistoryIndexState{1, "Brightness/Contrast", ""}));
    ASSERT_NE(index.Current(), nullptr);
    EXPECT_EQ(index.Current()->Name, "Text Balloon");

    EXPECT_TRUE(RoundTrips(index));

    // A one-slot ring keeps its state outside the valid range; the index names it so it can be restored.
    HistoryRing single(1);
    single.CommitAdd("Open", "/p/a.jpg");
    single.CommitAdd("Eraser", "--");
    const HistoryIndex one = IndexOfRing(single, "/p/a.jpg");
    ASSERT_NE(one.Current(), nullptr);
    EXPECT_EQ(one.Current()->Name, "Eraser");
    EXPECT_TRUE(RoundTrips(one));
}

TEST(HistoryIndex, AnythingButAWholeIndexOfARealRingIsRefused) {
    const HistoryIndex good = IndexOfRing(WrappedRing(), "/p/x.jpg");
    const std::vector<std::uint8_t> whole = EncodeHistoryIndex(good);
    HistoryIndex sentinel;
    sentinel.DocumentPath = "untouched";
    auto refused = [&](const std::vector<std::uint8_t>& bytes) {
        HistoryIndex out = sentinel;
        std::string problem;
        return !DecodeHistoryIndex(bytes.data(), bytes.size(), out, problem) && out == sentinel && !problem.empty();
    };
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_TRUE(refused(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<long>(n)))) << n;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        std::vector<std::uint8_t> flipped = whole;
        flipped[i] ^= 0x10;
        EXPECT_TRUE(refused(flipped)) << "byte " << i;
    }
    std::vector<std::uint8_t> changed = whole;
    changed.push_back(0);
    EXPECT_TRUE(refused(changed));
    // A damaged length is refused before room is made for it; the path's length follows 24 header bytes.
    changed = whole;
    for (int i = 0; i < 4; ++i) changed[24 + i] = 0xFF;
    EXPECT_TRUE(refused(changed));

    // With a correct checksum, an index must still describe a ring that can be.
    std::vector<HistoryIndex> bad(5, good);
    bad[0].CurrentIndex = good.FirstIndex;  // the empty slot before the oldest state
    bad[1].States.pop_back();               // fewer states than the indices span
    bad[2].States[0].Slot = 2;              // a state in the wrong slot
    bad[3].LastIndex = 4;                   // past the last slot
    bad[4].FirstIndex = bad[4].LastIndex;   // a ring with no state at all
    bad[4].States.clear();
    for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_TRUE(refused(EncodeHistoryIndex(bad[i]))) << "case " << i;
}

TEST(HistoryIndexFile, WritesReplaceTheIndexWholeAndAFailedWriteKeepsTheOldOne) {
    const test::TempDir dir;
    const std::string folder = dir.Folder();
    const HistoryIndex old = IndexOfRing(WrappedRing(), "/p/old.jpg");
    std::string error;
    ASSERT_TRUE(WriteHistoryIndex(folder, old, error)) << error;
    HistoryIndex back;
    ASSERT_TRUE(ReadHistoryIndex(folder, back, error)) << error;
    EXPECT_EQ(back, old);

    // A write that hits the file size limit part way.
    HistoryIndex big = old;
    big.DocumentPath = "/p/" + std::string(64 * 1024, 'n') + ".jpg";
    {
        testing::FileSizeLimit full(4096);
        std::string failure;
        EXPECT_FALSE(WriteHistoryIndex(folder, big, failure));
        EXPECT_FALSE(failure.empty());
    }

    ASSERT_TRUE(ReadHistoryIndex(folder, back, error)) << error;
    EXPECT_EQ(back, old);
    // Nothing but the index is left: the temporary went with the failure.
    EXPECT_EQ(dir.Count(), 1u);

    // Without the limit the same index goes through.
    ASSERT_TRUE(WriteHistoryIndex(folder, big, error)) << error;
    ASSERT_TRUE(ReadHistoryIndex(folder, back, error)) << error;
    EXPECT_EQ(back.DocumentPath, big.DocumentPath);
}

}  // namespace
}  // namespace velmora
