#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "history/HistoryFolder.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class HistoryFolderTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    fs::path root_ = dir_.Path();
};

TEST_F(HistoryFolderTest, EachHolderGetsItsOwnFolderAndReleasedFoldersAreReused) {
    std::string error;
    auto first = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(fs::path(first->Folder()), root_ / "history");
    EXPECT_TRUE(fs::is_directory(first->Folder()));

    auto second = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(fs::path(second->Folder()), root_ / "history-2");

    auto third = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(third) << error;
    EXPECT_EQ(fs::path(third->Folder()), root_ / "history-3");

    // A snapshot written by the first holder survives the release.
    { std::ofstream(fs::path(first->Folder()) / "~history1.d2o") << "state"; }
    first.reset();
    EXPECT_TRUE(fs::exists(root_ / "history" / "~history1.d2o"));

    // The freed folder is taken again before any new one.
    auto again = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(fs::path(again->Folder()), root_ / "history");
}

TEST_F(HistoryFolderTest, AnotherProcessIsKeptOutOfAHeldFolder) {
    std::string error;
    auto held = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(held) << error;

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A second running copy of the program.
        ::close(fds[0]);
        std::string childError;
        auto lock = HistoryFolderLock::Acquire(root_.string(), childError);
        const std::string answer = lock ? lock->Folder() : "failed: " + childError;
        const ssize_t ignored = ::write(fds[1], answer.data(), answer.size());
        (void)ignored;
        ::close(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) answer.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(fs::path(answer), root_ / "history-2");
}

TEST_F(HistoryFolderTest, LockOfACopyThatEndedIsFree) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string childError;
        auto lock = HistoryFolderLock::Acquire(root_.string(), childError);
        // Ends without running destructors, like a crash.
        ::_exit(lock ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    std::string error;
    auto lock = HistoryFolderLock::Acquire(root_.string(), error);
    ASSERT_TRUE(lock) << error;
    EXPECT_EQ(fs::path(lock->Folder()), root_ / "history");
}

TEST_F(HistoryFolderTest, UncreatableFolderIsReportedByName) {
    // A plain file where the program folder should be.
    const fs::path notAFolder = root_ / "program";
    { std::ofstream(notAFolder) << "x"; }
    std::string error;
    auto lock = HistoryFolderLock::Acquire(notAFolder.string(), error);
    EXPECT_FALSE(lock);
    EXPECT_NE(error.find((notAFolder / "history").string()), std::string::npos) << error;
}

}  // namespace
}  // namespace velmora
