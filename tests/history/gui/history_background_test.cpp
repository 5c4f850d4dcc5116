// The History window with a document that can be copied, so that its snapshots are
// written on the writer thread. Each copy's write waits for a gate the test opens, which
// shows what the user-interface thread does while a write is still outstanding.

#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/gui/Messages.h"
#include "history/HistoryIndex.h"
#include "history/gui/HistoryWindow.h"

using namespace velmora;

namespace {

// The document is a list of pixel values standing in for the layers.
class CopyableDocument : public HistoryDocument {
public:
    bool SaveSnapshot(const std::string&, std::string& error) override {
        error = "the document should have been copied";
        return false;
    }
    SnapshotWrite CaptureSnapshot() override {
        std::shared_future<void> gate = gate_;
        const std::vector<int> copy = pixels;
        const bool fail = failNextWrite;
        failNextWrite = false;
        return [gate, copy, fail](const std::string& path, std::string& error) {
            gate.wait();
            if (fail) {
                error = path + " could not be written: No space left on device";
                return false;
            }
            std::ofstream out(path, std::ios::trunc);
            for (int value : copy) out << value << ' ';
            return static_cast<bool>(out);
        };
    }
    bool LoadSnapshot(const std::string& path, std::string& error) override {
        std::ifstream in(path);
        if (!in) {
            error = path + " is not a valid .d2o file.";
            return false;
        }
        std::vector<int> values;
        for (int value = 0; in >> value;) values.push_back(value);
        pixels = values;
        return true;
    }
    void HistoryChanged() override { ++changes; }

    // Writes taken from now on wait until Open().
    void Hold() {
        release_ = std::make_shared<std::promise<void>>();
        gate_ = release_->get_future().share();
    }
    void Open() {
        if (release_) release_->set_value();
        release_.reset();
        std::promise<void> open;
        open.set_value();
        gate_ = open.get_future().share();
    }

    std::vector<int> pixels;
    bool failNextWrite = false;
    int changes = 0;

private:
    std::shared_ptr<std::promise<void>> release_;
    std::shared_future<void> gate_ = [] {
        std::promise<void> open;
        open.set_value();
        return open.get_future().share();
    }();
};

}  // namespace

class HistoryBackgroundTest : public QObject {
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
        doc_ = std::make_unique<CopyableDocument>();
        window_ = std::make_unique<TFrmHistory>(*doc_);
        window_->AdoptFolder(folder_);
        window_->SetHistoryStates(10);
    }
    void cleanup() {
        if (doc_) doc_->Open();
        window_.reset();
        doc_.reset();
        SetMessageHook(nullptr);
        dir_.reset();
    }

    void recordingReturnsBeforeTheWriteAndUndoWaitsForIt() {
        doc_->pixels = {1, 2, 3};
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("/pictures/cat.jpg")));
        window_->FinishWrites();

        doc_->Hold();
        doc_->pixels = {7, 8, 9, 10};
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
        doc_->pixels = {0};
        std::thread opener([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            doc_->Open();
        });
        window_->Undo();
        opener.join();
        QVERIFY(std::filesystem::exists(second));
        QCOMPARE(doc_->pixels, (std::vector<int>{1, 2, 3}));
        window_->Redo();
        QCOMPARE(doc_->pixels, (std::vector<int>{7, 8, 9, 10}));
        QVERIFY(messages_.isEmpty());
        QVERIFY(ReadHistoryIndex(folder_, index, error));
        QCOMPARE(static_cast<int>(index.States.size()), 2);
    }

    void aFailedWriteDropsItsStateAndTheStatesAfterIt() {
        doc_->pixels = {1};
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        window_->FinishWrites();

        doc_->Hold();
        doc_->failNextWrite = true;
        doc_->pixels = {2};
        QVERIFY(window_->AddState(QStringLiteral("Classic"), QStringLiteral("Sketch 5")));
        const std::string failed = window_->SlotPath(window_->Ring().CurrentIndex());
        doc_->pixels = {3};
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
        doc_->pixels = {4};
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        window_->Undo();
        QCOMPARE(doc_->pixels, std::vector<int>{1});
        window_->Redo();
        QCOMPARE(doc_->pixels, std::vector<int>{4});
        QCOMPARE(messages_.size(), 1);
    }

    void aFailureFoundByUndoIsHandledBeforeItsTargetIsChosen() {
        doc_->pixels = {1};
        QVERIFY(window_->AddState(QStringLiteral("Open"), QStringLiteral("a.jpg")));
        doc_->pixels = {2};
        QVERIFY(window_->AddState(QStringLiteral("Classic"), QStringLiteral("Sketch 5")));
        doc_->failNextWrite = true;
        doc_->pixels = {3};
        QVERIFY(window_->AddState(QStringLiteral("Pencil"), QStringLiteral("--")));
        // Without the failed state, the current one is "Classic" and Undo goes to "Open".
        window_->Undo();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(window_->Ring().Count(), 2);
        QCOMPARE(doc_->pixels, std::vector<int>{1});
    }

    void theEndOfTheRunWaitsForWritesBeforeRemovingFiles() {
        doc_->Hold();
        doc_->pixels = {5};
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
    std::unique_ptr<QTemporaryDir> dir_;
    std::string folder_;
    QStringList messages_;
    std::unique_ptr<CopyableDocument> doc_;
    std::unique_ptr<TFrmHistory> window_;
};

QTEST_MAIN(HistoryBackgroundTest)
#include "history_background_test.moc"
