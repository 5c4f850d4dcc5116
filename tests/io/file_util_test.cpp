#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "io/Bmp.h"
#include "io/FileUtil.h"
#include "io/IoTestUtil.h"
#include "support/Child.h"
#include "support/RefusedCalls.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(UpperExtension, TakesTheLastDotOfTheFileName) {
    for (const auto& [name, ext] : {std::pair{"photo.jpg", ".JPG"}, {"/a/b/Photo.Tar.bMp", ".BMP"}, {"/a/b/photo", ""},
                                    {"/a.b/photo", ""}, {"photo.", "."}, {"dir/.d2o", ".D2O"}, {"été.jpeg", ".JPEG"}})
        EXPECT_EQ(UpperExtension(name), ext) << name;
}

TEST(ReadWholeFile, ReadsRefusesAndNamesTheFile) {
    testing::TempDir dir;
    Bytes data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    testing::Spit(dir.File("f"), data);
    Bytes got = {1};
    std::string error;
    ASSERT_TRUE(ReadWholeFile(dir.File("f"), got, error));
    EXPECT_EQ(got, data);
    EXPECT_FALSE(ReadWholeFile(dir.File("f"), got, error, 99999));
    EXPECT_NE(error.find("\"" + dir.File("f") + "\""), std::string::npos);
    EXPECT_EQ(got, data);
    EXPECT_FALSE(ReadWholeFile(dir.File("nope"), got, error));
    EXPECT_NE(error.find("nope"), std::string::npos);
    EXPECT_FALSE(ReadWholeFile(dir.File(""), got, error));  // a folder
    ASSERT_TRUE(ReadFilePrefix(dir.File("f"), 10, got, error));
    EXPECT_EQ(got, Bytes(data.begin(), data.begin() + 10));
}

// A named pipe that nothing writes to, chosen by mistake or named like a picture,
// reads as empty (and is no picture) instead of holding the program until something
// writes to it.
TEST(ReadWholeFile, APipeNothingWritesToReadsAsEmpty) {
    testing::TempDir dir;
    const std::string pipe = dir.File("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string said = test::InChild([&] {
        ::alarm(10);  // a read that waits ends this child, not the whole test run
        Bytes bytes{1};
        std::string error;
        std::string out = ReadFilePrefix(pipe, 64, bytes, error) ? std::to_string(bytes.size()) : error;
        bytes.assign(1, 1);
        out += ReadWholeFile(pipe, bytes, error) ? " " + std::to_string(bytes.size()) : " " + error;
        Bitmap picture;
        out += ReadBmpFile(pipe, picture, error) ? " opened" : " refused";
        return out;
    });
    EXPECT_EQ(said, "0 0 refused");
}

TEST(WriteFileAtomically, ReplacesOnlyWhenCompleteKeepingThePermissions) {
    testing::TempDir dir;
    const std::string path = dir.File("out.bin");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Bytes{1, 2, 3}, error)) << error;
    // Not what a new file gets under the usual umasks (0644, 0600 or 0664).
    const auto kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, kept);
    ASSERT_TRUE(WriteFileAtomically(path, Bytes{4, 5}, error)) << error;
    EXPECT_EQ(testing::Slurp(path), (Bytes{4, 5}));
    EXPECT_EQ(fs::status(path).permissions(), kept);
    EXPECT_EQ(dir.Count(), 1u);
    // A folder in the way of the rename: the write fails, the folder stays.
    fs::create_directory(dir.File("taken"));
    testing::Spit(dir.File("taken/inside"), {7});
    EXPECT_FALSE(WriteFileAtomically(dir.File("taken"), Bytes{1}, error));
    EXPECT_EQ(testing::Slurp(dir.File("taken/inside")), Bytes{7});
    EXPECT_EQ(dir.Count(), 2u);
    EXPECT_FALSE(WriteFileAtomically("", Bytes{1}, error));
}

// Runs `check`, which says what went wrong or nothing, with a plain user's rights: as
// root (whose writes ignore the permission bits) in a child that becomes "nobody",
// after `paths` are given to that user.
std::string AsPlainUser(const std::function<std::string()>& check, const std::vector<std::string>& paths) {
    if (::geteuid() != 0) return check();
    constexpr uid_t kNobody = 65534;
    for (const std::string& path : paths)
        if (::lchown(path.c_str(), kNobody, kNobody) != 0) return "cannot give " + path + " away";
    return test::InChild([&] {
        return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? check() : std::string("cannot become nobody");
    });
}

