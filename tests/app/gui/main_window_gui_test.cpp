// What the main window adds to the core: its menus, toggles, zoom and mouse wiring, closing and help.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSpinBox>
#include <QtTest>
#include <cstring>
#include <memory>

#include "adjust/gui/AdjustmentForms.h"
#include "app/gui/MainWindow.h"
#include "conversion/gui/ConversionTestKit.h"
#include "app/gui/ShellTestSupport.h"
#include "common/Sanitizer.h"
#include "document/gui/LayersWindow.h"
#include "engine/gui/ProcessDialog.h"
#include "engine/ColorStep.h"
#include "prefs/gui/OptionsDialog.h"
#include "support/LowMemory.h"
#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"
#include "view/gui/Viewport.h"

using namespace velmora;
using namespace velmora::test;

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { MapLargeMallocsApart(); }

    void MenusShortcutsAndStartState() {
        Shell s;
        auto& [env, w] = s;
        const std::pair<QAction*, QKeySequence> shortcuts[] = {
            {w.MenuItem_Redo, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z)},
            {w.MenuItem_Undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
            {w.MenuItem_ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Right)},
            {w.MenuItem_ZoomOut, QKeySequence(Qt::CTRL | Qt::Key_Left)},
            {w.MenuItem_ActualPixels, QKeySequence(Qt::CTRL | Qt::Key_0)},
            {w.Content1, QKeySequence(Qt::Key_F1)},
            {w.MenuItem_Classic, QKeySequence(Qt::CTRL | Qt::Key_I)}};
        for (const auto& [action, keys] : shortcuts) QVERIFY2(action->shortcut() == keys, qPrintable(action->text()));

        // Before anything is open only Open, Preferences, Exit, the Window items and
        // Help can be used; every command is reachable from a menu.
        QSet<QAction*> inMenus;
        for (QAction* top : w.menuBar()->actions())
            for (QAction* a : top->menu() ? top->menu()->actions() : QList<QAction*>{}) inMenus.insert(a);
        for (QAction* a : {w.MenuItem_Open, w.MenuItem_Options, w.MenuItem_Exit, w.MenuItem_History, w.MenuItem_Layers,
                           w.MenuItem_Tools, w.MenuItem_ToolOption, w.Content1, w.About1, w.VelmoraHomePage1})
            QVERIFY2(a->isEnabled() && inMenus.contains(a), qPrintable(a->text()));
        for (QAction* a : {w.MenuItem_SaveAs, w.MenuItem_Undo, w.MenuItem_Redo, w.MenuItem_Copy, w.MenuItem_Classic,
                           w.MenuItem_Cartoon, w.MenuItem_Sketch, w.MenuItem_Linedrawing, w.MenuItem_Canvas,
                           w.MenuItem_BrightContrast, w.MenuItem_Saturation, w.MenuItem_ColorBalance, w.MenuItem_Blur,
                           w.MenuItem_ZoomIn, w.MenuItem_ZoomOut, w.MenuItem_ActualPixels})
            QVERIFY2(!a->isEnabled() && inMenus.contains(a), qPrintable(a->text()));
        QVERIFY(w.HorzScrollBar->isHidden());
        QVERIFY(w.VertScrollBar->isHidden());

        // Delete, which drops a pending object and takes the hand on a picture, has no
        // tool to leave before one is open, in the main window or in a tool window.
        const QString page = w.FrmToolOption->CurrentPageName();
        QTest::keyRelease(&w, Qt::Key_Delete);
        QTest::keyRelease(w.FrmTools, Qt::Key_Delete);
        QCOMPARE(w.Doc().CurrentTool, 0);
        QCOMPARE(w.FrmToolOption->CurrentPageName(), page);
    }

    void WindowTogglesStayInStep() {
        Shell s;
        auto& [env, w] = s;
        // Menu item, tool-bar button and the window's own close each hide or show the
        // window, and the other two controls follow.
        struct Case {
            QWidget* window;
            QAction* item;
            QAction* button;
        };
        for (const Case& c : {Case{w.FrmToolOption, w.MenuItem_ToolOption, w.Tol_ToolOption},
                              Case{w.FrmTools, w.MenuItem_Tools, w.Tol_Tools},
                              Case{w.FrmLayers, w.MenuItem_Layers, w.Tol_Layers},
                              Case{w.FrmHistory, w.MenuItem_History, w.Tol_History}}) {
            auto shownAs = [&c](bool shown) {
                return c.window->isVisible() == shown && c.item->isChecked() == shown && c.button->isChecked() == shown;
            };
            const QByteArray name = c.item->text().toUtf8();
            QVERIFY2(shownAs(true), name);
            int step = 0;
            for (const auto& [act, shown] : {std::pair{c.button, false}, {c.item, true}, {c.item, false},
                                             {c.button, true}, {nullptr, false}, {c.button, true}}) {
                act ? act->trigger() : void(c.window->close());
                QVERIFY2(shownAs(shown), name + " step " + QByteArray::number(++step));
            }
        }
    }

    // A window manager keeps a tool window above the main window only when the main
    // window is already on the screen as the tool window comes up; otherwise the main
    // window, opening maximized, covers all four.
    void ToolWindowsComeUpAfterTheMainWindow() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        struct ShowWatch : QObject {
            QWidget* main = nullptr;
            QStringList early;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Show && !(main->windowHandle() && main->windowHandle()->isVisible()))
                    early << o->objectName();
                return false;
            }
        } watch;
        watch.main = &w;
        for (QWidget* tool : {static_cast<QWidget*>(w.FrmTools), static_cast<QWidget*>(w.FrmHistory),
                              static_cast<QWidget*>(w.FrmLayers), static_cast<QWidget*>(w.FrmToolOption)}) {
            tool->setObjectName(tool->windowTitle());
            tool->installEventFilter(&watch);
        }
        w.show();
        QVERIFY(w.FrmTools->isVisible() && w.FrmToolOption->isVisible());
        QCOMPARE(watch.early, QStringList());
    }

    // The arithmetic is the core's; here, that the window feeds it the frames and
    // keeps a scroll bar's width free at the right edge.
    void ToolWindowsPlacedByTheirFrames() {
        Shell s;
        auto& [env, w] = s;
        const QRect history = w.FrmHistory->frameGeometry(), layers = w.FrmLayers->frameGeometry();
        const int stack = history.height() + layers.height() + w.FrmToolOption->frameGeometry().height();
        const int height = stack - 40;  // lower than the three windows together
        // The windows are moved by the window system, which reports their new places as
        // events; those also let the set look at the frames again.
        const auto place = [&w](const QRect& desktop, const QList<QRect>& screens = {}) {
            w.PlaceToolWindows(desktop, screens);
            QCoreApplication::processEvents();
        };
        place(QRect(50, 20, 1200, height));
        QCOMPARE(w.FrmLayers->frameGeometry().top(), 20 + height / 3);
        QCOMPARE(w.FrmHistory->frameGeometry().right() + 1, 50 + 1200 - w.VertScrollBar->sizeHint().width());
        QCOMPARE(w.FrmTools->frameGeometry().topLeft(),
                 QPoint(50, 20 + (height - w.FrmTools->frameGeometry().height()) / 3));
        // A tall desktop stacks them by their frame heights.
        place(QRect(0, 0, 1200, stack + 300));
        QCOMPARE(w.FrmToolOption->frameGeometry().top(), 100 + history.height() + layers.height());
        // A second, lower screen at the right: the stack goes onto it, by its frames.
        place(QRect(0, 0, 1800, stack + 300), {QRect(0, 0, 1000, stack), QRect(1000, 250, 800, stack + 50)});
        QCOMPARE(w.FrmHistory->frameGeometry().top(), 250);
        QCOMPARE(w.FrmToolOption->frameGeometry().bottom() + 1, 250 + stack);
        QCOMPARE(w.FrmHistory->frameGeometry().right() + 1, 1800 - w.VertScrollBar->sizeHint().width());
        QCOMPARE(w.FrmTools->frameGeometry().left(), 0);
    }

    void ZoomCommandsSetTheTextAndTheDrawTools() {
        Shell s(QSize(700, 500));
        auto& [env, w] = s;
        QVERIFY(s.Open("z.bmp", Gradient(300, 200)));
        // Below 100 % only the hand is offered (palette state 1), from 100 % every tool (2);
        // the zoom steps and their text are the core's (view_math_test).
        struct Step {
            QAction* command;
            const char* text;
            int palette;
        };
        for (const Step& s : {Step{nullptr, "100%", 2}, Step{w.MenuItem_ZoomOut, "75%", 1},
                              Step{w.MenuItem_ZoomOut, "56.25%", 1}, Step{w.MenuItem_ActualPixels, "100%", 2},
                              Step{w.MenuItem_ZoomIn, "133.3%", 2}, Step{w.MenuItem_ZoomOut, "100%", 2}}) {
            if (s.command) s.command->trigger();
            QCOMPARE(w.StatusPanels[1]->text(), QString::fromLatin1(s.text));
            QCOMPARE(w.FrmTools->PaletteState(), s.palette);
            // Refreshing the command states, as undo or a finished edit does, keeps it.
            w.UpdateCommandStates();
            QCOMPARE(w.FrmTools->PaletteState(), s.palette);
        }
        // Ctrl with the wheel goes through the same commands, one per notch.
        CtrlWheel(w.PaintBox1, QPoint(10, 10), 1);
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("133.3%"));
        CtrlWheel(w.PaintBox1, QPoint(10, 10), -2);
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("75%"));

        // The steps stop within 1 % and 10,000 %, where the view's arithmetic holds;
        // the wheel stops there too, and still goes the other way.
        for (int i = 0; i < 40; ++i) w.MenuItem_ZoomIn->trigger();
        QVERIFY(!w.MenuItem_ZoomIn->isEnabled() && w.Doc().Zoom <= 100.0 && w.Doc().Zoom > 75.0);
        const double top = w.Doc().Zoom;
        CtrlWheel(w.PaintBox1, QPoint(10, 10), 1);
        QCOMPARE(w.Doc().Zoom, top);
        CtrlWheel(w.PaintBox1, QPoint(10, 10), -1);
        QVERIFY(w.MenuItem_ZoomIn->isEnabled() && w.Doc().Zoom < top);
        for (int i = 0; i < 60; ++i) w.MenuItem_ZoomOut->trigger();
        QVERIFY(!w.MenuItem_ZoomOut->isEnabled() && w.Doc().Zoom >= 0.01 && w.Doc().Zoom < 0.0134);
        w.UpdateCommandStates();
        QVERIFY(!w.MenuItem_ZoomOut->isEnabled());
    }

    // The dialog's own preview is adjust_dialogs_test's; here, that whatever else
    // recomposites the view while the dialog is open (a resize, a scroll, a zoom) goes
    // on showing what its sliders would do, and Cancel still shows the layers again.
    void AnAdjustmentPreviewFollowsTheView() {
        Shell s(QSize(600, 450));
        auto& [env, w] = s;
        QVERIFY(s.Open("big.bmp", Gradient(1000, 800)));
        Document& doc = w.Doc();
        const Bitmap sketch = doc.SketchBmp, color = doc.ColorBmp;
        const AdjustmentSettings balance{Adjustment::ColorBalance, {60, 0, -40}};
        // Color balance works pixel by pixel, so the whole picture adjusted shows what
        // any view rectangle of it must show.
        Bitmap adjustedSketch = sketch, adjustedColor = color, adjusted, plain;
        TColorStep step;
        ApplyAdjustment(step, balance, sketch, adjustedSketch, WholeBitmap(sketch));
        ApplyAdjustment(step, balance, color, adjustedColor, WholeBitmap(color));
        adjusted.SetSize(sketch.Width(), sketch.Height());
        plain.SetSize(sketch.Width(), sketch.Height());
        CompositeAll(adjusted, adjustedSketch, adjustedColor, doc.PhotoBmp, w.GetLayerState());
        CompositeAll(plain, sketch, color, doc.PhotoBmp, w.GetLayerState());
        const auto shows = [&doc](const Bitmap& expected) {
            const Rect v = doc.ViewRect;
            for (int y = v.Top; y <= v.Bottom; ++y)
                if (std::memcmp(doc.CompositeBmp.Pixel(v.Left, y), expected.Pixel(v.Left, y),
                                std::size_t(v.Right - v.Left + 1) * 3) != 0)
                    return false;
            return true;
        };

        const auto openBalance = [&] {
            std::unique_ptr<TFrmAdjustment> dlg = CreateAdjustmentDialog(Adjustment::ColorBalance, w, &w);
            dlg->show();
            for (int i = 0; i < 3; ++i) dlg->Track(i)->setValue(balance.Values[i]);
            return dlg;
        };
        const auto resize = [&w](int width, int height) {
            w.resize(width, height);
            QCoreApplication::processEvents();
        };

        std::unique_ptr<TFrmAdjustment> dlg = openBalance();
        QVERIFY(shows(adjusted));
        const Rect first = doc.ViewRect;
        resize(700, 560);
        QVERIFY(doc.ViewRect.Right > first.Right && doc.ViewRect.Bottom > first.Bottom);
        QVERIFY(shows(adjusted));
        w.VertScrollBar->setValue(150);
        QCOMPARE(doc.ViewRect.Top, 150);
        QVERIFY(shows(adjusted));
        w.MenuItem_ZoomOutClick();
        QVERIFY(shows(adjusted));
        QVERIFY(doc.SketchBmp == sketch && doc.ColorBmp == color);

        dlg->BtnCancel->click();
        QVERIFY(shows(plain));
        resize(640, 480);
        QVERIFY(shows(plain));
        QVERIFY(doc.SketchBmp == sketch && doc.ColorBmp == color);
        QCOMPARE(w.FrmHistory->Ring().Count(), 1);  // only "Open"

        // After OK the view shows the adjusted layers themselves, adjusted once.
        openBalance()->BtnOk->click();
        QVERIFY(doc.SketchBmp == adjustedSketch && doc.ColorBmp == adjustedColor);
        QVERIFY(shows(adjusted));
        resize(600, 450);
        QVERIFY(shows(adjusted));
    }

    // The conversion dialog resizes the photograph it will convert while it is open.
    // A window redrawn meanwhile must go on showing and describing the picture as it
    // was (both layers hidden, the view shows the photograph itself), and so must it
    // once the dialog is cancelled.
    void CancellingAResizedConversionShowsThePictureAsItWas() {
        Shell s(QSize(600, 450));
        auto& [env, w] = s;
        QFile::copy(QStringLiteral(VELMORA_PROGRAM_DIR "/cartoon.set"), env.Path("cartoon.set"));
        QVERIFY(s.Open("photo.bmp", Gradient(400, 300)));
        w.FrmLayers->Chk_SketchVisible->setChecked(false);
        w.FrmLayers->Chk_ColorVisible->setChecked(false);
        const Bitmap photo = w.Doc().PhotoBmp;
        QVERIFY(w.Doc().CompositeBmp == photo);
        QString during;
        bool photoShown = false;
        WhenModal<TFrmPreview>([&](TFrmPreview* d) {
            d->Trc_ImageSize->setValue(50);
            w.resize(640, 480);
            QCoreApplication::processEvents();
            during = w.StatusPanels[0]->text();
            photoShown = w.Doc().CompositeBmp == photo;
            d->Btn_Cancle->click();
        });
        w.MenuItem_Cartoon->trigger();
        QCOMPARE(during, QStringLiteral("400 x 300"));
        QVERIFY(photoShown);
        QCOMPARE(w.StatusPanels[0]->text(), QStringLiteral("400 x 300"));
        QVERIFY(w.Doc().PhotoBmp == photo);
        QVERIFY(w.Doc().CompositeBmp == photo);
        QCOMPARE(w.FrmHistory->Ring().Count(), 1);

        // The same while the conversion itself runs, until it is cancelled.
        WhenModal<TFrmPreview>([](TFrmPreview* d) {
            d->Spn_ColorSmooth->setValue(19);
            d->Spn_BorderBlur->setValue(255);
            d->Trc_ImageSize->setValue(50);
            d->Btn_Ok->click();
        });
        photoShown = false;
        WhenModal<TFrm_Process>([&](TFrm_Process* d) {
            w.resize(600, 450);
            QCoreApplication::processEvents();
            photoShown = w.Doc().CompositeBmp == photo;
            d->Button1->click();
        });
        w.MenuItem_Cartoon->trigger();
        QVERIFY(photoShown);
        QVERIFY(w.Doc().PhotoBmp == photo);
        QVERIFY(w.Doc().CompositeBmp == photo);
        QCOMPARE(w.FrmHistory->Ring().Count(), 1);
    }

    void TheWheelScrollsTheBarThePictureNeeds() {
        Shell s(QSize(600, 450));
        auto& [env, w] = s;
        // Narrower than the paint box: no horizontal bar.
        QVERIFY(s.Open("tall.bmp", Gradient(50, 3000)));
        QVERIFY(w.HorzScrollBar->isHidden());
        QVERIFY(!w.VertScrollBar->isHidden());
        QCOMPARE(w.VertScrollBar->pageStep(), w.PaintBox1->height());
        // An arrow click moves one image pixel, a trough click ten.
        w.VertScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w.VertScrollBar->value(), 1);
        w.VertScrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(w.VertScrollBar->value(), 11);
        QCOMPARE(w.Doc().ViewRect.Top, 11);
        // A resize returns the view to the top-left corner.
        w.resize(620, 470);
        QCoreApplication::processEvents();
        QCOMPARE(w.VertScrollBar->value(), 0);
        QCOMPARE(w.Doc().ViewRect.Top, 0);

        // Wider than the paint box but not higher: only the horizontal bar, which the
        // plain wheel turns as Shift with the wheel does.
        QVERIFY(s.Open("wide.bmp", Gradient(3000, 50)));
        QVERIFY(!w.HorzScrollBar->isHidden());
        QVERIFY(w.VertScrollBar->isHidden());
        const QPoint at(100, 20);
        Wheel(w.PaintBox1, at, -1);
        const int notch = w.HorzScrollBar->value();
        QVERIFY(notch > 0);
        QCOMPARE(w.Doc().ViewRect.Left, notch);
        Wheel(w.PaintBox1, at, -1, Qt::ShiftModifier);
        QCOMPARE(w.HorzScrollBar->value(), 2 * notch);
        Wheel(w.PaintBox1, at, 3);
        QCOMPARE(w.HorzScrollBar->value(), 0);

        // With both bars the plain wheel turns the vertical one, Shift the horizontal one.
        QVERIFY(s.Open("big.bmp", Gradient(3000, 3000)));
        Wheel(w.PaintBox1, at, -1);
        QCOMPARE(w.HorzScrollBar->value(), 0);
        QCOMPARE(w.VertScrollBar->value(), notch);
        Wheel(w.PaintBox1, at, -1, Qt::ShiftModifier);
        QCOMPARE(w.HorzScrollBar->value(), notch);
        QCOMPARE(w.VertScrollBar->value(), notch);
    }

    void MouseMappingAndHandDrag() {
        Shell s(QSize(600, 450));
        auto& [env, w] = s;
        QVERIFY(s.Open("big.bmp", Gradient(1000, 800)));
        QCOMPARE(w.Doc().CurrentTool, 41);

        // Zoomed in, the press is mapped with the window's zoom and scroll position.
        w.Doc().Zoom = 2.0;
        w.UpdateScrollBars();
        w.HorzScrollBar->setValue(10);
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(5, 7), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w.View().HandDownX(), 12);
        QCOMPARE(w.View().HandDownY(), 3);
        SendMouse(w.PaintBox1, QEvent::MouseButtonRelease, QPoint(5, 7), Qt::LeftButton, Qt::NoButton);

        // At 100 %: the grabbed point follows the mouse.
        w.MenuItem_ActualPixels->trigger();
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        QCOMPARE(w.VertScrollBar->value(), 10);
        QCOMPARE(w.Doc().ViewRect.Left, 20);
        QCOMPARE(w.FrmToolOption->LabInfoX->text(), QStringLiteral("X: 30"));
        QCOMPARE(w.FrmToolOption->LabInfoY->text(), QStringLiteral("Y: 40"));
        // Each axis is moved on its own: past the left end only the vertical position follows.
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(60, 45), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        QCOMPARE(w.VertScrollBar->value(), 5);
        SendMouse(w.PaintBox1, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
        // Without a button the read-out still follows the mouse; the view does not.
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(3, 4), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        QCOMPARE(w.FrmToolOption->LabInfoX->text(), QStringLiteral("X: 23"));
    }

    // The blend arithmetic is the core's; here, that the Layers window drives this composite.
    void LayersWindowDrivesTheComposite() {
        Shell s;
        auto& [env, w] = s;
        Bitmap pic(8, 6);
        pic.Fill(200, 128, 1);
        QVERIFY(s.Open("l.bmp", pic));
        auto shown = [&w] { return int(w.Doc().CompositeBmp.Pixel(3, 2)[0]); };
        QCOMPARE(shown(), 199);  // Multiply over the white sketch
        w.FrmLayers->CmbBlendingMode->setCurrentIndex(1);
        w.FrmLayers->Spn_Opacity->setValue(99);
        QCOMPARE(shown(), (200 * 1 + 255 * 99) / 100);
        w.FrmLayers->Chk_SketchVisible->setChecked(false);
        QCOMPARE(shown(), 200);
        // Another picture brings back Multiply with both layers visible and keeps the opacity.
        QVERIFY(s.Open("l2.bmp", pic));
        QCOMPARE(w.FrmLayers->CmbBlendingMode->currentIndex(), 0);
        QVERIFY(w.FrmLayers->Chk_SketchVisible->isChecked());
        QCOMPARE(w.GetLayerState().Opacity, 99);
        QCOMPARE(shown(), 199);
    }

    void CopyPutsTheCompositeOnTheClipboard() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("large.bmp", Gradient(2400, 2300)));  // about 16 MiB
        w.MenuItem_CopyClick();
        const QImage image = QGuiApplication::clipboard()->image();
        QCOMPARE(image.size(), QSize(2400, 2300));
        // Pixel (7, 3) is blue 7, green 3, red 10 before the multiply over white; the
        // last one, far outside the view, blue 95, green 251, red 90.
        QCOMPARE(QColor(image.pixel(7, 3)), QColor((10 * 255) >> 8, (3 * 255) >> 8, (7 * 255) >> 8));
        QCOMPARE(QColor(image.pixel(2399, 2299)), QColor((90 * 255) >> 8, (251 * 255) >> 8, (95 * 255) >> 8));

        // Without memory for the clipboard's own copy of the picture, the clipboard keeps
        // what it had and the user learns why nothing was copied.
