// The program: resolves its folder, creates the main window (which creates the other
// long-lived windows), opens a picture or project named on the command line, and
// runs the event loop until the main window closes.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "app/gui/CommandLine.h"
#include "app/gui/Icons.h"
#include "app/gui/MainWindow.h"
#include "common/LargeBlocks.h"
#include "common/gui/Messages.h"

namespace {

// Prints the help or the version when that is what the command line asks for.
bool Answered(const velmora::CommandLine& line) {
    using Action = velmora::CommandLine::Action;
    if (line.action != Action::Help && line.action != Action::Version) return false;
    std::printf("%s\n", line.message.toLocal8Bit().constData());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // A write past the file-size limit then fails like a full disk, with a message,
    // instead of ending the program and the work in it.
    std::signal(SIGXFSZ, SIG_IGN);
    // Memory that the picture blocks keep for reuse is given up before any other
    // allocation is refused.
    velmora::ReleaseKeptBlocksWhenMemoryRunsOut();
    // Whether huge pages are cheap here is found out while the program starts.
    velmora::ProbeHugePages();
    // Help, the version and a wrong option are answered before Qt looks for a display,
    // so that they work on a terminal without one; Qt's own options are left to Qt.
    {
        QStringList raw;
        for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
        const velmora::CommandLine early = velmora::ReadCommandLine(velmora::WithoutQtOptions(raw));
        if (Answered(early)) return 0;
        if (early.action == velmora::CommandLine::Action::Mistake) {
            std::fprintf(stderr, "%s\n", early.message.toLocal8Bit().constData());
            return 2;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(velmora::kProgramName));
    QApplication::setApplicationVersion(QString::fromLatin1(velmora::kProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    // Help, the version or a wrong option behind Qt's own options are answered on the
    // terminal, and no window opens.
    const velmora::CommandLine line = velmora::ReadCommandLine(QApplication::arguments());
    if (Answered(line)) return 0;
    if (!line.message.isEmpty()) std::fprintf(stderr, "%s\n", line.message.toLocal8Bit().constData());
    if (line.action == velmora::CommandLine::Action::Mistake) return 2;
    // The shipped files sit beside the executable in a build tree and under
    // share/velmora in an installed one; the program's own files go beside the
    // executable when that is writable and holds them, else to the user's data folder.
    const QString exeDir = QCoreApplication::applicationDirPath();
    std::string error;
    const std::string folder = velmora::ResolveProgramFolder(
        exeDir.toStdString(), velmora::ShareFolderOf(exeDir.toStdString()),
        velmora::UserDataFolder(), error);

    // The program's icon as installed for the desktop, else the drawn one.
    const QString iconFile = exeDir + QStringLiteral("/velmora.png");
    const QString installedIcon =
        QDir::cleanPath(exeDir + QStringLiteral("/../share/icons/hicolor/128x128/apps/velmora.png"));
    if (QFileInfo::exists(iconFile))
        QApplication::setWindowIcon(QIcon(iconFile));
    else if (QFileInfo::exists(installedIcon))
        QApplication::setWindowIcon(QIcon(installedIcon));
    else
        QApplication::setWindowIcon(velmora::MakeIcon(velmora::IconId::Program));

    velmora::TFrmMain window(folder);
    // The window opens maximized; its normal size, for when the user restores it (or
    // when no window manager maximizes it), is most of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size(area.width() * 5 / 6, area.height() * 5 / 6);
        window.setGeometry(QRect(area.topLeft() + QPoint((area.width() - size.width()) / 2,
                                                         (area.height() - size.height()) / 2),
                                 size));
    }
    window.showMaximized();
    if (!error.empty()) velmora::ShowMessage(&window, QString::fromStdString(error));

    if (!line.file.isEmpty()) {
        // After the first paint, so the window is there when a message must be shown.
        QTimer::singleShot(0, &window, [&window, path = line.file, file = velmora::FileToOpen(line, argc, argv)] {
            window.OpenFile(path, file);
        });
    }
    return QApplication::exec();
}
