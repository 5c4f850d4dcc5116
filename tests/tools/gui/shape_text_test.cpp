// The text of the rectangle, ellipse, text and balloon tools and the Tool Option
// settings it is drawn with, driven through the real main window.

#include <QPlainTextEdit>

#include "support/ToolTestKit.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::uint32_t kRed = 0x0000FF;  // red in the low byte
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr int kPicW = 320, kPicH = 200;

// The gradient open with red in front and green behind.
struct TextWindow : PictureWindow {
    TextWindow() : PictureWindow(Gradient(kPicW, kPicH)) {
        w.FrmTools->SetFrontColor(kRed);
        w.FrmTools->SetBackColor(kGreen);
    }
};

std::uint32_t At(TFrmMain& w, int x, int y) { return PixelValue(w.Doc().ColorBmp, x, y); }

}  // namespace

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
    std::optional<TextWindow> s_;
};

QTEST_MAIN(ShapeTextTest)
#include "shape_text_test.moc"
