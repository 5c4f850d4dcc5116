#include "app/gui/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Version.h"

namespace velmora {

namespace {

// The index of the first argument that is not an option: the file's, since the only
// options taken (help and version) have no values.
int FirstPositional(const QStringList& arguments) {
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns a photograph into a cartoon: a sketch layer and a color layer, tuned with a live "
                       "preview, retouched with painting tools, text and balloons."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A picture (JPEG, PNG or BMP) or a project (.d2o) to open."),
                                 QStringLiteral("[file]"));
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = CommandLine::Action::Mistake;
        line.message = parser.errorText() + QStringLiteral("\nTry --help for the options.");
        return line;
    }
    const bool all = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(help) || all) {
        line.action = CommandLine::Action::Help;
        // Read before the application object exists, the parser cannot know the
        // program's name.
        line.message = parser.helpText();
        line.message.replace(QStringLiteral("<executable_name>"), QFileInfo(arguments.value(0)).fileName());
        if (all)
            line.message += QStringLiteral("\nQt's own options are taken as well, such as -platform NAME, -style NAME "
                                           "and -geometry WxH+X+Y; Qt's documentation lists them all.\n");
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        line.message =
            QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgramName), QString::fromLatin1(kProgramVersion));
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) return line;
    line.file = QFileInfo(files.front()).absoluteFilePath();
    line.fileArgument = FirstPositional(arguments);
    if (files.size() > 1)
        line.message = QStringLiteral("Only one file is opened at a time; not opened: ") +
                       files.mid(1).join(QStringLiteral(", "));
    return line;
}

std::string FileToOpen(const CommandLine& line, int argc, const char* const* argv) {
    if (line.file.isEmpty()) return {};
    const int at = line.fileArgument;
    // Arguments other than those the line was read from are not guessed at.
    if (at < 1 || at >= argc || QFileInfo(QString::fromLocal8Bit(argv[at])).absoluteFilePath() != line.file)
        return line.file.toStdString();
    std::error_code failed;
    const std::filesystem::path path = std::filesystem::absolute(argv[at], failed);
    return failed ? line.file.toStdString() : path.string();
}

QStringList WithoutQtOptions(const QStringList& arguments) {
    // What the application object, its windowing and the X11 platform take, in Qt 6.
    static const QStringList withValue{
        "platform", "platformpluginpath", "platformtheme", "qwindowgeometry", "geometry", "qwindowtitle",
        "title", "qwindowicon", "icon", "plugin", "session", "style", "stylesheet", "qmljsdebugger",
        "display", "name", "visual"};
    static const QStringList alone{"reverse", "testability", "widgetcount", "nograb", "dograb", "qdevel", "qdebug"};
    static const QStringList joined{"style=", "stylesheet=", "qmljsdebugger="};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            kept << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            kept << arguments.mid(i);
            break;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (withValue.contains(name)) {
            ++i;
            continue;
        }
        const auto startsName = [&name](const QString& prefix) { return name.startsWith(prefix); };
        if (alone.contains(name) || std::any_of(joined.begin(), joined.end(), startsName)) continue;
        kept << argument;
    }
    return kept;
}

}  // namespace velmora
