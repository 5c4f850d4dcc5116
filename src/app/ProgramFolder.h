#pragma once
// The program folder: where the presets, "options.dat", the help page and the history
// folder live. It is the executable's own folder when that is writable (the build tree,
// an unpacked copy); an installed copy, whose shipped files sit under share/velmora, or
// one in a read-only place uses the user's data folder instead, which is filled with
// the shipped presets and help on first use.

#include <string>

namespace velmora {

// The folder of presets, options.dat, help and history: exeDir when it is writable
// and not an installed copy's bin/ (no shipped files there, but in shareDir);
// otherwise userDataDir (created), seeded on first use with the shipped files
// (*.set, the help page) copied from exeDir or from shareDir when missing there.
// `error` is empty when all went well; otherwise it says what the user should know
// (the returned folder is still the best one available).
std::string ResolveProgramFolder(const std::string& exeDir, const std::string& shareDir,
                                 const std::string& userDataDir, std::string& error);

// The folder whose default preset a program without windows reads: the one the
// program chooses, when it exists already and holds that preset; otherwise the folder
// the program would copy the preset from at its next start. Nothing is created or
// seeded.
std::string ProgramFolderToRead(const std::string& exeDir, const std::string& shareDir,
                                const std::string& userDataDir);

// Where an installed copy's shipped files are: share/velmora beside its bin/.
std::string ShareFolderOf(const std::string& exeDir);

// The user's data folder the program uses, as the desktop's rules place it: under
// $XDG_DATA_HOME when that is an absolute path, else under ~/.local/share. Empty
// without either.
std::string UserDataFolder(const char* xdgDataHome, const char* home);
// The same for this process's environment.
std::string UserDataFolder();

// `fileName` inside `folder`, joined with exactly one "/"; an empty folder leaves the
// name as it is.
std::string FileInFolder(const std::string& folder, const std::string& fileName);

// True when a file can really be created in `folder`. Permission bits alone do not
// tell: the superuser writes anyway, and a read-only mount refuses everyone.
bool IsWritableFolder(const std::string& folder);

// Files the program ships beside its executable and needs in its program folder:
// presets (".set") and the help page (".chm", ".html", ".htm").
bool IsShippedFile(const std::string& fileName);

}  // namespace velmora
