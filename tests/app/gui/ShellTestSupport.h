#pragma once
// Shared by the main window's Qt tests: a temporary program folder, captured message boxes, pictures on disk.

#include <QApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/gui/MainWindow.h"
#include "common/Bitmap.h"
#include "common/gui/Messages.h"
#include "history/gui/HistoryWindow.h"
#include "io/Bmp.h"
#include "io/Jpeg.h"
#include "support/Images.h"
#include "support/Mouse.h"

namespace velmora::test {

// While alive, message boxes are recorded instead of shown and confirmations answered with `confirmAnswer`.
class ShellEnv {
public:
    QTemporaryDir dir;
    QStringList messages;
    QStringList confirmations;
    bool confirmAnswer = true;

    ShellEnv() {
        SetMessageHook([this](const QString&, const QString& text, bool confirmation) {
            (confirmation ? confirmations : messages) << text;
            return confirmation ? confirmAnswer : true;
        });
    }
    ~ShellEnv() {
        SetMessageHook(nullptr);
        // The folder goes by its bytes: QTemporaryDir leaves behind the files whose names
        // are not valid UTF-8, which the tests of such names make.
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(dir.path()).toStdString(), ignored);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    std::string Folder() const { return dir.path().toStdString(); }
};

// A shown main window of `size` (if given) over its own ShellEnv.
struct Shell {
    ShellEnv env;
    TFrmMain w;
    explicit Shell(QSize size = QSize()) : w(env.Folder()) {
        if (size.isValid()) w.resize(size);
        w.show();
    }
    // Writes the picture into the program folder and opens it.
    bool Open(const QString& name, const Bitmap& b);
};

inline QString WriteBmp(const ShellEnv& env, const QString& name, const Bitmap& b) {
    std::string error;
    const QString path = env.Path(name);
    if (!WriteBmpFile(path.toStdString(), b, error)) qFatal("cannot write %s", error.c_str());
    return path;
}

inline QString WriteJpeg(const ShellEnv& env, const QString& name, const Bitmap& b) {
    std::string error;
    const QString path = env.Path(name);
    if (!WriteJpegFile(path.toStdString(), b, 90, error)) qFatal("cannot write %s", error.c_str());
    return path;
}

inline bool Shell::Open(const QString& name, const Bitmap& b) { return w.OpenFile(WriteBmp(env, name, b)); }

// Writes `bytes` as the file `name` in the program folder, for files that are not pictures.
inline QString WriteRaw(const ShellEnv& env, const QString& name, const QByteArray& bytes) {
    QFile file(env.Path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return env.Path(name);
}

// Marks the sketch's first byte with `value` and records a state, waiting until its snapshot is on disk.
inline void Edit(TFrmMain& w, int value) {
    w.Doc().SketchBmp.Pixel(0, 0)[0] = static_cast<std::uint8_t>(value);
    QVERIFY(w.AddState("Pencil", "--"));
    w.FrmHistory->FinishWrites();
}

// Turns the wheel `notches` steps (negative: towards the user) at `at`, with `modifiers` held.
inline void Wheel(QWidget* view, QPoint at, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent e(QPointF(at), view->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &e);
}

// The same with Ctrl held: zoom steps.
inline void CtrlWheel(QWidget* view, QPoint at, int notches) { Wheel(view, at, notches, Qt::ControlModifier); }

}  // namespace velmora::test
