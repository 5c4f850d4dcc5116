#pragma once
// Drives the drawing tools through the real main window, pressing and dragging on the
// paint box as a mouse does (at 100 % and scroll 0 a paint-box pixel is an image pixel).

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QtTest>
#include <string>
#include <utility>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "history/gui/HistoryWindow.h"
#include "support/Mouse.h"
#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"

namespace velmora::test {

// A shown main window with a picture open.
inline void OpenPicture(TFrmMain& w, const ShellEnv& env, const Bitmap& picture, QSize size = QSize(700, 520)) {
    w.resize(size);
    w.show();
    if (!w.OpenFile(WriteBmp(env, "picture.bmp", picture))) qFatal("cannot open the test picture");
}

// A main window in a program folder of its own, shown with `picture` open.
struct PictureWindow {
    ShellEnv env;
    TFrmMain w{env.Folder()};
    explicit PictureWindow(const Bitmap& picture, QSize size = QSize(700, 520)) { OpenPicture(w, env, picture, size); }
};

inline void ChooseTool(TFrmMain& w, int toolId) {
    QAbstractButton* button = w.FrmTools->ToolButton(toolId);
    QVERIFY(button && button->isEnabled());
    button->click();
    QCOMPARE(w.Doc().CurrentTool, toolId);
}

inline void Press(TFrmMain& w, QPoint p, Qt::MouseButton button = Qt::LeftButton) { Press(w.PaintBox1, p, button); }
inline void Drag(TFrmMain& w, QPoint p, Qt::MouseButtons held = Qt::LeftButton) { Drag(w.PaintBox1, p, held); }
inline void Hover(TFrmMain& w, QPoint p) { Hover(w.PaintBox1, p); }
inline void Release(TFrmMain& w, QPoint p, Qt::MouseButton button = Qt::LeftButton) { Release(w.PaintBox1, p, button); }
// A press, the moves in between and the release, as one stroke.
inline void Stroke(TFrmMain& w, std::initializer_list<QPoint> points) {
    const QPoint* p = points.begin();
    Press(w, *p);
    for (++p; p != points.end(); ++p) Drag(w, *p);
    Release(w, *(points.end() - 1));
}

// The current history state's name and detail as one "name / detail" string.
inline QString StateText(TFrmMain& w) {
    const HistoryRing& ring = w.FrmHistory->Ring();
    return QString::fromStdString(ring.Name(ring.CurrentIndex()) + " / " + ring.Detail(ring.CurrentIndex()));
}
inline int StateCount(TFrmMain& w) { return w.FrmHistory->Ring().Count(); }

inline std::uint32_t PixelValue(const Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.Pixel(x, y);
    return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[0]) << 16);
}

// A picture of one color (red in the low byte).
inline Bitmap Plain(int w, int h, std::uint32_t color) {
    Bitmap b(w, h);
    b.Fill(static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
           static_cast<std::uint8_t>(color));
    return b;
}

}  // namespace velmora::test
