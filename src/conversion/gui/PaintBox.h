#pragma once
// A plain drawing surface: what is drawn into its canvas stays there until drawn
// over, and mouse and resize events are passed on to whoever owns the drawing. The
// conversion dialog's preview pane and its handle scale are such surfaces.

#include <QImage>
#include <QWidget>

namespace velmora {

class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget* parent = nullptr);

    // Canvas of the widget's size (re-made on resize, keeping what fits, the rest
    // filled with the background colour).
    QImage& Canvas();
    const QImage& Canvas() const { return canvas_; }
    void SetBackground(const QColor& c) { background_ = c; }

signals:
    void MouseDown(int x, int y, Qt::MouseButton button);
    void MouseMove(int x, int y, Qt::MouseButtons buttons);
    void MouseUp(int x, int y, Qt::MouseButton button);
    void Resized();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QImage canvas_;
    QColor background_;
};

}  // namespace velmora
