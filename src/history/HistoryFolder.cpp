#include "history/HistoryFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

HistoryFolderLock::HistoryFolderLock(std::string folder, int fd) : folder_(std::move(folder)), fd_(fd) {}

HistoryFolderLock::~HistoryFolderLock() {
    // Closing the descriptor releases the lock. The lock file stays: removing it would
    // let a copy that opened it a moment earlier lock a file no longer in the folder.
    if (fd_ >= 0) ::close(fd_);
}

const std::string& HistoryFolderLock::Folder() const { return folder_; }

std::string HistoryFolderLock::FolderName(int n) {
    return n <= 1 ? std::string("history") : "history-" + std::to_string(n);
}

std::unique_ptr<HistoryFolderLock> HistoryFolderLock::Acquire(const std::string& programFolder,
                                                              std::string& error) {
    error.clear();
    const fs::path base = programFolder.empty() ? fs::path(".") : fs::path(programFolder);
    std::string firstProblem;
    for (int n = 1; n <= kMaxFolders; ++n) {
        const fs::path folder = base / FolderName(n);
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec && !fs::is_directory(folder)) {
            if (firstProblem.empty())
                firstProblem = folder.string() + " could not be created: " + ec.message();
            continue;
        }
        const std::string lockPath = (folder / kLockFileName).string();
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (firstProblem.empty())
                firstProblem = lockPath + " could not be opened: " + std::strerror(errno);
            continue;
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
        if (lockErrno != EWOULDBLOCK && firstProblem.empty())
            firstProblem = lockPath + " could not be locked: " + std::strerror(lockErrno);
    }
    error = firstProblem.empty()
                ? "No free history folder in " + base.string() + ": every one is used by another running copy."
                : firstProblem;
    return nullptr;
}

}  // namespace velmora
