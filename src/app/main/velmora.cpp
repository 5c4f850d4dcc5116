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


#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "app/gui/Icons.h"
#include "app/gui/MainWindow.h"
#include "common/LargeBlocks.h"
#include "common/gui/Messages.h"

int main(int argc, char** argv) {
    // A write past the file-size limit then fails like a full disk, with a message,
    // instead of ending the program and the work in it.
    std::signal(SIGXFSZ, SIG_IGN);
    // Memory that the picture blocks keep for reuse is given up before any other
    // allocation is refused.
    velmora::ReleaseKeptBlocksWhenMemoryRunsOut();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(velmora::kProgramName));
    QApplication::setApplicationVersion(QString::fromLatin1(velmora::kProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
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

    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QString path = QFileInfo(args.at(1)).absoluteFilePath();
        // After the first paint, so the window is there when a message must be shown.
        QTimer::singleShot(0, &window, [&window, path] { window.OpenFile(path); });
    }
    return QApplication::exec();
}