// Saving over an existing file writes the file the user means, and only one they may
// write: in a folder that takes no new files, a writable file is written where it stands.
TEST(WriteFileAtomically, FollowsLinksAndKeepsToThePermissions) {
    testing::TempDir dir;
    testing::Spit(dir.File("real.bin"), {1});
    fs::create_symlink("real.bin", dir.File("link.bin"));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.bin"), Bytes{2}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.bin")));
    EXPECT_EQ(testing::Slurp(dir.File("real.bin")), Bytes{2});

    const std::string locked = dir.File("locked"), mine = dir.File("locked/mine.bin");
    fs::create_directory(locked);
    testing::Spit(mine, {1, 2, 3});
    const std::string problem = AsPlainUser(
        [&]() -> std::string {
            std::string why;
            fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
            {
                // There, a new file that does not fit must not cost the old one.
                testing::FileSizeLimit full(1000);
                if (WriteFileAtomically(mine, Bytes(5000, 7), why))
                    return "a file too large was written";
            }
            if (testing::Slurp(mine) != Bytes{1, 2, 3}) return "a failed save spoilt the old file";
            if (!WriteFileAtomically(mine, Bytes{4}, why)) return "no save in a locked folder: " + why;
            if (testing::Slurp(mine) != Bytes{4}) return "the old file's tail is still there";
            return {};
        },
        {dir.Folder(), locked, mine});
    EXPECT_EQ(problem, "");
    EXPECT_EQ(dir.Count(), 3u) << "no temporary is left";
}

// A file its owner made read-only for everyone (the preferences, a finished picture) is
// kept as it is even by the superuser, whose writes the permission bits do not stop.
TEST(WriteFileAtomically, RefusesAFileNobodyMayWriteWhoeverSaves) {
    testing::TempDir dir;
    const std::string path = dir.File("options.dat");
    testing::Spit(path, {1, 2, 3});
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(path, readOnly);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, Bytes{9}, error));
    EXPECT_NE(error.find("options.dat"), std::string::npos) << error;
    EXPECT_EQ(testing::Slurp(path), (Bytes{1, 2, 3}));
    EXPECT_EQ(fs::status(path).permissions(), readOnly);
    EXPECT_EQ(dir.Count(), 1u) << "no temporary is left";
}

// Bytes that differ along the way, larger than any piece the writer handles at once.
Bytes Varied(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
    return bytes;
}

// A shared folder with the sticky bit (as /tmp) lets only a file's owner replace it by
// rename; a file another user lets this one write is then written where it stands.
TEST(WriteFileAtomically, SavesAnotherUsersWritableFileInAStickyFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file of another user";
    testing::TempDir dir;
    const std::string shared = dir.File("shared"), theirs = dir.File("shared/theirs.bin");
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    testing::Spit(theirs, {1, 2, 3});
    fs::permissions(theirs, fs::perms(0666));  // everyone may read and write it
    const Bytes large = Varied(std::size_t{3} << 20);
    const std::string problem = AsPlainUser(
        [&]() -> std::string {
            std::string why;
            if (!WriteFileAtomically(theirs, large, why)) return "not saved: " + why;
            if (testing::Slurp(theirs) != large) return "the large file is not what was written";
            if (!WriteFileAtomically(theirs, Bytes{4, 5}, why)) return "not saved again: " + why;
            if (testing::Slurp(theirs) != Bytes{4, 5}) return "the old file's tail is still there";
            return {};
        },
        {dir.Folder()});
    EXPECT_EQ(problem, "");
    struct stat st {};
    ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u) << "the file still belongs to its owner";
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 1) << "no temporary is left";
}

// A link whose file does not exist yet is saved through as well: the file it names is
// made, and the link stays. Where that file's folder is missing, the link's own name
// still gets the file.
TEST(WriteFileAtomically, ADanglingLinkGetsTheFileItNames) {
    testing::TempDir dir;
    fs::create_directory(dir.File("sub"));
    fs::create_symlink("sub/new.bin", dir.File("link.bin"));
    fs::create_symlink(dir.File("link.bin"), dir.File("chain.bin"));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.bin"), Bytes{1}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.bin")));
    EXPECT_EQ(testing::Slurp(dir.File("sub/new.bin")), Bytes{1});

    fs::remove(dir.File("sub/new.bin"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("chain.bin"), Bytes{2}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.File("chain.bin")));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.bin")));
    EXPECT_EQ(testing::Slurp(dir.File("sub/new.bin")), Bytes{2});

    fs::create_symlink("gone/new.bin", dir.File("nowhere.bin"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("nowhere.bin"), Bytes{3}, error)) << error;
    EXPECT_EQ(testing::Slurp(dir.File("nowhere.bin")), Bytes{3});
    EXPECT_EQ(dir.Count(), 4u) << "no temporary is left";

    // In a shared folder with the sticky bit, another user's link leads nowhere: the
    // file it names is not made (a plain user's save there is refused).
    if (::geteuid() != 0) return;
    fs::create_directory(dir.File("shared"));
    fs::permissions(dir.File("shared"), fs::perms::all | fs::perms::sticky_bit);
    fs::create_symlink(dir.File("sub/planted.bin"), dir.File("shared/trap.bin"));
    ASSERT_EQ(::lchown(dir.File("shared/trap.bin").c_str(), 65534, 65534), 0);
    WriteFileAtomically(dir.File("shared/trap.bin"), Bytes{4}, error);
    EXPECT_FALSE(fs::exists(dir.File("sub/planted.bin")));
}

