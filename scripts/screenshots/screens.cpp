// Pictures of the program's windows for a person to look at: every page of the
// conversion dialog, its More Options windows, the progress dialog, the preview and
// result of each shipped preset, the main window with its tool windows, and the
// drawing tools at work. It checks nothing (the test suite does); it only writes PNG
// files into the folder named on the command line.
//
// Under a display server (QT_QPA_PLATFORM=xcb, e.g. inside xvfb-run) each picture is
// the whole screen, so that modal dialogs and tool windows show together; on the
// offscreen platform it is the window in question alone.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "conversion/ConversionRun.h"
#include "conversion/ParamControls.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PreviewDialog.h"
#include "conversion/gui/RunConversion.h"
#include "document/gui/LayersWindow.h"
#include "engine/gui/ProcessDialog.h"
#include "support/ToolTestKit.h"
#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QString gFolder;
int gFailed = 0;

void Shot(const QString& name, QWidget* window) {
    QTest::qWait(400);
    const QString file = QDir(gFolder).filePath(name + QStringLiteral(".png"));
    const bool whole = QGuiApplication::platformName() == QLatin1String("xcb");
    const QPixmap picture = whole ? QGuiApplication::primaryScreen()->grabWindow(0) : window->grab();
    if (picture.save(file)) {
        std::printf("%s\n", qPrintable(file));
    } else {
        ++gFailed;
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    }
}

void ConversionDialog(FakeHost& host) {
    host.OpenPicture(SamplePhoto());
    TFrmPreview dlg(host);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) std::fprintf(stderr, "a window did not come up\n");
    const std::pair<QWidget*, const char*> pages[] = {{dlg.TabSheet4, "image-size"},
                                                     {dlg.TabSheet1, "sketch"},
                                                     {dlg.TabSheet5, "coloring-1"},
                                                     {dlg.TabSheet2, "coloring-2"},
                                                     {dlg.TabSheet3, "coloring-3"}};
    for (const auto& [sheet, name] : pages) {
        dlg.PageControl1->setCurrentWidget(sheet);
        Shot(QStringLiteral("dialog-") + QLatin1String(name), &dlg);
    }
    // The Custom reducer with three handles.
    dlg.PageControl1->setCurrentWidget(dlg.TabSheet5);
    dlg.RB_Custom->setChecked(true);
    HandleEditor* handles = dlg.Grp_ColorHandles;
    handles->Cb_HandleCount->setCurrentIndex(2);
    handles->UpdateHandleCount();
    handles->Spn_Handle[0]->setValue(60);
    handles->Spn_Handle[1]->setValue(128);
    handles->Spn_Handle[2]->setValue(200);
    Shot(QStringLiteral("dialog-coloring-1-custom"), &dlg);

    WhenModal<TFrmSketchMoreOption>([](TFrmSketchMoreOption* w) {
        Shot(QStringLiteral("sketch-more-options"), w);
        w->reject();
    });
    dlg.Btn_SketchMore->click();
    WhenModal<TFrm_ColorMoreOption>([](TFrm_ColorMoreOption* w) {
        w->RB_Overlay->setChecked(true);
        Shot(QStringLiteral("coloring-more-options"), w);
        w->reject();
    });
    dlg.Btn_ColorMore->click();
    dlg.reject();
}

// A conversion large enough that the progress dialog is still up after a while.
void Progress() {
    const Bitmap big = TestPicture(2400, 1800);
    TEffectParams p = ControlDefaultRecord();
    p.DrawColor = true;
    p.ColorSmooth = 12;
    p.SourceBitmap = &big;
    p.Width = big.Width();
    p.Height = big.Height();
    TFrm_Process progress;
    progress.SetParams(p, TotalProgressSteps(p));
    QTimer::singleShot(600, &progress, [&progress] {
        Shot(QStringLiteral("progress"), &progress);
        progress.Button1->click();
    });
    progress.exec();
}

void ShippedPresets(FakeHost& host, const test::ProgramFolder& folder) {
    for (const char* name : {"default.set", "cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"}) {
        const QString stem = QLatin1String(name).chopped(4);
        host.OpenPicture(SamplePhoto());
        WhenModal<TFrmPreview>([stem](TFrmPreview* d) {
            Shot(QStringLiteral("preview-") + stem, d);
            d->Btn_Ok->click();
        });
        RunConversion(host, nullptr, std::string(name) == "default.set" ? QString() : folder.Path(name));
        const Bitmap& c = host.doc.CompositeBmp;
        const QImage image(c.Data(), c.Width(), c.Height(), int(c.Stride()), QImage::Format_BGR888);
        QLabel view;
        view.setWindowTitle(QLatin1String(name));
        view.setPixmap(QPixmap::fromImage(image));
        view.show();
        if (!QTest::qWaitForWindowExposed(&view)) std::fprintf(stderr, "a window did not come up\n");
        Shot(QStringLiteral("result-") + stem, &view);
    }
}

void Choose(TFrmMain& w, int tool) { w.FrmTools->ToolButton(tool)->click(); }

// The main window with the tool windows around it: a large photograph fitted into
// the window in the second blending mode, then retouched and drawn on.
void MainWindow() {
    ShellEnv env;
    TFrmMain w(env.Folder());
    OpenPicture(w, env, SamplePhoto(), QSize(900, 640));
    w.FrmLayers->CmbBlendingMode->setCurrentIndex(1);
    w.MenuItem_FitInWindow->trigger();
    Shot(QStringLiteral("opacity-mode-and-fit-in-window"), &w);

    w.MenuItem_ActualPixels->trigger();
    w.FrmTools->SetFrontColor(0x2020E0);
    Choose(w, ToolPencil);
    Stroke(w, {{40, 60}, {90, 45}, {140, 70}, {200, 60}});
    w.FrmTools->SetFrontColor(0xE06020);
    Choose(w, ToolBrush);
    w.FrmToolOption->TrcBrushSize->setValue(30);
    Stroke(w, {{40, 120}, {100, 110}, {160, 130}, {220, 120}});
    Choose(w, ToolDarken);
    w.FrmToolOption->TrcDarkenSize->setValue(40);
    Stroke(w, {{260, 180}, {300, 180}, {320, 180}});
    Shot(QStringLiteral("tools-retouched"), &w);

    w.FrmTools->SetFrontColor(0x202020);
    w.FrmTools->SetBackColor(0xFFFFFF);
    const std::pair<int, QPoint> objects[] = {{ToolRectangle, {20, 230}}, {ToolEllipse, {190, 230}},
                                              {ToolBalloonB, {350, 230}}};
    for (const auto& [tool, at] : objects) {
        Choose(w, tool);
        Hover(w, at);
        Press(w, at);
        Release(w, at);
        QTest::keyClick(w.PaintBox1, Qt::Key_Return);
    }
    Shot(QStringLiteral("shapes-and-balloons"), &w);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    gFolder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(gFolder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    {
        test::ProgramFolder folder;
        FakeHost host;
        host.folder = folder.Folder();
        MessageCapture messages;
        ConversionDialog(host);
        Progress();
        ShippedPresets(host, folder);
    }
    MainWindow();
    return gFailed == 0 ? 0 : 1;
}
