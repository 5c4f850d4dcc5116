#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "history/HistoryFolder.h"
#include "support/Child.h"
#include "support/NoFileLocks.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class HistoryFolderTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    fs::path root_ = dir_.Path();

    fs::path Acquired(std::unique_ptr<HistoryFolderLock>& lock) {
        std::string error;
        lock = HistoryFolderLock::Acquire(root_.string(), error);
        EXPECT_TRUE(lock) << error;
        return lock ? fs::path(lock->Folder()) : fs::path();
    }

    // The folder another running copy gets; it ends without destructors, as in a crash.
    fs::path AcquiredInAnotherProcess() {
        return test::InChild([&]() -> std::string {
            std::string error;
            const auto lock = HistoryFolderLock::Acquire(root_.string(), error);
            return lock ? lock->Folder() : "failed: " + error;
        });
    }
};

TEST_F(HistoryFolderTest, EachHolderGetsItsOwnFolderAndReleasedFoldersAreReused) {
    std::unique_ptr<HistoryFolderLock> first, second, third, again;
    EXPECT_EQ(Acquired(first), root_ / "history");
    EXPECT_TRUE(fs::is_directory(root_ / "history"));
    EXPECT_EQ(Acquired(second), root_ / "history-2");
    EXPECT_EQ(Acquired(third), root_ / "history-3");

    // A released folder keeps its snapshot and is taken again before any new one.
    { std::ofstream(root_ / "history" / "~history1.d2o") << "state"; }
    first.reset();
    EXPECT_TRUE(fs::exists(root_ / "history" / "~history1.d2o"));
    EXPECT_EQ(Acquired(again), root_ / "history");
}

TEST_F(HistoryFolderTest, AnotherProcessIsKeptOutWhileItRunsButNotAfterItCrashed) {
    EXPECT_EQ(AcquiredInAnotherProcess(), root_ / "history");
    std::unique_ptr<HistoryFolderLock> held;
    EXPECT_EQ(Acquired(held), root_ / "history");
    EXPECT_EQ(AcquiredInAnotherProcess(), root_ / "history-2");
}

TEST_F(HistoryFolderTest, UncreatableFolderIsReportedByName) {
    // A plain file where the program folder should be.
    const fs::path notAFolder = root_ / "program";
    { std::ofstream(notAFolder) << "x"; }
    std::string error;
    EXPECT_FALSE(HistoryFolderLock::Acquire(notAFolder.string(), error));
    EXPECT_NE(error.find((notAFolder / "history").string()), std::string::npos) << error;
}

TEST_F(HistoryFolderTest, APrivateFolderIsNewForEachRunAndGoesWithItsFiles) {
    std::string error;
    auto one = HistoryFolderLock::Private(root_.string(), error);
    auto two = HistoryFolderLock::Private(root_.string(), error);
    ASSERT_TRUE(one && two) << error;
    const fs::path folder = one->Folder();
    EXPECT_EQ(folder.parent_path(), root_);
    EXPECT_NE(folder, fs::path(two->Folder()));
    EXPECT_TRUE(fs::is_directory(folder));
    { std::ofstream(folder / "~history1.d2o") << "state"; }
    one.reset();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_directory(two->Folder()));
}

// Where locking itself fails, every numbered folder would fail the same way: trying
// them all only leaves dozens of empty folders behind at each start.
TEST_F(HistoryFolderTest, AFileSystemWithoutLocksIsGivenUpOnAtTheFirstFolder) {
    const std::string answer = test::InChild([&]() -> std::string {
        if (!test::RefuseFileLocks()) return "no filter";
        std::string error;
        if (HistoryFolderLock::Acquire(root_.string(), error)) return "a folder was locked without locks";
        return error;
    });
    if (answer == "no filter") GTEST_SKIP() << "locks cannot be taken away from a process here";
    EXPECT_NE(answer.find("could not be locked"), std::string::npos) << answer;
    EXPECT_EQ(dir_.Count(), 1u);
    EXPECT_TRUE(fs::is_directory(root_ / "history"));
}

// A private folder whose run crashed is removed at the next start; one whose copy still
// runs is kept even where no lock can show it, and so is one that says nothing of its owner.
TEST_F(HistoryFolderTest, PrivateFoldersOfEndedRunsGoAndThoseOfRunningCopiesStay) {
    const auto privateWithoutLocks = [&]() -> std::string {
        if (!test::RefuseFileLocks()) return "no filter";
        std::string error;
        // Released on purpose: the folder must outlive this function as it would a crash.
        auto* folder = HistoryFolderLock::Private(root_.string(), error).release();
        return folder ? folder->Folder() : "failed: " + error;
    };
    const test::RunningChild running(privateWithoutLocks);
    const fs::path crashed = test::InChild(privateWithoutLocks);
    if (running.Answer() == "no filter") GTEST_SKIP() << "locks cannot be taken away from a process here";
    ASSERT_TRUE(fs::is_directory(running.Answer())) << running.Answer();
    ASSERT_TRUE(fs::is_directory(crashed)) << crashed;
    std::string error;
    const auto mine = HistoryFolderLock::Private(root_.string(), error);
    ASSERT_TRUE(mine) << error;
    const fs::path unknown = root_ / "history-run-Ab12Cd";
    fs::create_directory(unknown);
    { std::ofstream(unknown / "~history1.d2o") << "state"; }

    std::unique_ptr<HistoryFolderLock> lock;
    EXPECT_EQ(Acquired(lock), root_ / "history");
    EXPECT_FALSE(fs::exists(crashed));
    EXPECT_TRUE(fs::is_directory(running.Answer()));
    EXPECT_TRUE(fs::is_directory(mine->Folder()));
    EXPECT_TRUE(fs::exists(unknown / "~history1.d2o"));
}

}  // namespace
}  // namespace velmora
