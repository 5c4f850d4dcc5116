#include "app/ProgramFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& fileName) {
    std::string ext = fs::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// The shipped file names found in `dir` (none when it is missing or empty).
std::set<std::string> ShippedFilesIn(const std::string& dir) {
    std::set<std::string> names;
    if (dir.empty()) return names;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return names;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        const std::string name = entry.path().filename().string();
        if (IsShippedFile(name)) names.insert(name);
    }
    return names;
}

void AppendProblem(std::string& error, const std::string& problem) {
    if (!error.empty()) error += "\n";
    error += problem;
}

}  // namespace

bool IsShippedFile(const std::string& fileName) {
    const std::string ext = LowerExtension(fileName);
    return ext == ".set" || ext == ".chm" || ext == ".html" || ext == ".htm";
}

bool IsWritableFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    std::string probe = (fs::path(folder) / ".velmora-write-test-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

namespace {

// An installed copy keeps its shipped files under share/velmora, not beside the
// executable; its bin/ may still be writable (a prefix in the user's home).
bool IsInstalledCopy(const std::string& exeDir, const std::string& shareDir) {
    return ShippedFilesIn(exeDir).empty() && !ShippedFilesIn(shareDir).empty();
}

// Whether the executable's own folder is the program folder: writable, and not an
// installed copy's bin/ while there is a user data folder to go to instead.
bool UsesExecutableFolder(const std::string& exeDir, const std::string& shareDir, const std::string& userDataDir) {
    return IsWritableFolder(exeDir) && (userDataDir.empty() || !IsInstalledCopy(exeDir, shareDir));
}

}  // namespace

std::string ResolveProgramFolder(const std::string& exeDir, const std::string& shareDir,
                                 const std::string& userDataDir, std::string& error) {
    error.clear();
    if (UsesExecutableFolder(exeDir, shareDir, userDataDir)) return exeDir;

    if (userDataDir.empty()) {
        error = exeDir + " is read-only and there is no user data folder: presets, preferences "
                         "and history cannot be saved.";
        return exeDir;
    }
    std::error_code ec;
    fs::create_directories(userDataDir, ec);
    if (!IsWritableFolder(userDataDir)) {
        error = userDataDir + " could not be created or is read-only: presets, preferences "
                              "and history cannot be saved.";
        return exeDir;
    }

    // Seed what is missing; files already there (a preset the user saved over a shipped
    // one, the last-used preset) are kept.
    std::set<std::string> names = ShippedFilesIn(exeDir);
    const std::set<std::string> shared = ShippedFilesIn(shareDir);
    names.insert(shared.begin(), shared.end());
    for (const std::string& name : names) {
        const fs::path target = fs::path(userDataDir) / name;
        std::error_code existsError;
        if (fs::exists(target, existsError)) continue;
        fs::path source = fs::path(exeDir) / name;
        std::error_code sourceError;
        if (exeDir.empty() || !fs::is_regular_file(source, sourceError)) source = fs::path(shareDir) / name;
        // Copy under a temporary name first: an interrupted copy must not leave a
        // truncated preset that later runs would take for the seeded one.
        const fs::path partial = fs::path(userDataDir) / (name + ".part");
        std::error_code copyError;
        fs::copy_file(source, partial, fs::copy_options::overwrite_existing, copyError);
        if (!copyError) fs::rename(partial, target, copyError);
        if (copyError) {
            std::error_code removeError;
            fs::remove(partial, removeError);
            AppendProblem(error, target.string() + " could not be copied from " + source.string() + ": " +
                                     copyError.message());
        }
    }
    return userDataDir;
}

std::string ProgramFolderToRead(const std::string& exeDir, const std::string& shareDir,
                                const std::string& userDataDir) {
    if (UsesExecutableFolder(exeDir, shareDir, userDataDir)) return exeDir;
    // The program copies a shipped preset that is missing from the user's folder back
    // at its next start, from the executable's folder first; until then the shipped
    // default preset is the one the program would convert with.
    const auto holdsDefault = [](const std::string& dir) {
        std::error_code ec;
        return !dir.empty() && fs::is_regular_file(fs::path(dir) / "default.set", ec);
    };
    for (const std::string* dir : {&userDataDir, &exeDir, &shareDir})
        if (holdsDefault(*dir)) return *dir;
    std::error_code ec;
    if (!userDataDir.empty() && fs::is_directory(userDataDir, ec)) return userDataDir;
    return IsInstalledCopy(exeDir, shareDir) ? shareDir : exeDir;
}

std::string ShareFolderOf(const std::string& exeDir) {
    return (fs::path(exeDir) / ".." / "share" / "velmora").lexically_normal().string();
}

std::string UserDataFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && *xdgDataHome == '/') return FileInFolder(xdgDataHome, "Velmora");
    if (home && *home) return FileInFolder(FileInFolder(home, ".local/share"), "Velmora");
    return {};
}

std::string UserDataFolder() { return UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

std::string FileInFolder(const std::string& folder, const std::string& fileName) {
    if (folder.empty()) return fileName;
    if (folder.back() == '/') return folder + fileName;
    return folder + "/" + fileName;
}

}  // namespace velmora
