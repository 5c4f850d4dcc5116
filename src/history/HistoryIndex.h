#pragma once
// The small index kept next to the snapshot files: which slot the document shows, the
// ring's indices, each state's name and detail, and the document's file name. It is
// rewritten after every change of the ring so that a run that ends without cleaning up
// can be picked up again by the next start.
//
// The file is binary, little-endian, versioned and ends in a checksum; a reader refuses
// anything it cannot account for down to the last byte, because a wrong index would
// restore the wrong picture.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

class HistoryRing;

struct HistoryIndexState {
    int Slot = 0;
    std::string Name;
    std::string Detail;

    bool operator==(const HistoryIndexState&) const = default;
};

struct HistoryIndex {
    static constexpr const char* kFileName = "~history.idx";
    static constexpr std::uint32_t kVersion = 1;
    // Far more than any real index; larger files are not read at all.
    static constexpr std::size_t kMaxFileBytes = std::size_t(16) << 20;

    int Capacity = 1;
    int FirstIndex = 0;
    int LastIndex = 0;
    int CurrentIndex = 0;
    // The slots that hold a state of the run, oldest first: the ring's valid states,
    // or the only slot of a one-slot ring (which keeps its one state outside the
    // ring's valid range).
    std::vector<HistoryIndexState> States;
    // The full name of the file the document was opened from.
    std::string DocumentPath;

    // The entry of CurrentIndex, or nullptr when the index lists none.
    const HistoryIndexState* Current() const;

    bool operator==(const HistoryIndex&) const = default;
};

// The index describing `ring` after a state was recorded or loaded.
HistoryIndex IndexOfRing(const HistoryRing& ring, const std::string& documentPath);

std::vector<std::uint8_t> EncodeHistoryIndex(const HistoryIndex& index);
// Refuses (false, `out` untouched, `problem` says why) bytes that are cut short, carry
// anything after the checksum, fail the checksum, or describe a ring that cannot be:
// indices outside the ring, states that are not exactly the ring's, or a current slot
// that holds no state.
bool DecodeHistoryIndex(const std::uint8_t* data, std::size_t size, HistoryIndex& out, std::string& problem);

// "<folder>/~history.idx".
std::string HistoryIndexPath(const std::string& folder);
// Written to a temporary file and renamed over the old index, so that a failed write
// leaves the previous index whole.
bool WriteHistoryIndex(const std::string& folder, const HistoryIndex& index, std::string& error);
bool ReadHistoryIndex(const std::string& folder, HistoryIndex& out, std::string& error);

}  // namespace velmora
