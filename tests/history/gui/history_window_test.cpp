// The History window against a document whose content is one number kept in the snapshot
// files; a copyable document's writes wait behind a gate so that pending writes can be seen.

#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include "common/gui/Messages.h"
#include "history/HistoryIndex.h"
#include "history/gui/HistoryWindow.h"

using namespace velmora;

namespace {

constexpr char kDiskFull[] = " could not be written: No space left on device";

bool WriteValue(const std::string& path, int value) {
    std::ofstream out(path, std::ios::trunc);
    out << value;
    return static_cast<bool>(out);
}

class FakeDocument : public HistoryDocument {
public:
    bool SaveSnapshot(const std::string& path, std::string& error) override {
        if (copyable && !noRoomToCopy) {
            error = "the document should have been copied";
            return false;
        }
        if (failSave && !quietFailures) error = path + kDiskFull;
        return !failSave && WriteValue(path, content);
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
        if (noRoomToCopy) throw std::bad_alloc();
        return [gate = gate_, copy = content, fail = std::exchange(failSave, false)](const std::string& path,
                                                                                   std::string& error) {
            if (gate.valid()) gate.wait();
            if (fail) error = path + kDiskFull;
            return !fail && WriteValue(path, copy);
        };
    }
    void HistoryChanged() override { ++changes; }

    // Writes captured from now on wait until Open(); OpenSoon() opens while the caller blocks.
    void Hold() {
        release_ = std::make_shared<std::promise<void>>();
        gate_ = release_->get_future().share();
    }
    void Open() {
        if (release_) std::exchange(release_, nullptr)->set_value();
    }
    std::thread OpenSoon() {
        return std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            Open();
        });
    }

    int content = 0;
    bool copyable = false;
    bool noRoomToCopy = false;  // a copyable document whose copy finds no memory
    bool failSave = false;  // for a copyable document: the next write only
    bool failLoad = false;
    bool quietFailures = false;  // fail without a message of their own
    int loads = 0;
    int changes = 0;

private:
    std::shared_ptr<std::promise<void>> release_;
    std::shared_future<void> gate_;
};

QStringList Column(const QTableWidget* grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row)
        texts << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
    return texts;
}

// Rows drawn as states that Redo would bring back: gray text on white.
QList<int> GrayRows(const QTableWidget* grid) {
    QList<int> rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QTableWidgetItem* item = grid->item(row, 1);
        if (item && item->foreground().color() == QColor(128, 128, 128) &&
            item->background().color() == QColor(Qt::white))
            rows << row;
    }
    return rows;
}