#ifndef VELMORA_UNDER_SANITIZER  // the sanitizer's own allocator needs more address space than the cap allows
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        // The history's own thread must not be writing the "Open" state under the cap.
        w.FrmHistory->FinishWrites();
        {
            AddressSpaceCap cap(std::size_t{4} << 20);
            w.MenuItem_CopyClick();
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QCOMPARE(env.messages, QStringList{"Not enough memory to copy the picture to the clipboard."});
        w.MenuItem_CopyClick();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(2400, 2300));
#endif
    }

    // The question about unsaved work is asked in view_and_close_gui_test.
    void ClosingUnchangedWorkAsksNothingAndSavesPreferences() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("u.bmp", Gradient(30, 20)));
        QVERIFY(!w.Modified());
        w.FrmOptions->SpnHistory->setValue(7);
        QVERIFY(w.close());
        QVERIFY(env.confirmations.isEmpty());
        QCOMPARE(env.messages, QStringList{"History States will not take effect until next run"});
        QFile options(env.Path("options.dat"));
        QVERIFY(options.open(QIODevice::ReadOnly));
        const QByteArray bytes = options.readAll();
        QCOMPARE(bytes.size(), 32);
        QCOMPARE(int(bytes[12]), 7);
    }

    // Ctrl+Q works from the Tool Option window too. A size typed there and not yet
    // taken is taken when the window loses the focus, which happens as the program
    // ends; the tools must still be there to answer it.
    void EndingWithASizeTypedIntoTheToolOptionWindow() {
        auto s = std::make_unique<Shell>();
        TFrmMain& w = s->w;
        QVERIFY(s->Open("u.bmp", Gradient(30, 20)));
        w.FrmTools->ToolButton(ToolBrush)->click();
        QSpinBox* size = w.FrmToolOption->SpnBrushSize;
        QApplication::setActiveWindow(w.FrmToolOption);
        size->setFocus();
        QCOMPARE(QApplication::focusWidget(), size);
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("7"));
        QVERIFY(w.close());
        s.reset();
    }

    void HelpOpensTheGuideFromTheProgramFolder() {
        Shell s;
        auto& [env, w] = s;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        // No guide in the folder: the user is told, nothing is opened.
        w.Content1->trigger();
        QVERIFY(catcher.urls.isEmpty());
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].endsWith(QStringLiteral("velmora-help.html was not found.")));
        WriteRaw(env, "velmora-help.html", "<html></html>");
        w.Content1->trigger();
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls[0], QUrl::fromLocalFile(env.Path("velmora-help.html")));
        w.VelmoraHomePage1->trigger();
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls[1].scheme(), QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_gui_test.moc"
