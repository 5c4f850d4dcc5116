#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "history/History.h"

namespace velmora {
namespace {

// The names in list order, oldest first, as the History window shows them.
std::vector<std::string> ListedNames(const HistoryRing& ring) {
    std::vector<std::string> names;
    for (int row = 1; row <= ring.Count(); ++row) names.push_back(ring.Name(ring.SlotOfRow(row)));
    return names;
}

// Undo (back) or redo as the window does them when every snapshot loads.
bool Step(HistoryRing& ring, bool back) {
    const int target = back ? ring.UndoTarget() : ring.RedoTarget();
    return target >= 0 && ring.SetCurrent(target);
}

TEST(HistoryRing, FourSlotsDropTheOldestStateWhenFull) {
    HistoryRing ring(HistoryRing::CapacityForStates(3));
    ASSERT_EQ(ring.Capacity(), 4);
    EXPECT_EQ(ring.Count(), 0);
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.UndoTarget(), -1);
    EXPECT_EQ(ring.RedoTarget(), -1);

    // The first state of a run goes to slot 1, not slot 0; the fourth wraps to slot 0
    // and pushes "Open" out.
    std::vector<int> written;
    for (const char* name : {"Open", "Pencil", "Brush", "Eraser"}) {
        written.push_back(ring.NextSlot());
        ring.CommitAdd(name, "--");
    }
    EXPECT_EQ(written, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(ring.LastIndex(), 0);
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_EQ(ring.FirstIndex(), 1);
    EXPECT_EQ(ring.Count(), 3);
    EXPECT_EQ(ListedNames(ring), (std::vector<std::string>{"Pencil", "Brush", "Eraser"}));
    EXPECT_FALSE(ring.IsValidSlot(1));

    // Twice back to "Pencil", and no further: nothing is before the oldest state.
    EXPECT_TRUE(Step(ring, true));
    EXPECT_EQ(ring.CurrentIndex(), 3);
    EXPECT_TRUE(Step(ring, true));
    EXPECT_EQ(ring.CurrentIndex(), 2);
    EXPECT_EQ(ring.Name(ring.CurrentIndex()), "Pencil");
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(Step(ring, true));
    EXPECT_EQ(ring.CurrentIndex(), 2);
    EXPECT_EQ(ring.CurrentRow(), 1);

    // And forward again across the wrap.
    EXPECT_TRUE(Step(ring, false));
    EXPECT_TRUE(Step(ring, false));
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_FALSE(Step(ring, false));
}

TEST(HistoryRing, NewEditAfterUndoDiscardsTheRedoStates) {
    HistoryRing ring(10);
    ring.CommitAdd("Open", "/tmp/a.jpg");
    ring.CommitAdd("Pencil", "--");
    ring.CommitAdd("Brush", "--");
    ASSERT_TRUE(Step(ring, true));
    ASSERT_TRUE(Step(ring, true));
    EXPECT_TRUE(ring.CanRedo());
    EXPECT_FALSE(ring.IsRedoRow(1));
    EXPECT_TRUE(ring.IsRedoRow(2));
    EXPECT_TRUE(ring.IsRedoRow(3));

    // The new state overwrites the first redo slot and becomes the newest.
    EXPECT_EQ(ring.NextSlot(), 2);
    ring.CommitAdd("Eraser", "--");
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.LastIndex(), 2);
    EXPECT_EQ(ListedNames(ring), (std::vector<std::string>{"Open", "Eraser"}));
    for (int row = 1; row <= ring.Count(); ++row) EXPECT_FALSE(ring.IsRedoRow(row)) << row;
    // The dropped "Brush" slot is no longer a state one can jump to.
    EXPECT_FALSE(ring.SetCurrent(3));
    EXPECT_EQ(ring.CurrentIndex(), 2);
    EXPECT_EQ(ring.Detail(ring.SlotOfRow(1)), "/tmp/a.jpg");
}

TEST(HistoryRing, JumpsToListedRowsOnly) {
    HistoryRing ring(4);
    for (const char* name : {"Open", "Classic", "Blur", "Text"}) ring.CommitAdd(name, "");
    // First 1, last 0: rows 1..3 are slots 2, 3, 0.
    EXPECT_EQ(ring.SlotOfRow(1), 2);
    EXPECT_EQ(ring.SlotOfRow(3), 0);
    EXPECT_EQ(ring.SlotOfRow(0), -1);
    EXPECT_EQ(ring.SlotOfRow(4), -1);
    EXPECT_TRUE(ring.SetCurrent(ring.SlotOfRow(1)));
    EXPECT_EQ(ring.CurrentRow(), 1);
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_TRUE(ring.CanRedo());
    for (int slot : {ring.FirstIndex(), -1, 4}) EXPECT_FALSE(ring.SetCurrent(slot)) << slot;
}

TEST(HistoryRing, RingsTooSmallToUndo) {
    // No states kept still writes every state, always to slot 0, and lists none; one
    // state kept alternates between two slots and lists only the newest.
    for (int states : {INT_MIN, -50, -1, 0, 1}) {
        SCOPED_TRACE(states);
        HistoryRing ring(HistoryRing::CapacityForStates(states));
        EXPECT_EQ(ring.Capacity(), states == 1 ? 2 : 1);
        std::vector<int> written;
        for (const char* name : {"Open", "Pencil", "Brush"}) {
            written.push_back(ring.NextSlot());
            ring.CommitAdd(name, "--");
            EXPECT_FALSE(ring.CanUndo());
            EXPECT_FALSE(ring.CanRedo());
        }
        EXPECT_EQ(written, (states == 1 ? std::vector<int>{1, 0, 1} : std::vector<int>{0, 0, 0}));
        EXPECT_EQ(ListedNames(ring), states == 1 ? std::vector<std::string>{"Brush"} : std::vector<std::string>{});
    }
}

TEST(HistoryRing, HugeCapacityDoesNotAllocateOrOverflow) {
    HistoryRing ring(HistoryRing::CapacityForStates(INT_MAX));
    EXPECT_EQ(ring.Capacity(), INT_MAX);
    ring.CommitAdd("Open", "");
    ring.CommitAdd("Pencil", "");
    EXPECT_EQ(ring.Count(), 2);
    EXPECT_TRUE(Step(ring, true));
    EXPECT_EQ(ring.CurrentIndex(), 1);
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_EQ(ring.Name(INT_MAX - 1), "");
}

TEST(HistoryRing, SnapshotFileNames) {
    EXPECT_EQ(HistoryRing::SlotFileName(7), "~history7.d2o");
    EXPECT_EQ(HistoryRing::SlotPath("/p/history", 0), "/p/history/~history0.d2o");
    EXPECT_EQ(HistoryRing::SlotPath("/p/history/", 12), "/p/history/~history12.d2o");
}

}  // namespace
}  // namespace velmora
