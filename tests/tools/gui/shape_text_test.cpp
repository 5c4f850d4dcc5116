// The text of the rectangle, ellipse, text and balloon tools and the Tool Option
// settings it is drawn with, driven through the real main window.

#include <QPlainTextEdit>

#include "support/ShapeWindow.h"

using namespace velmora;
using namespace velmora::test;

class ShapeTextTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { s_.reset(); }

    // Text typed and colors swapped before the pointer has shown where the box goes
    // draw nothing yet; a click that follows without a move places the box under it.
    void SettingsChosenBeforeTheBoxIsShownWaitForThePointer() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolText);
        w.FrmToolOption->MemTextText->setPlainText(QStringLiteral("Hello"));
        w.PaintBox1->setFocus();
        QTest::keyClick(w.PaintBox1, Qt::Key_X);  // red behind now
        QVERIFY(w.Doc().ColorBmp == photo);

        Stroke(w, {QPoint(150, 100)});  // the box covers columns 150..249, rows 100..149
        QCOMPARE(At(w, 249, 149), kRed);
        QCOMPARE(At(w, 150, 149), kRed);
        QCOMPARE(At(w, 20, 20), PixelValue(photo, 20, 20));
        QTest::keyClick(w.PaintBox1, Qt::Key_Return);
        QCOMPARE(StateText(w), QStringLiteral("Text / --"));
        QCOMPARE(At(w, 249, 149), kRed);
    }

private:
    std::optional<ShapeWindow> s_;
};

QTEST_MAIN(ShapeTextTest)
#include "shape_text_test.moc"
