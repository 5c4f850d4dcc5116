// The History window against a document whose content is one number, written to and
// read from the snapshot files, so every undo, redo and jump can be checked by what
// the document shows afterwards. A copyable document has its snapshots written on the
// writer thread; each of its writes waits for a gate the test opens, which shows what
// the user-interface thread does while a write is still outstanding.

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "common/gui/Messages.h"
#include "history/HistoryIndex.h"
#include "history/gui/HistoryWindow.h"

using namespace velmora;

namespace {

class FakeDocument : public HistoryDocument {
public:
    bool SaveSnapshot(const std::string& path, std::string& error) override {
        if (copyable) {
            error = "the document should have been copied";
            return false;
        }
        if (failSave) {
            if (!quietFailures) error = path + " could not be written: No space left on device";
            return false;
        }
        std::ofstream out(path, std::ios::trunc);
        out << content;
        return static_cast<bool>(out);
    }
    bool LoadSnapshot(const std::string& path, std::string& error) override {
        ++loads;
        std::ifstream in(path);
        int value = 0;
        if (failLoad || !(in >> value)) {
            error = path + " is not a valid .d2o file.";
            return false;
        }
        content = value;
        return true;
    }
    SnapshotWrite CaptureSnapshot() override {
        if (!copyable) return {};
        std::shared_future<void> gate = gate_;
        const int copy = content;
        const bool fail = failSave;
        failSave = false;
        return [gate, copy, fail](const std::string& path, std::string& error) {
            gate.wait();
            if (fail) {
                error = path + " could not be written: No space left on device";
                return false;
            }
            std::ofstream out(path, std::ios::trunc);
            out << copy;
            return static_cast<bool>(out);
        };
    }
    void HistoryChanged() override { ++changes; }

    // Writes of a copyable document taken from now on wait until Open().
    void Hold() {
        release_ = std::make_shared<std::promise<void>>();
        gate_ = release_->get_future().share();
    }
    void Open() {
        if (release_) release_->set_value();
        release_.reset();
        gate_ = OpenGate();
    }

    int content = 0;
    bool copyable = false;
    bool failSave = false;  // for a copyable document: the next write only
    bool failLoad = false;
    bool quietFailures = false;  // fail without a message of their own
    int loads = 0;
    int changes = 0;

private:
    static std::shared_future<void> OpenGate() {
        std::promise<void> open;
        open.set_value();
        return open.get_future().share();
    }
    std::shared_ptr<std::promise<void>> release_;
    std::shared_future<void> gate_ = OpenGate();
};

QStringList Column(const QTableWidget* grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QTableWidgetItem* item = grid->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

bool IsGray(const QTableWidget* grid, int row) {
    const QTableWidgetItem* item = grid->item(row, 1);
    return item && item->foreground().color() == QColor(128, 128, 128) &&
           item->background().color() == QColor(Qt::white);
}

QList<int> GrayRows(const QTableWidget* grid) {
    QList<int> rows;
    for (int row = 0; row < grid->rowCount(); ++row)
        if (IsGray(grid, row)) rows << row;
    return rows;
}

void ClickRow(QTableWidget* grid, int row) {
    const QRect rect = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        folder_ = (dir_->path() + QStringLiteral("/history")).toStdString();
        messages_.clear();
        SetMessageHook([this](const QString&, const QString& text, bool) {
            messages_ << text;
            return true;
        });
        doc_ = std::make_unique<FakeDocument>();
        window_ = std::make_unique<TFrmHistory>(*doc_);
        window_->SetHistoryFolder(folder_);
    }
    void cleanup() {
        if (doc_) doc_->Open();
        window_.reset();
        doc_.reset();
        SetMessageHook(nullptr);
        dir_.reset();
    }

    void gridHasTheListLayout() {
        QTableWidget* grid = window_->StringGrid1;
        QCOMPARE(window_->windowTitle(), QStringLiteral("History"));
        QCOMPARE(grid->columnCount(), 3);
        QCOMPARE(grid->columnWidth(0), 11);
        QCOMPARE(grid->columnWidth(1), 172);
        QCOMPARE(grid->columnWidth(2), 368);
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Operate"));
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 18);
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(window_->Ring().Capacity(), 50);
    }

