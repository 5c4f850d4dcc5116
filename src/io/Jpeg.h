#pragma once
// JPEG through libjpeg-turbo: decode to 24-bit, encode baseline at a given quality
// with the encoder's other defaults. Corrupt or truncated data is an error, never an
// exit of the process.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

constexpr int kJpegQuality = 90;

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out, std::string& error);
// Whether DecodeJpeg may decode a large picture in two parts at once, the lower one on
// a thread of its own, with the same pixels: faster while a processor would be idle,
// somewhat more work in all (the lower part's decoder still reads the coded data of
// the rows above). On unless turned off; returns the previous setting.
bool AllowSplitJpegDecoding(bool allow);
bool EncodeJpeg(const Bitmap& bmp, int quality, std::vector<std::uint8_t>& out, std::string& error);
// How EncodeJpeg and WriteJpegFile encode a large picture: in about `bands` bands of
// whole coded units, side by side on the processors, joined by restart markers into
// one file that decodes to the same pixels as the picture encoded in one piece.
// False when the picture cannot be encoded so (fewer than two bands, a failure);
// exposed for tests.
bool EncodeJpegInBands(const Bitmap& bmp, int quality, int bands, std::vector<std::uint8_t>& out);

bool ReadJpegFile(const std::string& path, Bitmap& out, std::string& error);
bool WriteJpegFile(const std::string& path, const Bitmap& bmp, int quality, std::string& error);

}  // namespace velmora
