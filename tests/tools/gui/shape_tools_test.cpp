// The rectangle, ellipse, text and balloon tools, driven through the real main window:
// the palette's buttons, the option window's controls and mouse events on the view.

#include <QAbstractButton>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "support/ToolTestKit.h"
#include "document/gui/LayersWindow.h"
#include "tools/BalloonGeometry.h"
#include "tools/ToolIds.h"
#include "history/gui/HistoryWindow.h"
#include <QTableWidget>
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::uint32_t kRed = 0x0000FF;    // red in the low byte
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr int kPicW = 320, kPicH = 200;

bool Opened(ShellEnv& env, TFrmMain& w) {
    w.resize(760, 560);
    w.show();
    if (!w.OpenFile(WriteBmp(env, "p.bmp", Gradient(kPicW, kPicH)))) return false;
    w.FrmTools->SetFrontColor(kRed);
    w.FrmTools->SetBackColor(kGreen);
    return w.Doc().Zoom == 1.0 && w.HorzPosition() == 0 && w.VertPosition() == 0;
}

void Choose(TFrmMain& w, int id) { w.FrmTools->ToolButton(id)->click(); }
// The preview goes to (x, y) and a click places it there.
void Place(TFrmMain& w, int x, int y) {
    Hover(w, {x, y});
    Press(w, {x, y});
    Release(w, {x, y});
}
// Grabs whatever handle is at `from` and drags it to `to`.
void DragHandle(TFrmMain& w, QPoint from, QPoint to) {
    Hover(w, from);
    Press(w, from);
    Drag(w, to);
    Release(w, to);
}

bool Is(const Bitmap& b, int x, int y, std::uint32_t c) {
    const std::uint8_t* p = b.Pixel(x, y);
    return p[2] == (c & 0xFF) && p[1] == ((c >> 8) & 0xFF) && p[0] == ((c >> 16) & 0xFF);
}
bool Same(const Bitmap& a, const Bitmap& b, int x, int y) {
    return std::equal(a.Pixel(x, y), a.Pixel(x, y) + 3, b.Pixel(x, y));
}
// The first pixel of `now` that differs from `before` where `watched` holds, as text.
QString FirstChange(const Bitmap& before, const Bitmap& now, const std::function<bool(int, int)>& watched) {
    for (int y = 0; y < now.Height(); ++y)
        for (int x = 0; x < now.Width(); ++x)
            if (watched(x, y) && !Same(before, now, x, y)) return QStringLiteral("(%1, %2)").arg(x).arg(y);
    return {};
}

const HistoryRing& Ring(TFrmMain& w) { return w.FrmHistory->Ring(); }
QString LastState(TFrmMain& w) {
    const HistoryRing& r = Ring(w);
    return QString::fromStdString(r.Name(r.LastIndex()) + " / " + r.Detail(r.LastIndex()));
}

// Distance from (px, py) to the segment a-b.
double SegmentDistance(double px, double py, Point a, Point b) {
    const double vx = b.X - a.X, vy = b.Y - a.Y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((px - a.X) * vx + (py - a.Y) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (a.X + t * vx), py - (a.Y + t * vy));
}
// Inside the triangle a, b, c or within `margin` of its sides.
bool NearTriangle(int x, int y, Point a, Point b, Point c, double margin) {
    auto side = [&](Point p, Point q) { return (q.X - p.X) * (y - p.Y) - (q.Y - p.Y) * (x - p.X); };
    const long s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
    if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) return true;
    return SegmentDistance(x, y, a, b) <= margin || SegmentDistance(x, y, b, c) <= margin ||
           SegmentDistance(x, y, c, a) <= margin;
}

}  // namespace

class ShapeToolsTest : public QObject {
    Q_OBJECT

private slots:
    void RectangleBorderAndFillFollowTheOptions() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap photo = w.Doc().ColorBmp;
        Choose(w, 23);
        w.FrmToolOption->SpnRectBorderW->setValue(10);
        Place(w, 30, 40);
        // Border 10 on a 20 x 20 box leaves no inside: a solid square, on both layers,
        // covering columns 30..49 and rows 40..59 only.
        for (const Bitmap* layer : {&w.Doc().SketchBmp, &w.Doc().ColorBmp})
            for (int y = 40; y < 60; ++y)
                for (int x = 30; x < 50; ++x) QVERIFY2(Is(*layer, x, y, kRed), qPrintable(QString("%1,%2").arg(x).arg(y)));
        QVERIFY(Same(photo, w.Doc().ColorBmp, 50, 45));
        QVERIFY(Same(photo, w.Doc().ColorBmp, 35, 60));
        QVERIFY(Same(photo, w.Doc().ColorBmp, 29, 45));

