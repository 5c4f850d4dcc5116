// Any input either decodes to a picture that our own writer and reader reproduce
// exactly, or is refused with a message and the output untouched.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"
#include "io/Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Bitmap out;
    std::size_t consumed = 0;
    std::string error;
    if (!DecodeBmp(data, size, out, consumed, error)) {
        FUZZ_CHECK(out.Empty() && !error.empty());
        return 0;
    }
    FUZZ_CHECK(!out.Empty() && consumed > 0 && consumed <= size);
    const std::vector<std::uint8_t> again = EncodeBmp(out);
    Bitmap back;
    std::size_t used = 0;
    FUZZ_CHECK(DecodeBmp(again.data(), again.size(), back, used, error));
    FUZZ_CHECK(used == again.size() && back == out);
    return 0;
}
