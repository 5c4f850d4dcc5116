#include "engine/gui/ProcessDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <new>

#include "common/Bitmap.h"
#include "engine/DrawEffect.h"

namespace velmora {

// ---------------------------------------------------------------------------------

QueuedProgressTargets::QueuedProgressTargets(QLabel* stepLabel, QProgressBar* stepBar, QProgressBar* totalBar)
    : label_(stepLabel), stepBar_(stepBar), totalBar_(totalBar) {}

void QueuedProgressTargets::SetCaption(const char* caption) {
    if (!label_) return;
    const QString text = QString::fromUtf8(caption);
    QMetaObject::invokeMethod(label_.data(), [label = label_, text] { label->setText(text); }, Qt::QueuedConnection);
}

void QueuedProgressTargets::SetStepPosition(int position) {
    if (!stepBar_ || position == lastStepPosition_) return;
    lastStepPosition_ = position;
    QMetaObject::invokeMethod(stepBar_.data(), [bar = stepBar_, position] { bar->setValue(position); },
                              Qt::QueuedConnection);
}

void QueuedProgressTargets::SetTotalMaximum(int maximum) {
    if (!totalBar_) return;
    // The engine reserves 3 steps for the sketch and 7 for the color part, but a
    // run reports 1 or 3 and 6 or 8 of them; the bar is sized for what will come.
    const int steps = expectedSteps_ >= 0 ? expectedSteps_ : maximum;
    QMetaObject::invokeMethod(totalBar_.data(), [bar = totalBar_, steps] {
        bar->setMaximum(steps);
        bar->setValue(0);
    }, Qt::QueuedConnection);
}

void QueuedProgressTargets::AdvanceTotal() {
    if (!totalBar_) return;
    lastStepPosition_ = -1;
    QMetaObject::invokeMethod(totalBar_.data(), [bar = totalBar_] {
        const int next = bar->value() + 1;
        // Should a run ever report more steps than expected, the bar grows rather
        // than stalling below its end.
        if (next > bar->maximum()) bar->setMaximum(next);
        bar->setValue(next);
    }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------

void TDrawThread::run() {
    try {
        DrawEffect->Execute();
    } catch (const std::bad_alloc&) {
        Failure = "There is not enough memory to convert a picture of this size.";
    } catch (const std::exception& e) {
        Failure = std::string("The conversion failed: ") + e.what();
    }
}

// ---------------------------------------------------------------------------------

TFrm_Process::TFrm_Process(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_Process"));
    setWindowTitle(QStringLiteral("Progress"));
    // A tool window with a title but no close box: only Cancel may ask for the end.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(286, 145);

    Lab_StepName = new QLabel(QStringLiteral("Current:"), this);
    Lab_StepName->setObjectName(QStringLiteral("Lab_StepName"));
    Lab_StepName->setGeometry(16, 16, 257, 16);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(16, 32, 257, 16);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Label1 = new QLabel(QStringLiteral("Total:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 64, 257, 16);
    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setGeometry(16, 80, 257, 16);
    ProgressBar2->setRange(0, 100);
    ProgressBar2->setValue(0);
    ProgressBar2->setTextVisible(false);
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(107, 112, 75, 25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }

    DrawEffect = std::make_unique<TDrawEffect>();
    DrawEffect->SetCancelToken(&cancel_);
    // The dialog runs one full conversion whose layers are all that is kept: each
    // stage may free the one before it, which about halves the memory the run needs.
    DrawEffect->SetSingleRun(true);
    targets_ = std::make_unique<QueuedProgressTargets>(Lab_StepName, ProgressBar1, ProgressBar2);
}

TFrm_Process::~TFrm_Process() {
    // The dialog cannot close while the thread runs; should it be destroyed anyway,
    // the engine it owns must outlive the thread.
    if (thread_ && thread_->isRunning()) {
        cancel_.Cancel();
        thread_->wait();
    }
}

void TFrm_Process::SetParams(const TEffectParams& params, int expectedSteps) {
    DrawEffect->SetParams(params);
    expectedSteps_ = expectedSteps;
}

void TFrm_Process::GetLayers(Bitmap& sketch, Bitmap& color) { DrawEffect->TakeLayers(sketch, color); }

void TFrm_Process::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous() || started_) return;
    started_ = true;
    Cancelled = false;
    // Reset here, on this thread, before the worker exists: a Cancel from now on
    // reaches the run however late the worker gets going.
    cancel_.Reset();
    targets_->SetExpectedSteps(expectedSteps_);
    DrawEffect->SetProgress(targets_.get());
    auto* thread = new TDrawThread(DrawEffect.get());
    thread_ = thread;
    // The end reaches this dialog through the event queue, after every progress
    // report the worker posted before it.
    connect(thread, &QThread::finished, this, [this] { ThreadEnded(); }, Qt::QueuedConnection);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    running_ = true;
    thread->start(QThread::HighestPriority);
    if (!thread->isRunning() && !thread->isFinished()) {
        // The system refused the thread: nothing runs and no end will be announced,
        // so the dialog ends the run itself rather than wait for ever.
        delete thread;
        running_ = false;
        Cancelled = true;
        Failure = "The conversion could not be started: the system refused to create its thread.";
        DrawEffect->SetProgress(nullptr);
        QMetaObject::invokeMethod(this, [this] { QDialog::done(QDialog::Rejected); }, Qt::QueuedConnection);
    }
}

void TFrm_Process::ThreadEnded() {
    if (thread_) {
        thread_->wait();  // finished is announced just before the thread is really gone
        if (!thread_->Failure.empty()) {
            Failure = thread_->Failure;
            Cancelled = true;
        }
    }
    // A run that neither finished nor was cancelled left no layers: the engine ran
    // out of memory (it says so) or refused the record.
    if (!Cancelled && !DrawEffect->HasResult()) {
        Failure = DrawEffect->OutOfMemory() ? "There is not enough memory to convert a picture of this size."
                                            : "The conversion could not be carried out with these settings.";
        Cancelled = true;
    }
    running_ = false;
    DrawEffect->SetProgress(nullptr);
    QDialog::done(Cancelled ? QDialog::Rejected : QDialog::Accepted);
}

void TFrm_Process::Button1Click() {
    cancel_.Cancel();
    Cancelled = true;
}

void TFrm_Process::reject() {
    if (running_) Button1Click();
}

void TFrm_Process::closeEvent(QCloseEvent* e) {
    if (running_) {
        Button1Click();
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

}  // namespace velmora
