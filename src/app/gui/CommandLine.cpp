#include "app/gui/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "app/Version.h"

namespace velmora {

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
        line.message = QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgramName), QString::fromLatin1(kProgramVersion));
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) return line;
    line.file = QFileInfo(files.front()).absoluteFilePath();
    if (files.size() > 1)
        line.message = QStringLiteral("Only one file is opened at a time; not opened: ") + files.mid(1).join(QStringLiteral(", "));
    return line;
}

}  // namespace velmora
