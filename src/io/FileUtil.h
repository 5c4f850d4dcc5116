#pragma once
// Whole-file reads and safe whole-file writes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The largest file read whole unless a caller says otherwise.
constexpr std::size_t kWholeFileLimit = std::size_t(1) << 32;

// Reads a whole file; false with a message naming the file when it cannot.
// Files larger than maxBytes are refused.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::string& error,
                   std::size_t maxBytes = kWholeFileLimit);

// Reads at most maxBytes from the start of a file (fewer when the file is shorter);
// false with a message naming the file when it cannot be opened or read.
bool ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                    std::string& error);

// Reads the first `firstBytes` bytes of a file (fewer when it is shorter) and, when
// they start with `signature`, the rest of it as ReadWholeFile does, in one pass;
// false with ReadWholeFile's messages.
bool ReadFileStartingWith(const std::string& path, std::string_view signature, std::size_t firstBytes,
                          std::vector<std::uint8_t>& out, std::string& error,
                          std::size_t maxBytes = kWholeFileLimit);
// The same for a format whose files are told by more than a fixed signature: the rest
// is read when `starts(first bytes, their count)` holds.
bool ReadFileStartingWith(const std::string& path, bool (*starts)(const std::uint8_t*, std::size_t),
                          std::size_t firstBytes, std::vector<std::uint8_t>& out, std::string& error,
                          std::size_t maxBytes = kWholeFileLimit);

// Reads a whole picture file and hands its bytes to `decode` (bytes, size, problem);
// a problem the decoder reports comes back prefixed with the quoted file name. Every
// file of the format starts with `signature` (a fixed string, or a test of the first
// bytes as ReadFileStartingWith takes). One that does not is handed to `decode` by its
// first bytes only, which are enough for the decoder to refuse it: a large file that
// merely has a picture's name is refused as what it is, not for want of memory to
// read all of it.
template <class Signature, class Decode>
bool ReadAndDecode(const std::string& path, std::string& error, Signature signature, Decode&& decode) {
    // Enough for every decoder to get past the length checks to the signature's.
    constexpr std::size_t kFirstBytes = 64;
    std::vector<std::uint8_t> bytes;
    if (!ReadFileStartingWith(path, signature, kFirstBytes, bytes, error)) return false;
    std::string problem;
    if (!decode(bytes.data(), bytes.size(), problem)) {
        error = "\"" + path + "\": " + problem;
        return false;
    }
    return true;
}

// Writes to a temporary file in the same folder and renames it over `path` only when
// every byte reached the disk; on failure the temporary is removed and any existing
// file is left as it was. The message names the file.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string& error);
inline bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                std::string& error) {
    return WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

// The same in pieces, for files too large to assemble in memory first:
//   AtomicFileWriter w(path); w.Write(...); ...; ok = w.Commit(error);
// Nothing replaces `path` unless Commit succeeds; a writer destroyed without a
// successful Commit removes its temporary file. The temporary has no name until
// Commit, so that a program killed while saving leaves nothing behind either; only
// file systems that cannot make files without a name (some network shares) get a
// named one from the start, as an interrupted save may leave. Small pieces are gathered before
// they are written, so a failure may show only at a later Write or at Commit; after
// it further writes do nothing and Commit reports it. A writer made with durable ==
// false still replaces the file in one rename but does not wait for the disk: for
// scratch files that a crash may lose without harm.
//
// A link is followed, so that the file it points to is the one replaced; a link to a
// file not there yet makes that file, when its folder exists. An existing file that
// may not be written, or that nobody may write (whoever saves), is refused. In a
// folder that takes no new files, a writable file is written over where it stands,
// with no temporary: the new file is then held in memory until Commit has claimed
// the disk space it needs. A file that may be written but not replaced (another
// user's, in a shared folder with the sticky bit) and a file with more than one name
// are written over where they stand too, from the finished temporary: the file keeps
// its owner and all its names see what was saved. In every write in place a full
// disk leaves the old file as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path, bool durable = true);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Write(const void* data, std::size_t size);
    bool Write(const std::vector<std::uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
    bool Ok() const { return error_.empty(); }
    // Flushes to the disk, closes and renames over the target.
    bool Commit(std::string& error);

private:
    void Fail(const std::string& what, int err);
    void Discard();
    bool WriteOut(const std::uint8_t* p, std::size_t size);
    bool Flush();
    // Writes the first written_ bytes of `source` to fd_ from its start.
    bool CopyFrom(int source);
    void ReserveInPlace(std::uint64_t bytes);
    void FinishInPlace();
    bool NameTemporary();
    void Replace();
    void CopyOverTarget();

    std::string path_;
    std::string tempPath_;  // empty while the temporary has no name
    int fd_ = -1;
    std::string error_;
    bool durable_ = true;
    bool inPlace_ = false;    // writing the target itself
    bool existed_ = false;    // the target was a writable file when the writer began
    bool keepLinks_ = false;  // the target has other names that must see the new content
    std::vector<std::uint8_t> gathered_;  // small pieces not yet handed to the system
    std::uint64_t written_ = 0;           // bytes handed to the system
    std::uint64_t flushStarted_ = 0;      // of those, how many the disk was asked to take
};

// The extension from the last "." of the file name on (empty when none), upper case:
// "photo.jpg" gives ".JPG". A dot in a folder name does not count.
std::string UpperExtension(const std::string& path);

}  // namespace velmora
