#pragma once
// What the program's command line asks for: the usual --help and --version, and the
// picture or project to open. One document is open at a time, so only the first file
// named is opened; the others are reported rather than dropped without a word.

#include <QString>
#include <QStringList>
#include <string>

namespace velmora {

struct CommandLine {
    enum class Action { Run, Help, Version, Mistake };
    Action action = Action::Run;
    QString file;     // absolute path of the file to open; empty for none
    int fileArgument = -1;  // where in the arguments the file was named
    QString message;  // for Help and Version the text to print, for Mistake the error,
                      // for Run a warning (files left unopened), else empty
};

// Reads the arguments as QCoreApplication::arguments() gives them (the program's own
// name first). Never exits the program.
CommandLine ReadCommandLine(const QStringList& arguments);

// The file `line` names as the system spelled it in `argv` (main's, after the
// application object took Qt's own options out), made absolute; empty for none. A
// name that is not valid UTF-8 has no exact QString, so only these bytes open it.
std::string FileToOpen(const CommandLine& line, int argc, const char* const* argv);

// The arguments without the options that Qt takes out of the command line when the
// application object is made (-platform NAME, -style NAME, -display NAME, -reverse
// and the like, with one dash or two), so that the rest can be read before then:
// making that object needs a display. Arguments after "--" are kept as they are.
QStringList WithoutQtOptions(const QStringList& arguments);

}  // namespace velmora
