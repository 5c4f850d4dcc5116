// The batch converter's entry point; everything it does is in app/Batch.

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/Batch.h"

int main(int argc, char** argv) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::absolute(argv[0], ec);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return velmora::RunBatch(args, exe.parent_path().string(), std::cout, std::cerr, isatty(2) != 0);
}
