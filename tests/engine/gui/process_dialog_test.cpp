// The progress dialog and its worker thread: results, bars, Cancel and closing.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include "common/Bitmap.h"
#include "conversion/ConversionRun.h"
#include "engine/DrawEffect.h"
#include "engine/EngineTestUtil.h"
#include "engine/gui/ProcessDialog.h"

using namespace velmora;
using namespace velmora::test;

namespace {

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

// Whether the dialog leaves the layer bitmaps it is handed as they were.
bool LeavesLayers(TFrm_Process& dlg) {
    const Bitmap marker = FilledBitmap(5, 5, Rgb(9, 8, 7));
    Bitmap sketch = marker, color = marker;
    dlg.GetLayers(sketch, color);
    return sketch == marker && color == marker;
}

}  // namespace

class ProcessDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layersEqualADirectRunAndTheBarsEndFull() {
        // The defaults blur the borders: the color part reports 8 steps where the
        // engine reserves 7, and the bar is sized for the steps that really come.
        const Bitmap photo = TexturedPhoto(300, 200);
        struct Variant {
            const char* name;
            std::function<void(TEffectParams&)> change;
            const char* lastStep;
        };
        const Variant variants[] = {
            {"defaults", [](TEffectParams&) {}, "Brightness"},
            {"no border blur", [](TEffectParams& p) { p.BorderBlur = 0; }, "Brightness"},
            {"sketch only, unsmoothed",
             [](TEffectParams& p) {
                 p.DrawColor = false;
                 p.SketchSmooth = 0;
             },
             "Draw Sketch"},
            {"neither layer", [](TEffectParams& p) { p.DrawColor = p.DrawSketch = false; }, "Current:"},
        };
        for (const Variant& v : variants) {
            TEffectParams p = WholeRecord(photo);
            v.change(p);
            TFrm_Process dlg;
            QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
            BarWatch total(dlg.ProgressBar2);
            dlg.SetParams(p, TotalProgressSteps(p));
            QVERIFY2(dlg.exec() == QDialog::Accepted, v.name);
            QVERIFY2(!dlg.Cancelled && !dlg.Running(), v.name);
            QVERIFY2(!total.overran, v.name);
            QCOMPARE(dlg.ProgressBar2->maximum(), TotalProgressSteps(p));
            QCOMPARE(dlg.ProgressBar2->value(), dlg.ProgressBar2->maximum());
            QCOMPARE(total.changes, TotalProgressSteps(p));  // one per step
            QCOMPARE(dlg.Lab_StepName->text(), QString::fromLatin1(v.lastStep));
            if (p.DrawSketch || p.DrawColor) QCOMPARE(dlg.ProgressBar1->value(), 100);

            Bitmap sketch, color;
            dlg.GetLayers(sketch, color);
            const Layers direct = Convert(p);
            QVERIFY2(sketch == direct.sketch && color == direct.color, v.name);
        }
    }

    void aRunThatLeavesNoLayersCountsAsFailed() {
        // The engine refuses a record it cannot run and leaves no result; the dialog
        // must not let the caller install layers that were never made.
        const Bitmap photo = TexturedPhoto(60, 40);
        TEffectParams p = WholeRecord(photo, false, true);
        p.ColorReducer = 0;
        TFrm_Process dlg;
        dlg.SetParams(p, TotalProgressSteps(p));
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(dlg.Cancelled);
        QVERIFY(!dlg.Failure.empty());
        QVERIFY(LeavesLayers(dlg));
    }

    void cancelStopsTheRunAndTheDialogWaitsForTheThread() {
        const Bitmap photo = TexturedPhoto(1600, 1200);
        TEffectParams p = WholeRecord(photo);
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
        QVERIFY(LeavesLayers(dlg));
        // The next dialog's run starts with a request of its own.
        TFrm_Process again;
        const Bitmap small = TexturedPhoto(40, 30);
        const TEffectParams sketchOnly = WholeRecord(small, true, false);
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
        const Bitmap photo = TexturedPhoto(1200, 900);
        TEffectParams p = WholeRecord(photo);
        p.ColorSmooth = 19;
        for (int round = 0; round < 3; ++round) {
            CancelAtOnce dlg;
            dlg.SetParams(p, TotalProgressSteps(p));
            QCOMPARE(dlg.exec(), int(QDialog::Rejected));
            QVERIFY(dlg.Cancelled);
            QVERIFY(dlg.Failure.empty());
            QVERIFY2(LeavesLayers(dlg), "the cancelled run produced layers");
            QVERIFY(!CancelFlag.load());
        }
    }
};

QTEST_MAIN(ProcessDialogTest)
#include "process_dialog_test.moc"
