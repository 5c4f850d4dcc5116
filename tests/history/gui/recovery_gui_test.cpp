// Restoring the work of a really killed run through the main window: this program starts
// itself again to edit a picture and be killed, and each test plants what that run left.

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "common/MemoryLimit.h"
#include "history/HistoryFolder.h"
#include "history/HistoryIndex.h"
#include "io/IoTestUtil.h"
#include "io/ProjectFile.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr char kKilledRunVariable[] = "VELMORA_TEST_KILLED_RUN_FOLDER";
constexpr char kReady[] = "killed-run-ready";

void PaintBlock(Bitmap& b, int left, int top, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const std::uint8_t color[3] = {blue, green, red};
    for (int y = top; y < top + 8; ++y)
        for (int x = left; x < left + 8; ++x) std::memcpy(b.Pixel(x, y), color, 3);
}

// Open, two edits that also change the layer state, undo one, save what is shown, and wait.
[[noreturn]] void RunUntilKilled(const QString& folder) {
    SetMessageHook([](const QString&, const QString& text, bool) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return true;
    });
    auto* w = new TFrmMain(folder.toStdString());  // never deleted: the process ends by being killed
    w->resize(500, 400);
    w->show();
    const std::string photo = (folder + QStringLiteral("/photo.bmp")).toStdString();
    std::string error;
    if (!WriteBmpFile(photo, Gradient(64, 48), error) || !w->OpenFile(QString::fromStdString(photo))) ::_exit(2);

    PaintBlock(w->Doc().SketchBmp, 4, 4, 10, 20, 30);
    PaintBlock(w->Doc().ColorBmp, 20, 10, 200, 0, 90);
    LayerState s = w->GetLayerState();
    s.BlendingMode = 1;
    s.Opacity = 30;
    s.ColorDrawable = false;
    w->SetLayerStateQuietly(s);
    w->AddState("Brush", "--");

    PaintBlock(w->Doc().SketchBmp, 30, 30, 0, 0, 0);
    s.BlendingMode = 0;
    s.SketchVisible = false;
    w->SetLayerStateQuietly(s);
    w->AddState("Blur", "Layers: Color");
    w->MenuItem_UndoClick();

    if (!w->SaveSnapshot((folder + QStringLiteral("/expected.d2o")).toStdString(), error)) ::_exit(3);
    std::printf("%s\n", kReady);
    std::fflush(stdout);
    ::sleep(120);  // killed long before
    ::_exit(4);
}

QStringList HistoryFiles(const ShellEnv& env, const QString& folder = QStringLiteral("history")) {
    QStringList names = QDir(env.Path(folder)).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
    names.sort();
    return names;
}

int IndexedCurrent(const ShellEnv& env) {
    HistoryIndex index;
    std::string error;
    return ReadHistoryIndex(env.Path("history").toStdString(), index, error) ? index.CurrentIndex : -1;
}

// A main window over the program folder, shown: that is when it looks for earlier work.
struct Started : TFrmMain {
    explicit Started(const ShellEnv& env) : TFrmMain(env.Folder()) { show(); }
};

const QStringList kJustTheLock{QStringLiteral("~history.lock")};
const QStringList kOneState{"~history.idx", "~history.lock", "~history1.d2o"};

