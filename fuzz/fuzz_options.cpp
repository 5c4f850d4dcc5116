// Whatever "options.dat" holds, the loaded values are usable and write back to bytes
// that load the same.
#include <cstdint>

#include "FuzzCommon.h"
#include "prefs/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Options o;
    ReadOptionsBytes(data, size, o);
    FUZZ_CHECK(o.PreviewSizeMode >= 0 && o.PreviewSizeMode <= 2);
    FUZZ_CHECK(o.PreviewWidth > 0 && o.PreviewHeight > 0);
    FUZZ_CHECK(o.HistoryStates >= 0 && o.HistoryStates <= kMaxHistoryStates);
    const auto bytes = OptionsBytes(o);
    Options again;
    ReadOptionsBytes(bytes.data(), bytes.size(), again);
    FUZZ_CHECK(again == o);
    return 0;
}
