#pragma once
// Cameras store a photograph as the sensor saw it and note in its Exif data how it
// must be turned or mirrored to stand upright. A photograph is opened upright, as every
// viewer shows it; the pixels then simply are the upright picture, so a saved file or
// project needs no such note.

#include <cstddef>
#include <cstdint>

#include "common/Bitmap.h"

namespace velmora {

// The Exif orientation of a JPEG file's data: 1 (upright) to 8, the values TIFF
// defines. 1 when the file has no Exif data or its note is damaged or unknown.
int JpegOrientation(const std::uint8_t* data, std::size_t size);

// Turns and mirrors `bmp` as orientation 2 .. 8 asks (5 to 8 swap its sides); any
// other value leaves it alone. Throws std::bad_alloc, leaving `bmp` as it was, when
// there is no memory for the turned copy.
void ApplyOrientation(Bitmap& bmp, int orientation);

}  // namespace velmora
