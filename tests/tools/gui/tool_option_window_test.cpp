// The Tool Option window: its paired controls, redraw requests, pages, text styles and read-outs.

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <tuple>

#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"

using namespace velmora;

namespace {

void TypeInto(QSpinBox* spin, const QString& text) {
    spin->selectAll();
    if (text.isEmpty())
        QTest::keyClick(spin, Qt::Key_Backspace);
    else
        QTest::keyClicks(spin, text);
}

// Every track bar with its spin edit (Trc<name>, Spn<name>): range, start and page.
struct PairRow {
    const char* name;
    int min, max, start;
    const char* page;
};
const PairRow kPairs[] = {
    {"PencilSize", 1, 100, 1, "TsPencil"},        {"BrushSize", 1, 100, 20, "TsBrush"},
    {"BrushContent", 1, 6, 3, "TsBrush"},         {"BrushOpacity", 1, 8, 8, "TsBrush"},
    {"EraserSize", 1, 100, 30, "TsEraser"},       {"Tolerance", 0, 128, 32, "TsPaintBucket"},
    {"LightenSize", 1, 100, 10, "TsLightenTool"}, {"LightenContrast", 0, 255, 128, "TsLightenTool"},
    {"DarkenSize", 1, 100, 10, "TsDarkenTool"},   {"DarkenContrast", 0, 255, 128, "TsDarkenTool"},
};

// The four text pages: a tool that shows each, and the role its controls are named by
// (Spn<role>FontSize, Mem<role>Text, Btn<role>Bold...). The three balloons share a page.
const std::pair<int, const char*> kTextPages[] = {
    {ToolRectangle, "Rect"}, {ToolEllipse, "Ellipse"}, {ToolText, "Text"}, {ToolBalloonB, "Balloon"}};

// Long enough for a typed number to have been taken if it ever will be.
void WaitPastTypingPause() { QTest::qWait(TFrmToolOption::kTypingPauseMs + 150); }

}  // namespace

class ToolOptionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        options_ = std::make_unique<TFrmToolOption>();
        options_->show();
        QVERIFY(QTest::qWaitForWindowExposed(options_.get()));
        changed_ = std::make_unique<QSignalSpy>(options_.get(), &TFrmToolOption::optionChanged);
    }
    void cleanup() {
        changed_.reset();
        options_.reset();
    }

    void typedNumberMovesItsTrackBarOnce() {
        options_->ShowPage(ToolLighten);
        TypeInto(options_->SpnLightenContrast, QStringLiteral("250"));
        // The digits on the way (2, 25) are never taken.
        QCOMPARE(options_->TrcLightenContrast->value(), 128);
        QTRY_COMPARE(options_->TrcLightenContrast->value(), 250);
        QCOMPARE(changed_->count(), 1);
        WaitPastTypingPause();
        QCOMPARE(changed_->count(), 1);

        // Enter takes the number at once; the arrows move it at once too.
        TypeInto(options_->SpnLightenContrast, QStringLiteral("17"));
        QTest::keyClick(options_->SpnLightenContrast, Qt::Key_Return);
        QCOMPARE(options_->TrcLightenContrast->value(), 17);
        QCOMPARE(changed_->count(), 2);
        options_->SpnLightenContrast->stepUp();
        QCOMPARE(options_->TrcLightenContrast->value(), 18);
        QCOMPARE(changed_->count(), 3);
        WaitPastTypingPause();
        QCOMPARE(changed_->count(), 3);
    }

    void emptiedBrushSizeHoldsBothControls() {
        options_->ShowPage(ToolBrush);
        TypeInto(options_->SpnBrushSize, QString());
        QVERIFY(options_->SpnBrushSize->cleanText().isEmpty());
        WaitPastTypingPause();
        QCOMPARE(options_->TrcBrushSize->value(), 20);
        QCOMPARE(changed_->count(), 0);

        // The track bar moves but waits for a number in the box.
        options_->TrcBrushSize->setValue(50);
        QVERIFY(options_->SpnBrushSize->cleanText().isEmpty());
        QCOMPARE(changed_->count(), 0);

        TypeInto(options_->SpnBrushSize, QStringLiteral("35"));
        QTest::keyClick(options_->SpnBrushSize, Qt::Key_Enter);
        QCOMPARE(options_->TrcBrushSize->value(), 35);
        QCOMPARE(changed_->count(), 1);

        // Left empty after the track bar moved (a wheel turn over it), the box shows
        // the size the brush paints with, not the one it held before.
        TypeInto(options_->SpnBrushSize, QString());
        options_->TrcBrushSize->setValue(23);
        QCOMPARE(changed_->count(), 1);
        emit options_->SpnBrushSize->editingFinished();
        QCOMPARE(options_->SpnBrushSize->cleanText(), QStringLiteral("23"));
        QCOMPARE(changed_->count(), 2);
    }

    void pairsShareRangeAndPassEachNewPositionOnce() {
        const auto quietly = [](QSlider* track, int value) {
            const QSignalBlocker quiet(track);
            track->setValue(value);
        };
        for (const PairRow& row : kPairs) {
            auto [track, spin] = Pair(row);
            QVERIFY2(track && spin, row.name);
            // A spin edit that allows what its track bar cannot would desynchronise them.
            const QList<int> expected{row.min, row.max, row.start};
            QCOMPARE((QList<int>{track->minimum(), track->maximum(), track->value()}), expected);
            QCOMPARE((QList<int>{spin->minimum(), spin->maximum(), spin->value()}), expected);
            QCOMPARE(track->parentWidget()->objectName(), QString::fromLatin1(row.page));
            QCOMPARE(spin->parentWidget(), track->parentWidget());
            changed_->clear();
            if (QByteArray(row.name) == "Tolerance") {  // it follows but asks for no redraw at all
                track->setValue(row.max);
                QCOMPARE(spin->value(), row.max);
                spin->setValue(row.min);
                QCOMPARE(track->value(), row.min);
                QCOMPARE(changed_->count(), 0);
                continue;
            }
            const int start = track->value();
            const int other = start == track->maximum() ? track->minimum() : track->maximum();
            // Moved behind the handler's back and back to the start: the first position
            // the handler sees passes, even the start value.
            quietly(track, other);
            track->setValue(start);
            QCOMPARE(changed_->count(), 1);
            // The same position again is not passed on.
            quietly(track, other);
            track->setValue(start);
            QCOMPARE(changed_->count(), 1);
            QCOMPARE(spin->value(), start);
            // A new position reaches the spin edit, whose own handler does not repeat it.
            track->setValue(other);
            QCOMPARE(spin->value(), other);
            QCOMPARE(changed_->count(), 2);
            spin->setValue(start);
            QCOMPARE(track->value(), start);
            QCOMPARE(changed_->count(), 3);
        }
    }

    void oneTabPerToolInAWindowOfOneSize() {
        // Tools without options show the info page; the three balloons share one. The
        // captions are the program's own, "Ballon" included.
        const struct {
            int id;
            const char *name, *caption;
        } pages[] = {
            {ToolNone, "TsNormal", "Info"},           {ToolHand, "TsNormal", "Info"},
            {ToolPencil, "TsPencil", "Pencil"},       {ToolBrush, "TsBrush", "Brush"},
            {ToolEraser, "TsEraser", "Eraser"},       {ToolPaintBucket, "TsPaintBucket", "Paint Bucket"},
            {ToolLighten, "TsLightenTool", "Lighten Tool"}, {ToolDarken, "TsDarkenTool", "Darken Tool"},
            {ToolRectangle, "TsRectangle", "Rectangle"}, {ToolEllipse, "TsEllipse", "Ellipse"},
            {ToolText, "TsText", "Text"},             {ToolEyedropper, "TsDropper", "Color Dropper"},
            {ToolBalloonA, "TsBalloonA", "Text Ballon"}, {ToolBalloonB, "TsBalloonA", "Text Ballon"},
            {ToolBalloonC, "TsBalloonA", "Text Ballon"},
        };
        QTabWidget* tabs = options_->PageControl1;
        QCOMPARE(tabs->count(), 12);
        const QSize size = options_->size();
        for (const auto& [id, name, caption] : pages) {
            options_->ShowPage(id);
            QApplication::processEvents();
            QWidget* page = tabs->currentWidget();
            QCOMPARE(page->objectName(), QString::fromLatin1(name));
            QCOMPARE(tabs->tabText(tabs->currentIndex()), QString::fromLatin1(caption));
            for (int i = 0; i < tabs->count(); ++i) QCOMPARE(tabs->isTabVisible(i), i == tabs->currentIndex());
            QCOMPARE(options_->size(), size);
            // Every control of the page is whole inside it and no narrower than it needs.
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!control->isVisibleTo(page)) continue;
                const QRect box(control->mapTo(page, QPoint(0, 0)), control->size());
                QVERIFY2(page->rect().contains(box), qPrintable(control->objectName()));
                QVERIFY2(control->width() >= control->minimumSizeHint().width(), qPrintable(control->objectName()));
                QVERIFY2(control->height() >= control->minimumSizeHint().height(), qPrintable(control->objectName()));
            }
        }
        options_->ShowPage(99);
        QVERIFY(options_->CurrentPageName().isEmpty());
    }

    // The keys that page through a tab widget must not bring up another tool's page:
    // the user would set, say, the eraser's size while the brush paints on.
    void pageKeysKeepTheToolsPage() {
        QTabWidget* tabs = options_->PageControl1;
        QWidget* bar = tabs->findChild<QWidget*>(QStringLiteral("qt_tabwidget_tabbar"));
        QVERIFY(bar);
        QApplication::setActiveWindow(options_.get());
        TFrmToolOption& o = *options_;
        const std::tuple<const char*, QWidget*, Qt::Key, Qt::KeyboardModifiers> keys[] = {
            {"Ctrl+Tab", o.SpnBrushSize, Qt::Key_Tab, Qt::ControlModifier},
            {"Ctrl+Shift+Tab", o.TrcBrushOpacity, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
            {"Ctrl+PageDown", o.TrcBrushSize, Qt::Key_PageDown, Qt::ControlModifier},
            {"Ctrl+PageUp", o.SpnBrushContent, Qt::Key_PageUp, Qt::ControlModifier},
            {"Right on the tab", bar, Qt::Key_Right, Qt::NoModifier},
            {"Left on the tab", bar, Qt::Key_Left, Qt::NoModifier}};
        for (const auto& [name, target, key, modifiers] : keys) {
            options_->ShowPage(ToolBrush);
            target->setFocus();
            QTest::keyClick(target, key, modifiers);
            QVERIFY2(tabs->currentWidget()->objectName() == QStringLiteral("TsBrush"), name);
            QCOMPARE(options_->CurrentPageName(), QStringLiteral("TsBrush"));
        }
        // The program's own change of page still works.
        options_->ShowPage(ToolEraser);
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("TsEraser"));
    }

    void shapeTextStyleReadsTheToolsPage() {
        for (const auto& [id, role] : kTextPages) {
            QSpinBox* size = Control<QSpinBox>("Spn", role, "FontSize");
            QSpinBox* border = Control<QSpinBox>("Spn", role, "BorderW");
            QCOMPARE(border != nullptr, id != ToolText);
            QVERIFY(!options_->ShapeTextStyle(id).FontName.isEmpty());
            Control<QPlainTextEdit>("Mem", role, "Text")->setPlainText(QStringLiteral("first\n\nthird\n"));
            Control<QToolButton>("Btn", role, "Bold")->click();
            Control<QToolButton>("Btn", role, "Underline")->click();
            if (border) border->setValue(7);
            size->setValue(20);
            const TFrmToolOption::TextStyle style = options_->ShapeTextStyle(id);
            QCOMPARE(style.Lines, (QStringList{"first", "", "third"}));
            QVERIFY(style.Bold && !style.Italic && style.Underline);
            QCOMPARE(style.BorderWidth, border ? 7 : 0);
            QCOMPARE(style.PointSize, 20);

            // While the box is being retyped the last size stays; a typed size counts
            // before it has been taken by the box.
            for (const auto& [typed, shown] : {std::pair{"", 20}, {"0", 20}, {"30", 30}, {"", 30}}) {
                TypeInto(size, QString::fromLatin1(typed));
                QVERIFY2(options_->ShapeTextStyle(id).PointSize == shown, typed);
            }
        }
        // The three balloons share a page; other tools have no text.
        QCOMPARE(options_->ShapeTextStyle(ToolBalloonA).PointSize, 30);
        QCOMPARE(options_->ShapeTextStyle(ToolBalloonC).Lines.size(), 3);
        QVERIFY(options_->ShapeTextStyle(ToolPencil).FontName.isEmpty());
    }

    // Under a locale with digits of its own the size boxes show those digits; the size
    // is still the one the box shows.
    void fontSizeIsReadInTheDigitsOfTheBox() {
        options_->setLocale(QLocale(QLocale::Persian, QLocale::Iran));
        for (const auto& [id, role] : kTextPages) {
            QSpinBox* size = Control<QSpinBox>("Spn", role, "FontSize");
            size->setValue(30);
            QVERIFY2(size->cleanText() != QStringLiteral("30"), qPrintable(size->cleanText()));
            QCOMPARE(options_->ShapeTextStyle(id).PointSize, 30);
            size->setValue(8);
            QCOMPARE(options_->ShapeTextStyle(id).PointSize, 8);
        }
        options_->setLocale(QLocale());
    }

    void textPagesRedrawOnEveryChange() {
        options_->ShowPage(ToolEllipse);
        options_->MemEllipseText->setPlainText(QStringLiteral("Hi"));
        options_->CmbEllipseFontName->setCurrentIndex(options_->CmbEllipseFontName->count() - 1);
        options_->SpnEllipseBorderW->setValue(3);
        options_->BtnEllipseItalic->click();
        options_->BtnEllipseItalic->click();
        QCOMPARE(changed_->count(), 5);
        // A typed font size redraws once, when it is taken.
        TypeInto(options_->SpnEllipseFontSize, QStringLiteral("100"));
        QTRY_COMPARE(options_->SpnEllipseFontSize->value(), 100);
        WaitPastTypingPause();
        QCOMPARE(changed_->count(), 6);
    }

    void fontListsAreSortedAndStartOnTheDefaultFamily() {
        const QFont font = QApplication::font();
        QComboBox* first = options_->CmbBalloonFontName;
        QVERIFY(first->count() > 0);
        for (int i = 1; i < first->count(); ++i)
            QVERIFY(first->itemText(i - 1).compare(first->itemText(i), Qt::CaseInsensitive) <= 0);
        for (const QString& family : QFontDatabase::families())
            if (!QFontDatabase::isPrivateFamily(family)) QVERIFY(first->findText(family, Qt::MatchExactly) >= 0);
        const QString chosen = first->currentText();
        QVERIFY(chosen.compare(font.family(), Qt::CaseInsensitive) == 0 ||
                chosen.compare(QFontInfo(font).family(), Qt::CaseInsensitive) == 0);
        for (QComboBox* combo : {options_->CmbRectFontName, options_->CmbEllipseFontName, options_->CmbTextFontName}) {
            QCOMPARE(combo->count(), first->count());
            QCOMPARE(combo->currentText(), chosen);
        }
    }

    void sizeKeysStepThroughTheControls() {
        // At the minimum a step down is taken but changes nothing; above 10 the step is a tenth of the size.
        QList<QPair<bool, int>> steps = {{false, 1}};
        for (int size = 2; size <= 12; ++size) steps.append({true, size});
        steps += {{false, 11}, {false, 10}, {false, 9}};
        for (const auto& [larger, expected] : steps) {
            QVERIFY(options_->StepToolSize(ToolPencil, larger));
            QCOMPARE(options_->ToolSize(ToolPencil), expected);
            QCOMPARE(options_->SpnPencilSize->value(), expected);
        }
        QCOMPARE(changed_->count(), 14);
        options_->TrcEraserSize->setValue(95);
        changed_->clear();
        options_->StepToolSize(ToolEraser, true);
        QCOMPARE(options_->ToolSize(ToolEraser), 100);
        options_->StepToolSize(ToolEraser, true);
        QCOMPARE(options_->ToolSize(ToolEraser), 100);
        QCOMPARE(changed_->count(), 1);
        options_->StepToolSize(ToolEraser, false);
        QCOMPARE(options_->ToolSize(ToolEraser), 90);

        // An emptied brush box gets the new size and the change is passed on.
        TypeInto(options_->SpnBrushSize, QString());
        changed_->clear();
        QVERIFY(options_->StepToolSize(ToolBrush, true));
        QCOMPARE(options_->ToolSize(ToolBrush), 22);
        QCOMPARE(options_->SpnBrushSize->cleanText(), QStringLiteral("22"));
        QCOMPARE(changed_->count(), 1);

        for (int id : {int(ToolPaintBucket), int(ToolRectangle), int(ToolEyedropper), int(ToolHand)})
            QVERIFY(!options_->StepToolSize(id, true));
    }

    void commitAndCancelButtonsReport() {
        QSignalSpy commits(options_.get(), &TFrmToolOption::commitClicked);
        QSignalSpy cancels(options_.get(), &TFrmToolOption::cancelClicked);
        int n = 0;
        for (const auto& [id, role] : kTextPages) {
            options_->ShowPage(id);
            QTest::mouseClick(Control<QToolButton>("Btn", role, "Commit"), Qt::LeftButton);
            QTest::mouseClick(Control<QToolButton>("Btn", role, "Cancel"), Qt::LeftButton);
            ++n;
            QVERIFY2(commits.count() == n && cancels.count() == n, role);
        }
        QCOMPARE(changed_->count(), 0);
    }

    // On a screen scaled to twice its resolution the marks are drawn at that
    // resolution, not a single-size picture enlarged and blurred.
    void marksAreSharpOnAScaledScreen() {
        for (const auto& [id, role] : kTextPages)
            for (const char* mark : {"Commit", "Cancel"}) {
                const QPixmap shown = Control<QToolButton>("Btn", role, mark)->icon().pixmap(QSize(16, 16), 2.0);
                QVERIFY2(shown.size() == QSize(32, 32), mark);
            }
    }

    void dropperReadoutShowsPositionAndColor() {
        options_->SetDropperReadout(12, 5, 0x3040C8u);  // red in the low byte
        const QStringList shown{options_->LabDropperX->text(), options_->LabDropperY->text(),
                                options_->LabDropperR->text(), options_->LabDropperG->text(),
                                options_->LabDropperB->text()};
        QCOMPARE(shown, (QStringList{"X: 12", "Y: 5", "R: 200", "G: 64", "B: 48"}));
        QCOMPARE(options_->ShpColor->palette().color(QPalette::Window), QColor(200, 64, 48));
    }

    void keysTypedIntoAControlStayThere() {
        QSignalSpy keys(options_.get(), &TFrmToolOption::keyReleased);
        options_->ShowPage(ToolRectangle);
        options_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(options_.get()));
        options_->MemRectText->setFocus();
        QTRY_VERIFY(options_->MemRectText->hasFocus());
        QTest::keyClicks(options_->MemRectText, QStringLiteral("ab"));
        QTest::keyClick(options_->MemRectText, Qt::Key_Left);
        QTest::keyClick(options_->MemRectText, Qt::Key_Delete);
        QCOMPARE(options_->MemRectText->toPlainText(), QStringLiteral("a"));
        options_->SpnRectFontSize->setFocus();
        QTest::keyClick(options_->SpnRectFontSize, Qt::Key_Delete);
        QCOMPARE(keys.count(), 0);

        // Away from text, Delete still reaches the main window.
        options_->BtnRectBold->setFocus();
        QTest::keyClick(options_->BtnRectBold, Qt::Key_Delete);
        QCOMPARE(keys.count(), 1);
        QCOMPARE(keys.first().at(0).toInt(), int(Qt::Key_Delete));
    }

    // A tool key pressed on a control of the page (a track bar just dragged) brings up
    // another tool's page. The keyboard must not pass to the first box of the new page,
    // which would keep the next tool keys to itself. The page shown again, as every zoom
    // shows it, leaves a box being typed in alone.
    void aNewPageLeavesTheToolKeysWorking() {
        int passed = 0;
        QObject counting;
        connect(options_.get(), &TFrmToolOption::keyPressed, &counting, [&passed] { ++passed; });
        QApplication::setActiveWindow(options_.get());
        options_->ShowPage(ToolBrush);
        options_->TrcBrushSize->setFocus();
        options_->ShowPage(ToolRectangle);
        for (Qt::Key key : {Qt::Key_L, Qt::Key_Left, Qt::Key_Return}) QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(passed, 3);

        options_->SpnRectFontSize->setFocus();
        options_->ShowPage(ToolRectangle);
        QVERIFY(options_->SpnRectFontSize->hasFocus());
    }

private:
    std::pair<QSlider*, QSpinBox*> Pair(const PairRow& row) const {
        const QString name = QString::fromLatin1(row.name);
        return {options_->findChild<QSlider*>("Trc" + name), options_->findChild<QSpinBox*>("Spn" + name)};
    }

    // A control by the parts of its name, e.g. ("Spn", "Rect", "FontSize").
    template <typename T>
    T* Control(const char* kind, const char* role, const char* what) const {
        return options_->findChild<T*>(QLatin1String(kind) + QLatin1String(role) + QLatin1String(what));
    }

    std::unique_ptr<TFrmToolOption> options_;
    std::unique_ptr<QSignalSpy> changed_;
};

QTEST_MAIN(ToolOptionWindowTest)
#include "tool_option_window_test.moc"
