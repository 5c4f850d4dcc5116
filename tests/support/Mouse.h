#pragma once
// Mouse events sent straight to a widget with an explicit button state, the way a
// real press, drag and release deliver them (QTest's mouse functions send no moves
// with a button held).

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace velmora::test {

// `pos` may fall between whole pixels, as on a scaled screen (QT_SCALE_FACTOR=2 reports
// 10.5 for the pointer on the right half of pixel 10).
inline void SendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonPress, p, button, button);
}
inline void Drag(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, held);
}
inline void Hover(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
inline void Release(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}

// The same through the window system, as a device's events arrive: the application's
// own record of the buttons down (QGuiApplication::mouseButtons) follows these, which
// it does not for the events above. `p` is in `w`'s coordinates.
inline QPoint InWindow(QWidget* w, QPoint p) { return w->mapTo(w->window(), p); }
inline void DevicePress(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(w->window()->windowHandle(), button, {}, InWindow(w, p));
}
inline void DeviceMove(QWidget* w, QPoint p) { QTest::mouseMove(w->window()->windowHandle(), InWindow(w, p)); }
inline void DeviceRelease(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(w->window()->windowHandle(), button, {}, InWindow(w, p));
}

}  // namespace velmora::test
