#pragma once
// Windows bitmap files. The writer produces exactly one layout (14-byte file header
// with the whole size, 40-byte info header, no color table, bottom-up 24-bit rows
// padded to 4 bytes), which is also what a project file embeds. The reader takes
// what users' .bmp files really are and turns everything into 24-bit: 1, 4 and 8 bits
// with a color table (also run-length encoded at 4 and 8 bits), 16 bits (5-5-5 or
// bit fields), 24 bits, 32 bits (plain or bit fields), bottom-up or top-down rows,
// and the old 12-byte header. Pixels with an alpha channel (one that bit fields name)
// are laid over white.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;

// Decodes one BMP that starts at data[0]. On success fills `out`, sets `consumed` to
// the number of bytes this BMP occupies (so a caller can read several in a row) and
// returns true; otherwise returns false with a message in `error` and leaves `out`
// untouched.
//
// `consumed` is the file header's size field when that is consistent (at least the
// end of the pixel data and no more than the bytes given), otherwise the end of the
// pixel data. For our own files both are the same number; a foreign file whose size
// field is zero or wrong still ends where its pixels end, and one with data after
// its pixels (a color profile, say) keeps that data inside the size it declares.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out, std::size_t& consumed,
               std::string& error);

// DecodeBmp for a caller that decodes into a bitmap of its own and must tell a damaged
// file from one that memory cannot hold: std::bad_alloc is not caught, and after a
// failure `bmp` may be resized or partly written.
bool DecodeBmpInto(const std::uint8_t* data, std::size_t size, Bitmap& bmp, std::size_t& consumed,
                   std::string& error);

// The width and height the BMP at data[0] declares, without decoding it; false for
// headers DecodeBmp refuses for any reason other than the memory the picture needs.
// The headers (and a color table) must be within the `size` bytes given.
bool ReadBmpSize(const std::uint8_t* data, std::size_t size, std::int64_t& width, std::int64_t& height);

// The size in bytes of the file EncodeBmp produces for a width x height picture.
std::uint64_t EncodedBmpSize(int width, int height);

// The file bytes of `bmp` in the layout above.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp);
// The 54 header bytes of that layout; the rows follow bottom-up, each Stride() long.
std::vector<std::uint8_t> EncodeBmpHeader(int width, int height);

class AtomicFileWriter;
// Streams the same bytes as EncodeBmp into `writer` without assembling them first.
bool WriteBmpTo(AtomicFileWriter& writer, const Bitmap& bmp);

bool ReadBmpFile(const std::string& path, Bitmap& out, std::string& error);

// Plain bitmaps (uncompressed 24-bit rows, as this program writes them) read from a
// regular file straight into pictures, without holding the file's bytes in memory:
// `count` bitmaps one after the other from `offset` on, each starting where DecodeBmp
// says the one before ends, and the `offset` bytes before them into `head` when it is
// given (a project's header, read in the same pass). False, with `out` as it was, for
// a bitmap of any other kind, one cut short, a file that is not a regular one, or a
// system that cannot read so; the caller then decodes the file's bytes, which
// explains any problem.
bool ReadPlainBmps(const std::string& path, std::uint64_t offset, Bitmap* out, int count,
                   std::uint8_t* head = nullptr);
// Written through a temporary file in the same folder, so a failure never destroys
// an existing file.
bool WriteBmpFile(const std::string& path, const Bitmap& bmp, std::string& error);

}  // namespace velmora