void ClickRow(QTableWidget* grid, int row) {
    const QRect rect = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

int SelectedRow(const QTableWidget* grid) {
    const QModelIndexList rows = grid->selectionModel()->selectedRows(1);
    return rows.size() == 1 ? rows.first().row() : -1;
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        // Not there yet: the first snapshot written must create it.
        folder_ = (dir_->path() + QStringLiteral("/deeper/history")).toStdString();
        messages_.clear();
        SetMessageHook([this](const QString&, const QString& text, bool) {
            messages_ << text;
            return true;
        });
        doc_ = std::make_unique<FakeDocument>();
        window_ = std::make_unique<TFrmHistory>(*doc_);
        window_->SetHistoryFolder(folder_);
        grid_ = window_->StringGrid1;
    }
    void cleanup() {
        if (doc_) doc_->Open();
        window_.reset();
        doc_.reset();
        SetMessageHook(nullptr);
        dir_.reset();
    }

    void statesAreListedOldestFirstAndRowsJumpToTheirStates() {
        window_->SetHistoryStates(10);
        ShowWindow();
        QVERIFY(Add(100, "Open", "/pictures/cat.jpg"));
        QVERIFY(Add(101, "Classic", "Sketch 5"));
        QVERIFY(Add(102, "Pencil"));
        QVERIFY(Add(103, "Brush"));
        QCOMPARE(doc_->changes, 4);
        QCOMPARE(Column(grid_, 1), (QStringList{"Open", "Classic", "Pencil", "Brush"}));
        QCOMPARE(Column(grid_, 2), (QStringList{"/pictures/cat.jpg", "Sketch 5", "--", "--"}));
        QCOMPARE(grid_->currentRow(), 3);
        QVERIFY(GrayRows(grid_).isEmpty());
        QVERIFY(std::filesystem::exists(folder_ + "/~history4.d2o"));

        for (int i = 0; i < 3; ++i) window_->Undo();
        QCOMPARE(doc_->content, 100);
        QCOMPARE(grid_->currentRow(), 0);
        QCOMPARE(GrayRows(grid_), (QList<int>{1, 2, 3}));
        // Undo on the oldest state loads nothing.
        int loads = doc_->loads;
        window_->Undo();
        QCOMPARE(doc_->loads, loads);

        // A gray row jumps forward to its state, an earlier row back.
        const int changes = doc_->changes;
        ClickRow(grid_, 2);
        QCOMPARE(doc_->content, 102);
        QCOMPARE(GrayRows(grid_), (QList<int>{3}));
        QCOMPARE(doc_->changes, changes + 1);
        ClickRow(grid_, 1);
        QCOMPARE(doc_->content, 101);
        QCOMPARE(GrayRows(grid_), (QList<int>{2, 3}));

        // Moving the selection from the program loads nothing.
        loads = doc_->loads;
        window_->RefreshList();
        window_->Undo();
        QCOMPARE(doc_->loads, loads + 1);
        QCOMPARE(grid_->currentRow(), 0);

        window_->Redo();
        QCOMPARE(doc_->content, 101);
        QCOMPARE(GrayRows(grid_), (QList<int>{2, 3}));
        QVERIFY(Add(200, "Blur", "Sketch Layer"));
        QCOMPARE(Column(grid_, 1), (QStringList{"Open", "Classic", "Blur"}));
        QVERIFY(GrayRows(grid_).isEmpty());
    }

    // The list keeps the focus after a click, and letters typed there are most likely
    // tool keys meant for the picture: they must not jump to a state named like them.
    void typedLettersLoadNoState() {
        window_->SetHistoryStates(10);
        ShowWindow();
        QVERIFY(Add(100, "Open", "/pictures/cat.jpg"));
        QVERIFY(Add(101, "Pencil"));
        QVERIFY(Add(102, "Brush"));
        grid_->setFocus();
        const int loads = doc_->loads;
        for (Qt::Key key : {Qt::Key_P, Qt::Key_O, Qt::Key_B}) {
            QTest::keyClick(grid_, key);
            // Past the type-ahead interval, so that each letter starts a search of its own.
            QTest::qWait(QApplication::keyboardInputInterval() + 50);
        }
        QCOMPARE(doc_->loads, loads);
        QCOMPARE(doc_->content, 102);
        QCOMPARE(grid_->currentRow(), 2);
        // Moving through the list with the arrow keys still goes to the row moved to.
        QTest::keyClick(grid_, Qt::Key_Up);
        QCOMPARE(doc_->content, 101);
    }

    void unwritableSnapshotLeavesTheHistoryAsItWas() {
        window_->SetHistoryStates(5);
        QVERIFY(Add(1, "Open", "a.jpg"));
        QVERIFY(Add(2, "Pencil"));
        window_->Undo();
        const QList<int> indices = Indices();
        const int changes = doc_->changes;
        const QStringList names = Column(grid_, 1);
        const QString slotPath = QString::fromStdString(window_->SlotPath(2));

        // The file is named once beside the document's reason, and still named without one.
        doc_->failSave = true;
        QVERIFY(!Add(3, "Brush"));
        doc_->quietFailures = true;
        QVERIFY(!Add(3, "Brush"));
        QCOMPARE(messages_.size(), 2);
        QVERIFY2(messages_[0].count(slotPath) == 1 && messages_[0].contains(QStringLiteral("No space left on device")),
                 qPrintable(messages_[0]));
        QVERIFY2(messages_[1].contains(slotPath), qPrintable(messages_[1]));
        QCOMPARE(Indices(), indices);
        QCOMPARE(Column(grid_, 1), names);
        QCOMPARE(doc_->changes, changes);

        // The redo state whose slot the failed write aimed at is still there.
        doc_->failSave = false;
        window_->Redo();
        QCOMPARE(doc_->content, 2);
    }

    void withoutAFolderNothingIsRecordedOrWrittenAndNothingSaid() {
        // As the main window leaves it when no folder could be had at all.
        window_ = std::make_unique<TFrmHistory>(*doc_);
        window_->SetHistoryStates(5);
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
        const bool added = Add(1, "Open", "a.jpg");
        QVERIFY(QDir::setCurrent(here));
        QVERIFY(!added);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(window_->Ring().Count(), 0);
        QVERIFY(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void unreadableSnapshotKeepsTheShownState() {
        ShowWindow();
        for (int i = 1; i <= 3; ++i) QVERIFY(Add(i, "State"));
        doc_->failLoad = true;
        const int changes = doc_->changes;
        window_->Undo();
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(QString::fromStdString(window_->SlotPath(2))), qPrintable(messages_[0]));
        QCOMPARE(doc_->content, 3);
        QCOMPARE(window_->Ring().CurrentIndex(), 3);
        QCOMPARE(grid_->currentRow(), 2);
        QVERIFY(doc_->changes > changes);

        // A click on another row that cannot be loaded puts the selection back.
        ClickRow(grid_, 0);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(window_->Ring().CurrentIndex(), 3);
        QTRY_COMPARE(SelectedRow(grid_), 2);
        QCOMPARE(grid_->currentRow(), 2);
    }

    void recordingReturnsBeforeTheWriteAndUndoAndTheEndWaitForIt() {
        Background();
        QVERIFY(Add(123, "Open", "/pictures/cat.jpg"));
        window_->FinishWrites();

        doc_->Hold();
        QVERIFY(Add(78910, "Pencil"));
        const std::string second = window_->SlotPath(window_->Ring().CurrentIndex());
        // Recorded at once; the index names only states whose snapshot is complete.
        QCOMPARE(window_->Ring().Count(), 2);
        QVERIFY(window_->WritesPending());
        QVERIFY(!std::filesystem::exists(second));
        QCOMPARE(IndexedStates(), 1);

        // The snapshot keeps the copy, not the document as changed afterwards.
        doc_->content = 0;
        std::thread opener = doc_->OpenSoon();
        window_->Undo();
        opener.join();
        QVERIFY(std::filesystem::exists(second));
        QCOMPARE(doc_->content, 123);
        window_->Redo();
        QCOMPARE(doc_->content, 78910);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(IndexedStates(), 2);

        // The end of the run waits for a pending write before it removes the files.
        doc_->Hold();
        QVERIFY(Add(5, "Brush"));
        opener = doc_->OpenSoon();
        window_->EndRun();
        opener.join();
        QVERIFY(!window_->WritesPending());
        QVERIFY(std::filesystem::is_empty(folder_));
        QCOMPARE(window_->Ring().Count(), 0);
    }

    void aFailedWriteDropsItsStateAndTheStatesAfterIt() {
        Background();
        QVERIFY(Add(1, "Open", "a.jpg"));
        window_->FinishWrites();

        doc_->Hold();
        doc_->failSave = true;
        QVERIFY(Add(2, "Classic", "Sketch 5"));
        const QString failed = QString::fromStdString(window_->SlotPath(window_->Ring().CurrentIndex()));
        QVERIFY(Add(3, "Pencil"));
        QCOMPARE(window_->Ring().Count(), 3);
        const int changes = doc_->changes;
        doc_->Open();

        // The failure reaches the window through its event loop, without any command.
        QTRY_COMPARE(window_->Ring().Count(), 1);
        QCOMPARE(messages_.size(), 1);
        const QString& message = messages_.first();
        QVERIFY2(message.contains(failed) && message.contains(QStringLiteral("No space left on device")) &&
                     message.endsWith(QStringLiteral("This step was not recorded in the history.")),
                 qPrintable(message));
        QCOMPARE(window_->Ring().Name(window_->Ring().CurrentIndex()), std::string("Open"));
        QVERIFY(doc_->changes > changes);
        QCOMPARE(window_->StringGrid1->rowCount(), 1);

        // The ring works on from "Open", and Undo collects a failure before it picks its
        // target: without "Brush" the document shows a step that no state holds, and
        // Undo takes back that step alone, to "Pencil", before it goes on to "Open".
        QVERIFY(Add(4, "Pencil"));
        doc_->failSave = true;
        QVERIFY(Add(5, "Brush"));
        window_->Undo();
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(window_->Ring().Count(), 2);
        QCOMPARE(doc_->content, 4);
        window_->Undo();
        QCOMPARE(doc_->content, 1);
        QVERIFY(!window_->CanUndo());
    }

    // After a step that could not be recorded, the current state's row is still selected,
    // so a click on it moves no selection; it must still take the picture back to that
    // state, as Undo does, and only once.
    void aClickOnTheCurrentRowAfterAFailedWriteTakesBackTheStep() {
        Background();
        ShowWindow();
        QVERIFY(Add(1, "Open", "a.jpg"));
        QVERIFY(Add(2, "Pencil"));
        doc_->failSave = true;
        QVERIFY(Add(3, "Brush"));
        window_->FinishWrites();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(doc_->content, 3);
        QCOMPARE(SelectedRow(grid_), 1);
        const int loads = doc_->loads;

        ClickRow(grid_, 1);
        QCOMPARE(doc_->loads, loads + 1);
        QCOMPARE(doc_->content, 2);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(SelectedRow(grid_), 1);
        // The step is taken back; the next click on the row has nothing left to do.
        ClickRow(grid_, 1);
        QCOMPARE(doc_->loads, loads + 1);
        window_->Undo();
        QCOMPARE(doc_->content, 1);
    }

    // A state written from the document at once, for want of memory for a copy, waits for
    // the writes before it; one of them failing moves the ring back, and the state goes
    // where the ring is then.
    void aStateWrittenAtOnceFollowsTheRingAnEarlierFailureMovedBack() {
        Background();
        for (int i = 1; i <= 3; ++i) QVERIFY(Add(i, "State"));
        window_->Undo();
        window_->Undo();
        doc_->Hold();
        doc_->failSave = true;
        QVERIFY(Add(10, "Pencil"));
        doc_->noRoomToCopy = true;
        std::thread opener = doc_->OpenSoon();
        QVERIFY(Add(20, "Brush"));
        opener.join();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(window_->Ring().Name(window_->Ring().CurrentIndex()), std::string("Brush"));
        window_->Undo();
        QCOMPARE(doc_->content, 1);
        window_->Redo();
        QCOMPARE(doc_->content, 20);
    }

    // A row clicked while writes are queued stands for the state the list showed. When
    // one of those writes fails, the ring goes back to states that the rows then stand
    // for instead: the click loads none of them, and the picture stays as it is.
    void aClickOnAStateThatAFailedWriteDropsLoadsNothing() {
        Background();
        ShowWindow();
        QVERIFY(Add(1, "Open", "a.jpg"));
        QVERIFY(Add(2, "Classic"));
        QVERIFY(Add(3, "Blur"));
        window_->FinishWrites();
        window_->Undo();
        window_->Undo();
        doc_->Hold();
        doc_->failSave = true;
        QVERIFY(Add(10, "Pencil"));
        QVERIFY(Add(20, "Brush"));
        QCOMPARE(Column(grid_, 1), (QStringList{"Open", "Pencil", "Brush"}));
        const int loads = doc_->loads;

        std::thread opener = doc_->OpenSoon();
        ClickRow(grid_, 1);
        opener.join();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(doc_->loads, loads);
        QCOMPARE(doc_->content, 20);
        QCOMPARE(Column(grid_, 1), (QStringList{"Open", "Classic", "Blur"}));
        QTRY_COMPARE(SelectedRow(grid_), 0);
        QCOMPARE(GrayRows(grid_), (QList<int>{1, 2}));
        // Undo takes back the step that was not recorded, to the state the list shows.
        window_->Undo();
        QCOMPARE(doc_->content, 1);
    }

private:
    // Sets the document's content and records it as a state.
    bool Add(int content, const char* name, const char* detail = "--") {
        doc_->content = content;
        return window_->AddState(QString::fromUtf8(name), QString::fromUtf8(detail));
    }
    QList<int> Indices() const {
        return {window_->Ring().FirstIndex(), window_->Ring().LastIndex(), window_->Ring().CurrentIndex()};
    }
    int IndexedStates() const {
        HistoryIndex index;
        std::string error;
        return ReadHistoryIndex(folder_, index, error) ? static_cast<int>(index.States.size()) : -1;
    }
    void ShowWindow() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    // A copyable document in the run's own folder, as in the program.
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
    QTableWidget* grid_ = nullptr;
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
