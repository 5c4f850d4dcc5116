// What each page of the conversion dialog shows. With VELMORA_SCREENSHOT_DIR set
// (and a display, e.g. Xvfb with QT_QPA_PLATFORM=xcb) it also saves screenshots of
// every page, the More Options windows, the progress dialog and the result of each
// shipped preset, taken of the whole screen with ImageMagick's "import".

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "conversion/ParamControls.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PaintBox.h"
#include "conversion/gui/PreviewDialog.h"
#include "conversion/gui/RunConversion.h"
#include "engine/gui/ProcessDialog.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QString ScreenshotDir() { return qEnvironmentVariable("VELMORA_SCREENSHOT_DIR"); }

void Screenshot(const QString& name) {
    const QString dir = ScreenshotDir();
    if (dir.isEmpty()) return;
    QTest::qWait(400);
    QCoreApplication::processEvents();
    const QString file = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QProcess::execute(QStringLiteral("/usr/bin/import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    } else if (QWidget* w = QApplication::activeWindow()) {
        w->grab().save(file);
    }
}

}  // namespace

class DialogScreensTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<FakeHost> host_;

private slots:
    void init() {
        folder_ = std::make_unique<ProgramFolder>();
        host_ = std::make_unique<FakeHost>();
        host_->folder = folder_->Folder();
        host_->OpenPicture(SamplePhoto());
    }

    void eachPageShowsItsOwnControls() {
        TFrmPreview dlg(*host_);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        struct Page {
            QWidget* sheet;
            std::vector<QWidget*> shown;
            const char* name;
        };
        const std::vector<Page> pages = {
            {dlg.TabSheet4, {dlg.Lbl_Original, dlg.Spn_Width, dlg.Spn_Height, dlg.Trc_ImageSize}, "image-size"},
            {dlg.TabSheet1,
             {dlg.Chk_DrawSketch, dlg.Btn_SketchMore, dlg.Trc_Detail, dlg.Spn_Detail, dlg.Trc_Darkness,
              dlg.Trc_SketchSmooth, dlg.Trc_Threshold, dlg.Lab_Sketch4},
             "sketch"},
            {dlg.TabSheet5,
             {dlg.Chk_DrawColor, dlg.RB_Equality, dlg.RB_Custom, dlg.Trc_ColorReducer, dlg.Spn_ColorReducer},
             "coloring-1"},
            {dlg.TabSheet2,
             {dlg.Trc_Saturation, dlg.Trc_Contrast, dlg.Trc_Brightness, dlg.Trc_ColorSmooth, dlg.Trc_BorderBlur},
             "coloring-2"},
            {dlg.TabSheet3, {dlg.Btn_ColorMore, dlg.Trc_Red, dlg.Trc_Green, dlg.Trc_Blue}, "coloring-3"},
        };
        for (const Page& page : pages) {
            dlg.PageControl1->setCurrentWidget(page.sheet);
            QCoreApplication::processEvents();
            for (QWidget* w : page.shown) {
                QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
                // Every control has room: nothing is squeezed to nothing.
                QVERIFY2(w->width() > 8 && w->height() > 8, qPrintable(w->objectName()));
                QVERIFY2(page.sheet->rect().contains(QRect(w->mapTo(page.sheet, QPoint(0, 0)), w->size())),
                         qPrintable(w->objectName()));
            }
            for (const Page& other : pages)
                if (&other != &page)
                    for (QWidget* w : other.shown) QVERIFY(!w->isVisible());
            Screenshot(QStringLiteral("dialog-") + QLatin1String(page.name));
        }
        // The preview pane keeps a usable size at the smallest window.
        dlg.resize(kPreviewMinWidth, kPreviewMinHeight);
        QCoreApplication::processEvents();
        QVERIFY(dlg.PaintBox1->height() >= 100);
        QVERIFY(dlg.PaintBox1->width() >= 300);

        // The Custom reducer with its handle scale.
        dlg.resize(640, 520);
        dlg.PageControl1->setCurrentWidget(dlg.TabSheet5);
        dlg.RB_Custom->setChecked(true);
        dlg.Cb_HandleCount->setCurrentIndex(2);
        dlg.UpdateHandleCount();
        dlg.Spn_Handle[0]->setValue(60);
        dlg.Spn_Handle[1]->setValue(128);
        dlg.Spn_Handle[2]->setValue(200);
        QCoreApplication::processEvents();
        QVERIFY(dlg.PB_Handles->isVisible());
        QVERIFY(dlg.Spn_Handle[2]->isVisible());
        QVERIFY(dlg.PB_Handles->width() == 401);
        Screenshot(QStringLiteral("dialog-coloring-1-custom"));
        dlg.reject();
    }

    void moreOptionsWindowsAndProgress() {
        if (ScreenshotDir().isEmpty()) QSKIP("screenshots only");
        TFrmPreview dlg(*host_);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        WhenModal<TFrmSketchMoreOption>([](TFrmSketchMoreOption* w) {
            Screenshot(QStringLiteral("sketch-more-options"));
            w->reject();
        });
        dlg.Btn_SketchMore->click();
        WhenModal<TFrm_ColorMoreOption>([](TFrm_ColorMoreOption* w) {
            w->RB_Overlay->setChecked(true);
            Screenshot(QStringLiteral("coloring-more-options"));
            w->reject();
        });
        dlg.Btn_ColorMore->click();
        dlg.reject();

        const Bitmap big = TestPicture(2400, 1800);
        TEffectParams p = ControlDefaultRecord();
        p.DrawColor = true;
        p.ColorSmooth = 12;
        p.SourceBitmap = &big;
        p.Width = big.Width();
        p.Height = big.Height();
        TFrm_Process progress;
        progress.SetParams(p);
        QTimer::singleShot(2500, &progress, [&progress] {
            Screenshot(QStringLiteral("progress"));
            progress.Button1->click();
        });
        progress.exec();
    }

    void shippedPresetResults() {
        if (ScreenshotDir().isEmpty()) QSKIP("screenshots only");
        for (const char* name : {"default.set", "cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"}) {
            host_->OpenPicture(SamplePhoto());
            WhenModal<TFrmPreview>([name](TFrmPreview* d) {
                Screenshot(QStringLiteral("preview-") + QLatin1String(name).chopped(4));
                d->Btn_Ok->click();
            });
            RunConversion(*host_, nullptr, std::string(name) == "default.set" ? QString() : folder_->Path(name));
            const Bitmap& c = host_->doc.CompositeBmp;
            const QImage image(c.Data(), c.Width(), c.Height(), int(c.Stride()), QImage::Format_BGR888);
            QLabel view;
            view.setWindowTitle(QLatin1String(name));
            view.setPixmap(QPixmap::fromImage(image));
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            Screenshot(QStringLiteral("result-") + QLatin1String(name).chopped(4));
        }
    }
};

QTEST_MAIN(DialogScreensTest)
#include "dialog_screens_test.moc"
