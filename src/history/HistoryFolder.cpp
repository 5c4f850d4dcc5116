#include "history/HistoryFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "history/HistoryIndex.h"
#include "history/HistoryRecovery.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrivatePrefix = "history-run-";

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The host name and, where the system keeps one, the machine's own id: two machines
// that share the program's folder over a network may well have the same host name.
std::string ThisMachine() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return {};
    return std::string(host) + "/" + FirstLine("/etc/machine-id");
}

// Changes each time the machine starts, so that a record from before a restart is
// known to belong to a process that has ended.
std::string BootId() { return FirstLine("/proc/sys/kernel/random/boot_id"); }

// When the process with this id started, in clock ticks since the machine did; empty
// where the system does not tell. A process id is given again after its process ends.
std::string StartTime(long pid) {
    const std::string stat = FirstLine("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    // The start time is the 22nd field; the 3rd is the first after the name.
    for (int n = 3; n <= 22; ++n)
        if (!(fields >> field)) return {};
    return field;
}

struct RunOwner {
    std::string Machine, Boot, Start;
    long Pid = 0;
};

std::string OwnerRecord() {
    const long pid = static_cast<long>(::getpid());
    return "machine " + ThisMachine() + "\nboot " + BootId() + "\npid " + std::to_string(pid) + "\nstart " +
           StartTime(pid) + "\n";
}

// A record is trusted only whole: one being written at this moment is not.
bool ReadOwner(const std::string& text, RunOwner& owner) {
    if (text.empty() || text.back() != '\n') return false;
    std::istringstream lines(text);
    std::string line;
    bool seenPid = false, seenStart = false;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space), value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "machine") owner.Machine = value;
        if (key == "boot") owner.Boot = value;
        if (key == "start") seenStart = true, owner.Start = value;
        if (key == "pid") seenPid = std::sscanf(value.c_str(), "%ld", &owner.Pid) == 1 && owner.Pid > 0;
    }
    return seenPid && seenStart && !owner.Machine.empty();
}

// True only when the recorded process has surely ended; any doubt keeps its folder.
bool OwnerEnded(const RunOwner& owner) {
    // Another machine's processes cannot be seen from here.
    if (owner.Machine != ThisMachine()) return false;
    const std::string boot = BootId();
    if (!boot.empty() && !owner.Boot.empty() && boot != owner.Boot) return true;
    if (::kill(static_cast<pid_t>(owner.Pid), 0) != 0) return errno == ESRCH;
    // A process lives under that id: the owner only if it started when the owner did.
    const std::string start = StartTime(owner.Pid);
    return !start.empty() && !owner.Start.empty() && start != owner.Start;
}

// A private folder is removed once the run that made it has ended: it is of no use to
// any other run. Its owner file holds that run's lock, where the file system keeps
// locks, and says which process on which machine made it; a folder without a whole
// record is left alone, as it may have been made a moment ago.
void RemoveEndedPrivateFolders(const fs::path& base) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(kPrivatePrefix, 0) != 0) continue;
        std::error_code ignored;
        if (!it->is_directory(ignored) || it->is_symlink(ignored)) continue;
        const std::string ownerPath = (it->path() / HistoryFolderLock::kOwnerFileName).string();
        const int fd = ::open(ownerPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        int rc;
        do {
            rc = ::flock(fd, LOCK_SH | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        const bool held = rc != 0 && errno == EWOULDBLOCK;
        char buffer[1024];
        const ssize_t got = held ? -1 : ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        RunOwner owner;
        if (got > 0 && ReadOwner(std::string(buffer, static_cast<std::size_t>(got)), owner) && OwnerEnded(owner))
            fs::remove_all(it->path(), ignored);
    }
}

}  // namespace

HistoryFolderLock::HistoryFolderLock(std::string folder, int fd) : folder_(std::move(folder)), fd_(fd) {}

