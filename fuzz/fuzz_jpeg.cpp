// Any input either decodes to a picture within the budget or is refused with a
// message and the output untouched; a decoded picture encodes again.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"
#include "io/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Bitmap out;
    std::string error;
    if (!DecodeJpeg(data, size, out, error)) {
        FUZZ_CHECK(out.Empty() && !error.empty());
        return 0;
    }
    FUZZ_CHECK(!out.Empty() && out.ByteSize() <= PictureMemoryLimit());
    if (out.Width() * out.Height() <= 256 * 256) {
        std::vector<std::uint8_t> encoded;
        FUZZ_CHECK(EncodeJpeg(out, kJpegQuality, encoded, error));
        Bitmap back;
        FUZZ_CHECK(DecodeJpeg(encoded.data(), encoded.size(), back, error));
        FUZZ_CHECK(back.Width() == out.Width() && back.Height() == out.Height());
    }
    return 0;
}
