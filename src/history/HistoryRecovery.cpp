#include "history/HistoryRecovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <iterator>
#include <set>
#include <system_error>

#include "history/History.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The temporaries that AtomicFileWriter creates beside its target (".velmora-<pid>-<n>.tmp").
// In a folder this copy holds locked, one can only be the remains of a write that was
// cut off by the end of an earlier run.
bool IsTemporaryName(const std::string& name) {
    static const std::string prefix = ".velmora-", suffix = ".tmp";
    return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Deletes the files in `folder` for which `doomed(name)` holds. Directories are never
// touched, even when their names match.
template <class Predicate>
bool RemoveMatching(const std::string& folder, std::string& error, Predicate doomed) {
    error.clear();
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        // A folder that is not there holds nothing to delete.
        if (ec == std::errc::no_such_file_or_directory) return true;
        error = folder + " could not be read: " + ec.message();
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        if (!doomed(name)) continue;
        std::error_code typeError;
        const fs::file_status status = fs::symlink_status(path, typeError);
        if (typeError || fs::is_directory(status)) continue;
        std::error_code removeError;
        if (!fs::remove(path, removeError) && removeError && error.empty())
            error = path.string() + " could not be deleted: " + removeError.message();
    }
    if (ec && error.empty()) error = folder + " could not be read: " + ec.message();
    return error.empty();
}

}  // namespace

std::string UnfinishedRun::DocumentName() const {
    const std::string& path = Index.DocumentPath;
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int SnapshotSlotOfName(const std::string& fileName) {
    static const std::string prefix = "~history", suffix = ".d2o";
    if (fileName.size() <= prefix.size() + suffix.size()) return -1;
    if (fileName.compare(0, prefix.size(), prefix) != 0) return -1;
    if (fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) return -1;
    const std::string digits = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
    if (digits.size() > 10) return -1;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    // Only the names the ring itself gives: no leading zeros, no slot past int.
    if (value > INT_MAX || std::to_string(value) != digits) return -1;
    return static_cast<int>(value);
}

std::optional<UnfinishedRun> FindUnfinishedRun(const std::string& folder) {
    UnfinishedRun run;
    std::string error;
    if (!ReadHistoryIndex(folder, run.Index, error)) return std::nullopt;
    // Restoring sets the document's name; an index without one was not written by a
    // run that had a document.
    if (run.Index.DocumentPath.empty()) return std::nullopt;
    struct stat st {};
    if (!IsRegularFile(HistoryIndexPath(folder), st)) return std::nullopt;
    run.SavedAt = static_cast<std::int64_t>(st.st_mtime);
    // States come oldest first; the ones after the current state were undone.
    const std::vector<HistoryIndexState>& states = run.Index.States;
    auto current = std::find_if(states.begin(), states.end(),
                                [&](const HistoryIndexState& s) { return s.Slot == run.Index.CurrentIndex; });
    if (current == states.end()) return std::nullopt;
    for (auto s = std::make_reverse_iterator(current + 1); s != states.rend(); ++s) {
        std::string path = HistoryRing::SlotPath(folder, s->Slot);
        struct stat snapshot {};
        if (IsRegularFile(path, snapshot)) run.Restorable.push_back({s->Name, std::move(path)});
        // Earlier states hold a picture the user has already saved or let go, and it
        // would come back under the name of the document opened after it.
        if (s->Name == kOpenStateName) break;
    }
    if (run.Restorable.empty()) return std::nullopt;
    return run;
}

bool RemoveRunFiles(const std::string& folder, std::string& error) {
    return RemoveMatching(folder, error, [](const std::string& name) {
        return name == HistoryIndex::kFileName || SnapshotSlotOfName(name) >= 0 || IsTemporaryName(name);
    });
}

bool RemoveSnapshotsOutside(const std::string& folder, const HistoryRing& ring, std::string& error) {
    std::set<int> kept;
    for (const HistoryIndexState& s : IndexOfRing(ring, std::string()).States) kept.insert(s.Slot);
    return RemoveMatching(folder, error, [&kept](const std::string& name) {
        const int slot = SnapshotSlotOfName(name);
        return (slot >= 0 && kept.count(slot) == 0) || IsTemporaryName(name);
    });
}

}  // namespace velmora
