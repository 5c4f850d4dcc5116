// What the paint box shows: the visible composite at any zoom and scroll, and the face elsewhere.

#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include "document/Document.h"
#include "support/ToolTestKit.h"
#include "view/ViewMath.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The color the composite holds at image pixel (x, y).
QColor Composite(const Document& d, int x, int y) {
    const std::uint8_t* p = d.CompositeBmp.Pixel(x, y);
    return QColor(p[2], p[1], p[0]);
}

}  // namespace

class CanvasViewTest : public QObject {
    Q_OBJECT
private slots:
    void EmptyBeforeAnythingIsOpen() {
        CanvasView view;
        Document doc;
        view.SetDocument(&doc);
        view.resize(50, 40);
        const QImage shot = view.grab().toImage();
        QCOMPARE(QColor(shot.pixel(25, 20)), view.palette().color(QPalette::Button));
    }

    void PaintsTheVisiblePartAndClearsTheRest() {
        PictureWindow pw(Gradient(40, 30), QSize(600, 450));
        TFrmMain& w = pw.w;
        const QColor face = w.PaintBox1->palette().color(QPalette::Button);
        QImage shot = w.PaintBox1->grab().toImage();
        QCOMPARE(QColor(shot.pixel(0, 0)), Composite(w.Doc(), 0, 0));
        QCOMPARE(QColor(shot.pixel(39, 29)), Composite(w.Doc(), 39, 29));
        QCOMPARE(QColor(shot.pixel(40, 10)), face);
        QCOMPARE(QColor(shot.pixel(10, 30)), face);

        // Two steps in (1.7778), and a zoom off the steps: every screen pixel shows the
        // pixel the pointer there picks, whatever part of the view was repainted last.
        w.MenuItem_ZoomIn->trigger();
        w.MenuItem_ZoomIn->trigger();
        const double zoom = w.Doc().Zoom;
        for (double z : {1.3783, zoom}) {
            w.Doc().Zoom = z;
            w.RefreshView();
            const QRect part(13, 9, 7, 5);
            QImage partial(part.size(), QImage::Format_RGB32);  // the part alone, at its origin
            w.PaintBox1->render(&partial, QPoint(), QRegion(part));
            shot = w.PaintBox1->grab().toImage();
            for (int sy = 0; sy < std::lround(30 * z); ++sy)
                for (int sx = 0; sx < std::lround(40 * z); ++sx) {
                    const QColor shown = Composite(w.Doc(), ScreenToImage(sx, z, 0), ScreenToImage(sy, z, 0));
                    const QString where = QStringLiteral("zoom %1, screen %2,%3").arg(z).arg(sx).arg(sy);
                    QVERIFY2(QColor(shot.pixel(sx, sy)) == shown, qPrintable(where));
                    if (part.contains(sx, sy))
                        QVERIFY2(QColor(partial.pixel(sx - part.left(), sy - part.top())) == shown, qPrintable(where));
                }
        }
        const int painted = static_cast<int>(std::llrint(40 * zoom));
        QCOMPARE(QColor(shot.pixel(painted + 2, 5)), face);
    }

    void FollowsTheScrollPosition() {
        PictureWindow pw(Gradient(900, 700), QSize(500, 400));
        TFrmMain& w = pw.w;
        // The color layer changed in two places without a recomposite: one that the
        // scroll brings into view, one far outside it.
        w.Doc().ColorBmp.Pixel(117, 59)[0] = 0;
        w.Doc().ColorBmp.Pixel(899, 699)[0] = 0;
        w.Doc().CompositeBmp.Pixel(899, 699)[0] = 77;
        w.HorzScrollBar->setValue(100);
        w.VertScrollBar->setValue(50);
        const QImage shot = w.PaintBox1->grab().toImage();
        QCOMPARE(QColor(shot.pixel(0, 0)), Composite(w.Doc(), 100, 50));
        QCOMPARE(QColor(shot.pixel(17, 9)), Composite(w.Doc(), 117, 59));
        QCOMPARE(int(w.Doc().CompositeBmp.Pixel(117, 59)[0]), 0);
        // Only the visible rectangle was recomposited: the far pixel still holds the
        // mark put there.
        QCOMPARE(int(w.Doc().CompositeBmp.Pixel(899, 699)[0]), 77);
    }

    void TheEdgeOfTheViewShowsThePixelThePointerThereReaches() {
        // Zoomed in, the paint box's last column and row may cut through an image pixel.
        // The pointer there reaches that pixel, so the view must show it, not the face
        // color: a dot painted at the corner is seen where it was made, at every step.
        PictureWindow pw(Plain(1000, 800, 0x808080), QSize(600, 450));
        TFrmMain& w = pw.w;
        ChooseTool(w, ToolPencil);
        w.FrmTools->SetFrontColor(0x0000FF);
        const QPoint corner(w.PaintBox1->width() - 1, w.PaintBox1->height() - 1);
        for (int step = 0; step <= 8; ++step) {
            const double z = w.Doc().Zoom;
            const int x = ScreenToImage(corner.x(), z, 0), y = ScreenToImage(corner.y(), z, 0);
            Stroke(w, {corner});
            QCOMPARE(PixelValue(w.Doc().ColorBmp, x, y), 0x0000FFu);
            const QImage shot = w.PaintBox1->grab().toImage();
            const QString where = QStringLiteral("zoom %1").arg(z);
            QVERIFY2(QColor(shot.pixel(corner)) == Composite(w.Doc(), x, y), qPrintable(where));
            w.MenuItem_ZoomIn->trigger();
        }
    }

