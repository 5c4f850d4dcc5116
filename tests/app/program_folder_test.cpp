#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/ProgramFolder.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = root_ / "bin";
        share_ = root_ / "share";
        user_ = root_ / "home" / ".local" / "share" / "velmora";
        fs::create_directories(exe_);
        fs::create_directories(share_);
    }
    // Makes the executable's folder read-only; false when the permission bits do not
    // stop this process (the superuser), so the case cannot be tested here.
    bool MakeExeFolderReadOnly() {
        fs::permissions(exe_, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
        return !IsWritableFolder(exe_.string());
    }

    test::TempDir dir_;
    fs::path root_ = dir_.Path(), exe_, share_, user_;
};

TEST_F(ProgramFolderTest, WritableExecutableFolderIsUsedAsItIs) {
    WriteText(exe_ / "default.set", "preset");
    std::string error;
    EXPECT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), exe_.string());
    EXPECT_TRUE(error.empty()) << error;
    // Nothing is copied and the user folder is not even created.
    EXPECT_FALSE(fs::exists(user_));
    // The probe file used to test writability does not stay behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(exe_), fs::directory_iterator()), 1);
}

TEST_F(ProgramFolderTest, ReadOnlyExecutableFolderSeedsTheUserFolder) {
    WriteText(exe_ / "default.set", "exe default");
    WriteText(exe_ / "cartoon.set", "exe cartoon");
    WriteText(exe_ / "velmora.chm", "help");
    WriteText(exe_ / "velmora", "the executable itself");
    WriteText(share_ / "cartoon.set", "share cartoon");
    WriteText(share_ / "sketch.set", "share sketch");
    if (!MakeExeFolderReadOnly()) GTEST_SKIP() << "permission bits do not stop writes for this user";

    std::string error;
    const std::string folder = ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error);
    EXPECT_EQ(folder, user_.string());
    EXPECT_TRUE(error.empty()) << error;
    // The executable's folder wins over the shared folder; files only in the shared one
    // are taken from there; other files are not copied.
    EXPECT_EQ(ReadText(user_ / "default.set"), "exe default");
    EXPECT_EQ(ReadText(user_ / "cartoon.set"), "exe cartoon");
    EXPECT_EQ(ReadText(user_ / "sketch.set"), "share sketch");
    EXPECT_EQ(ReadText(user_ / "velmora.chm"), "help");
    EXPECT_FALSE(fs::exists(user_ / "velmora"));
    EXPECT_FALSE(fs::exists(user_ / "cartoon.set.part"));

    // A later run keeps what the user changed and adds only what is missing.
    WriteText(user_ / "default.set", "user's own default");
    fs::remove(user_ / "sketch.set");
    EXPECT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), user_.string());
    EXPECT_EQ(ReadText(user_ / "default.set"), "user's own default");
    EXPECT_EQ(ReadText(user_ / "sketch.set"), "share sketch");

    // Without the user's default preset the batch converter reads the one the program
    // would copy back, from the executable's folder.
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), user_.string());
    fs::remove(user_ / "default.set");
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), exe_.string());
}

TEST_F(ProgramFolderTest, AnInstalledCopyUsesTheUserFolderEvenWithAWritableBin) {
    // Installed under a prefix in the user's home: bin/ is writable but holds no
    // presets; they are under share/velmora.
    WriteText(exe_ / "velmora", "the executable itself");
    WriteText(share_ / "default.set", "share default");
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), share_.string());
    std::string error;
    EXPECT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), user_.string());
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(ReadText(user_ / "default.set"), "share default");
    // The batch converter then reads the presets the program uses, the user's own too.
    WriteText(user_ / "default.set", "user's own default");
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), user_.string());
    // A build tree keeps its own folder.
    WriteText(exe_ / "default.set", "build default");
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), exe_.string());
    EXPECT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), exe_.string());

    EXPECT_EQ(ShareFolderOf("/opt/v/bin"), "/opt/v/share/velmora");
    EXPECT_EQ(UserDataFolder("/x/data", "/home/u"), "/x/data/Velmora");
    EXPECT_EQ(UserDataFolder("relative", "/home/u"), "/home/u/.local/share/Velmora");
    EXPECT_EQ(UserDataFolder(nullptr, nullptr), "");
}

TEST_F(ProgramFolderTest, TheBatchReadsTheShippedDefaultWhileTheUserFolderLacksIt) {
    // The program has run once, and then the user's copy of the default preset went.
    // The program copies it back at its next start, so until then the batch converter
    // must read the shipped one, or its pixels would differ from the program's.
    WriteText(share_ / "default.set", "share default");
    WriteText(share_ / "cartoon.set", "share cartoon");
    std::string error;
    ASSERT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), user_.string());
    fs::remove(user_ / "default.set");
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), share_.string());
    // Once the program has put it back, the user's folder is read again.
    ASSERT_EQ(ResolveProgramFolder(exe_.string(), share_.string(), user_.string(), error), user_.string());
    EXPECT_EQ(ProgramFolderToRead(exe_.string(), share_.string(), user_.string()), user_.string());
}

TEST_F(ProgramFolderTest, MissingExecutableFolderFallsBackToTheUserFolderOrIsReported) {
    // Works as any user: a folder that does not exist cannot be written either.
    const fs::path gone = root_ / "no-such-bin";
    WriteText(share_ / "linedrawing.set", "line");
    std::string error;
    EXPECT_EQ(ResolveProgramFolder(gone.string(), share_.string(), user_.string(), error), user_.string());
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(ReadText(user_ / "linedrawing.set"), "line");

    // No usable folder at all: the user folder's parent is a plain file, so it cannot
    // be created; the message names it.
    WriteText(root_ / "home-file", "x");
    const fs::path impossible = root_ / "home-file" / "velmora";
    EXPECT_EQ(ResolveProgramFolder(gone.string(), share_.string(), impossible.string(), error), gone.string());
    EXPECT_NE(error.find(impossible.string()), std::string::npos) << error;
}

TEST(FileInFolderTest, JoinsWithExactlyOneSlash) {
    EXPECT_EQ(FileInFolder("/opt/velmora", "options.dat"), "/opt/velmora/options.dat");
    EXPECT_EQ(FileInFolder("/opt/velmora/", "last.set"), "/opt/velmora/last.set");
    EXPECT_EQ(FileInFolder("", "help.html"), "help.html");
}

}  // namespace
}  // namespace velmora
