#pragma once
// Picking up the work of a run that did not end normally, and cleaning up after one
// that did.
//
// The rule: a run deletes its snapshots and its index when it ends normally, so an
// index found in a snapshot folder that this copy has just locked was left by a run
// that ended otherwise (killed, crashed, power lost). The lock itself says nothing, as
// the operating system releases it in either case. Two running copies lock different
// folders, so neither ever sees the other's index.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryIndex.h"

namespace velmora {

class HistoryRing;

// The name of the state that opening a picture or project records. The states before
// it show another picture than the document the index names.
constexpr const char* kOpenStateName = "Open";

struct UnfinishedRun {
    HistoryIndex Index;
    struct State {
        std::string Name;
        std::string SnapshotPath;
    };
    // The states worth restoring whose snapshots are there, newest first: the one the
    // document showed when the run ended, then those before it back to the "Open" of
    // that document. Snapshots are not flushed to the disk, so after a power cut the
    // latest may be missing or cut short while the ones before it are whole. Never empty.
    std::vector<State> Restorable;
    // When the index was last written: seconds since 1970-01-01 UTC.
    std::int64_t SavedAt = 0;

    // The document's file name without its folder.
    std::string DocumentName() const;
};

// The unfinished run whose index lies in `folder`, when the index reads back whole,
// names the document, and the snapshot of its current state or of one before it is
// there. A damaged index is never trusted: nothing is found then.
std::optional<UnfinishedRun> FindUnfinishedRun(const std::string& folder);

// The slot of a snapshot file name "~history<k>.d2o", or -1 for any other name.
int SnapshotSlotOfName(const std::string& fileName);

// Deletes every snapshot, the index and the temporaries of writes that never finished.
// The lock file, sub-folders and any other file stay. False with a message naming the
// first file that could not be deleted; the others are still tried.
bool RemoveRunFiles(const std::string& folder, std::string& error);

// Deletes the snapshots of slots that hold no state of `ring`, and the temporaries;
// the ring's own snapshots and the index stay.
bool RemoveSnapshotsOutside(const std::string& folder, const HistoryRing& ring, std::string& error);

}  // namespace velmora