// Whether the window shows a picture with the project's three layers and layer state, byte for byte.
bool Shows(TFrmMain& w, const ProjectData& p) {
    return w.Doc().ImageLoaded && w.Doc().PhotoBmp == p.Photo && w.Doc().SketchBmp == p.Sketch &&
           w.Doc().ColorBmp == p.Color && w.GetLayerState() == p.State;
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> killed_;  // the killed run's program folder
    QStringList killedFiles_;
    ProjectData shown_, open_;  // what the killed run showed, and its first state

    void PlantKilledRun(const ShellEnv& env, const QString& folder = QStringLiteral("history")) {
        QVERIFY(QDir().mkpath(env.Path(folder)));
        const QDir from(killed_->filePath("history"));
        for (const QString& name : killedFiles_)
            QVERIFY(QFile::copy(from.filePath(name), env.Path(folder + QLatin1Char('/') + name)));
    }

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsSet(kKilledRunVariable)) RunUntilKilled(qEnvironmentVariable(kKilledRunVariable));

        killed_ = std::make_unique<QTemporaryDir>();
        QVERIFY(killed_->isValid());
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kKilledRunVariable, killed_->path());
        if (!environment.contains("QT_QPA_PLATFORM")) environment.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains(kReady) && child.waitForReadyRead(60000)) output += child.readAllStandardOutput();
        QVERIFY2(output.contains(kReady), child.readAllStandardError().constData());
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        killedFiles_ = QDir(killed_->filePath("history")).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
        killedFiles_.sort();
        QCOMPARE(killedFiles_, (QStringList{"~history.idx", "~history.lock", "~history1.d2o", "~history2.d2o",
                                            "~history3.d2o"}));
        QCOMPARE(LoadD2O(killed_->filePath("expected.d2o").toStdString(), shown_), 0);
        QVERIFY(!(shown_.State == LayerState{}));
        QCOMPARE(LoadD2O(killed_->filePath("history/~history1.d2o").toStdString(), open_), 0);
    }

    void yesRestoresTheLayersTheLayerStateAndTheName() {
        ShellEnv env;
        PlantKilledRun(env);
        const QString photo = killed_->filePath("photo.bmp");
        {
            TFrmMain w(env.Folder());
            w.resize(500, 400);
            w.show();
            QCOMPARE(env.confirmations.size(), 1);
            QVERIFY(env.messages.isEmpty());
            QVERIFY(Shows(w, shown_));

            // Under its own name (which Save proposes), unsaved, as this run's first state.
            QCOMPARE(w.LastOpenedPath(), photo);
            QVERIFY(w.windowTitle().startsWith(QStringLiteral("photo.bmp")));
            QVERIFY(w.Modified());
            QCOMPARE(w.FrmHistory->Ring().Count(), 1);
            const int current = w.FrmHistory->Ring().CurrentIndex();
            QCOMPARE(w.FrmHistory->Ring().Name(current), std::string("Open"));
            QCOMPARE(w.FrmHistory->Ring().Detail(current), photo.toStdString());
            w.FrmHistory->FinishWrites();
            QCOMPARE(HistoryFiles(env), kOneState);

            // Its slot holds the restored state, not the killed run's "Open" that was there.
            Edit(w, 1);
            w.MenuItem_UndoClick();
            QVERIFY(Shows(w, shown_));

            // Still unsaved: a file opened now, as from the command line, asks first.
            QVERIFY(w.Modified());
            env.confirmAnswer = false;
            QVERIFY(!w.OpenFile(WriteBmp(env, "later.bmp", Gradient(30, 20))));
            QCOMPARE(env.confirmations.size(), 2);
            QVERIFY(Shows(w, shown_));
        }
        // A window destroyed without being closed leaves nothing either.
        QCOMPARE(HistoryFiles(env), kJustTheLock);
    }

    // The question names when the work was left, the picture and the state the killed
    // run showed (the undone "Blur" is not it), and Return takes its default, Yes.
    void theRealQuestionBoxHasYesAsItsDefault() {
        ShellEnv env;
        PlantKilledRun(env);
        const QDateTime savedAt(QDate(2024, 3, 5), QTime(14, 7));
        {
            QFile index(env.Path("history/~history.idx"));
            QVERIFY(index.open(QIODevice::ReadWrite));
            QVERIFY(index.setFileTime(savedAt, QFileDevice::FileModificationTime));
        }
        SetMessageHook(nullptr);
        QStringList asked;
        bool yesIsDefault = false;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            poll.stop();
            asked << box->windowTitle() << box->text();
            yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
            QTest::keyClick(box, Qt::Key_Return);
        });
        poll.start();
        Started w(env);
        poll.stop();
        const QString question = QStringLiteral("Velmora did not close properly. Restore the work from %1 "
                                                "(photo.bmp, state \"Brush\")?")
                                     .arg(QLocale().toString(savedAt, QLocale::ShortFormat));
        QCOMPARE(asked, (QStringList{QStringLiteral("Restore work"), question}));
        QVERIFY(yesIsDefault);
        QVERIFY(Shows(w, shown_));
    }

    void theIndexFollowsEveryMoveAndANormalEndLeavesNothing() {
        ShellEnv env;
        Started w(env);
        QVERIFY(w.OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
        Edit(w, 10);
        Edit(w, 20);
        QCOMPARE(IndexedCurrent(env), 3);
        w.MenuItem_UndoClick();
        QCOMPARE(IndexedCurrent(env), 2);
        w.FrmHistory->LoadState(1);
        QCOMPARE(IndexedCurrent(env), 1);
        // On a full disk the index cannot follow; the one before stays, naming a state
        // whose snapshot is still whole, so a crash now loses the last move, not the work.
        {
            testing::FileSizeLimit full(16);
            w.MenuItem_RedoClick();
        }
        QCOMPARE(w.FrmHistory->Ring().CurrentIndex(), 2);
        QCOMPARE(IndexedCurrent(env), 1);

        // Closing (unsaved changes discarded) empties the folder at once.
        QVERIFY(w.close());
        QCOMPARE(HistoryFiles(env), kJustTheLock);
    }

    void twoRunningCopiesNeverRecoverEachOthersWork() {
        ShellEnv env;
        // The second of two copies was killed; the first one alone is started again
        // and takes the killed one's folder, to be offered its work.
        PlantKilledRun(env, QStringLiteral("history-2"));
        env.confirmAnswer = false;
        Started first(env);
        QCOMPARE(env.confirmations.size(), 1);
        QVERIFY(env.confirmations[0].contains(QStringLiteral("(photo.bmp, state \"Brush\")")));
        QCOMPARE(HistoryFiles(env, QStringLiteral("history-2")), kJustTheLock);
        QVERIFY(first.OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
        Edit(first, 40);
        const QStringList firstFiles = HistoryFiles(env, QStringLiteral("history-2"));
        QVERIFY(firstFiles.contains(QStringLiteral("~history.idx")));

        // Another copy gets a fresh folder and leaves the running first copy's index alone.
        Started second(env);
        QCOMPARE(env.confirmations.size(), 1);

        // The first copy's history is whole and still works.
        QCOMPARE(HistoryFiles(env, QStringLiteral("history-2")), firstFiles);
        first.MenuItem_UndoClick();
        QCOMPARE(int(first.Doc().SketchBmp.Pixel(0, 0)[0]), 255);
        QVERIFY(env.messages.isEmpty());
    }

    // A copy's folder removed while it runs (by a clean-up of the disk, say) is made
    // again, locked, by its next state, so that a copy started later keeps out of it.
    // Should a later copy have taken the folder first, the copy whose folder it was
    // writes nothing there and deletes nothing of the other's at its end.
    void aFolderRemovedUnderARunningCopyIsNeverSharedWithAnother() {
        ShellEnv env;
        env.confirmAnswer = false;
        auto first = std::make_unique<Started>(env);
        QVERIFY(first->OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
        Edit(*first, 40);
        QVERIFY(QDir(env.Path("history")).removeRecursively());
        Edit(*first, 50);
        Edit(*first, 60);
        const QStringList firstFiles = HistoryFiles(env);
        {
            Started second(env);
            QVERIFY(env.confirmations.isEmpty());
            QVERIFY(second.OpenFile(WriteBmp(env, "q.bmp", Gradient(20, 10))));
            Edit(second, 70);
            QCOMPARE(HistoryFiles(env), firstFiles);
        }
        first->MenuItem_UndoClick();
        QCOMPARE(int(first->Doc().SketchBmp.Pixel(0, 0)[0]), 50);
        QVERIFY(env.messages.isEmpty());

        // Removed again, and this time another copy takes the folder before the next state.
        QVERIFY(QDir(env.Path("history")).removeRecursively());
        Started third(env);
        QVERIFY(third.OpenFile(WriteBmp(env, "r.bmp", Gradient(20, 10))));
        Edit(third, 80);
        const QStringList thirdFiles = HistoryFiles(env);
        first->Doc().SketchBmp.Pixel(0, 0)[0] = 90;
        QVERIFY(!first->AddState("Pencil", "--"));
        first->FrmHistory->FinishWrites();
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].contains(env.Path("history")), qPrintable(env.messages[0]));
        first.reset();
        QCOMPARE(HistoryFiles(env), thirdFiles);
        third.MenuItem_UndoClick();
        QCOMPARE(int(third.Doc().SketchBmp.Pixel(0, 0)[0]), 255);
        QCOMPARE(third.Doc().PhotoBmp.Width(), 20);
    }

    void withNoFolderToLockARunKeepsItsOwnHistoryAndLeavesNothing() {
        ShellEnv env;
        // Plain files where every history folder would go.
        for (int n = 1; n <= HistoryFolderLock::kMaxFolders; ++n) {
            QFile blocker(env.Path(QString::fromStdString(HistoryFolderLock::FolderName(n))));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const QStringList before = QDir(env.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        {
            Started w(env);
            QCOMPARE(env.messages.size(), 1);
            QVERIFY(env.messages[0].contains(QStringLiteral("history-run-")));
            QVERIFY(w.OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
            Edit(w, 40);
            w.MenuItem_UndoClick();
            QCOMPARE(int(w.Doc().SketchBmp.Pixel(0, 0)[0]), 255);
            QVERIFY(w.close());
        }
        QStringList after = QDir(env.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        after.removeAll(QStringLiteral("p.bmp"));
        after.removeAll(QStringLiteral("options.dat"));
        QCOMPARE(after, before);
    }

    void aRestoredStateThatCannotBeWrittenKeepsTheEarlierRunsFiles() {
        ShellEnv env;
        PlantKilledRun(env);
        // The restored state goes to this run's first slot, where a folder now stands.
        QVERIFY(QFile::remove(env.Path("history/~history1.d2o")));
        QVERIFY(QDir().mkpath(env.Path("history/~history1.d2o")));
        Started w(env);
        QVERIFY(w.Doc().ImageLoaded);
        QVERIFY(!env.messages.isEmpty());
        QCOMPARE(IndexedCurrent(env), 2);
        QVERIFY(HistoryFiles(env).contains(QStringLiteral("~history2.d2o")));
    }

    void workThatMemoryCannotHoldNowIsOfferedAgainAtTheNextStart() {
        ShellEnv env;
        PlantKilledRun(env);
        {
            // The snapshot's pictures are larger than memory allows now.
            SetPictureMemoryLimit(1024);
            Started w(env);
            SetPictureMemoryLimit(0);
            QCOMPARE(env.confirmations.size(), 1);
            QCOMPARE(env.messages.size(), 1);
            QVERIFY(env.messages[0].endsWith(QStringLiteral("offered again at the next start.")));
            QVERIFY(!w.Doc().ImageLoaded);
            // This run keeps its own states elsewhere and leaves the earlier ones alone.
            QVERIFY(w.OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
            Edit(w, 40);
            w.MenuItem_UndoClick();
            QCOMPARE(int(w.Doc().SketchBmp.Pixel(0, 0)[0]), 255);
            QVERIFY(HistoryFiles(env, QStringLiteral("history-2")).contains(QStringLiteral("~history2.d2o")));
            QCOMPARE(HistoryFiles(env), killedFiles_);
            QVERIFY(w.close());
        }
        QCOMPARE(HistoryFiles(env), killedFiles_);
        Started again(env);
        QCOMPARE(env.confirmations.size(), 2);
        QVERIFY(Shows(again, shown_));
    }

    void refusedOrDamagedLeftoversAreDiscardedForGood() {
        enum Leftover { Refused, CutIndex, NoIndex, CutSnapshots };
        for (const Leftover leftover : {Refused, CutIndex, NoIndex, CutSnapshots}) {
            ShellEnv env;
            PlantKilledRun(env);
            // Only the cut snapshots are accepted: they are found damaged once they are read.
            env.confirmAnswer = leftover == CutSnapshots;
            const QString index = env.Path("history/~history.idx");
            if (leftover == CutIndex) QVERIFY(QFile::resize(index, QFileInfo(index).size() - 1));
            if (leftover == NoIndex) QVERIFY(QFile::remove(index));
            if (leftover == CutSnapshots)
                for (const char* name : {"history/~history1.d2o", "history/~history2.d2o"})
                    QVERIFY(QFile::resize(env.Path(name), 10));
            Started w(env);
            const QString row = QString::number(leftover);
            const bool offered = leftover == Refused || leftover == CutSnapshots;
            QVERIFY2(env.confirmations.size() == (offered ? 1 : 0), qPrintable(row));
            if (offered) QVERIFY(env.confirmations[0].startsWith(QStringLiteral("Velmora did not close properly.")));
            // A damaged snapshot would fail again at every start, so it is not kept to be offered again.
            if (leftover == CutSnapshots) {
                QCOMPARE(env.messages.size(), 1);
                QVERIFY(env.messages[0].contains(QStringLiteral("~history2.d2o")));
                QVERIFY(env.messages[0].endsWith(QStringLiteral("The earlier work could not be restored.")));
            }
            QVERIFY2(!w.Doc().ImageLoaded, qPrintable(row));
            // Without an index nothing can be offered again.
            QVERIFY2(HistoryFiles(env) == kJustTheLock, qPrintable(row));
        }
    }

    // Snapshots are not flushed to the disk, so a power cut may leave the latest one
    // missing or cut short while the index and the states before it are whole.
    void aLatestSnapshotLostToAPowerCutFallsBackToTheStateBeforeIt() {
        for (const bool cut : {false, true}) {
            ShellEnv env;
            PlantKilledRun(env);
            const QString current = env.Path("history/~history2.d2o");
            QVERIFY(cut ? QFile::resize(current, 10) : QFile::remove(current));
            Started w(env);
            // A missing snapshot is passed over at once; a cut one is found out only when read.
            QCOMPARE(env.confirmations.size(), 1);
            QVERIFY(env.confirmations[0].endsWith(cut ? QStringLiteral("state \"Brush\")?")
                                                      : QStringLiteral("state \"Open\")?")));
            if (cut) {
                QCOMPARE(env.messages.size(), 1);
                QVERIFY(env.messages[0].contains(QStringLiteral("~history2.d2o")));
                QVERIFY(env.messages[0].endsWith(QStringLiteral("The work was restored as it was at state \"Open\".")));
            } else {
                QVERIFY(env.messages.isEmpty());
            }
            QVERIFY(Shows(w, open_));
            QVERIFY(w.Modified());
            w.FrmHistory->FinishWrites();
            QCOMPARE(HistoryFiles(env), kOneState);
        }
    }
};

QTEST_MAIN(RecoveryTest)
#include "recovery_gui_test.moc"
