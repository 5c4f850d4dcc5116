// The tool palette: enabled states, refusal messages, selection, colors and passed-on keys.

#include <QApplication>
#include <QColorDialog>
#include <QGroupBox>
#include <QPainter>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "common/gui/Messages.h"
#include "document/Document.h"
#include "tools/ToolTable.h"
#include "tools/gui/ToolGlyphs.h"
#include "tools/gui/ToolsWindow.h"

using namespace velmora;

namespace {

const QString kNoPicture = QStringLiteral("You haven't opened a picture.");
const QString kZoomedOut = QStringLiteral("When the Zoom Rate < 100%, you can not use draw tools.");

// The palette's tools whose buttons are enabled, or with `down`, pressed.
QList<int> Tools(const TFrmTools& tools, bool down = false) {
    QList<int> ids;
    for (const ToolInfo& t : PaletteTools())
        if (down ? tools.ToolButton(t.Id)->isChecked() : tools.ToolButton(t.Id)->isEnabled()) ids << t.Id;
    return ids;
}

void Click(QWidget* widget, QPoint at = QPoint()) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

// Answers the next modal color dialog: picks `color` and presses OK, or cancels.
void AnswerColorDialog(const QColor& color, bool accept) {
    QTimer::singleShot(0, [color, accept] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QVERIFY(dialog->testOption(QColorDialog::DontUseNativeDialog));
        if (accept) {
            dialog->setCurrentColor(color);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

}  // namespace

class ToolsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        messages_.clear();
        SetMessageHook([this](const QString&, const QString& text, bool) {
            messages_ << text;
            return true;
        });
        tools_ = std::make_unique<TFrmTools>(doc_);
        tools_->show();
        QVERIFY(QTest::qWaitForWindowExposed(tools_.get()));
        doc_.CurrentTool = 0;
    }
    void cleanup() {
        tools_.reset();
        SetMessageHook(nullptr);
    }

    void clicksThatCannotSelectAToolExplainWhy() {
        QSignalSpy selected(tools_.get(), &TFrmTools::toolSelected);
        // No picture: nothing is enabled, the hand is down, and a disabled button and
        // the bare frame both give the first message.
        QCOMPARE(tools_->PaletteState(), 0);
        QVERIFY(Tools(*tools_).isEmpty());
        QCOMPARE(Tools(*tools_, true), (QList<int>{ToolHand}));
        QCOMPARE(tools_->ToolButton(7), static_cast<QAbstractButton*>(nullptr));
        Click(tools_->ToolButton(ToolPencil));
        Click(tools_->GroupBox1, QPoint(30, 270));
        QCOMPARE(messages_, (QStringList{kNoPicture, kNoPicture}));
        QCOMPARE(selected.count(), 0);
        QCOMPARE(doc_.CurrentTool, 0);

        // Zoomed out: only the hand is usable.
        tools_->EnableDrawTools();
        tools_->DisableDrawTools();
        QCOMPARE(tools_->PaletteState(), 1);
        QCOMPARE(Tools(*tools_), (QList<int>{ToolHand}));
        messages_.clear();
        Click(tools_->ToolButton(ToolBrush));
        QCOMPARE(messages_, (QStringList{kZoomedOut}));
        Click(tools_->BtnGrabber);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(doc_.CurrentTool, int(ToolHand));

        // Drawing enabled: the frame says nothing, the buttons select their tools.
        tools_->EnableDrawTools();
        QCOMPARE(tools_->PaletteState(), 2);
        QCOMPARE(Tools(*tools_).size(), 14);
        messages_.clear();
        Click(tools_->GroupBox1, QPoint(30, 270));
        QVERIFY(messages_.isEmpty());
    }

    void buttonsSelectTheirTool() {
        tools_->EnableDrawTools();
        QSignalSpy selected(tools_.get(), &TFrmTools::toolSelected);
        for (const ToolInfo& t : PaletteTools()) {
            const int id = t.Id;
            Click(tools_->ToolButton(id));
            QCOMPARE(doc_.CurrentTool, id);
            QCOMPARE(selected.last().at(0).toInt(), id);
            QCOMPARE(Tools(*tools_, true), QList<int>{id});
        }
        QCOMPARE(selected.count(), 14);
        QVERIFY(messages_.isEmpty());

        // Pressing the hand from the program changes nothing else.
        Click(tools_->ToolButton(ToolPencil));
        const int before = selected.count();
        tools_->PressHandButton();
        QCOMPARE(Tools(*tools_, true), (QList<int>{ToolHand}));
        QCOMPARE(selected.count(), before);
        QCOMPARE(doc_.CurrentTool, int(ToolPencil));
    }

    void swatchesAskForAColor() {
        QSignalSpy changed(tools_.get(), &TFrmTools::colorsChanged);
        AnswerColorDialog(QColor(0x12, 0x34, 0x56), true);
        QTest::mousePress(tools_->FrontSwatch, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        // Red in the low byte.
        QCOMPARE(tools_->FrontColor(), 0x563412u);
        QCOMPARE(changed.count(), 1);

        // Any mouse button opens the dialog; cancelling keeps the color.
        AnswerColorDialog(QColor(Qt::red), false);
        QTest::mousePress(tools_->BackSwatch, Qt::RightButton, Qt::NoModifier, QPoint(35, 35));
        QCOMPARE(tools_->BackColor(), 0xFFFFFFu);
        QCOMPARE(changed.count(), 1);

        AnswerColorDialog(QColor(255, 0, 0), true);
        QTest::mousePress(tools_->BackSwatch, Qt::RightButton, Qt::NoModifier, QPoint(35, 35));
        QCOMPARE(tools_->BackColor(), 0x0000FFu);
        QCOMPARE(changed.count(), 2);
        // A swatch is not the frame: no message even with no picture open.
        QVERIFY(messages_.isEmpty());
    }

    // Each swatch has a black frame one pixel wide on all four sides, also on a screen
    // scaled by 2, where that pixel is two screen pixels: the right and bottom lines
    // were drawn one screen pixel inside, with a strip of the color outside them.
    void swatchesAreFramedOnEverySideAtAnyScale() {
        tools_->SetFrontColor(0x00FF00);
        for (int scale : {1, 2}) {
            const QSize size = tools_->FrontSwatch->size();
            QImage shot(size * scale, QImage::Format_RGB32);
            shot.setDevicePixelRatio(scale);
            shot.fill(Qt::white);
            tools_->FrontSwatch->render(&shot);
            int wrong = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const bool frame =
                        x < scale || y < scale || x >= shot.width() - scale || y >= shot.height() - scale;
                    wrong += QColor(shot.pixel(x, y)) != (frame ? QColor(Qt::black) : QColor(Qt::green));
                }
            QVERIFY2(wrong == 0, qPrintable(QStringLiteral("scale %1: %2 pixels").arg(scale).arg(wrong)));
        }
    }

    // The glyphs are drawn at the size in device pixels that the screen asks for, 24 at a
    // scale of 1.5. Single and double size pictures were enlarged or shrunk on a screen
    // scaled by a fraction, which blurred them: there a line one screen pixel wide came
    // out as two or three rows of faint pixels instead of one solid row.
    void glyphsAreDrawnAtTheScreensOwnResolution() {
        const QIcon line = GlyphIcon([](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(Qt::black, 0));  // one screen pixel wide at any scale
            p.drawLine(QPointF(2, 8), QPointF(14, 8));
        });
        for (qreal scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
            const QString at = QStringLiteral("scale %1").arg(scale);
            for (const ToolInfo& t : PaletteTools())
                QVERIFY2(tools_->ToolButton(t.Id)->icon().pixmap(QSize(16, 16), scale).size() == QSize(16, 16) * scale,
                         qPrintable(at));
            const QImage shown = line.pixmap(QSize(16, 16), scale).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(shown.size() == QSize(16, 16) * scale, qPrintable(at));
            int rows = 0, faint = 0;
            for (int y = 0; y < shown.height(); ++y) {
                bool drawn = false;
                for (int x = 0; x < shown.width(); ++x) {
                    const int alpha = qAlpha(shown.pixel(x, y));
                    drawn = drawn || alpha > 0;
                    faint += alpha > 0 && alpha < 255;
                }
                rows += drawn;
            }
            QVERIFY2(rows == 1 && faint == 0,
                     qPrintable(at + QStringLiteral(": %1 rows, %2 faint pixels").arg(rows).arg(faint)));
        }
    }

