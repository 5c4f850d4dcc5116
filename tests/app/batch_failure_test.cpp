// The batch converter's failures that used to end the program or go unnoticed:
// output paths the system cannot resolve, threads it refuses to start, a file that
// is not a preset named with -p, and conversions clearing another run's cancel.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "app/BatchTestUtil.h"
#include "engine/EngineTestUtil.h"
#include "engine/Progress.h"
#include "support/Images.h"

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

// The exit status of a shell command line; -1 when a signal ended it.
int ExitStatus(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(BatchFailures, OutputPathsTheSystemCannotResolveFailTheirInputOnly) {
    TempDir dir, program;
    WriteBmp(dir / "good.bmp", Gradient(30, 20));
    // A link that points at itself: every path through it fails with a loop error.
    fs::create_symlink(dir / "loop", dir / "loop");

    // The output of the first input would lie inside the loop (so would the input,
    // but its output is looked at first); the second input converts.
    const BatchRun beside = RunProgram({dir / "loop/x.bmp", dir / "good.bmp", "-f", "bmp"}, program.Folder());
    ASSERT_FALSE(beside.threw) << beside.err;
    EXPECT_EQ(beside.status, 1);
    EXPECT_EQ(Lines(beside.err), 1u) << beside.err;
    EXPECT_NE(beside.err.find("loop/x_cartoon.bmp: this output path cannot be used"), std::string::npos)
        << beside.err;
    EXPECT_TRUE(fs::exists(dir / "good_cartoon.bmp"));
    EXPECT_EQ(beside.out, "1 converted, 1 failed\n");

    // A single output named through the loop, or with a name longer than any the
    // file system allows.
    for (const std::string& output : {dir / "loop/out.bmp", dir / (std::string(300, 'n') + "/out.bmp")}) {
        const BatchRun r = RunProgram({dir / "good.bmp", "-o", output}, program.Folder());
        ASSERT_FALSE(r.threw) << r.err;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("velmora-batch: " + output, 0), 0u) << r.err;
    }
}

TEST(BatchFailures, ARelativeOutputWithoutACurrentFolderIsOneLineAndAFailure) {
    if (!fs::exists(kBatchProgram)) GTEST_SKIP() << "velmora-batch is not built";
    TempDir dir;
    const std::string gone = dir / "gone";
    // The program starts in a folder that is removed under it, so the relative
    // output cannot be made absolute.
    EXPECT_EQ(ExitStatus("mkdir -p '" + gone + "' && cd '" + gone + "' && rmdir '" + gone + "' && '" + kBatchProgram +
                         "' -q -o out.bmp '" + kSample + "' 2>'" + (dir / "err.txt") + "'"),
              1);
    const std::string err = FileBytes(dir / "err.txt");
    EXPECT_EQ(Lines(err), 1u) << err;
    EXPECT_NE(err.find("out.bmp"), std::string::npos) << err;
}

TEST(BatchFailures, AFileSizeLimitFailsOneOutputAndTheRunGoesOn) {
    if (!fs::exists(kBatchProgram)) GTEST_SKIP() << "velmora-batch is not built";
    TempDir dir, out;
    for (const auto& [name, width] : {std::pair{"a", 20}, {"b", 200}, {"c", 20}})
        WriteBmp(dir / (std::string(name) + ".bmp"), Gradient(width, width));
    // 64 blocks of 512 bytes: the small outputs fit, the large one does not.
    EXPECT_EQ(ExitStatus("ulimit -f 64 && '" + kBatchProgram + "' -q -j 1 -f bmp -o '" + out.Folder() + "' '" +
                         (dir / "a.bmp") + "' '" + (dir / "b.bmp") + "' '" + (dir / "c.bmp") + "' 2>/dev/null"),
              1);
    EXPECT_TRUE(fs::exists(out / "a_cartoon.bmp"));
    EXPECT_TRUE(fs::exists(out / "c_cartoon.bmp"));
    EXPECT_EQ(out.Count(), 2u) << "neither the large output nor its temporary is left";
}

