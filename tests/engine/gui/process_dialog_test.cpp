// The progress dialog and its worker thread: the layers equal a direct run, the
// bars end full, Cancel stops the run (even one whose worker has not begun yet)
// through the dialog's own request, and the dialog closes only after the thread has
// ended.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include "common/Bitmap.h"
#include "conversion/ConversionRun.h"
#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/gui/ProcessDialog.h"

using namespace velmora;

namespace {

Bitmap Picture(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<std::uint8_t>((x * 3 + y) % 256);
            p[1] = static_cast<std::uint8_t>(((x / 16 + y / 16) % 2) ? 200 : 40);
            p[2] = static_cast<std::uint8_t>((y * 5) % 256);
        }
    return b;
}

TEffectParams Record(const Bitmap& photo, bool sketch, bool color) {
    TEffectParams p = ControlDefaultRecord();
    p.DrawSketch = sketch;
    p.DrawColor = color;
    return FullConversionRecord(p, photo);
}

// Watches a progress bar from the user-interface thread for the largest value it
// ever shows compared with its maximum at that moment.
struct BarWatch : QObject {
    QProgressBar* bar;
    bool overran = false;
    int changes = 0;
    explicit BarWatch(QProgressBar* b) : bar(b) {
        connect(b, &QProgressBar::valueChanged, this, [this](int v) {
            ++changes;
            if (v > bar->maximum()) overran = true;
        });
    }
};

}  // namespace

class ProcessDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layersEqualADirectRunAndTheBarsEndFull() {
        const Bitmap photo = Picture(300, 200);
        for (int variant = 0; variant < 3; ++variant) {
            TEffectParams p = Record(photo, true, true);
            if (variant == 1) p.BorderBlur = 0;
            if (variant == 2) {
                p.DrawColor = false;
                p.SketchSmooth = 0;
            }
            TFrm_Process dlg;
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Progress"));
            QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
            QCOMPARE(dlg.Label1->text(), QStringLiteral("Total:"));
            QCOMPARE(dlg.Button1->text(), QStringLiteral("Cancel"));
            BarWatch total(dlg.ProgressBar2);
            dlg.SetParams(p, TotalProgressSteps(p));
            QCOMPARE(dlg.exec(), int(QDialog::Accepted));
            QVERIFY(!dlg.Cancelled);
            QVERIFY(!dlg.Running());
            QVERIFY(!total.overran);
            QCOMPARE(dlg.ProgressBar2->maximum(), TotalProgressSteps(p));
            QCOMPARE(dlg.ProgressBar2->value(), dlg.ProgressBar2->maximum());
            QCOMPARE(dlg.ProgressBar1->value(), 100);
            QCOMPARE(dlg.Lab_StepName->text(), QString::fromLatin1(variant == 2 ? "Draw Sketch" : "Brightness"));

            Bitmap sketch, color, refSketch, refColor;
            dlg.GetLayers(sketch, color);
            TDrawEffect engine;
            engine.SetParams(p);
            engine.Execute();
            engine.GetLayers(refSketch, refColor);
            QVERIFY(sketch == refSketch);
            QVERIFY(color == refColor);
        }
    }

    void theColorPartWithBorderBlurReportsNineSteps() {
        // The engine reserves 3 + 7 steps; with a border blur the color part
        // reports 8, and the bar is sized for the 3 + 8 that really come.
        const Bitmap photo = Picture(120, 90);
        TEffectParams p = Record(photo, true, true);
        p.BorderBlur = 255;
        TFrm_Process dlg;
        BarWatch total(dlg.ProgressBar2);
        dlg.SetParams(p, TotalProgressSteps(p));
        dlg.exec();
        QCOMPARE(dlg.ProgressBar2->maximum(), 11);
        QCOMPARE(dlg.ProgressBar2->value(), 11);
        QCOMPARE(total.changes, 11);  // one per step
        QVERIFY(!total.overran);
    }

    void noLayerEndsAtOnceWithWhiteLayers() {
        const Bitmap photo = Picture(50, 40);
        TFrm_Process dlg;
        const TEffectParams nothing = Record(photo, false, false);
        dlg.SetParams(nothing, TotalProgressSteps(nothing));
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(!dlg.Cancelled);
        Bitmap sketch(3, 3), color(3, 3);
        dlg.GetLayers(sketch, color);
        Bitmap white(50, 40);
        FillWhite(white);
        QVERIFY(sketch == white);
        QVERIFY(color == white);
        QCOMPARE(dlg.ProgressBar2->maximum(), 0);
    }

    void aRunThatLeavesNoLayersCountsAsFailed() {
        // The engine refuses a record it cannot run and leaves no result; the dialog
        // must not let the caller install layers that were never made.
        const Bitmap photo = Picture(60, 40);
        TEffectParams p = Record(photo, false, true);
        p.ColorReducer = 0;
        TFrm_Process dlg;
        dlg.SetParams(p, TotalProgressSteps(p));
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(dlg.Cancelled);
        QVERIFY(!dlg.Failure.empty());
        Bitmap sketch(3, 3), color(3, 3);
        dlg.GetLayers(sketch, color);
        QCOMPARE(sketch.Width(), 3);
    }

    void cancelStopsTheRunAndTheDialogWaitsForTheThread() {
        const Bitmap photo = Picture(1600, 1200);
        TEffectParams p = Record(photo, true, true);
        p.ColorSmooth = 19;
        p.BorderBlur = 255;
        TFrm_Process dlg;
        dlg.SetParams(p, TotalProgressSteps(p));
        bool visibleAfterCancel = false;
        bool threadGoneAtClose = false;
        // Cancel as soon as the worker has reported its first caption.
        auto* poll = new QTimer(&dlg);
        poll->setInterval(1);
        connect(poll, &QTimer::timeout, &dlg, [&] {
            if (dlg.Lab_StepName->text() == QStringLiteral("Current:")) return;
            poll->stop();
            dlg.Button1->click();
            visibleAfterCancel = dlg.isVisible();
            // Esc and a close request while the thread runs do not close it either.
            QTest::keyClick(&dlg, Qt::Key_Escape);
            dlg.close();
            visibleAfterCancel = visibleAfterCancel && dlg.isVisible();
        });
        connect(&dlg, &QDialog::finished, &dlg, [&] { threadGoneAtClose = !dlg.WorkerRunning(); });
        poll->start();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(dlg.Cancelled);
        QVERIFY(visibleAfterCancel);
        QVERIFY(threadGoneAtClose);
        // The request is the dialog's own and stays set; the program-wide flag that
        // previews and adjustments see is untouched.
        QVERIFY(dlg.CancelRequest().IsCancelled());
        QVERIFY(!CancelFlag.load());
        Bitmap sketch(7, 7), color(7, 7);
        sketch.Fill(1, 2, 3);
        const Bitmap untouched = sketch;
        dlg.GetLayers(sketch, color);
        QVERIFY(sketch == untouched);
        // The next dialog's run starts with a request of its own.
        TFrm_Process again;
        const Bitmap small = Picture(40, 30);
        const TEffectParams sketchOnly = Record(small, true, false);
        again.SetParams(sketchOnly, TotalProgressSteps(sketchOnly));
        QCOMPARE(again.exec(), int(QDialog::Accepted));
        QVERIFY(!again.CancelRequest().IsCancelled());
    }

    void aCancelBeforeTheWorkerGetsGoingIsKept() {
        // Cancel pressed the moment the thread was started, before the worker can
        // have begun: the run must stop all the same, and no layers come out.
        struct CancelAtOnce : TFrm_Process {
            void showEvent(QShowEvent* e) override {
                TFrm_Process::showEvent(e);
                Button1->click();
            }
        };
        const Bitmap photo = Picture(1200, 900);
        TEffectParams p = Record(photo, true, true);
        p.ColorSmooth = 19;
        for (int round = 0; round < 3; ++round) {
            CancelAtOnce dlg;
            dlg.SetParams(p, TotalProgressSteps(p));
            QCOMPARE(dlg.exec(), int(QDialog::Rejected));
            QVERIFY(dlg.Cancelled);
            QVERIFY(dlg.Failure.empty());
            Bitmap sketch(5, 5), color(5, 5);
            sketch.Fill(9, 8, 7);
            const Bitmap untouched = sketch;
            dlg.GetLayers(sketch, color);
            QVERIFY2(sketch == untouched, "the cancelled run produced layers");
            QVERIFY(!CancelFlag.load());
        }
    }
};

QTEST_MAIN(ProcessDialogTest)
#include "process_dialog_test.moc"
