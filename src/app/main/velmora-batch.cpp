// The batch converter's entry point; everything it does is in app/Batch.

#include <unistd.h>

#include <csignal>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/Batch.h"
#include "app/ProgramFolder.h"
#include "common/LargeBlocks.h"

int main(int argc, char** argv) {
    // A write past the file-size limit then fails like a full disk, reported for its
    // file, instead of ending the whole run.
    std::signal(SIGXFSZ, SIG_IGN);
    // Memory that the picture blocks keep for reuse is given up before any other
    // allocation is refused.
    velmora::ReleaseKeptBlocksWhenMemoryRunsOut();
    // Whether huge pages are cheap here is found out while the program starts.
    velmora::ProbeHugePages();
    // RunBatch reports each failure itself; this only keeps anything it did not
    // foresee from ending the program without a word.
    try {
        std::error_code ec;
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) exe = std::filesystem::absolute(argv[0], ec);
        const std::vector<std::string> args(argv + 1, argv + argc);
        // The presets are read where the program keeps them, so that both convert alike.
        const std::string exeDir = exe.parent_path().string();
        const std::string programDir =
            velmora::ProgramFolderToRead(exeDir, velmora::ShareFolderOf(exeDir), velmora::UserDataFolder());
        return velmora::RunBatch(args, programDir, std::cout, std::cerr, isatty(2) != 0);
    } catch (const std::exception& e) {
        std::cerr << "velmora-batch: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "velmora-batch: the run failed for an unknown reason\n";
    }
    return 1;
}
