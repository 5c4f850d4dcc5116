// Any input either decodes to a picture within the budget that our own writer and
// reader reproduce exactly, or is refused with a message and the output untouched.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"
#include "io/Png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Bitmap out;
    std::string error;
    if (!DecodePng(data, size, out, error)) {
        FUZZ_CHECK(out.Empty() && !error.empty());
        return 0;
    }
    FUZZ_CHECK(!out.Empty() && out.ByteSize() <= PictureMemoryLimit());
    if (out.Width() * out.Height() <= 256 * 256) {
        std::vector<std::uint8_t> encoded;
        FUZZ_CHECK(EncodePng(out, encoded, error));
        Bitmap back;
        FUZZ_CHECK(DecodePng(encoded.data(), encoded.size(), back, error));
        FUZZ_CHECK(back == out);
    }
    return 0;
}
