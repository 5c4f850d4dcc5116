#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
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

// Records the states as the window does and returns the slots their snapshots went to.
std::vector<int> AddAll(HistoryRing& ring, std::initializer_list<const char*> names) {
    std::vector<int> slots;
    for (const char* name : names) {
        slots.push_back(ring.NextSlot());
        ring.CommitAdd(name, "--");
    }
    return slots;
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
    EXPECT_FALSE(ring.CanUndo() || ring.CanRedo());
    EXPECT_EQ(ring.UndoTarget(), -1);
    EXPECT_EQ(ring.RedoTarget(), -1);

    // The first state of a run goes to slot 1; the fourth wraps to slot 0 and pushes "Open" out.
    EXPECT_EQ(AddAll(ring, {"Open", "Pencil", "Brush", "Eraser"}), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ((std::vector<int>{ring.FirstIndex(), ring.LastIndex(), ring.CurrentIndex(), ring.Count()}),
              (std::vector<int>{1, 0, 0, 3}));
    EXPECT_EQ(ListedNames(ring), (std::vector<std::string>{"Pencil", "Brush", "Eraser"}));
    // Rows 1..3 are slots 2, 3, 0; rows outside them and slots without a state are refused.
    for (int row = 0; row <= 4; ++row) EXPECT_EQ(ring.SlotOfRow(row), (std::vector<int>{-1, 2, 3, 0, -1})[row]);
    for (int slot : {1, -1, 4}) EXPECT_FALSE(ring.IsValidSlot(slot) || ring.SetCurrent(slot)) << slot;

    // Twice back to "Pencil" and no further, then forward again across the wrap.
    for (int slot : {3, 2}) {
        EXPECT_TRUE(Step(ring, true));
        EXPECT_EQ(ring.CurrentIndex(), slot);
    }
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(Step(ring, true));
    EXPECT_EQ(ring.CurrentRow(), 1);
    EXPECT_TRUE(Step(ring, false) && Step(ring, false));
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_FALSE(Step(ring, false));
}

TEST(HistoryRing, NewEditAfterUndoDiscardsTheRedoStates) {
    HistoryRing ring(10);
    AddAll(ring, {"Open", "Pencil", "Brush"});
    ASSERT_TRUE(Step(ring, true) && Step(ring, true));
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(ring.IsRedoRow(row), row > 1) << row;

    // The new state overwrites the first redo slot and becomes the newest.
    EXPECT_EQ(AddAll(ring, {"Eraser"}), std::vector<int>{2});
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.LastIndex(), 2);
    EXPECT_EQ(ListedNames(ring), (std::vector<std::string>{"Open", "Eraser"}));
    for (int row = 1; row <= ring.Count(); ++row) EXPECT_FALSE(ring.IsRedoRow(row)) << row;
    // The dropped "Brush" slot is no longer a state one can jump to.
    EXPECT_FALSE(ring.SetCurrent(3));
    EXPECT_EQ(ring.CurrentIndex(), 2);
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
            written.push_back(AddAll(ring, {name})[0]);
            EXPECT_FALSE(ring.CanUndo() || ring.CanRedo());
        }
        EXPECT_EQ(written, (states == 1 ? std::vector<int>{1, 0, 1} : std::vector<int>{0, 0, 0}));
        EXPECT_EQ(ListedNames(ring), states == 1 ? std::vector<std::string>{"Brush"} : std::vector<std::string>{});
    }
}

TEST(HistoryRing, HugeCapacityDoesNotAllocateOrOverflow) {
    HistoryRing ring(HistoryRing::CapacityForStates(INT_MAX));
    EXPECT_EQ(ring.Capacity(), INT_MAX);
    AddAll(ring, {"Open", "Pencil"});
    EXPECT_EQ(ring.Count(), 2);
    EXPECT_TRUE(Step(ring, true));
    EXPECT_EQ(ring.CurrentIndex(), 1);
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_EQ(ring.Name(INT_MAX - 1), "");
}

TEST(HistoryRing, SnapshotPathsJoinTheFolderOnce) {
    EXPECT_EQ(HistoryRing::SlotPath("/p/history", 0), "/p/history/~history0.d2o");
    EXPECT_EQ(HistoryRing::SlotPath("/p/history/", 12), "/p/history/~history12.d2o");
}

}  // namespace
}  // namespace velmora
