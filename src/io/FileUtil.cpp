#include "io/FileUtil.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>

namespace velmora {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Reason(int err) { return std::strerror(err); }

// Opens a file to read it. A named pipe is opened without waiting for something to
// write to it, so that one nothing writes to reads as empty instead of holding the
// program for good; reads then wait for data as usual. A file that cannot be opened
// gives -1 and a message naming it.
int OpenForReading(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "Cannot open " + Quoted(path) + ": " + Reason(errno);
        return fd;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads on until maxBytes or the end of the file, after the bytes `out` already holds
// from its start. Returns 0 or an errno value; `tooLarge` is set when more than
// maxBytes are there.
int ReadFrom(int fd, std::size_t maxBytes, std::vector<std::uint8_t>& out, bool& tooLarge) {
    tooLarge = false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        const auto expected = static_cast<unsigned long long>(st.st_size);
        if (expected > maxBytes) {
            tooLarge = true;
            return 0;
        }
        out.reserve(static_cast<std::size_t>(expected));
    }
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t room = maxBytes - out.size();
        // One byte beyond the limit tells a file that grew past it from one that fits.
        const std::size_t want = room < sizeof chunk ? room + 1 : sizeof chunk;
        const ssize_t got = ::read(fd, chunk, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        if (static_cast<std::size_t>(got) > room) {
            out.insert(out.end(), chunk, chunk + room);
            tooLarge = true;
            return 0;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
}

// Reads until `count` bytes more than `out` held or the end of the file, appending
// them to `out`. Returns 0 or an errno value.
int ReadUpTo(int fd, std::size_t count, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + count);
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, out.data() + start + have, count - have);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    out.resize(start + have);
    return 0;
}

// Reads the rest of a file after the bytes `data` holds from its start and hands all
// of them to `out`; false with a message naming the file when it cannot be read or
// holds more than maxBytes.
bool ReadRest(int fd, const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& data,
              std::vector<std::uint8_t>& out, std::string& error) {
    bool tooLarge = false;
    if (const int err = ReadFrom(fd, maxBytes, data, tooLarge); err != 0) {
        error = "Cannot read " + Quoted(path) + ": " + Reason(err);
        return false;
    }
    if (tooLarge) {
        error = Quoted(path) + " is too large to be read";
        return false;
    }
    out.swap(data);
    return true;
}

std::atomic<unsigned> g_tempCounter{0};

// The folder that holds `path`, as a path that can be opened: "." for a bare name.
std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The file that a link, or a chain of links, names when that file does not exist yet
// but its folder does: the path to create so that the links stay and lead to it.
// Empty when `path` is no such link.
std::string MissingLinkTarget(const std::string& path) {
    std::string at = path;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            if (errno != ENOENT || hop == 0) return {};
            break;
        }
        // The kernel gives up on a chain this long too.
        if (!S_ISLNK(st.st_mode) || hop == 40) return {};
        const std::size_t slash = at.find_last_of('/');
        // In a shared folder with the sticky bit (like /tmp) a link of another user is
        // not followed, as the kernel protects such links: one planted there would
        // otherwise make this save create a file wherever it points.
        struct stat folderStat {};
        if (::stat(DirectoryOf(at).c_str(), &folderStat) != 0) return {};
        const bool shared = (folderStat.st_mode & S_ISVTX) && (folderStat.st_mode & S_IWOTH);
        if (shared && st.st_uid != ::geteuid() && st.st_uid != folderStat.st_uid) return {};
        char named[4096];
        const ssize_t n = ::readlink(at.c_str(), named, sizeof named);
        if (n <= 0 || static_cast<std::size_t>(n) == sizeof named) return {};
        const std::string base =
            named[0] == '/' || slash == std::string::npos ? std::string() : at.substr(0, slash + 1);
        at = base + std::string(named, static_cast<std::size_t>(n));
    }
    const std::size_t slash = at.find_last_of('/');
    const std::string name = slash == std::string::npos ? at : at.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return {};
    char* real = ::realpath(DirectoryOf(at).c_str(), nullptr);
    if (!real) return {};
    std::string result = real;
    std::free(real);
    struct stat st {};
    if (::stat(result.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return (result == "/" ? result : result + "/") + name;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::string& error,
                   std::size_t maxBytes) {
    Fd fd(OpenForReading(path, error));
    if (fd.get() < 0) return false;
    std::vector<std::uint8_t> data;
    return ReadRest(fd.get(), path, maxBytes, data, out, error);
}

namespace {

template <class Starts>
bool ReadIfStarts(const std::string& path, Starts starts, std::size_t firstBytes, std::vector<std::uint8_t>& out,
                  std::string& error, std::size_t maxBytes) {
    Fd fd(OpenForReading(path, error));
    if (fd.get() < 0) return false;
    std::vector<std::uint8_t> data;
    if (const int err = ReadUpTo(fd.get(), firstBytes, data); err != 0) {
        error = "Cannot read " + Quoted(path) + ": " + Reason(err);
        return false;
    }
    if (!starts(data.data(), data.size())) {
        out.swap(data);
        return true;
    }
    // The rest is read from where the first bytes ended: a pipe can be read only once.
    return ReadRest(fd.get(), path, maxBytes, data, out, error);
}

}  // namespace

bool ReadFileStartingWith(const std::string& path, std::string_view signature, std::size_t firstBytes,
                          std::vector<std::uint8_t>& out, std::string& error, std::size_t maxBytes) {
    const auto starts = [signature](const std::uint8_t* data, std::size_t size) {
        return size >= signature.size() &&
               std::equal(signature.begin(), signature.end(), data,
                          [](char s, std::uint8_t b) { return static_cast<std::uint8_t>(s) == b; });
    };
    return ReadIfStarts(path, starts, firstBytes, out, error, maxBytes);
}

bool ReadFileStartingWith(const std::string& path, bool (*starts)(const std::uint8_t*, std::size_t),
                          std::size_t firstBytes, std::vector<std::uint8_t>& out, std::string& error,
                          std::size_t maxBytes) {
    return ReadIfStarts(path, starts, firstBytes, out, error, maxBytes);
}

bool ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                    std::string& error) {
    Fd fd(OpenForReading(path, error));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        error = "Cannot read " + Quoted(path) + ": " + Reason(S_ISDIR(st.st_mode) ? EISDIR : errno);
        return false;
    }
    std::vector<std::uint8_t> data;
    if (const int err = ReadUpTo(fd.get(), maxBytes, data); err != 0) {
        error = "Cannot read " + Quoted(path) + ": " + Reason(err);
        return false;
    }
    out.swap(data);
    return true;
}