// A file with several names keeps them: all of them show what was saved, and a save
// that fails leaves the old content under every name.
TEST(WriteFileAtomically, KeepsTheOtherNamesOfAHardLinkedFile) {
    testing::TempDir dir;
    const std::string name = dir.File("a.bin"), other = dir.File("b.bin");
    testing::Spit(name, {1, 2, 3});
    fs::create_hard_link(name, other);
    const Bytes large = Varied(std::size_t{3} << 20);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(name, large, error)) << error;
    EXPECT_EQ(testing::Slurp(other), large);
    ASSERT_TRUE(WriteFileAtomically(name, Bytes{4, 5}, error)) << error;
    EXPECT_EQ(testing::Slurp(other), (Bytes{4, 5}));
    {
        testing::FileSizeLimit full(1000);
        EXPECT_FALSE(WriteFileAtomically(name, large, error));
    }
    EXPECT_EQ(testing::Slurp(other), (Bytes{4, 5}));
    EXPECT_EQ(fs::hard_link_count(name), 2u);
    EXPECT_EQ(dir.Count(), 2u) << "no temporary is left";
}

// Where the file system cannot make a file without a name (some network shares), or
// the kernel will not give one a name, a save still replaces the file whole through
// a named temporary, keeps its permissions and leaves nothing else behind.
TEST(WriteFileAtomically, SavesWhereFilesWithoutANameCannotBeMadeOrNamed) {
    const auto privateFile = fs::perms::owner_read | fs::perms::owner_write;
    const Bytes large = Varied(std::size_t{3} << 20);
    for (const auto& [refused, refuse] :
         {std::pair{"made", &test::RefuseUnnamedFiles}, std::pair{"named", &test::RefuseLinkingOpenFiles}}) {
        testing::TempDir dir;
        const std::string path = dir.File("private.bin");
        testing::Spit(path, {1});
        fs::permissions(path, privateFile);
        const std::string problem = test::InChild([&]() -> std::string {
            if (!refuse()) return "no filter";
            std::string why;
            if (!WriteFileAtomically(path, large, why)) return "not replaced: " + why;
            if (!WriteFileAtomically(dir.File("new.bin"), Bytes{2}, why)) return "not made: " + why;
            return {};
        });
        if (problem == "no filter") GTEST_SKIP() << "calls cannot be refused to a process here";
        EXPECT_EQ(problem, "") << "cannot be " << refused;
        EXPECT_EQ(testing::Slurp(path), large) << refused;
        EXPECT_EQ(fs::status(path).permissions(), privateFile) << refused;
        EXPECT_EQ(testing::Slurp(dir.File("new.bin")), Bytes{2}) << refused;
        EXPECT_EQ(dir.Count(), 2u) << "no temporary is left when files cannot be " << refused;
    }
}

// Small pieces are gathered and large ones written at once: whatever the mix, the
// file holds the pieces in order, and a failure on a gathered piece still reaches
// Commit and leaves the target alone.
TEST(AtomicFileWriter, PiecesOfEverySizeArriveInOrder) {
    testing::TempDir dir;
    const std::string path = dir.File("pieces");
    Bytes expected;
    std::string error;
    {
        AtomicFileWriter w(path);
        std::uint8_t next = 0;
        for (const std::size_t size : {std::size_t{1}, std::size_t{12001}, std::size_t{3} << 20, std::size_t{0},
                                       std::size_t{700000}, std::size_t{700000}, (std::size_t{1} << 20) - 1,
                                       std::size_t{1} << 20, std::size_t{5}}) {
            Bytes piece(size);
            for (std::uint8_t& b : piece) b = next += 7;
            ASSERT_TRUE(w.Write(piece));
            expected.insert(expected.end(), piece.begin(), piece.end());
        }
        ASSERT_TRUE(w.Commit(error)) << error;
    }
    EXPECT_EQ(testing::Slurp(path), expected);
    {
        testing::FileSizeLimit limit(1000);
        AtomicFileWriter w(path);
        for (int row = 0; row < 100; ++row) w.Write(Bytes(100, 1));
        EXPECT_FALSE(w.Commit(error));
    }
    EXPECT_NE(error.find("pieces"), std::string::npos);
    EXPECT_EQ(testing::Slurp(path), expected);
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(AtomicFileWriter, AbandonedWriterLeavesNoTrace) {
    testing::TempDir dir;
    {
        AtomicFileWriter w(dir.File("never"));
        EXPECT_TRUE(w.Write(Bytes(10, 1)));
    }
    EXPECT_EQ(dir.Count(), 0u);
    // A program killed in the middle of a save runs no destructor: what it had written
    // must still not stay behind in the user's folder, whether the save was to make a
    // file or to replace one.
    const Bytes old{1, 2, 3};
    testing::Spit(dir.File("kept"), old);
    for (const std::string name : {"new", "kept"}) {
        const std::string problem = test::InChild([&]() -> std::string {
            // Never destroyed: the child ends with the save still open, as a killed program.
            auto* writer = new AtomicFileWriter(dir.File(name));
            if (!writer->Write(Varied(std::size_t{3} << 20))) return "the first part was not written";
            return {};
        });
        EXPECT_EQ(problem, "") << name;
    }
    EXPECT_EQ(dir.Count(), 1u) << "no temporary is left";
    EXPECT_EQ(testing::Slurp(dir.File("kept")), old);
}

}  // namespace
}  // namespace velmora
