// Reading a preset over a record replaces exactly the bytes given (up to 121) and the
// result survives its own round trip.
#include <cstdint>
#include <cstring>

#include "FuzzCommon.h"
#include "conversion/Preset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    TEffectParams record;
    record.Detail = 115;
    record.Handles = {1, 2, 3, 4, 5};
    const EffectParamsBytes before = record.ToBytes();
    const bool whole = ReadPresetBytes(data, size, record);
    FUZZ_CHECK(whole == (size >= static_cast<std::size_t>(kEffectParamsSize)));
    const EffectParamsBytes after = record.ToBytes();
    const std::size_t n = size < after.size() ? size : after.size();
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i >= n) {
            FUZZ_CHECK(after[i] == before[i]);
        } else if (i == 40 || i == 85 || i == 86) {
            FUZZ_CHECK(after[i] == (data[i] != 0 ? 1 : 0));  // booleans are stored as 0 or 1
        } else {
            FUZZ_CHECK(after[i] == data[i]);
        }
    }
    FUZZ_CHECK(TEffectParams::FromBytes(after).ToBytes() == after);
    return 0;
}