    void statesAreListedOldestFirstAndUndoneRowsAreGray() {
        window_->SetHistoryStates(10);
        QTableWidget* grid = window_->StringGrid1;
        const struct {
            const char* name;
            const char* detail;
        } steps[] = {{"Open", "/pictures/cat.jpg"}, {"Classic", "Sketch 5"}, {"Pencil", "--"}};
        for (int i = 0; i < 3; ++i) {
            doc_->content = 100 + i;
            QVERIFY(window_->AddState(QString::fromLatin1(steps[i].name), QString::fromLatin1(steps[i].detail)));
        }
        QCOMPARE(doc_->changes, 3);
        QCOMPARE(Column(grid, 1), (QStringList{"Open", "Classic", "Pencil"}));
        QCOMPARE(Column(grid, 2), (QStringList{"/pictures/cat.jpg", "Sketch 5", "--"}));
        QCOMPARE(grid->currentRow(), 2);
        QVERIFY(GrayRows(grid).isEmpty());
        // The first state of a run is slot 1's file.
        QVERIFY(std::filesystem::exists(folder_ + "/~history1.d2o"));
        QVERIFY(std::filesystem::exists(folder_ + "/~history3.d2o"));

        window_->Undo();
        window_->Undo();
        QCOMPARE(doc_->content, 100);
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(GrayRows(grid), (QList<int>{1, 2}));
        QCOMPARE(grid->item(1, 1)->textAlignment(), int(Qt::AlignLeft | Qt::AlignTop));
        QVERIFY(!window_->CanUndo());
        QVERIFY(window_->CanRedo());

        // Undo on the oldest state loads nothing.
        const int loads = doc_->loads;
        window_->Undo();
        QCOMPARE(doc_->loads, loads);
        QCOMPARE(doc_->content, 100);

        window_->Redo();
        QCOMPARE(doc_->content, 101);
        QCOMPARE(GrayRows(grid), (QList<int>{2}));

        // A new edit drops the redo state: no gray rows, "Pencil" is gone.
        doc_->content = 200;
        QVERIFY(window_->AddState(QStringLiteral("Blur"), QStringLiteral("Sketch Layer")));
        QCOMPARE(Column(grid, 1), (QStringList{"Open", "Classic", "Blur"}));
        QVERIFY(GrayRows(grid).isEmpty());
        QVERIFY(!window_->CanRedo());
        window_->Undo();
        QCOMPARE(doc_->content, 101);
    }

    // The ring's own limits are tested in the core; here, what the list and the slot
    // files make of them.
    void fullAndSingleSlotRingsInTheListAndFiles() {
        window_->SetHistoryStates(3);
        for (int i = 0; i < 4; ++i) {
            doc_->content = i;
            QVERIFY(window_->AddState(i == 0 ? QStringLiteral("Open") : QStringLiteral("Edit %1").arg(i),
                                      QStringLiteral("--")));
        }
        QCOMPARE(Column(window_->StringGrid1, 1), (QStringList{"Edit 1", "Edit 2", "Edit 3"}));
        window_->Undo();
        window_->Undo();
        QCOMPARE(doc_->content, 1);

        window_->SetHistoryStates(-5);
        const int loads = doc_->loads;
        for (int i = 0; i < 2; ++i) QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        // Always slot 0's file, and the list keeps its one empty row.
        QVERIFY(std::filesystem::exists(folder_ + "/~history0.d2o"));
        QCOMPARE(window_->StringGrid1->rowCount(), 1);
        window_->Undo();
        QCOMPARE(doc_->loads, loads);
    }

    void selectingARowJumpsToThatState() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTableWidget* grid = window_->StringGrid1;
        for (int i = 0; i < 4; ++i) {
            doc_->content = 10 * i;
            QVERIFY(window_->AddState(QStringLiteral("State %1").arg(i), QString()));
        }
        window_->Undo();
        window_->Undo();
        window_->Undo();
        QCOMPARE(doc_->content, 0);
        const int changes = doc_->changes;

        // A gray row jumps forward to its state.
        ClickRow(grid, 2);
        QCOMPARE(doc_->content, 20);
        QCOMPARE(window_->Ring().CurrentRow(), 3);
        QCOMPARE(GrayRows(grid), (QList<int>{3}));
        QCOMPARE(doc_->changes, changes + 1);
        QVERIFY(window_->CanUndo());
        QVERIFY(window_->CanRedo());

