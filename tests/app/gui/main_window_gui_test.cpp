// The main window: menus and their states, the Window-menu toggles, tool-window
// placement, zoom, mouse mapping and the hand tool, the Layers window's effect on the
// composite, closing, preferences and help.

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
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "document/gui/LayersWindow.h"
#include "prefs/gui/OptionsDialog.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"
#include "view/gui/Viewport.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QAction* FindMenuAction(TFrmMain& w, const QString& menu, const QString& caption) {
    for (QAction* top : w.menuBar()->actions())
        if (top->text() == menu && top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->text() == caption) return a;
    return nullptr;
}

// Every tool button but the hand's is enabled exactly when `enabled`.
bool DrawButtonsEnabled(TFrmMain& w, bool enabled) {
    for (int id : {1, 2, 3, 4, 5, 6, 23, 24, 27, 28, 29, 30, 42}) {
        QAbstractButton* b = w.FrmTools->ToolButton(id);
        if (!b || b->isEnabled() != enabled) return false;
    }
    QAbstractButton* hand = w.FrmTools->ToolButton(41);
    return hand && hand->isEnabled();
}

}  // namespace

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
    void MenusCaptionsShortcutsAndStartState() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmora Professional Edition"));
        QStringList menus;
        for (QAction* a : w.menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{"File", "Edit", "Cartoon", "Adjustments", "View", "Window", "Help"}));

        QCOMPARE(FindMenuAction(w, "File", "&Open"), w.MenuItem_Open);
        QCOMPARE(FindMenuAction(w, "File", "&Save"), w.MenuItem_SaveAs);
        QCOMPARE(FindMenuAction(w, "File", "E&xit"), w.MenuItem_Exit);
        QCOMPARE(FindMenuAction(w, "Edit", "&Copy to Clipboard"), w.MenuItem_Copy);
        QCOMPARE(FindMenuAction(w, "Cartoon", "&Velmora"), w.MenuItem_Classic);
        QCOMPARE(FindMenuAction(w, "Cartoon", "Shortcut: Line Drawing"), w.MenuItem_Linedrawing);
        QCOMPARE(FindMenuAction(w, "Adjustments", "Brightness / Contrast"), w.MenuItem_BrightContrast);
        QCOMPARE(FindMenuAction(w, "Help", "Velmora Home Page"), w.VelmoraHomePage1);

        QCOMPARE(w.MenuItem_Redo->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
        QCOMPARE(w.MenuItem_Undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(w.MenuItem_ZoomIn->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Right));
        QCOMPARE(w.MenuItem_ZoomOut->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Left));
        QCOMPARE(w.MenuItem_ActualPixels->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
        QCOMPARE(w.Content1->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w.MenuItem_Classic->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));

        // Before anything is open only Open, Preferences, Exit, the Window items and
        // Help can be used.
        for (QAction* a : {w.MenuItem_Open, w.MenuItem_Options, w.MenuItem_Exit, w.MenuItem_History, w.MenuItem_Layers,
                           w.MenuItem_Tools, w.MenuItem_ToolOption, w.Content1, w.About1, w.VelmoraHomePage1})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        for (QAction* a : {w.MenuItem_SaveAs, w.MenuItem_Undo, w.MenuItem_Redo, w.MenuItem_Copy, w.MenuItem_Classic,
                           w.MenuItem_Cartoon, w.MenuItem_Sketch, w.MenuItem_Linedrawing, w.MenuItem_Canvas,
                           w.MenuItem_BrightContrast, w.MenuItem_Saturation, w.MenuItem_ColorBalance, w.MenuItem_Blur,
                           w.MenuItem_ZoomIn, w.MenuItem_ZoomOut, w.MenuItem_ActualPixels})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        QVERIFY(w.HorzScrollBar->isHidden());
        QVERIFY(w.VertScrollBar->isHidden());
        QCOMPARE(w.Doc().CurrentTool, 0);
        QCOMPARE(w.FrmTools->PaletteState(), 0);

        // All four tool windows are up, their menu items checked and buttons pressed.
        for (QWidget* t : std::initializer_list<QWidget*>{w.FrmHistory, w.FrmLayers, w.FrmTools, w.FrmToolOption})
            QVERIFY(t->isVisible());
        for (QAction* a : {w.MenuItem_History, w.MenuItem_Layers, w.MenuItem_Tools, w.MenuItem_ToolOption,
                           w.Tol_History, w.Tol_Layers, w.Tol_Tools, w.Tol_ToolOption})
            QVERIFY(a->isChecked());
    }

    void WindowTogglesStayInStep() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        // The tool-bar button closes the window and unchecks the menu item.
        w.Tol_Layers->trigger();
        QVERIFY(!w.FrmLayers->isVisible());
        QVERIFY(!w.MenuItem_Layers->isChecked());
        QVERIFY(!w.Tol_Layers->isChecked());
        // The menu item shows it again and presses the button.
        w.MenuItem_Layers->trigger();
        QVERIFY(w.FrmLayers->isVisible());
        QVERIFY(w.Tol_Layers->isChecked());
        QVERIFY(w.MenuItem_Layers->isChecked());
        // The menu item also hides.
        w.MenuItem_History->trigger();
        QVERIFY(!w.FrmHistory->isVisible());
        QVERIFY(!w.Tol_History->isChecked());
        w.Tol_History->trigger();
        QVERIFY(w.FrmHistory->isVisible());
        QVERIFY(w.MenuItem_History->isChecked());

        // Each window's own close button releases its button and unchecks its item.
        struct Case {
            QWidget* window;
            QAction* item;
            QAction* button;
        };
        for (const Case& c : {Case{w.FrmToolOption, w.MenuItem_ToolOption, w.Tol_ToolOption},
                              Case{w.FrmTools, w.MenuItem_Tools, w.Tol_Tools},
                              Case{w.FrmLayers, w.MenuItem_Layers, w.Tol_Layers},
                              Case{w.FrmHistory, w.MenuItem_History, w.Tol_History}}) {
            c.window->close();
            QVERIFY(!c.window->isVisible());
            QVERIFY2(!c.item->isChecked(), qPrintable(c.item->text()));
            QVERIFY2(!c.button->isChecked(), qPrintable(c.item->text()));
            c.button->trigger();
            QVERIFY(c.window->isVisible());
            QVERIFY(c.item->isChecked());
        }
    }

    void ToolWindowsPlacedOnALowDesktop() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        const int stack = w.FrmHistory->frameGeometry().height() + w.FrmLayers->frameGeometry().height() +
                          w.FrmToolOption->frameGeometry().height();
        const int height = stack - 40;  // lower than the three windows together
        const QRect desktop(50, 20, 1200, height);
        w.PlaceToolWindows(desktop);
        QCOMPARE(w.FrmHistory->frameGeometry().top(), 20);
        QCOMPARE(w.FrmLayers->frameGeometry().top(), 20 + height / 3);
        QCOMPARE(w.FrmToolOption->frameGeometry().top(), 20 + (2 * height) / 3);
        const int right = w.FrmHistory->frameGeometry().left() + w.FrmHistory->frameGeometry().width();
        QCOMPARE(right, 50 + 1200 - w.VertScrollBar->sizeHint().width());
        QCOMPARE(w.FrmLayers->frameGeometry().left(), w.FrmHistory->frameGeometry().left());
        QCOMPARE(w.FrmToolOption->frameGeometry().left(), w.FrmHistory->frameGeometry().left());
        QCOMPARE(w.FrmLayers->frameGeometry().width(), w.FrmHistory->frameGeometry().width());
        QCOMPARE(w.FrmToolOption->frameGeometry().width(), w.FrmHistory->frameGeometry().width());
        QCOMPARE(w.FrmTools->frameGeometry().left(), 50);
        QCOMPARE(w.FrmTools->frameGeometry().top(), 20 + (height - w.FrmTools->frameGeometry().height()) / 3);

        // A tall desktop stacks them one below the other.
        w.PlaceToolWindows(QRect(0, 0, 1200, stack + 300));
        QCOMPARE(w.FrmHistory->frameGeometry().top(), 100);
        QCOMPARE(w.FrmLayers->frameGeometry().top(), 100 + w.FrmHistory->frameGeometry().height());
        QCOMPARE(w.FrmToolOption->frameGeometry().top(),
                 w.FrmLayers->frameGeometry().top() + w.FrmLayers->frameGeometry().height());
    }

    void ZoomTextsAndDrawToolsBelowFullSize() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(700, 500);
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "z.bmp", Gradient(300, 200))));
        QCOMPARE(w.StatusPanels[0]->text(), QStringLiteral("300 x 200"));
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("100%"));
        QCOMPARE(w.FrmTools->PaletteState(), 2);
        QVERIFY(DrawButtonsEnabled(w, true));

        w.MenuItem_ZoomOut->trigger();
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("75%"));
        QCOMPARE(w.FrmTools->PaletteState(), 1);
        QVERIFY(DrawButtonsEnabled(w, false));
        w.MenuItem_ZoomOut->trigger();
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("56.25%"));
        w.MenuItem_ZoomOut->trigger();
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("42.19%"));

        // Refreshing the command states (as undo or a finished edit does) keeps the
        // drawing tools off while the zoom is below 100 %.
        w.UpdateCommandStates();
        QCOMPARE(w.FrmTools->PaletteState(), 1);

        w.MenuItem_ActualPixels->trigger();
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("100%"));
        QCOMPARE(w.FrmTools->PaletteState(), 2);
        QVERIFY(DrawButtonsEnabled(w, true));

        w.MenuItem_ZoomIn->trigger();
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("133.3%"));
        w.MenuItem_ZoomOut->trigger();
        QCOMPARE(w.Doc().Zoom, 1.0);
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("100%"));
        QCOMPARE(w.FrmTools->PaletteState(), 2);

        // Ctrl with the wheel goes through the same commands.
        QWheelEvent in(QPointF(10, 10), w.PaintBox1->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.PaintBox1, &in);
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("133.3%"));
        QWheelEvent out(QPointF(10, 10), w.PaintBox1->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240),
                        Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.PaintBox1, &out);
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("75%"));
    }

    void ScrollBarsAndVisibleRectangle() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(600, 450);
        w.show();
        // Narrower than the paint box: no horizontal bar, the view ends at the last column.
        QVERIFY(w.OpenFile(WriteBmp(env, "tall.bmp", Gradient(50, 3000))));
        QVERIFY(w.HorzScrollBar->isHidden());
        QVERIFY(!w.VertScrollBar->isHidden());
        QCOMPARE(w.Doc().ViewRect.Right, 49);
        QCOMPARE(w.Doc().ViewRect.Bottom, w.PaintBox1->height() - 1);
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
    }

    void MouseMappingAndHandDrag() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(600, 450);
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "big.bmp", Gradient(1000, 800))));
        QCOMPARE(w.Doc().CurrentTool, 41);

        // Zoomed in, a position maps to the pixel under it: X 5 at zoom 2.0 with scroll
        // position 10 is image x 12, Y 7 is row 3 (both halves of a shown pixel agree).
        w.Doc().Zoom = 2.0;
        w.UpdateScrollBars();
        w.HorzScrollBar->setValue(10);
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(5, 7), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w.View().HandDownX(), 12);
        QCOMPARE(w.View().HandDownY(), 3);
        SendMouse(w.PaintBox1, QEvent::MouseButtonRelease, QPoint(5, 7), Qt::LeftButton, Qt::NoButton);

        // At 100 %: the grabbed point follows the mouse and the view stops at the edges.
        w.MenuItem_ActualPixels->trigger();
        const ScrollAxis h = w.View().HorzAxis();
        QVERIFY(h.Visible);
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        QCOMPARE(w.VertScrollBar->value(), 10);
        QCOMPARE(w.Doc().ViewRect.Left, 20);
        QCOMPARE(w.FrmToolOption->LabInfoX->text(), QStringLiteral("X: 30"));
        QCOMPARE(w.FrmToolOption->LabInfoY->text(), QStringLiteral("Y: 40"));
        // Dragging past the left end leaves the horizontal position; the vertical one
        // still keeps the grabbed row (50) under the mouse.
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(60, 45), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        QCOMPARE(w.VertScrollBar->value(), 5);
        // With the view at 20, screen x X is image x X + 20 and asks for position 50 - X.
        // One past the hand's right end (Max - Page) the view stays; at the end it goes.
        const int rightEnd = h.Max - h.Page;
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(49 - rightEnd, 45), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), 20);
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(50 - rightEnd, 45), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.HorzScrollBar->value(), rightEnd);
        SendMouse(w.PaintBox1, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
        // Without a button the read-out still follows the mouse; the view does not.
        SendMouse(w.PaintBox1, QEvent::MouseMove, QPoint(3, 4), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.HorzScrollBar->value(), rightEnd);
        QCOMPARE(w.FrmToolOption->LabInfoX->text(), QStringLiteral("X: %1").arg(rightEnd + 3));
    }

    void DeleteKeySwitchesToTheHand() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "d.bmp", Gradient(40, 30))));
        w.Doc().CurrentTool = 2;
        w.FormKeyUp(Qt::Key_Delete);
        QCOMPARE(w.Doc().CurrentTool, 41);
        QVERIFY(w.FrmTools->ToolButton(41)->isChecked());
        QCOMPARE(w.FrmToolOption->CurrentPageName(), QStringLiteral("TsNormal"));
    }

    void LayersWindowDrivesTheComposite() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        Bitmap pic(8, 6);
        pic.Fill(200, 128, 1);
        QVERIFY(w.OpenFile(WriteBmp(env, "l.bmp", pic)));
        auto shown = [&w] { return w.Doc().CompositeBmp.Pixel(3, 2); };
        // Over the white sketch in Multiply: v * 255 >> 8.
        QCOMPARE(int(shown()[0]), 199);
        QCOMPARE(int(shown()[1]), 127);
        QCOMPARE(int(shown()[2]), 0);
        // Opacity 50 with a white sketch: (c * 50 + 255 * 50) / 100.
        w.FrmLayers->CmbBlendingMode->setCurrentIndex(1);
        QCOMPARE(int(shown()[0]), (200 * 50 + 255 * 50) / 100);
        w.FrmLayers->Spn_Opacity->setValue(99);
        QCOMPARE(int(shown()[1]), (128 * 1 + 255 * 99) / 100);
        // Only the color layer visible: the picture itself.
        w.FrmLayers->Chk_SketchVisible->setChecked(false);
        QCOMPARE(int(shown()[0]), 200);
        // Opening another picture resets to Multiply with both layers visible and
        // keeps the opacity.
        QVERIFY(w.OpenFile(WriteBmp(env, "l2.bmp", pic)));
        QCOMPARE(w.FrmLayers->CmbBlendingMode->currentIndex(), 0);
        QVERIFY(w.FrmLayers->Chk_SketchVisible->isChecked());
        QVERIFY(!w.FrmLayers->Trc_Opacity->isVisible());
        QCOMPARE(w.GetLayerState().Opacity, 99);
        QCOMPARE(int(shown()[0]), 199);
    }

    void CopyPutsTheCompositeOnTheClipboard() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "c.bmp", Gradient(20, 10))));
        w.MenuItem_CopyClick();
        const QImage image = QGuiApplication::clipboard()->image();
        QCOMPARE(image.size(), QSize(20, 10));
        // Pixel (7, 3) is blue 7, green 3, red 10 before the multiply over white.
        QCOMPARE(QColor(image.pixel(7, 3)), QColor((10 * 255) >> 8, (3 * 255) >> 8, (7 * 255) >> 8));
    }

    void ClosingAsksAboutUnsavedWorkAndSavesPreferences() {
        ShellEnv env;
        auto* w = new TFrmMain(env.Folder());
        w->show();
        // Defaults when there is no options.dat.
        QCOMPARE(w->FrmOptions->CmbWinSize->currentIndex(), 0);
        QCOMPARE(w->FrmOptions->SpnWidth->value(), 459);
        QCOMPARE(w->FrmOptions->SpnHeight->value(), 451);
        QCOMPARE(w->FrmOptions->SpnHistory->value(), 50);

        QVERIFY(w->OpenFile(WriteBmp(env, "u.bmp", Gradient(30, 20))));
        QVERIFY(!w->Modified());
        // Nothing changed since the open: no question.
        w->FrmOptions->SpnHistory->setValue(7);
        QVERIFY(w->close());
        QVERIFY(env.confirmations.isEmpty());
        QCOMPARE(env.messages, QStringList{"History States will not take effect until next run"});
        QFile options(env.Path("options.dat"));
        QVERIFY(options.open(QIODevice::ReadOnly));
        const QByteArray bytes = options.readAll();
        QCOMPARE(bytes.size(), 32);
        QCOMPARE(int(bytes[12]), 7);
        delete w;

        // After an edit the user is asked; Cancel keeps the window open.
        env.messages.clear();
        w = new TFrmMain(env.Folder());
        w->show();
        QVERIFY(w->OpenFile(WriteBmp(env, "v.bmp", Gradient(30, 20))));
        w->AddState("Pencil", "--");
        QVERIFY(w->Modified());
        env.confirmAnswer = false;
        QVERIFY(!w->close());
        QCOMPARE(env.confirmations.size(), 1);
        QVERIFY(w->isVisible());
        // Saving clears the question.
        QVERIFY(w->SaveToFile(env.Path("v_cartoon"), 3));
        QVERIFY(!w->Modified());
        QVERIFY(w->close());
        QCOMPARE(env.confirmations.size(), 1);
        delete w;
    }

    void HelpOpensTheGuideFromTheProgramFolder() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        // No guide in the folder: the user is told, nothing is opened.
        w.Content1->trigger();
        QVERIFY(catcher.urls.isEmpty());
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].endsWith(QStringLiteral("velmora-help.html was not found.")));
        QFile guide(env.Path("velmora-help.html"));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.write("<html></html>");
        guide.close();
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