    // A glyph asked for in a space that is not square keeps its shape, centred in it as
    // any icon made of pictures is; a painter without a device draws nothing at all.
    void glyphsKeepTheirShapeInAnySpace() {
        const QIcon icon = ToolGlyph(ToolText);
        QPainter idle;
        icon.paint(&idle, QRect(0, 0, 16, 16));
        QImage wide(32, 16, QImage::Format_ARGB32_Premultiplied);
        wide.fill(Qt::transparent);
        {
            QPainter p(&wide);
            icon.paint(&p, wide.rect());
        }
        const QImage square = icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(wide.format());
        QCOMPARE(wide.copy(8, 0, 16, 16), square);
        QImage clear(8, 16, wide.format());
        clear.fill(Qt::transparent);
        QCOMPARE(wide.copy(0, 0, 8, 16), clear);
        QCOMPARE(wide.copy(24, 0, 8, 16), clear);
    }

    void keysReachTheMainWindow() {
        QSignalSpy keys(tools_.get(), &TFrmTools::keyReleased);
        QTest::keyRelease(tools_.get(), Qt::Key_Delete);
        QCOMPARE(keys.count(), 1);
        QCOMPARE(keys.first().at(0).toInt(), int(Qt::Key_Delete));
    }

private:
    Document doc_;
    QStringList messages_;
    std::unique_ptr<TFrmTools> tools_;
};

QTEST_MAIN(ToolsWindowTest)
#include "tools_window_test.moc"