    void AStripThinnerThanAScreenPixelStaysInView() {
        // Fitted to the window, a picture 3000 wide and 1 or 2 high is a fifth of a screen
        // pixel high; zoomed far out, a small picture is less than one pixel wide.
        for (QSize picture : {QSize(3000, 1), QSize(3000, 2), QSize(2, 3000), QSize(40, 30)}) {
            PictureWindow pw(Gradient(picture.width(), picture.height()), QSize(600, 450));
            TFrmMain& w = pw.w;
            if (picture.width() < 1000 && picture.height() < 1000)
                while (w.MenuItem_ZoomOut->isEnabled()) w.MenuItem_ZoomOut->trigger();
            else
                w.MenuItem_FitInWindow->trigger();
            const double z = w.Doc().Zoom;
            QVERIFY(picture.width() * z < 0.5 || picture.height() * z < 0.5);
            const QImage shot = w.PaintBox1->grab().toImage();
            const QString what = QStringLiteral("%1 x %2").arg(picture.width()).arg(picture.height());
            QVERIFY2(QColor(shot.pixel(0, 0)) == Composite(w.Doc(), 0, 0), qPrintable(what));
        }
    }

    void TheFarEndOfAScrollBarStillShowsThePicture() {
        // In the smallest window, zoomed in as far as it goes, the paint box is about one
        // and a half image pixels high. Scrolled to the end, the last row must be in view,
        // not the picture scrolled out of sight.
        for (QSize picture : {QSize(3, 2), QSize(1000, 800)}) {
            PictureWindow pw(Gradient(picture.width(), picture.height()), QSize(600, 450));
            TFrmMain& w = pw.w;
            w.resize(w.minimumSize());
            QCoreApplication::processEvents();
            while (w.MenuItem_ZoomIn->isEnabled()) w.MenuItem_ZoomIn->trigger();
            QVERIFY(w.PaintBox1->height() < 1.5 * w.Doc().Zoom);
            QVERIFY(!w.VertScrollBar->isHidden());
            w.VertScrollBar->setValue(w.VertScrollBar->maximum());
            if (!w.HorzScrollBar->isHidden()) w.HorzScrollBar->setValue(w.HorzScrollBar->maximum());
            const Rect v = w.Doc().ViewRect;
            const QString what = QStringLiteral("%1 x %2").arg(picture.width()).arg(picture.height());
            QVERIFY2(v.Bottom == picture.height() - 1 && v.Top <= v.Bottom, qPrintable(what));
            QVERIFY2(v.Right == picture.width() - 1 && v.Left <= v.Right, qPrintable(what));
            const QImage shot = w.PaintBox1->grab().toImage();
            QVERIFY2(QColor(shot.pixel(0, 0)) == Composite(w.Doc(), v.Left, v.Top), qPrintable(what));
        }
    }

    void ThePictureEndsWhereThePointerLeavesIt() {
        // Over every paint-box pixel the pointer and the view agree: where the pointer
        // reaches a pixel of the picture, that pixel is shown; where it reaches past the
        // picture, the face color is. Zoomed out to 75 %, a picture 22 pixels wide takes
        // 16.5 screen pixels; the pointer on the 17th still reaches the last column, so
        // that column belongs on screen there, not the face color. At 250 % the 75 rows
        // of the second picture end at 187.5 screen rows, and the pointer on row 187 is
        // already past the picture.
        for (QSize picture : {QSize(22, 17), QSize(101, 75), QSize(900, 700)}) {
            PictureWindow pw(Gradient(picture.width(), picture.height()), QSize(600, 450));
            TFrmMain& w = pw.w;
            const QColor face = w.PaintBox1->palette().color(QPalette::Button);
            for (double z : {0.75, 0.5625, 0.421875, 2.5, 9.989}) {
                w.Doc().Zoom = z;
                w.UpdateScrollBars();
                if (!w.HorzScrollBar->isHidden()) w.HorzScrollBar->setValue(w.HorzScrollBar->maximum());
                if (!w.VertScrollBar->isHidden()) w.VertScrollBar->setValue(w.VertScrollBar->maximum());
                w.RefreshView();
                const int left = w.Doc().ViewRect.Left, top = w.Doc().ViewRect.Top;
                const QImage shot = w.PaintBox1->grab().toImage();
                int wrong = 0;
                for (int sy = 0; sy < shot.height(); ++sy)
                    for (int sx = 0; sx < shot.width(); ++sx) {
                        const int x = ScreenToImage(sx, z, left), y = ScreenToImage(sy, z, top);
                        const bool inside = x >= 0 && x < picture.width() && y >= 0 && y < picture.height();
                        if (QColor(shot.pixel(sx, sy)) == (inside ? Composite(w.Doc(), x, y) : face)) continue;
                        if (++wrong <= 3)
                            qWarning("%d x %d at zoom %g: screen %d,%d reaches %d,%d", picture.width(),
                                     picture.height(), z, sx, sy, x, y);
                    }
                QCOMPARE(wrong, 0);
            }
        }
    }
};

QTEST_MAIN(CanvasViewTest)
#include "canvas_view_gui_test.moc"
