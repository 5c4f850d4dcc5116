// A project is loaded whole (three pictures of one size, a state the Layers window can
// show) or not at all.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"
#include "io/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    ProjectData out;
    out.Sketch.SetSize(1, 1);
    out.State.Opacity = 42;
    std::string error;
    if (LoadD2OFromMemory(data, size, out, &error) != 0) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(out.Sketch.Width() == 1 && out.Color.Empty() && out.Photo.Empty());
        FUZZ_CHECK(out.State.Opacity == 42);
        return 0;
    }
    FUZZ_CHECK(!out.Sketch.Empty());
    FUZZ_CHECK(out.Sketch.Width() == out.Color.Width() && out.Sketch.Width() == out.Photo.Width());
    FUZZ_CHECK(out.Sketch.Height() == out.Color.Height() && out.Sketch.Height() == out.Photo.Height());
    FUZZ_CHECK(out.State.BlendingMode == 0 || out.State.BlendingMode == 1);
    FUZZ_CHECK(out.State.Opacity >= 1 && out.State.Opacity <= 99);
    return 0;
}
