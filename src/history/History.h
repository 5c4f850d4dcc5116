#pragma once
// The ring of history slots behind undo, redo and the History list. Slot k's snapshot
// is the file "~history<k>.d2o". The valid states are the slots after FirstIndex up to
// and including LastIndex, in ring order; FirstIndex itself holds no valid state.
//
// Adding a state is split in two so that a snapshot that cannot be written leaves the
// ring untouched: NextSlot() names the slot to write, and CommitAdd() advances the
// indices only after the write succeeded. Undo and redo likewise only name their target
// slot; the caller moves CurrentIndex (SetCurrent) once the snapshot has been loaded.

#include <string>
#include <vector>

namespace velmora {

class HistoryRing {
public:
    // The capacity a fresh History window starts with, before the preference is applied.
    static constexpr int kDefaultCapacity = 50;

    explicit HistoryRing(int capacity = kDefaultCapacity);

    // Ring size for a History States preference: one slot more than the states kept, so
    // that FirstIndex can sit on an empty slot. A negative preference counts as 0.
    static int CapacityForStates(int historyStates);

    // Empties the ring and gives it `capacity` slots (at least one).
    void Reset(int capacity);

    int Capacity() const { return capacity_; }
    int FirstIndex() const { return first_; }
    int LastIndex() const { return last_; }
    int CurrentIndex() const { return current_; }

    // Number of valid states.
    int Count() const;
    bool IsValidSlot(int slot) const;

    const std::string& Name(int slot) const;
    const std::string& Detail(int slot) const;
    // The file the document showing in that state was opened from (empty if not given).
    const std::string& Document(int slot) const;

    // Undo is possible when the current state has a valid state before it.
    bool CanUndo() const;
    // Redo is possible when states follow the current one.
    bool CanRedo() const;

    // The slot a new state will be written to.
    int NextSlot() const;
    // Records the state just written to NextSlot(): it becomes current and newest, every
    // state after the old current one is dropped, and a full ring drops its oldest state.
    void CommitAdd(const std::string& name, const std::string& detail, const std::string& document = {});

    // The slot Undo would load, or -1 when there is none.
    int UndoTarget() const;
    // The slot Redo would load, or -1 when there is none.
    int RedoTarget() const;
    // Makes a valid slot the current one (after its snapshot was loaded); false otherwise.
    bool SetCurrent(int slot);

    // The list shows the valid states oldest first as rows 1..Count(). The slot shown in
    // row r, or -1 outside that range.
    int SlotOfRow(int row) const;
    // The row of the current state (0 when the ring holds no state).
    int CurrentRow() const;
    // Rows after the current one hold states that Redo would bring back.
    bool IsRedoRow(int row) const;

    // "~history<k>.d2o" and its path inside `folder`.
    static std::string SlotFileName(int slot);
    static std::string SlotPath(const std::string& folder, int slot);

private:
    int Wrap(long long value) const;

    int capacity_ = 1;
    int first_ = 0;
    int last_ = 0;
    int current_ = 0;
    // Grown on demand: a very large History States preference must not allocate every
    // slot up front.
    std::vector<std::string> names_;
    std::vector<std::string> details_;
    std::vector<std::string> documents_;
};

}  // namespace velmora
