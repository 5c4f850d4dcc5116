// Typing over the picture while a text box or a speech balloon is placed, driven
// through the real main window.

#include <QInputMethodEvent>
#include <QPlainTextEdit>

#include <optional>

#include "support/ShapeWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QPlainTextEdit* Memo(TFrmMain& w, int toolId) {
    return toolId == ToolText ? w.FrmToolOption->MemTextText : w.FrmToolOption->MemBalloonText;
}

}  // namespace

class ShapeTypingTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { s_.reset(); }

    // Once a text box or a balloon is placed, the letters typed over the picture are its
    // text rather than tool keys, and the keys after the first go to its memo directly.
    // The rectangle, and a tool with nothing placed yet, keep the tool keys.
    void LettersTypedOverThePictureWriteThePlacedText() {
        {
            TFrmMain& w = s_.emplace().w;
            ChooseTool(w, ToolText);
            Hover(w, {40, 40});  // only a preview follows the pointer
            QTest::keyClick(w.PaintBox1, 'e');
            QCOMPARE(w.Doc().CurrentTool, int(ToolEraser));
            ChooseTool(w, ToolRectangle);
            Place(w, 40, 40);
            QTest::keyClick(w.PaintBox1, 'e');
            QCOMPARE(w.Doc().CurrentTool, int(ToolEraser));
        }

        const struct {
            int id;
            QString before, after;
        } cases[] = {{ToolText, "", "Hello"}, {ToolBalloonA, "Say\n", "Say\nHello"}};
        for (const auto& c : cases) {
            // The same object with its memo filled directly: what the typing must leave.
            Bitmap expected;
            {
                TFrmMain& w = s_.emplace().w;
                ChooseTool(w, c.id);
                Place(w, 40, 40);
                Memo(w, c.id)->setPlainText(c.after);
                QTest::keyClick(w.PaintBox1, Qt::Key_Return);
                expected = w.Doc().ColorBmp;
            }

            TFrmMain& w = s_.emplace().w;
            QPlainTextEdit* memo = Memo(w, c.id);
            memo->setPlainText(c.before);  // the caret at its start
            ChooseTool(w, c.id);
            Place(w, 40, 40);
            const int states = StateCount(w);
            QTest::sendKeyEvent(QTest::Click, w.PaintBox1, Qt::Key_H, QStringLiteral("H"), Qt::ShiftModifier);
            QTRY_VERIFY(memo->hasFocus());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ello"));
            QCOMPARE(memo->toPlainText(), c.after);
            QCOMPARE(w.Doc().CurrentTool, c.id);
            QCOMPARE(StateCount(w), states);

            // Enter over the picture still commits, as one step of history.
            QTest::keyClick(w.PaintBox1, Qt::Key_Return);
            QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
            QCOMPARE(StateCount(w), states + 1);
            QVERIFY2(w.Doc().ColorBmp == expected, qPrintable(QString::number(c.id)));
        }
    }

    // With the Tool Option window closed or minimised, the letters typed over a placed
    // text box still write its text, in the window brought back, rather than choosing
    // tools and so committing the empty box.
    void TypingBringsBackAClosedToolOptionWindow() {
        for (const bool minimised : {false, true}) {
            TFrmMain& w = s_.emplace().w;
            if (minimised)
                w.FrmToolOption->showMinimized();
            else
                w.MenuItem_ToolOption->trigger();
            QVERIFY(minimised ? w.FrmToolOption->isMinimized() : !w.FrmToolOption->isVisible());
            ChooseTool(w, ToolText);
            Place(w, 40, 40);
            QTest::keyClick(w.PaintBox1, 'e');
            QCOMPARE(w.Doc().CurrentTool, int(ToolText));
            QCOMPARE(w.FrmToolOption->MemTextText->toPlainText(), QStringLiteral("e"));
            QVERIFY(w.FrmToolOption->isVisible() && !w.FrmToolOption->isMinimized());
            QVERIFY(w.MenuItem_ToolOption->isChecked());
        }
    }

    // A letter composed by an input method over the picture (a dead key and its letter)
    // comes as its text, not as keys: it too goes into the placed text, while before
    // anything is placed the picture takes no such text and the tool keys stay plain.
    void ComposedTextOverThePictureWritesThePlacedText() {
        TFrmMain& w = s_.emplace().w;
        ChooseTool(w, ToolBalloonA);
        QVERIFY(!w.PaintBox1->inputMethodQuery(Qt::ImEnabled).toBool());
        Place(w, 40, 40);
        QVERIFY(w.PaintBox1->inputMethodQuery(Qt::ImEnabled).toBool());
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("\u00e9"));
        QApplication::sendEvent(w.PaintBox1, &composed);
        QCOMPARE(w.FrmToolOption->MemBalloonText->toPlainText(), QStringLiteral("\u00e9"));
    }

private:
    std::optional<ShapeWindow> s_;
};

QTEST_MAIN(ShapeTypingTest)
#include "shape_typing_test.moc"
