#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "history/History.h"
#include "history/HistoryFolder.h"
#include "history/HistoryIndex.h"
#include "history/HistoryRecovery.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class HistoryRecoveryTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    fs::path root_ = dir_.Path();

    void Touch(const std::string& name, const fs::path& folder) { std::ofstream(folder / name) << "x"; }
    void Touch(const std::string& name) { Touch(name, root_); }

    // What a run leaves after the named states (Open and Pencil: slots 1 and 2), and the index.
    void LeaveRun(const std::string& document, const fs::path& folder,
                  std::initializer_list<const char*> states = {"Open", "Pencil"}) {
        fs::create_directories(folder);
        HistoryRing ring(10);
        for (const char* name : states) {
            Touch(HistoryRing::SlotFileName(ring.NextSlot()), folder);
            ring.CommitAdd(name, "--");
        }
        std::string error;
        ASSERT_TRUE(WriteHistoryIndex(folder.string(), IndexOfRing(ring, document), error)) << error;
    }
    void LeaveRun(const std::string& document) { LeaveRun(document, root_); }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_)) names.insert(entry.path().filename().string());
        return names;
    }
};

TEST_F(HistoryRecoveryTest, OnlyAnIndexWithItsDocumentAndASnapshotUpToTheCurrentStateIsOffered) {
    LeaveRun("/photos/my beach.jpg");
    auto run = FindUnfinishedRun(root_.string());
    ASSERT_TRUE(run);
    // Newest first, so that a snapshot a power cut left unwritten falls back to the one before.
    ASSERT_EQ(run->Restorable.size(), 2u);
    EXPECT_EQ(run->Restorable[0].Name, "Pencil");
    EXPECT_EQ(run->Restorable[1].Name, "Open");
    EXPECT_EQ((std::vector<std::string>{run->Restorable[0].SnapshotPath, run->Restorable[1].SnapshotPath}),
              (std::vector<std::string>{(root_ / "~history2.d2o").string(), (root_ / "~history1.d2o").string()}));
    EXPECT_EQ(run->DocumentName(), "my beach.jpg");

    // A folder where the current snapshot should be: the state before it is what is left.
    fs::remove(root_ / "~history2.d2o");
    fs::create_directory(root_ / "~history2.d2o");
    run = FindUnfinishedRun(root_.string());
    ASSERT_TRUE(run);
    ASSERT_EQ(run->Restorable.size(), 1u);
    EXPECT_EQ(run->Restorable[0].Name, "Open");

    // An undone state is never restored in place of one that is gone.
    std::string error;
    HistoryIndex undone;
    ASSERT_TRUE(ReadHistoryIndex(root_.string(), undone, error)) << error;
    undone.CurrentIndex = 1;
    ASSERT_TRUE(WriteHistoryIndex(root_.string(), undone, error)) << error;
    fs::remove(root_ / "~history1.d2o");
    fs::remove(root_ / "~history2.d2o");
    Touch("~history2.d2o");
    EXPECT_FALSE(FindUnfinishedRun(root_.string()));

    // No document name: nothing to offer.
    LeaveRun("");
    EXPECT_FALSE(FindUnfinishedRun(root_.string()));
}

// The index names the document of its current state only. A state from before the
// last "Open" shows another picture, which would come back under that name (and Save
// would propose to write it over that file).
TEST_F(HistoryRecoveryTest, NoStateOfAnEarlierPictureStandsInForALostOne) {
    LeaveRun("/photos/b.jpg", root_, {"Open", "Pencil", "Open", "Brush"});
    auto run = FindUnfinishedRun(root_.string());
    ASSERT_TRUE(run);
    ASSERT_EQ(run->Restorable.size(), 2u);
    EXPECT_EQ(run->Restorable[0].Name, "Brush");
    EXPECT_EQ(run->Restorable[1].SnapshotPath, (root_ / "~history3.d2o").string());

    // The second picture's "Open" is lost: its states are all gone.
    fs::remove(root_ / "~history3.d2o");
    fs::remove(root_ / "~history4.d2o");
    EXPECT_FALSE(FindUnfinishedRun(root_.string()));
}

TEST_F(HistoryRecoveryTest, CleaningUpTakesOnlyTheRunsOwnFiles) {
    EXPECT_EQ(SnapshotSlotOfName("~history2147483647.d2o"), 2147483647);
    for (const char* other : {"~history.d2o", "~history01.d2o", "~history-1.d2o", "~history2147483648.d2o"})
        EXPECT_EQ(SnapshotSlotOfName(other), -1) << other;

    LeaveRun("/photos/a.jpg");
    Touch("~history7.d2o");        // from an earlier, longer run
    Touch(".velmora-4242-0.tmp");  // a write cut off by a crash
    Touch(HistoryFolderLock::kLockFileName);
    Touch("~history01.d2o");
    Touch("notes.txt");
    fs::create_directory(root_ / "~history9.d2o");
    const std::set<std::string> untouched = {HistoryFolderLock::kLockFileName, "~history01.d2o", "notes.txt",
                                             "~history9.d2o"};

    // After a restore only the new run's state stays, with its index.
    HistoryRing restored(10);
    restored.CommitAdd("Open", "/photos/a.jpg");
    std::string error;
    EXPECT_TRUE(RemoveSnapshotsOutside(root_.string(), restored, error)) << error;
    std::set<std::string> expected = untouched;
    expected.insert({"~history1.d2o", HistoryIndex::kFileName});
    EXPECT_EQ(Names(), expected);

    EXPECT_TRUE(RemoveRunFiles(root_.string(), error)) << error;
    EXPECT_EQ(Names(), untouched);
}

// Whichever copy crashed, the next one to start is offered its work.
TEST_F(HistoryRecoveryTest, AFreeFolderHoldingAnUnfinishedRunIsTakenBeforeTheFirstFreeOne) {
    LeaveRun("/photos/a.jpg", root_ / "history-3");
    fs::create_directories(root_ / "history-2");
    std::ofstream(root_ / "history-2" / HistoryIndex::kFileName) << "damaged";
    std::string error;
    const auto first = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(fs::path(first->Folder()), root_ / "history-3");
    // A run still held is no other copy's to take.
    const auto second = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(fs::path(second->Folder()), root_ / "history");
}

}  // namespace
}  // namespace velmora
