#include "history/History.h"

#include <algorithm>
#include <climits>

namespace velmora {

namespace {
const std::string kEmpty;
}

HistoryRing::HistoryRing(int capacity) { Reset(capacity); }

int HistoryRing::CapacityForStates(int historyStates) {
    if (historyStates < 0) historyStates = 0;
    if (historyStates == INT_MAX) return INT_MAX;
    return historyStates + 1;
}

void HistoryRing::Reset(int capacity) {
    capacity_ = std::max(capacity, 1);
    first_ = last_ = current_ = 0;
    names_.clear();
    details_.clear();
    documents_.clear();
}

int HistoryRing::Wrap(long long value) const {
    long long m = value % capacity_;
    if (m < 0) m += capacity_;
    return static_cast<int>(m);
}

int HistoryRing::Count() const { return Wrap(static_cast<long long>(last_) - first_); }

bool HistoryRing::IsValidSlot(int slot) const {
    if (slot < 0 || slot >= capacity_ || slot == first_) return false;
    // Distance from FirstIndex in ring order must not pass LastIndex.
    return Wrap(static_cast<long long>(slot) - first_) <= Count();
}

const std::string& HistoryRing::Name(int slot) const {
    return slot >= 0 && static_cast<std::size_t>(slot) < names_.size() ? names_[slot] : kEmpty;
}

const std::string& HistoryRing::Detail(int slot) const {
    return slot >= 0 && static_cast<std::size_t>(slot) < details_.size() ? details_[slot] : kEmpty;
}

const std::string& HistoryRing::Document(int slot) const {
    return slot >= 0 && static_cast<std::size_t>(slot) < documents_.size() ? documents_[slot] : kEmpty;
}

bool HistoryRing::CanUndo() const { return UndoTarget() >= 0; }

bool HistoryRing::CanRedo() const { return first_ != current_ && last_ != current_; }

int HistoryRing::NextSlot() const { return Wrap(static_cast<long long>(current_) + 1); }

void HistoryRing::CommitAdd(const std::string& name, const std::string& detail, const std::string& document) {
    const int slot = NextSlot();
    if (static_cast<std::size_t>(slot) >= names_.size()) {
        names_.resize(static_cast<std::size_t>(slot) + 1);
        details_.resize(static_cast<std::size_t>(slot) + 1);
        documents_.resize(static_cast<std::size_t>(slot) + 1);
    }
    names_[slot] = name;
    details_[slot] = detail;
    documents_[slot] = document;
    current_ = slot;
    last_ = slot;
    if (last_ == first_) first_ = Wrap(static_cast<long long>(first_) + 1);
}

int HistoryRing::UndoTarget() const {
    if (current_ == first_) return -1;
    const int previous = Wrap(static_cast<long long>(current_) - 1);
    return previous == first_ ? -1 : previous;
}

int HistoryRing::RedoTarget() const {
    if (current_ == last_) return -1;
    return Wrap(static_cast<long long>(current_) + 1);
}

bool HistoryRing::SetCurrent(int slot) {
    if (!IsValidSlot(slot)) return false;
    current_ = slot;
    return true;
}

int HistoryRing::SlotOfRow(int row) const {
    if (row < 1 || row > Count()) return -1;
    return Wrap(static_cast<long long>(first_) + row);
}

int HistoryRing::CurrentRow() const { return Wrap(static_cast<long long>(current_) - first_); }

bool HistoryRing::IsRedoRow(int row) const { return row > CurrentRow() && row <= Count(); }

std::string HistoryRing::SlotFileName(int slot) { return "~history" + std::to_string(slot) + ".d2o"; }

std::string HistoryRing::SlotPath(const std::string& folder, int slot) {
    if (folder.empty()) return SlotFileName(slot);
    if (folder.back() == '/') return folder + SlotFileName(slot);
    return folder + "/" + SlotFileName(slot);
}

}  // namespace velmora