        // A thinner border redraws the object at once with its back-color inside.
        w.FrmToolOption->SpnRectBorderW->setValue(3);
        QVERIFY(Is(w.Doc().ColorBmp, 32, 50, kRed));
        QVERIFY(Is(w.Doc().ColorBmp, 33, 43, kGreen));
        QVERIFY(Is(w.Doc().ColorBmp, 46, 56, kGreen));
        QVERIFY(Is(w.Doc().ColorBmp, 47, 56, kRed));

        // Unchecking a drawable box takes the object off that layer.
        w.FrmLayers->Chk_SketchDrawable->click();
        QVERIFY(!w.GetLayerState().SketchDrawable);
        QVERIFY(Is(w.Doc().SketchBmp, 35, 45, 0xFFFFFF));
        QVERIFY(Is(w.Doc().ColorBmp, 35, 45, kGreen));
    }

    void MemoTextStaysInsideTheTextArea() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        Choose(w, 23);
        Place(w, 40, 40);
        DragHandle(w, {60, 60}, {160, 120});  // handle 8: the box is now (40, 40)-(160, 120)
        const Bitmap noText = w.Doc().ColorBmp;
        // An empty memo: border 1 and a plain inside.
        QCOMPARE(w.FrmToolOption->MemRectText->toPlainText(), QString());
        for (int y = 41; y < 119; ++y)
            for (int x = 41; x < 159; ++x) QVERIFY(Is(noText, x, y, kGreen));
        QVERIFY(Is(noText, 159, 119, kRed));

        w.FrmToolOption->MemRectText->setPlainText("WWWWWWWWWWWWWWWWWWWWWWWW\nHello\nWorld\nMMMM\nMMMM\nMMMM\nMMMM\nMMMM\nMMMM");
        const Bitmap& now = w.Doc().ColorBmp;
        const auto inArea = [](int x, int y) { return x >= 50 && x < 150 && y >= 50 && y < 110; };
        QCOMPARE(FirstChange(noText, now, [&](int x, int y) { return !inArea(x, y); }), QString());
        QVERIFY(!FirstChange(noText, now, inArea).isEmpty());
        // The long first line is cut at the right edge and the lines below at the
        // bottom edge, so text reaches close to both.
        QVERIFY(!FirstChange(noText, now, [](int x, int y) { return x >= 140 && x < 150 && y < 70; }).isEmpty());
        QVERIFY(!FirstChange(noText, now, [](int, int y) { return y >= 100 && y < 110; }).isEmpty());
    }

    void TextBoxStartsAtItsCornerAndStopsAboveItsBottom() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap photo = w.Doc().ColorBmp;
        Choose(w, 27);
        Place(w, 20, 20);  // 100 x 50: columns 20..119, rows 20..69
        const auto inBox = [](int x, int y) { return x >= 20 && x < 120 && y >= 20 && y < 70; };
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, [&](int x, int y) { return !inBox(x, y); }), QString());
        for (int y = 20; y < 70; ++y)
            for (int x = 20; x < 120; ++x) QVERIFY(Is(w.Doc().ColorBmp, x, y, kGreen));

        QStringList many;
        for (int i = 0; i < 12; ++i) many << "IIIIIIIIIIIIIIIIIIII";
        w.FrmToolOption->MemTextText->setPlainText(many.join('\n'));
        const Bitmap& now = w.Doc().ColorBmp;
        QCOMPARE(FirstChange(photo, now, [&](int x, int y) { return !inBox(x, y); }), QString());
        bool nearCorner = false;
        for (int y = 20; y < 70; ++y)
            for (int x = 20; x < 120; ++x) {
                if (y >= 60) QVERIFY2(Is(now, x, y, kGreen), qPrintable(QString("%1,%2").arg(x).arg(y)));
                if (x < 24 && y < 30 && !Is(now, x, y, kGreen)) nearCorner = true;
            }
        QVERIFY(nearCorner);
    }

    void HoverHandlesGoWhenTheShapeIsCommitted() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap photo = w.Doc().ColorBmp;
        const int states = Ring(w).Count();
        Choose(w, 23);
        QVERIFY(!w.MenuItem_SaveAs->isEnabled());
        Place(w, 50, 50);
        Hover(w, {51, 49});  // handle 1 at (50, 50)
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeFDiagCursor);
        // Squares with a black border and white inside at the eight handle points.
        QVERIFY(Is(w.Doc().ColorBmp, 47, 47, 0x000000));
        QVERIFY(Is(w.Doc().ColorBmp, 48, 48, 0xFFFFFF));
        QVERIFY(Is(w.Doc().ColorBmp, 71, 71, 0xFFFFFF));
        Hover(w, {60, 62});
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeAllCursor);

        w.FrmToolOption->BtnRectCommit->click();
        QCOMPARE(w.Doc().CurrentTool, 41);
        QCOMPARE(Ring(w).Count(), states + 1);
        QCOMPARE(LastState(w), QStringLiteral("Rectangle / --"));
        QVERIFY(w.MenuItem_SaveAs->isEnabled());
        QVERIFY(Is(w.Doc().ColorBmp, 50, 50, kRed));
        QVERIFY(Is(w.Doc().ColorBmp, 69, 69, kRed));
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, [](int x, int y) { return x < 50 || y < 50 || x >= 70 || y >= 70; }),
                 QString());
    }

    void ChoosingAnotherToolCommitsThePendingShape() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        Choose(w, 23);
        Place(w, 10, 10);
        Choose(w, 1);
        QCOMPARE(LastState(w), QStringLiteral("Rectangle / --"));
        QVERIFY(w.MenuItem_SaveAs->isEnabled());
        QCOMPARE(w.FrmToolOption->CurrentPageName(), QStringLiteral("TsPencil"));
        QVERIFY(Is(w.Doc().SketchBmp, 10, 10, kRed));
    }

    void LeavingWithoutAClickRecordsButLeavesTheLayers() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
        const int states = Ring(w).Count();
        Choose(w, 24);
        Hover(w, {100, 100});
        Hover(w, {140, 90});
        QVERIFY(!(w.Doc().ColorBmp == color));  // the preview is in the layer
        Choose(w, 2);
        QCOMPARE(Ring(w).Count(), states + 1);
        QCOMPARE(LastState(w), QStringLiteral("Ellipse / --"));
        QVERIFY(w.Doc().SketchBmp == sketch);
        QVERIFY(w.Doc().ColorBmp == color);
    }

    void CancelAfterDragsRestoresTheLayersExactly() {
        for (int id : {23, 24, 27, 28, 29, 30}) {
            ShellEnv env;
            TFrmMain w(env.Folder());
            QVERIFY(Opened(env, w));
            // Something under the object that the copies must bring back.
            Choose(w, 1);
            Press(w, {70, 70});
            Drag(w, {130, 90});
            Release(w, {130, 90});
            const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
            const int states = Ring(w).Count();

            Choose(w, id);
            Hover(w, {5, 5});
            Place(w, 60, 60);
            DragHandle(w, {61, 61}, {90, 75});     // move
            DragHandle(w, {90, 75}, {40, 50});     // top-left corner
            w.FrmToolOption->SpnBalloonBorderW->setValue(6);
            w.FrmToolOption->SpnRectBorderW->setValue(6);
            Hover(w, {41, 51});                      // handles drawn
            QVERIFY2(!(w.Doc().ColorBmp == color), qPrintable(QString::number(id)));
            w.FormKeyUp(Qt::Key_Delete);

            QCOMPARE(w.Doc().CurrentTool, 41);
            QCOMPARE(Ring(w).Count(), states);
            QVERIFY2(w.Doc().SketchBmp == sketch, qPrintable(QString::number(id)));
            QVERIFY2(w.Doc().ColorBmp == color, qPrintable(QString::number(id)));
            QVERIFY(w.MenuItem_SaveAs->isEnabled());
        }
    }

    void KeysCommitCancelAndMove() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap photo = w.Doc().ColorBmp;
        const int states = Ring(w).Count();
        Choose(w, 23);
        // Before the object is placed Enter commits nothing and the arrows move nothing.
        Hover(w, {40, 40});
        QTest::keyClick(&w, Qt::Key_Return);
        QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(w.Doc().CurrentTool, 23);
        QVERIFY(Is(w.Doc().ColorBmp, 40, 45, kRed));

        Press(w, {40, 40});
        Release(w, {40, 40});
        QTest::keyClick(&w, Qt::Key_Right);
        QVERIFY(Same(photo, w.Doc().ColorBmp, 40, 45));
        QVERIFY(Is(w.Doc().ColorBmp, 41, 45, kRed));
        QTest::keyClick(&w, Qt::Key_Down, Qt::ShiftModifier);
        QVERIFY(Is(w.Doc().ColorBmp, 45, 50, kRed));
        QVERIFY(Same(photo, w.Doc().ColorBmp, 45, 49));
        QTest::keyClick(&w, Qt::Key_Up);
        QTest::keyClick(&w, Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(Is(w.Doc().ColorBmp, 31, 49, kRed));  // box at (31, 49)-(51, 69)
        QVERIFY(Same(photo, w.Doc().ColorBmp, 51, 55));

        QTest::keyClick(&w, Qt::Key_Return);
        QCOMPARE(w.Doc().CurrentTool, 41);
        QCOMPARE(Ring(w).Count(), states + 1);
        QCOMPARE(LastState(w), QStringLiteral("Rectangle / --"));
        QVERIFY(Is(w.Doc().ColorBmp, 31, 49, kRed));

        const Bitmap committed = w.Doc().ColorBmp;
        Choose(w, 24);
        Place(w, 100, 100);
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.Doc().CurrentTool, 41);
        QCOMPARE(Ring(w).Count(), states + 1);
        QVERIFY(w.Doc().ColorBmp == committed);
    }

    void BalloonsKeepEveryPixelOutsideBodyAndTail() {
        const struct {
            int id;
            const char* detail;
        } kinds[] = {{28, "Type: Rectanle"}, {29, "Type: Rounded Rectanle"}, {30, "Type: Ellipse"}};
        for (const auto& kind : kinds) {
            ShellEnv env;
            TFrmMain w(env.Folder());
            QVERIFY(Opened(env, w));
            const Bitmap photo = w.Doc().ColorBmp;
            Choose(w, kind.id);
            w.FrmToolOption->SpnBalloonBorderW->setValue(4);
            // Before any press the body's corner is at the cursor and the tip 15 above.
            Hover(w, {200, 100});
            QVERIFY(Is(w.Doc().ColorBmp, 200, 85, kRed));
            QVERIFY(Is(w.Doc().SketchBmp, 200, 85, kRed));
            Press(w, {200, 100});
            Release(w, {200, 100});
            DragHandle(w, {201, 86}, {140, 190});  // the tail tip, down and to the left

            Point p1, p2;
            QVERIFY(TailBasePoints(200, 100, 100, 50, 140, 190, p1, p2));
            const Point tip{140, 190};
            const auto outside = [&](int x, int y) {
                const bool inBody = x >= 200 && x < 300 && y >= 100 && y < 150;
                return !inBody && !NearTriangle(x, y, p1, p2, tip, 3.5);
            };
            QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, outside), QString());
            // Half way down the tail: inside its 4-pixel outline, the back color.
            QVERIFY(Is(w.Doc().ColorBmp, 195, 157, kGreen));
            QVERIFY(Is(w.Doc().ColorBmp, 250, 125, kGreen));
            QVERIFY(Is(w.Doc().ColorBmp, 250, 101, kRed));
            // The rounded and elliptic bodies leave the box's corner to the picture;
            // the rounded one's edge runs straight from the radius (12) on.
            const bool squareCorner = kind.id == 28;
            QCOMPARE(Is(w.Doc().ColorBmp, 298, 101, kRed), squareCorner);
            if (kind.id == 29) QVERIFY(Is(w.Doc().ColorBmp, 287, 100, kRed));

            // Moves at the picture's right or bottom edge are ignored.
            const Bitmap before = w.Doc().ColorBmp;
            Press(w, {250, 120});
            Drag(w, {kPicW, 120});
            Drag(w, {250, kPicH});
            Release(w, {250, kPicH});
            QVERIFY(w.Doc().ColorBmp == before);

            Choose(w, 1);
            QCOMPARE(LastState(w), QString("Text Balloon / ") + kind.detail);
        }
    }

    void TailTipOnTheCenterDrawsTheBodyAlone() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        const Bitmap photo = w.Doc().ColorBmp;
        Choose(w, 28);
        Place(w, 100, 60);
        QVERIFY(Is(w.Doc().ColorBmp, 100, 45, kRed));
        DragHandle(w, {100, 45}, {150, 85});  // the tip onto the body's center
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp,
                             [](int x, int y) { return x < 100 || y < 60 || x >= 200 || y >= 110; }),
                 QString());
        QVERIFY(Is(w.Doc().ColorBmp, 100, 60, kRed));
        QVERIFY(Is(w.Doc().ColorBmp, 150, 85, kGreen));
        QTest::keyClick(&w, Qt::Key_Enter);
        QCOMPARE(LastState(w), QStringLiteral("Text Balloon / Type: Rectanle"));
    }

    void NothingSwapsTheLayersUnderAPendingEdit() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        QVERIFY(Opened(env, w));
        Choose(w, ToolRectangle);
        Place(w, 40, 40);
        // Undo, redo and the history list are out of reach for the whole edit.
        QVERIFY(!w.MenuItem_Undo->isEnabled());
        QVERIFY(!w.FrmHistory->StringGrid1->isEnabled());
        const Bitmap pending = w.Doc().ColorBmp;
        w.MenuItem_UndoClick();
        w.FrmHistory->LoadState(Ring(w).FirstIndex());
        QVERIFY(w.Doc().ColorBmp == pending);
        QCOMPARE(w.Doc().CurrentTool, int(ToolRectangle));

        // Closing asks first, and a "no" keeps the window and the object.
        env.confirmAnswer = false;
        QVERIFY(!w.close());
        QCOMPARE(env.confirmations.size(), 1);
        QVERIFY(w.isVisible());

        // A letter key chooses another tool as the palette does: the object is
        // committed, and undo comes back.
        w.PaintBox1->setFocus();
        QTest::keyClick(w.PaintBox1, Qt::Key_N);
        QCOMPARE(w.Doc().CurrentTool, int(ToolPencil));
        QCOMPARE(LastState(w), QStringLiteral("Rectangle / --"));
        QVERIFY(w.MenuItem_Undo->isEnabled());
        QVERIFY(w.FrmHistory->StringGrid1->isEnabled());
    }

    void EveryObjectOnAConvertedPhotograph() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(900, 700);
        w.show();
        QVERIFY(w.OpenFile(ConvertedSample(env)));
        TFrmToolOption& o = *w.FrmToolOption;
        o.MemRectText->setPlainText(QStringLiteral("Rectangle\nwith text"));
        o.MemEllipseText->setPlainText(QStringLiteral("Ellipse"));
        o.MemTextText->setPlainText(QStringLiteral("A text box"));
        o.MemBalloonText->setPlainText(QStringLiteral("Hello!\nOver here"));
        o.SpnBalloonBorderW->setValue(3);
        w.FrmTools->SetFrontColor(0x202020);
        w.FrmTools->SetBackColor(0xFFFFFF);
        // Each object is placed, grown by its bottom-right handle and committed; its
        // box then differs from the photograph and the history names it.
        struct Placement {
            int tool;
            QPoint at;
            QPoint size;
            const char* state;
        };
        const Placement objects[] = {
            {ToolRectangle, {20, 20}, {150, 60}, "Rectangle / --"},
            {ToolEllipse, {190, 20}, {140, 80}, "Ellipse / --"},
            {ToolText, {340, 20}, {150, 40}, "Text / --"},
            {ToolBalloonA, {30, 330}, {130, 70}, "Text Balloon / Type: Rectanle"},
            {ToolBalloonB, {190, 330}, {130, 70}, "Text Balloon / Type: Rounded Rectanle"},
            {ToolBalloonC, {350, 330}, {130, 70}, "Text Balloon / Type: Ellipse"},
        };
        for (const Placement& p : objects) {
            const Bitmap before = w.Doc().ColorBmp;
            Choose(w, p.tool);
            Place(w, p.at.x(), p.at.y());
            const QPoint corner = p.at + p.size;
            // The bottom-right handle of the start size: 100 x 50 for text and balloons.
            const QPoint start = p.tool >= ToolText ? p.at + QPoint(100, 50) : p.at + QPoint(20, 20);
            DragHandle(w, start, corner);
            if (p.tool >= ToolBalloonA) DragHandle(w, p.at + QPoint(0, -15), p.at + QPoint(p.size.x() + 30, -60));
            QTest::keyClick(w.PaintBox1, Qt::Key_Return);
            QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
            QCOMPARE(LastState(w), QString::fromLatin1(p.state));
            QVERIFY(!(w.Doc().ColorBmp == before));
        }
    }
};

QTEST_MAIN(ShapeToolsTest)
#include "shape_tools_test.moc"