HistoryFolderLock::~HistoryFolderLock() {
    // Closing the descriptor releases the lock. The lock file stays: removing it would
    // let a copy that opened it a moment earlier lock a file no longer in the folder.
    if (fd_ >= 0) ::close(fd_);
    if (private_) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

std::unique_ptr<HistoryFolderLock> HistoryFolderLock::Private(const std::string& programFolder, std::string& error) {
    error.clear();
    const fs::path base = programFolder.empty() ? fs::path(".") : fs::path(programFolder);
    std::string pattern = (base / "history-run-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        error = pattern + " could not be created: " + std::strerror(errno);
        return nullptr;
    }
    // The owner file says whose folder this is, so that a later start can remove it
    // once this run has ended, even after a crash; its lock, where there are locks,
    // says the same for as long as this run lasts. The folder works without either.
    const std::string ownerPath = (fs::path(pattern) / kOwnerFileName).string();
    const int fd = ::open(ownerPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);
        const std::string record = OwnerRecord();
        const ssize_t ignored = ::write(fd, record.data(), record.size());
        (void)ignored;
    }
    std::unique_ptr<HistoryFolderLock> folder(new HistoryFolderLock(pattern, fd));
    folder->private_ = true;
    return folder;
}

const std::string& HistoryFolderLock::Folder() const { return folder_; }

bool HistoryFolderLock::Holds() const {
    if (private_) return fs::is_directory(folder_);
    struct stat held {}, named {};
    const std::string lockPath = (fs::path(folder_) / kLockFileName).string();
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 && ::lstat(lockPath.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool HistoryFolderLock::Reclaim(std::string& error) {
    error.clear();
    if (Holds()) return true;
    if (private_) {
        std::error_code ec;
        fs::create_directories(folder_, ec);
        if (fs::is_directory(folder_)) return true;
        error = folder_ + " could not be created: " + ec.message();
        return false;
    }
    std::string problem;
    bool noLocks = false;
    std::unique_ptr<HistoryFolderLock> fresh = TryLock(folder_, problem, noLocks);
    if (!fresh) {
        error = problem.empty() ? folder_ + " was removed, and another running copy of Velmora uses it now." : problem;
        return false;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(fresh->fd_, -1);
    return true;
}

std::string HistoryFolderLock::FolderName(int n) {
    return n <= 1 ? std::string("history") : "history-" + std::to_string(n);
}

std::unique_ptr<HistoryFolderLock> HistoryFolderLock::TryLock(const std::string& folderName, std::string& problem,
                                                              bool& noLocks) {
    problem.clear();
    noLocks = false;
    const fs::path folder(folderName);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec && !fs::is_directory(folder)) {
        problem = folder.string() + " could not be created: " + ec.message();
        return nullptr;
    }
    const std::string lockPath = (folder / kLockFileName).string();
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem = lockPath + " could not be opened: " + std::strerror(errno);
        return nullptr;
    }
    // flock locks belong to the open file, so a second Acquire in the same process
    // also finds the folder taken, which is what a second window would need too.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) return std::unique_ptr<HistoryFolderLock>(new HistoryFolderLock(folder.string(), fd));
    const int lockErrno = errno;
    ::close(fd);
    if (lockErrno != EWOULDBLOCK) problem = lockPath + " could not be locked: " + std::strerror(lockErrno);
    // These say that the file system keeps no locks at all, not that this folder is
    // taken: every other folder on it would fail in the same way.
    noLocks = lockErrno == ENOLCK || lockErrno == EOPNOTSUPP || lockErrno == ENOSYS || lockErrno == EINVAL;
    return nullptr;
}

std::unique_ptr<HistoryFolderLock> HistoryFolderLock::Acquire(const std::string& programFolder,
                                                              std::string& error) {
    error.clear();
    const fs::path base = programFolder.empty() ? fs::path(".") : fs::path(programFolder);
    RemoveEndedPrivateFolders(base);
    std::string problem;
    bool noLocks = false;
    // A run that ended badly left its index in a folder nobody holds now. Only the
    // lock tells such a folder from one whose copy is still running.
    for (int n = 1; n <= kMaxFolders; ++n) {
        const fs::path folder = base / FolderName(n);
        std::error_code ec;
        if (!fs::exists(HistoryIndexPath(folder.string()), ec)) continue;
        std::unique_ptr<HistoryFolderLock> lock = TryLock(folder.string(), problem, noLocks);
        if (lock && FindUnfinishedRun(lock->Folder())) return lock;
        if (noLocks) {
            error = problem;
            return nullptr;
        }
    }
    std::string firstProblem;
    for (int n = 1; n <= kMaxFolders && !noLocks; ++n) {
        std::unique_ptr<HistoryFolderLock> lock = TryLock((base / FolderName(n)).string(), problem, noLocks);
        if (lock) return lock;
        if (firstProblem.empty()) firstProblem = problem;
    }
    error = firstProblem.empty()
                ? "No free history folder in " + base.string() + ": every one is used by another running copy."
                : firstProblem;
    return nullptr;
}

}  // namespace velmora