namespace {

// Pieces smaller than this are gathered before they go to the system: a bitmap is
// written a row at a time, and a system call for each row of a large picture cost
// three times as much as the copy that gathering makes.
constexpr std::size_t kGatherBytes = std::size_t{1} << 20;

// The folder part of a path, with its closing slash; empty for a bare file name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name for a temporary in `folder` that no other writer, in this process or
// another, is using; its own short name keeps long target names within the limit.
std::string FreshTempName(const std::string& folder) {
    const unsigned n = g_tempCounter.fetch_add(1, std::memory_order_relaxed);
    return folder + ".velmora-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
}

// Makes a new file under a fresh name in `folder`. O_EXCL keeps us from writing
// through somebody else's file or link; the mode 0666 lets the umask decide the
// permissions as for any new file. -1 with errno set when it cannot.
int OpenNamedTemporary(const std::string& folder, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = FreshTempName(folder);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) name.clear();
            return fd;
        }
    }
    name.clear();
    return -1;
}

// Makes a file without a name in `folder`, which vanishes by itself if the program
// dies before it is given one; -1 where the file system cannot make such files.
int OpenUnnamedTemporary(const std::string& folder) {
#if defined(O_TMPFILE)
    return ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    (void)folder;
    return -1;
#endif
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path, bool durable) : path_(std::move(path)), durable_(durable) {
    if (path_.empty()) {
        error_ = "Cannot write a file without a name";
        return;
    }
    struct stat existing {};
    const bool exists = ::stat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (exists) {
        // Saving through a link updates the file it points to; replacing the link
        // itself would leave that file as it was.
        struct stat link {};
        if (::lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            if (char* real = ::realpath(path_.c_str(), nullptr)) {
                path_ = real;
                std::free(real);
            }
        }
        // A file its owner made read-only is not replaced behind their back, also not
        // by the superuser, whom the permission bits alone would not stop.
        const bool anyWriter = (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
        if (!anyWriter || ::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0) {
            error_ = "Cannot write " + Quoted(path_) + ": " + Reason(anyWriter ? errno : EACCES);
            return;
        }
        existed_ = true;
        // Renaming a new file over one name of a file with several would part that
        // name from the others, which would keep the old content.
        keepLinks_ = existing.st_nlink > 1;
    } else if (std::string target = MissingLinkTarget(path_); !target.empty()) {
        // A link to a file not made yet is kept too: the file it names is created.
        path_ = std::move(target);
    }
    // The temporary lives in the target's folder so that the final rename cannot cross
    // file systems. It has no name until Commit, so that a save cut off by a crash
    // leaves nothing in the user's folder; file systems without unnamed files (some
    // network shares) get a named one from the start.
    const std::string folder = FolderOf(path_);
    fd_ = OpenUnnamedTemporary(folder);
    if (fd_ < 0) fd_ = OpenNamedTemporary(folder, tempPath_);
    if (fd_ >= 0) {
        // A file being replaced keeps its permissions.
        if (exists) ::fchmod(fd_, existing.st_mode & 07777);
        return;
    }
    const int err = errno;
    if (exists && (err == EACCES || err == EPERM)) {
        // A folder that takes no new files still lets a writable file in it be
        // written over where it stands, as any editor would. Commit claims the space
        // before it overwrites anything, so a full disk still keeps the old file.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ >= 0) {
            inPlace_ = true;
            return;
        }
    }
    error_ = "Cannot write " + Quoted(path_) + ": " + Reason(err);
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

void AtomicFileWriter::Fail(const std::string& what, int err) {
    if (error_.empty()) error_ = what + " " + Quoted(path_) + ": " + Reason(err);
    Discard();
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (!error_.empty()) return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (inPlace_) {
        // Nothing touches the old file before Commit knows the new one fits.
        gathered_.insert(gathered_.end(), p, p + size);
        return true;
    }
    if (gathered_.size() + size > kGatherBytes && !Flush()) return false;
    if (size >= kGatherBytes) return WriteOut(p, size);
    if (gathered_.capacity() < kGatherBytes) gathered_.reserve(kGatherBytes);
    gathered_.insert(gathered_.end(), p, p + size);
    return true;
}

bool AtomicFileWriter::Flush() {
    const bool ok = WriteOut(gathered_.data(), gathered_.size());
    gathered_.clear();
    return ok;
}

bool AtomicFileWriter::WriteOut(const std::uint8_t* p, std::size_t size) {
    while (size > 0) {
        // Some kernels refuse single writes above about 2 GiB.
        const std::size_t piece = size < (std::size_t(1) << 30) ? size : (std::size_t(1) << 30);
        const ssize_t done = ::write(fd_, p, piece);
        if (done < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", errno);
            return false;
        }
        if (done == 0) {
            Fail("Cannot write", ENOSPC);
            return false;
        }
        p += done;
        size -= static_cast<std::size_t>(done);
        written_ += static_cast<std::uint64_t>(done);
    }
#if defined(__linux__)
    // A durable file is waited for at Commit; asking the disk to take what is written
    // every few megabytes lets it work while the rest is written, which takes about a
    // third off that wait for a large picture. Only a request: a failure shows at the
    // fsync.
    constexpr std::uint64_t kFlushBytes = std::uint64_t{8} << 20;
    if (durable_ && written_ - flushStarted_ >= kFlushBytes) {
        ::sync_file_range(fd_, static_cast<off_t>(flushStarted_), static_cast<off_t>(written_ - flushStarted_),
                          SYNC_FILE_RANGE_WRITE);
        flushStarted_ = written_;
    }
#endif
    return true;
}

bool AtomicFileWriter::CopyFrom(int source) {
    const std::uint64_t size = written_;
    written_ = flushStarted_ = 0;
    std::vector<std::uint8_t> chunk(kGatherBytes);
    while (error_.empty() && written_ < size) {
        const std::uint64_t left = size - written_;
        const ssize_t got = ::pread(source, chunk.data(), left < chunk.size() ? std::size_t(left) : chunk.size(),
                                    static_cast<off_t>(written_));
        if (got < 0 && errno == EINTR) continue;
        // Only a temporary cut short by somebody else could end early.
        if (got <= 0)
            Fail("Cannot write", got < 0 ? errno : EIO);
        else
            WriteOut(chunk.data(), static_cast<std::size_t>(got));
    }
    return error_.empty();
}

void AtomicFileWriter::ReserveInPlace(std::uint64_t bytes) {
    // The disk space for the whole new file is claimed before the first byte of the
    // old one is overwritten, so that a full disk leaves the old file as it was. The
    // size stays as it is until the writes reach it. A file system that cannot
    // reserve space ahead is written as it comes.
    const auto size = static_cast<off_t>(bytes);
    // A limit on this process's file sizes refuses the writes only once they reach it.
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<unsigned long long>(size) > static_cast<unsigned long long>(limit.rlim_cur)) {
        Fail("Cannot write", EFBIG);
        return;
    }
    int err = 0;
#if defined(__linux__)
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0) err = errno;
#else
    err = ::posix_fallocate(fd_, 0, size);
