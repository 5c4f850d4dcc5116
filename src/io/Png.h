#pragma once
// PNG through libpng. The reader takes every kind of PNG the format allows (gray at
// 1, 2, 4, 8 and 16 bits, gray with alpha, palettes with or without transparency,
// RGB and RGBA at 8 and 16 bits, interlaced or not) and turns it into our 24-bit
// picture; transparent pixels are laid over white, since the document has no alpha.
// The writer produces one layout: 8-bit RGB, not interlaced. Corrupt or truncated data
// is an error with a message, never an exit of the process.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

// Decodes a whole PNG file held in memory. On success fills `out` and returns true;
// otherwise returns false with a message in `error` and leaves `out` untouched. A file
// whose pixels are all present but whose chunks after the pixel data are cut off is
// accepted, since nothing of the picture is lost.
bool DecodePng(const std::uint8_t* data, std::size_t size, Bitmap& out, std::string& error);
bool EncodePng(const Bitmap& bmp, std::vector<std::uint8_t>& out, std::string& error);

bool ReadPngFile(const std::string& path, Bitmap& out, std::string& error);
// Streamed through a temporary file in the same folder, so a failure never destroys
// an existing file.
bool WritePngFile(const std::string& path, const Bitmap& bmp, std::string& error);

}  // namespace velmora
