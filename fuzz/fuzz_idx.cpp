// Whatever a run that ended without cleaning up left in "~history.idx", an index that
// is read describes a ring that recovery can walk (its current state is listed), and
// it writes back to bytes that read the same; a refused one leaves the output alone.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"
#include "history/HistoryIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    HistoryIndex index;
    index.DocumentPath = "untouched";
    std::string problem;
    if (!DecodeHistoryIndex(data, size, index, problem)) {
        FUZZ_CHECK(!problem.empty());
        FUZZ_CHECK(index.DocumentPath == "untouched" && index.States.empty());
        return 0;
    }
    FUZZ_CHECK(index.Capacity >= 1 && !index.States.empty() && index.Current() != nullptr);
    for (const HistoryIndexState& s : index.States) FUZZ_CHECK(s.Slot >= 0 && s.Slot < index.Capacity);
    const auto bytes = EncodeHistoryIndex(index);
    HistoryIndex again;
    FUZZ_CHECK(DecodeHistoryIndex(bytes.data(), bytes.size(), again, problem) && again == index);
    return 0;
}