#endif
    if (err != 0 && err != EOPNOTSUPP && err != ENOSYS && err != EINVAL) Fail("Cannot write", err);
}

void AtomicFileWriter::FinishInPlace() {
    // Whatever the old file held past the new end goes.
    if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) return Fail("Cannot write", errno);
    if (durable_ && ::fsync(fd_) != 0 && errno != EINVAL) return Fail("Cannot write", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot write", errno);
}

bool AtomicFileWriter::NameTemporary() {
    // The file is linked into the folder through /proc; where /proc is missing,
    // through its descriptor, which the kernel allows only to some processes.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    const std::string folder = FolderOf(path_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FreshTempName(folder);
        int done = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
        if (done != 0 && errno != EEXIST) done = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
        if (done == 0) {
            tempPath_ = name;
            return true;
        }
        if (errno != EEXIST) break;
    }
    // Where it cannot be named, its content goes to a named temporary after all.
    Fd unnamed(fd_);
    fd_ = OpenNamedTemporary(folder, tempPath_);
    if (fd_ < 0) {
        Fail("Cannot write", errno);
        return false;
    }
    struct stat st {};
    if (::fstat(unnamed.get(), &st) == 0) ::fchmod(fd_, st.st_mode & 07777);
    if (CopyFrom(unnamed.get()) && durable_ && ::fsync(fd_) != 0 && errno != EINVAL) Fail("Cannot write", errno);
    return error_.empty();
}

