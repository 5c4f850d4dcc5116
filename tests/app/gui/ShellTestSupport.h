#pragma once
// Shared by the main window's Qt tests: a program folder of its own in a temporary
// directory, captured message boxes, and pictures written to disk.

#include <QMouseEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <string>

#include "app/ProgramFolder.h"
#include "common/Bitmap.h"
#include "common/gui/Messages.h"
#include "io/Bmp.h"
#include "io/Jpeg.h"

namespace velmora::test {

// While alive: ProgramFolder() is a fresh temporary folder and message boxes are
// recorded instead of shown; confirmations are answered with `confirmAnswer`.
class ShellEnv {
public:
    QTemporaryDir dir;
    QStringList messages;
    QStringList confirmations;
    bool confirmAnswer = true;

    ShellEnv() {
        SetProgramFolder(dir.path().toStdString());
        SetMessageHook([this](const QString&, const QString& text, bool confirmation) {
            (confirmation ? confirmations : messages) << text;
            return confirmation ? confirmAnswer : true;
        });
    }
    ~ShellEnv() { SetMessageHook(nullptr); }

    QString Path(const QString& name) const { return dir.filePath(name); }
};

// A picture whose pixels tell where they are: blue = x, green = y, red = x + y (mod 256).
inline Bitmap Gradient(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x + y);
        }
    return b;
}

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

// Mouse events with an explicit button state, as a real drag delivers them.
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace velmora::test
