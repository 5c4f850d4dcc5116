#pragma once
// The full conversion off the user-interface thread: a small modal dialog with a
// step bar, a total bar and a Cancel button, and the worker thread that runs the
// engine. The dialog closes only after the thread has ended, so the caller can read
// the layers as soon as the modal call returns.

#include <QDialog>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <memory>
#include <string>

#include "engine/EffectParams.h"
#include "engine/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmora {

class Bitmap;
class TDrawEffect;

// Progress reports that arrive on the worker thread and are applied to the
// controls on the user-interface thread through queued calls; the worker never
// waits for them. Calls for controls that are gone are dropped.
class QueuedProgressTargets : public ProgressTargets {
public:
    QueuedProgressTargets(QLabel* stepLabel, QProgressBar* stepBar, QProgressBar* totalBar);

    // The number of steps the run will really report; the total bar's maximum.
    void SetExpectedSteps(int steps) { expectedSteps_ = steps; }

    void SetCaption(const char* caption) override;
    void SetStepPosition(int position) override;
    void SetTotalMaximum(int maximum) override;
    void AdvanceTotal() override;

private:
    QPointer<QLabel> label_;
    QPointer<QProgressBar> stepBar_;
    QPointer<QProgressBar> totalBar_;
    int expectedSteps_ = -1;
    int lastStepPosition_ = -1;  // worker-side: unchanged positions are not posted
};

// The worker thread: its body is the engine's Execute and nothing else. The engine
// reports running out of memory itself; any exception that still escapes ends the
// run like a cancel and is kept for the dialog to report.
class TDrawThread : public QThread {
    Q_OBJECT
public:
    explicit TDrawThread(TDrawEffect* effect) : DrawEffect(effect) {}
    TDrawEffect* DrawEffect;
    std::string Failure;

protected:
    void run() override;
};

class TFrm_Process : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_Process(QWidget* parent = nullptr);
    ~TFrm_Process() override;

    // `expectedSteps` sizes the total bar: how many steps the run will report, or -1
    // for as many as the engine reserves.
    void SetParams(const TEffectParams& params, int expectedSteps);
    // Hands over the finished run's layers; the run keeps nothing, so this is done
    // once.
    void GetLayers(Bitmap& sketch, Bitmap& color);

    // Read by the caller after the dialog has closed: the user cancelled, or the run
    // left no layers (then Failure says why).
    bool Cancelled = false;
    std::string Failure;

    QLabel* Lab_StepName = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QPushButton* Button1 = nullptr;

    // The run is in progress as far as the dialog knows (the end not yet handled).
    bool Running() const { return running_; }
    // The worker thread itself is still executing.
    bool WorkerRunning() const { return thread_ && thread_->isRunning(); }
    // This dialog's run's stop request: reset when the run starts, set by Cancel.
    const CancelToken& CancelRequest() const { return cancel_; }

public slots:
    // Esc asks for the stop like Cancel; the dialog never closes by itself.
    void reject() override;

protected:
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    void Button1Click();
    void ThreadEnded();

    // Declared before the engine that reads it, so that it outlives the engine.
    CancelToken cancel_;
    std::unique_ptr<TDrawEffect> DrawEffect;
    std::unique_ptr<QueuedProgressTargets> targets_;
    QPointer<TDrawThread> thread_;
    int expectedSteps_ = 0;
    bool running_ = false;
    bool started_ = false;
};

}  // namespace velmora
