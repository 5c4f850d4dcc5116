#pragma once
// The program folder: where the presets, "options.dat", the help page and the history
// folder live. It is the executable's own folder when that is writable (the build tree,
// an unpacked copy); an installed copy in a read-only place uses the user's data folder
// instead, which is filled with the shipped presets and help on first use.

#include <string>

namespace velmora {

// The folder of presets, options.dat, help and history: exeDir when it is writable;
// otherwise userDataDir (created), seeded on first use with the shipped files
// (*.set, the help page) copied from exeDir or from shareDir when missing there.
// `error` is empty when all went well; otherwise it says what the user should know
// (the returned folder is still the best one available).
std::string ResolveProgramFolder(const std::string& exeDir, const std::string& shareDir,
                                 const std::string& userDataDir, std::string& error);

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