void AtomicFileWriter::Replace() {
    // The temporary is complete on the disk before it gets a name, so that the name
    // stands for the shortest time.
    if (durable_ && ::fsync(fd_) != 0 && errno != EINVAL) return Fail("Cannot write", errno);
    if (tempPath_.empty() && !NameTemporary()) return;
    // Some file systems (network shares) report a failed write only when the file is
    // closed. A copy of the descriptor is closed instead, which reports it too: the
    // descriptor itself stays for reading the content back should the rename be refused.
    if (const int copy = ::dup(fd_); copy >= 0 && ::close(copy) != 0) return Fail("Cannot write", errno);
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        // A folder with the sticky bit lets only the owner of a file, or of the folder,
        // replace it, even when others may write to it: such a file is written over
        // where it stands instead.
        if (errno == EPERM && existed_) return CopyOverTarget();
        return Fail("Cannot replace", errno);
    }
    tempPath_.clear();
    ::close(fd_);
    fd_ = -1;
    if (!durable_) return;
    // Make the rename itself durable; a failure here loses nothing.
    const int dfd = ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void AtomicFileWriter::CopyOverTarget() {
    // The finished temporary is copied into the target from its descriptor, after the
    // space for it is claimed as for any write in place, so that a full disk keeps the
    // old file. Its name, if it has one, is not needed for that: it goes first, so
    // that a program killed during the copy leaves no temporary behind.
    Fd source(fd_);
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    // The target was resolved to a plain file when the writer began; a link put in its
    // place since is not followed.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) return Fail("Cannot write", errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail("Cannot write", errno);
    if (!S_ISREG(st.st_mode)) return Fail("Cannot write", EINVAL);
    inPlace_ = true;
    ReserveInPlace(written_);
    if (error_.empty() && CopyFrom(source.get())) FinishInPlace();
}

bool AtomicFileWriter::Commit(std::string& error) {
    if (error_.empty() && inPlace_) ReserveInPlace(gathered_.size());
    if (error_.empty()) Flush();
    if (error_.empty()) {
        if (inPlace_) {
            FinishInPlace();
        } else if (keepLinks_) {
            // A copy waits for the disk once, when the target is written; the
            // temporary never needs a name.
            CopyOverTarget();
        } else {
            Replace();
        }
    }
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string& error) {
    AtomicFileWriter writer(path);
    writer.Write(data, size);
    return writer.Commit(error);
}

std::string UpperExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

}  // namespace velmora
