#include "history/HistoryFolder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "history/HistoryIndex.h"
#include "history/HistoryRecovery.h"

namespace velmora {

namespace fs = std::filesystem;

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
    std::unique_ptr<HistoryFolderLock> folder(new HistoryFolderLock(pattern, -1));
    folder->private_ = true;
    return folder;
}

const std::string& HistoryFolderLock::Folder() const { return folder_; }

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
