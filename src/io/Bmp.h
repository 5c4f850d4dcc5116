#pragma once
// Windows bitmap files. The writer produces exactly one layout (14-byte file header
// with the whole size, 40-byte info header, no color table, bottom-up 24-bit rows
// padded to 4 bytes), which is also what a project file embeds. The reader takes
// what users' .bmp files really are and turns everything into 24-bit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

// Decodes one BMP that starts at data[0]. On success fills `out`, sets `consumed` to
// the number of bytes this BMP occupies (so a caller can read several in a row) and
// returns true; otherwise returns false with a message in `error` and leaves `out`
// untouched.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out, std::size_t& consumed,
               std::string& error);

// The file bytes of `bmp` in the layout above.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp);

bool ReadBmpFile(const std::string& path, Bitmap& out, std::string& error);
// Written through a temporary file in the same folder, so a failure never destroys
// an existing file.
bool WriteBmpFile(const std::string& path, const Bitmap& bmp, std::string& error);

}  // namespace velmora