        // And back.
        ClickRow(grid, 1);
        QCOMPARE(doc_->content, 10);
        QCOMPARE(GrayRows(grid), (QList<int>{2, 3}));

        // Moving the selection from the program loads nothing.
        const int loads = doc_->loads;
        window_->RefreshList();
        window_->Undo();
        QCOMPARE(doc_->loads, loads + 1);
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(doc_->content, 0);
    }

    void unwritableSnapshotLeavesTheHistoryAsItWas() {
        window_->SetHistoryStates(5);
        doc_->content = 1;
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        doc_->content = 2;
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        window_->Undo();
        QCOMPARE(doc_->content, 1);
        const int first = window_->Ring().FirstIndex();
        const int last = window_->Ring().LastIndex();
        const int current = window_->Ring().CurrentIndex();
        const int changes = doc_->changes;
        const QStringList names = Column(window_->StringGrid1, 1);

        doc_->failSave = true;
        doc_->content = 3;
        QVERIFY(!window_->AddState(QStringLiteral("Brush"), QStringLiteral("--")));
        QCOMPARE(messages_.size(), 1);
        const QString slotPath = QString::fromStdString(window_->SlotPath(2));
        QVERIFY2(messages_[0].count(slotPath) == 1, qPrintable(messages_[0]));
        QVERIFY(messages_[0].contains(QStringLiteral("No space left on device")));
        // A failure without its own explanation still names the file.
        doc_->quietFailures = true;
        QVERIFY(!window_->AddState(QStringLiteral("Brush"), QStringLiteral("--")));
        QCOMPARE(messages_.size(), 2);
        QVERIFY2(messages_[1].contains(slotPath), qPrintable(messages_[1]));
        QCOMPARE(window_->Ring().FirstIndex(), first);
        QCOMPARE(window_->Ring().LastIndex(), last);
        QCOMPARE(window_->Ring().CurrentIndex(), current);
        QCOMPARE(Column(window_->StringGrid1, 1), names);
        QCOMPARE(doc_->changes, changes);

        // The redo state whose slot the failed write aimed at is still there.
        QVERIFY(window_->CanRedo());
        doc_->failSave = false;
        window_->Redo();
        QCOMPARE(doc_->content, 2);
    }

    void unreadableSnapshotKeepsTheShownState() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTableWidget* grid = window_->StringGrid1;
        for (int i = 1; i <= 3; ++i) {
            doc_->content = i;
            QVERIFY(window_->AddState(QStringLiteral("S%1").arg(i), QString()));
        }
        doc_->failLoad = true;
        const int changesBefore = doc_->changes;
        window_->Undo();
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(QString::fromStdString(window_->SlotPath(2))), qPrintable(messages_[0]));
        QCOMPARE(doc_->content, 3);
        QCOMPARE(window_->Ring().CurrentIndex(), 3);
        QCOMPARE(grid->currentRow(), 2);
        QVERIFY(GrayRows(grid).isEmpty());
        QVERIFY(doc_->changes > changesBefore);

        // A click on another row that cannot be loaded puts the selection back.
        ClickRow(grid, 0);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(window_->Ring().CurrentIndex(), 3);
        const auto selectedRow = [grid] {
            const QModelIndexList rows = grid->selectionModel()->selectedRows(1);
            return rows.size() == 1 ? rows.first().row() : -1;
        };
        QTRY_COMPARE(selectedRow(), 2);
        QCOMPARE(grid->currentRow(), 2);

        // Once the snapshots can be read again, everything works as before.
        doc_->failLoad = false;
        window_->Undo();
        QCOMPARE(doc_->content, 2);
    }

    void missingHistoryFolderIsCreated() {
        const std::string nested = (dir_->path() + QStringLiteral("/deeper/history-2")).toStdString();
        window_->SetHistoryFolder(nested);
        QVERIFY(window_->AddState(QStringLiteral("Open"), QString()));
        QVERIFY(std::filesystem::exists(nested + "/~history1.d2o"));
    }

    void closingTellsTheMainWindow() {
        window_->show();
        QSignalSpy spy(window_.get(), &TFrmHistory::closed);
        window_->close();
        QCOMPARE(spy.count(), 1);
        QVERIFY(!window_->isVisible());
    }

    void recordingReturnsBeforeTheWriteAndUndoWaitsForIt() {
        Background();
        doc_->content = 123;
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("/pictures/cat.jpg")));
        window_->FinishWrites();

        doc_->Hold();
        doc_->content = 78910;
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        const std::string second = window_->SlotPath(window_->Ring().CurrentIndex());
        // Recorded and listed at once, while its file does not exist yet.
        QCOMPARE(window_->Ring().Count(), 2);
        QVERIFY(window_->WritesPending());
        QVERIFY(!std::filesystem::exists(second));
        // The index still describes only the state whose snapshot is complete.
        HistoryIndex index;
        std::string error;
        QVERIFY(ReadHistoryIndex(folder_, index, error));
        QCOMPARE(static_cast<int>(index.States.size()), 1);

        // The document changes after the copy was taken; the snapshot keeps the copy.
        doc_->content = 0;
        std::thread opener([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            doc_->Open();
        });
        window_->Undo();
        opener.join();
        QVERIFY(std::filesystem::exists(second));
        QCOMPARE(doc_->content, 123);
        window_->Redo();
        QCOMPARE(doc_->content, 78910);
        QVERIFY(messages_.isEmpty());
        QVERIFY(ReadHistoryIndex(folder_, index, error));
        QCOMPARE(static_cast<int>(index.States.size()), 2);
    }

    void aFailedWriteDropsItsStateAndTheStatesAfterIt() {
        Background();
        doc_->content = 1;
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        window_->FinishWrites();

        doc_->Hold();
        doc_->failSave = true;
        doc_->content = 2;
        QVERIFY(window_->AddState(QStringLiteral("Classic"), QStringLiteral("Sketch 5")));
        const std::string failed = window_->SlotPath(window_->Ring().CurrentIndex());
        doc_->content = 3;
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        QCOMPARE(window_->Ring().Count(), 3);
        const int changesBefore = doc_->changes;
        doc_->Open();

        // The failure reaches the window through its event loop, without any command.
        QTRY_COMPARE(window_->Ring().Count(), 1);
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_.first().contains(QString::fromStdString(failed)));
        QVERIFY(messages_.first().contains(QStringLiteral("No space left on device")));
        QVERIFY(messages_.first().endsWith(QStringLiteral("This step was not recorded in the history.")));
        QCOMPARE(window_->Ring().Name(window_->Ring().CurrentIndex()), std::string("Open"));
        QVERIFY(doc_->changes > changesBefore);
        QCOMPARE(window_->StringGrid1->rowCount(), 1);

        // The ring works on from the state before the failure.
        doc_->content = 4;
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        window_->Undo();
        QCOMPARE(doc_->content, 1);
        window_->Redo();
        QCOMPARE(doc_->content, 4);
        QCOMPARE(messages_.size(), 1);
    }

    void aFailureFoundByUndoIsHandledBeforeItsTargetIsChosen() {
        Background();
        doc_->content = 1;
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        doc_->content = 2;
        QVERIFY(window_->AddState(QStringLiteral("Classic"), QStringLiteral("Sketch 5")));
        doc_->failSave = true;
        doc_->content = 3;
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        // Without the failed state, the current one is "Classic" and Undo goes to "Open".
        window_->Undo();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(window_->Ring().Count(), 2);
        QCOMPARE(doc_->content, 1);
    }

    void theEndOfTheRunWaitsForWritesBeforeRemovingFiles() {
        Background();
        doc_->Hold();
        doc_->content = 5;
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        std::thread opener([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            doc_->Open();
        });
        window_->EndRun();
        opener.join();
        QVERIFY(!window_->WritesPending());
        QVERIFY(std::filesystem::is_empty(folder_));
        QCOMPARE(window_->Ring().Count(), 0);
    }

private:
    // The document becomes copyable and the folder is this run's own, as in the program.
    void Background() {
        doc_->copyable = true;
        window_->AdoptFolder(folder_);
        window_->SetHistoryStates(10);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::string folder_;
    QStringList messages_;
    std::unique_ptr<FakeDocument> doc_;
    std::unique_ptr<TFrmHistory> window_;
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
