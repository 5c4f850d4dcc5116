#include "history/HistoryIndex.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "history/History.h"
#include "io/FileUtil.h"

namespace velmora {

namespace {

// "VHIX": Velmora history index.
constexpr std::uint8_t kMagic[4] = {'V', 'H', 'I', 'X'};

// FNV-1a over the bytes before the checksum: enough to tell a damaged file from a
// whole one, which is all the index needs.
std::uint32_t Checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

// Fuzzing builds skip the checksum on reading, so that changed inputs reach the checks
// behind it.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kChecksumChecked = false;
#else
constexpr bool kChecksumChecked = true;
#endif

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// Reads fields front to back and remembers the first shortfall.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool U32(std::uint32_t& v) {
        if (size_ - pos_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool I32(int& v) {
        std::uint32_t u = 0;
        if (!U32(u)) return false;
        v = static_cast<int>(static_cast<std::int32_t>(u));
        return true;
    }
    // The length is checked against what is left before anything is allocated.
    bool String(std::string& s) {
        std::uint32_t length = 0;
        if (!U32(length) || size_ - pos_ < length) return false;
        s.assign(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return true;
    }
    std::size_t Position() const { return pos_; }
    std::size_t Left() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

int Wrap(long long value, int capacity) {
    long long m = value % capacity;
    if (m < 0) m += capacity;
    return static_cast<int>(m);
}

// Whether the states listed are exactly the ones such a ring holds, and the current
// slot is one of them.
bool DescribesARing(const HistoryIndex& index, std::string& problem) {
    const int capacity = index.Capacity;
    if (capacity < 1) {
        problem = "the ring has no slots";
        return false;
    }
    for (int v : {index.FirstIndex, index.LastIndex, index.CurrentIndex})
        if (v < 0 || v >= capacity) {
            problem = "an index lies outside the ring";
            return false;
        }
    const long long first = index.FirstIndex;
    const std::size_t expected =
        capacity == 1 ? 1 : static_cast<std::size_t>(Wrap(index.LastIndex - first, capacity));
    if (expected == 0 || index.States.size() != expected) {
        problem = "the states listed do not match the ring";
        return false;
    }
    for (std::size_t i = 0; i < index.States.size(); ++i) {
        const int slot = capacity == 1 ? 0 : Wrap(first + 1 + static_cast<long long>(i), capacity);
        if (index.States[i].Slot != slot) {
            problem = "the states listed do not match the ring";
            return false;
        }
    }
    if (!index.Current()) {
        problem = "the current slot holds no state";
        return false;
    }
    return true;
}

}  // namespace

const HistoryIndexState* HistoryIndex::Current() const {
    for (const HistoryIndexState& s : States)
        if (s.Slot == CurrentIndex) return &s;
    return nullptr;
}

HistoryIndex IndexOfRing(const HistoryRing& ring, const std::string& documentPath) {
    HistoryIndex index;
    index.Capacity = ring.Capacity();
    index.FirstIndex = ring.FirstIndex();
    index.LastIndex = ring.LastIndex();
    index.CurrentIndex = ring.CurrentIndex();
    index.DocumentPath = documentPath;
    if (ring.Capacity() == 1) {
        index.States.push_back({0, ring.Name(0), ring.Detail(0)});
    } else {
        for (int row = 1; row <= ring.Count(); ++row) {
            const int slot = ring.SlotOfRow(row);
            index.States.push_back({slot, ring.Name(slot), ring.Detail(slot)});
        }
    }
    return index;
}

std::vector<std::uint8_t> EncodeHistoryIndex(const HistoryIndex& index) {
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    PutU32(out, HistoryIndex::kVersion);
    for (int v : {index.Capacity, index.FirstIndex, index.LastIndex, index.CurrentIndex})
        PutU32(out, static_cast<std::uint32_t>(v));
    PutString(out, index.DocumentPath);
    PutU32(out, static_cast<std::uint32_t>(index.States.size()));
    for (const HistoryIndexState& s : index.States) {
        PutU32(out, static_cast<std::uint32_t>(s.Slot));
        PutString(out, s.Name);
        PutString(out, s.Detail);
    }
    PutU32(out, Checksum(out.data(), out.size()));
    return out;
}

bool DecodeHistoryIndex(const std::uint8_t* data, std::size_t size, HistoryIndex& out, std::string& problem) {
    problem.clear();
    if (size < sizeof kMagic || !std::equal(std::begin(kMagic), std::end(kMagic), data)) {
        problem = "not a history index";
        return false;
    }
    Reader in(data + sizeof kMagic, size - sizeof kMagic);
    const std::string cut = "the index is cut short";
    std::uint32_t version = 0;
    if (!in.U32(version)) {
        problem = cut;
        return false;
    }
    if (version != HistoryIndex::kVersion) {
        problem = "index version " + std::to_string(version) + " is not known";
        return false;
    }
    HistoryIndex index;
    std::uint32_t count = 0;
    if (!in.I32(index.Capacity) || !in.I32(index.FirstIndex) || !in.I32(index.LastIndex) ||
        !in.I32(index.CurrentIndex) || !in.String(index.DocumentPath) || !in.U32(count)) {
        problem = cut;
        return false;
    }
    // Each state takes at least twelve bytes, so a count the rest cannot hold is
    // refused before anything is reserved for it.
    if (count > in.Left() / 12) {
        problem = cut;
        return false;
    }
    index.States.resize(count);
    for (HistoryIndexState& s : index.States)
        if (!in.I32(s.Slot) || !in.String(s.Name) || !in.String(s.Detail)) {
            problem = cut;
            return false;
        }
    const std::size_t covered = sizeof kMagic + in.Position();
    std::uint32_t stored = 0;
    if (!in.U32(stored)) {
        problem = cut;
        return false;
    }
    if (in.Left() != 0) {
        problem = "the index has bytes after its end";
        return false;
    }
    if (kChecksumChecked && stored != Checksum(data, covered)) {
        problem = "the index is damaged (checksum mismatch)";
        return false;
    }
    if (!DescribesARing(index, problem)) return false;
    out = std::move(index);
    return true;
}

std::string HistoryIndexPath(const std::string& folder) {
    if (folder.empty()) return HistoryIndex::kFileName;
    if (folder.back() == '/') return folder + HistoryIndex::kFileName;
    return folder + "/" + HistoryIndex::kFileName;
}

bool WriteHistoryIndex(const std::string& folder, const HistoryIndex& index, std::string& error) {
    return WriteFileAtomically(HistoryIndexPath(folder), EncodeHistoryIndex(index), error);
}

bool ReadHistoryIndex(const std::string& folder, HistoryIndex& out, std::string& error) {
    const std::string path = HistoryIndexPath(folder);
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error, HistoryIndex::kMaxFileBytes)) return false;
    std::string problem;
    if (!DecodeHistoryIndex(bytes.data(), bytes.size(), out, problem)) {
        error = path + ": " + problem;
        return false;
    }
    return true;
}

}  // namespace velmora