TEST(BatchFailures, RefusedThreadsLeaveTheConversionsToTheOthers) {
    TempDir dir, out, program;
    std::vector<std::string> args;
    for (int i = 0; i < 3; ++i) {
        args.push_back(dir / ("in" + std::to_string(i) + ".bmp"));
        WriteBmp(args.back(), Gradient(40 + i, 30));
    }
    args.insert(args.end(), {"-o", out.Folder(), "-f", "bmp", "-j", "4"});
    BatchRun r;
    {
        // One more thread starts; the next is refused while that one is running.
        RefusedThreadStarts refused(1);
        r = RunProgram(args, program.Folder());
    }
    ASSERT_FALSE(r.threw) << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(fs::exists(out / ("in" + std::to_string(i) + "_cartoon.bmp"))) << i;
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("only 2 of 3 threads"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "3 converted, 0 failed\n");

    // With --quiet the note is left out; no thread at all is needed either.
    args.push_back("-q");
    {
        RefusedThreadStarts refused(0);
        r = RunProgram(args, program.Folder());
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(BatchFailures, AFileThatIsNotAPresetIsRefusedByName) {
    TempDir dir, program;
    fs::copy_file(kSample, dir / "a.jpg");
    WritePreset(dir / "short.set", ControlDefaultRecord(), 50);
    WritePreset(dir / "long.set", ControlDefaultRecord());
    std::ofstream(dir / "long.set", std::ios::binary | std::ios::app).put('\n');
    for (const auto& [preset, says] :
         {std::pair<std::string, std::string>{dir / "short.set", "50 of 121"}, {kSample, ""}, {dir / "long.set", ""}}) {
        const BatchRun r = RunProgram({"-p", preset, dir / "a.jpg"}, program.Folder());
        ASSERT_FALSE(r.threw) << r.err;
        EXPECT_EQ(r.status, 2) << preset;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("velmora-batch: " + preset + " ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "a_cartoon.jpg")) << preset;
    }

    // Exactly one record's bytes is a preset.
    std::string error;
    ASSERT_TRUE(WritePresetFile(dir / "whole.set", ControlDefaultRecord(), error)) << error;
    const BatchRun whole = RunProgram({"-q", "-p", dir / "whole.set", dir / "a.jpg"}, program.Folder());
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(fs::exists(dir / "a_cartoon.jpg"));
}

namespace {

// Standard output that takes nothing, as a full disk behind a redirection does.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

TEST(BatchFailures, StandardOutputThatTakesNothingIsAFailure) {
    TempDir dir, out, program;
    WriteBmp(dir / "a.bmp", Gradient(30, 20));
    WriteBmp(dir / "b.bmp", Gradient(20, 30));
    const std::vector<std::vector<std::string>> runs{
        {"--help"}, {"--version"}, {dir / "a.bmp", dir / "b.bmp", "-o", out.Folder(), "-f", "bmp"}};
    for (const auto& args : runs) {
        RefusingBuffer refusing;
        std::ostream refused(&refusing);
        std::ostringstream err;
        EXPECT_EQ(RunBatch(args, program.Folder(), refused, err, false), 1) << args.front();
        EXPECT_NE(err.str().find("standard output"), std::string::npos) << err.str();
    }
    // The conversions themselves were done; only the closing line was lost.
    EXPECT_TRUE(fs::exists(out / "a_cartoon.bmp"));
    EXPECT_TRUE(fs::exists(out / "b_cartoon.bmp"));
}

TEST(BatchFailures, ConversionsLeaveAnotherRunsCancelStanding) {
    // Conversions side by side each have their own stop request; none of them may
    // clear (or obey) the program-wide flag another run has set.
    CancelFlag = true;
    Bitmap displayed = Gradient(64, 48);
    TEffectParams record = RecordThroughControls(ControlDefaultRecord());
    record.DrawColor = true;
    ConversionOutput out;
    std::string error;
    const bool converted = ConvertDisplayed(displayed, record, 100, 0, out, error);
    Bitmap preview;
    const bool previewed = PreviewDisplayed(displayed, record, 100, 0, RegionSpec{4, 4, 20, 10}, preview, error);
    const bool stillSet = CancelFlag.load();
    CancelFlag = false;
    EXPECT_TRUE(converted) << error;
    EXPECT_TRUE(previewed) << error;
    EXPECT_TRUE(stillSet);
    EXPECT_EQ(out.Composite.Width(), 64);
    EXPECT_EQ(preview.Width(), 20);
}
