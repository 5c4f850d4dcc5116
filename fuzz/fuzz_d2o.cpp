// A project is loaded whole (three pictures of one size, a state the Layers window can
// show) or not at all; and loaded from a file, whose plain bitmaps are read straight
// into the pictures, it is the project its bytes decode to.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzCommon.h"
#include "io/ProjectFile.h"

namespace {

// The input as a file of this process's own, removed when the process ends.
std::string WrittenToFile(const std::uint8_t* data, std::size_t size) {
    static const struct File {
        std::string path = "/tmp/velmora-fuzz-d2o-" + std::to_string(::getpid()) + ".d2o";
        ~File() { std::remove(path.c_str()); }
    } file;
    const std::string& path = file.path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    ProjectData out;
    out.Sketch.SetSize(1, 1);
    out.State.Opacity = 42;
    std::string error;
    ProjectData fromFile;
    const int fileResult = LoadD2O(WrittenToFile(data, size), fromFile);
    if (LoadD2OFromMemory(data, size, out, &error) != 0) {
        FUZZ_CHECK(fileResult != 0);
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(out.Sketch.Width() == 1 && out.Color.Empty() && out.Photo.Empty());
        FUZZ_CHECK(out.State.Opacity == 42);
        return 0;
    }
    FUZZ_CHECK(fileResult == 0 && fromFile.Sketch == out.Sketch && fromFile.Color == out.Color &&
               fromFile.Photo == out.Photo && fromFile.State == out.State);
    FUZZ_CHECK(!out.Sketch.Empty());
    FUZZ_CHECK(out.Sketch.Width() == out.Color.Width() && out.Sketch.Width() == out.Photo.Width());
    FUZZ_CHECK(out.Sketch.Height() == out.Color.Height() && out.Sketch.Height() == out.Photo.Height());
    FUZZ_CHECK(out.State.BlendingMode == 0 || out.State.BlendingMode == 1);
    FUZZ_CHECK(out.State.Opacity >= 1 && out.State.Opacity <= 99);
    return 0;
}
