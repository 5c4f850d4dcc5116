#pragma once
// Gives each running copy of the program its own snapshot folder, so that two copies
// never overwrite each other's undo states: programFolder/"history" for the first copy,
// "history-2", "history-3" ... for the others. A folder belongs to the copy that holds
// an exclusive lock on the file "~history.lock" inside it; the operating system drops
// the lock when the process ends, even after a crash, so a folder left by a dead copy
// is reused by the next one. File names inside stay "~history<k>.d2o".

#include <memory>
#include <string>

namespace velmora {

class HistoryFolderLock {
public:
    // How many folders are tried before giving up.
    static constexpr int kMaxFolders = 64;
    static constexpr const char* kLockFileName = "~history.lock";
    // In a private folder: which run made it.
    static constexpr const char* kOwnerFileName = "~history.owner";

    // First removes the private folders (see Private) of runs that have ended. Then
    // locks the first free folder that holds the work of a run that did not end
    // normally, so that the work is offered again whichever copy crashed; otherwise
    // creates and locks the first free folder. nullptr with a message naming the
    // folder when none could be created or locked; on a file system without locks
    // that is known at the first folder, and no further one is made.
    static std::unique_ptr<HistoryFolderLock> Acquire(const std::string& programFolder, std::string& error);

    // When no folder can be locked (every one held, or a file system without locks):
    // a new folder of this run's own, "history-run-XXXXXX", that no other copy uses
    // and that goes, with whatever is in it, when the object does. Nothing finds its
    // work again after a crash; the next start on this machine removes it once the
    // process that made it has ended. nullptr with a message when it cannot be created.
    static std::unique_ptr<HistoryFolderLock> Private(const std::string& programFolder, std::string& error);

    // The folder name for the n-th copy (n from 1): "history", "history-2", ...
    static std::string FolderName(int n);

    const std::string& Folder() const;
    // True while the lock file in the folder is the one this object holds locked. A
    // folder removed while the run goes on (by a clean-up of the disk, say) is not this
    // run's any more: another copy may make it again and take it.
    bool Holds() const;
    // Holds(), or else makes the folder again with a lock file of its own and locks
    // that; false with a message when another copy has taken the folder meanwhile or
    // it cannot be made. A private folder, whose name no other copy uses, is just made again.
    bool Reclaim(std::string& error);
    ~HistoryFolderLock();  // releases the lock, keeps the files (of a locked folder)

    HistoryFolderLock(const HistoryFolderLock&) = delete;
    HistoryFolderLock& operator=(const HistoryFolderLock&) = delete;

private:
    HistoryFolderLock(std::string folder, int fd);
    // The lock of `folder`, creating it and its lock file; nullptr when another copy
    // holds it or it cannot be had (`problem` then says why, unless it is merely held).
    // `noLocks` tells that the file system keeps no locks, so no other folder on it will do.
    static std::unique_ptr<HistoryFolderLock> TryLock(const std::string& folder, std::string& problem,
                                                      bool& noLocks);

    std::string folder_;
    int fd_ = -1;
    bool private_ = false;
};

}  // namespace velmora
