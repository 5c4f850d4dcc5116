#include "io/Bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/MemoryLimit.h"
#include "io/DecodeInFresh.h"
#include "io/FileUtil.h"

#if defined(__unix__) || defined(__APPLE__)
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#define VELMORA_DIRECT_BMP_READ 1
#endif

namespace velmora {

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

// One color channel of a bit-field pixel: the mask, where it starts and how wide it is.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = 32 - std::countl_zero(m) - shift;
    }
    // The channel's value scaled to 0..255, rounding to nearest for narrow fields.
    std::uint8_t Value(std::uint32_t pixel) const {
        if (bits == 0) return 0;
        const std::uint32_t x = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(x >> (bits - 8));
        const std::uint32_t max = (1u << bits) - 1;
        return static_cast<std::uint8_t>((x * 255 + max / 2) / max);
    }
};

struct Rgb {
    std::uint8_t b = 0, g = 0, r = 0;
};

struct Info {
    std::uint32_t fileSize = 0;
    std::uint32_t offBits = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // absolute
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    Channel red, green, blue;
    // Only bit-field files can name an alpha channel; the fourth byte of a plain 32-bit
    // pixel is unused, and many writers leave anything in it.
    Channel alpha;
    std::array<Rgb, 256> palette{};
};

// Row index in the picture for the n-th row stored in the file.
int TargetRow(const Info& info, std::int64_t fileRow) {
    return static_cast<int>(info.topDown ? fileRow : info.height - 1 - fileRow);
}

// The sizes of the information headers of the kinds of bitmap there are.
bool KnownHeaderSize(std::uint32_t hs) {
    return hs == 12 || hs == 40 || hs == 52 || hs == 56 || hs == 64 || hs == 108 || hs == 124;
}

// Whether a file's first bytes start as a bitmap's: the letters "BM" and, after the
// file header, the size of an information header of a known kind.
bool StartsAsBitmap(const std::uint8_t* data, std::size_t size) {
    return size >= kBmpFileHeaderSize + 4 && data[0] == 'B' && data[1] == 'M' &&
           KnownHeaderSize(U32(data + kBmpFileHeaderSize));
}

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

// `maxBytes` is the most the decoded picture may take.
bool ParseHeaders(const std::uint8_t* data, std::size_t size, Info& info, std::string& error,
                  std::size_t maxBytes = PictureMemoryLimit()) {
    if (size < kBmpFileHeaderSize + 4) return Fail(error, "the file is too short to be a bitmap");
    if (data[0] != 'B' || data[1] != 'M') return Fail(error, "the file is not a bitmap");
    info.fileSize = U32(data + 2);
    info.offBits = U32(data + 10);
    info.headerSize = U32(data + 14);
    const std::uint32_t hs = info.headerSize;
    if (!KnownHeaderSize(hs)) return Fail(error, "the bitmap has a header of an unknown kind");
    if (size < kBmpFileHeaderSize + hs) return Fail(error, "the bitmap's header is cut short");
    const std::uint8_t* h = data + kBmpFileHeaderSize;

    std::int64_t rawHeight = 0;
    if (hs == 12) {
        info.width = U16(h + 4);
        rawHeight = U16(h + 6);
        info.bpp = U16(h + 10);
    } else {
        info.width = I32(h + 4);
        rawHeight = I32(h + 8);
        info.bpp = U16(h + 14);
        info.compression = U32(h + 16);
        info.sizeImage = U32(h + 20);
        info.colorsUsed = U32(h + 32);
    }
    if (info.width <= 0 || rawHeight == 0) return Fail(error, "the bitmap has no pixels");
    info.topDown = rawHeight < 0;
    info.height = rawHeight < 0 ? -rawHeight : rawHeight;  // 64-bit: -INT32_MIN is fine

    switch (info.bpp) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return Fail(error, "the bitmap has a pixel depth this program cannot read");
    }
    const std::uint32_t c = info.compression;
    const bool bitFields = c == kBitFields || c == kAlphaBitFields;
    if (c == kRle8 && info.bpp != 8) return Fail(error, "the bitmap's compression does not fit its depth");
    if (c == kRle4 && info.bpp != 4) return Fail(error, "the bitmap's compression does not fit its depth");
    if (bitFields && info.bpp != 16 && info.bpp != 32)
        return Fail(error, "the bitmap's compression does not fit its depth");
    if (c != kRgb && c != kRle8 && c != kRle4 && !bitFields)
        return Fail(error, "the bitmap is compressed in a way this program cannot read");
    // The 64-byte header of one old system numbers its compressions differently.
    if (hs == 64 && bitFields) return Fail(error, "the bitmap is compressed in a way this program cannot read");

    // Where the masks (for a 40-byte header) and then the color table lie.
    std::uint64_t tableStart = kBmpFileHeaderSize + hs;
    if (bitFields) {
        const std::uint8_t* masks = nullptr;
        if (hs >= 52) {
            masks = h + 40;
            if (hs >= 56) info.alpha = Channel(U32(h + 52));
        } else {
            const std::uint64_t maskBytes = c == kAlphaBitFields ? 16 : 12;
            if (tableStart + maskBytes > size) return Fail(error, "the bitmap's header is cut short");
            masks = data + tableStart;
            tableStart += maskBytes;
            if (c == kAlphaBitFields) info.alpha = Channel(U32(masks + 12));
        }
        info.red = Channel(U32(masks));
        info.green = Channel(U32(masks + 4));
        info.blue = Channel(U32(masks + 8));
    } else if (info.bpp == 16) {
        info.red = Channel(0x7C00);
        info.green = Channel(0x03E0);
        info.blue = Channel(0x001F);
    }

    if (info.offBits < tableStart) return Fail(error, "the bitmap's pixel data overlaps its header");
    if (info.offBits > size) return Fail(error, "the bitmap is cut short before its pixels");

    if (info.bpp <= 8) {
        const std::uint64_t entrySize = hs == 12 ? 3 : 4;
        std::uint64_t count = 1u << info.bpp;
        if (info.colorsUsed != 0 && info.colorsUsed < count) count = info.colorsUsed;
        // Some writers declare more colors than they store; what is missing stays black.
        count = std::min<std::uint64_t>(count, (info.offBits - tableStart) / entrySize);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = data + tableStart + i * entrySize;
            info.palette[i] = Rgb{e[0], e[1], e[2]};
        }
    }

    const std::string problem = CheckPictureSize(info.width, info.height, maxBytes);
    if (!problem.empty()) {
        error = problem;
        return false;
    }
    return true;
}

void SetPixel(Bitmap& bmp, int x, int y, Rgb c) {
    std::uint8_t* p = bmp.Pixel(x, y);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// Whether any pixel of a bit-field picture has a non-zero alpha value. Writers that
// name an alpha channel and leave it zero throughout mean an opaque picture.
bool AnyAlpha(const std::uint8_t* pixels, const Info& info, std::uint64_t rowBytes) {
    if (info.alpha.bits == 0) return false;
    for (std::int64_t r = 0; r < info.height; ++r) {
        const std::uint8_t* src = pixels + static_cast<std::uint64_t>(r) * rowBytes;
        for (std::int64_t x = 0; x < info.width; ++x) {
            const std::uint32_t v = info.bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
            if (v & info.alpha.mask) return true;
        }
    }
    return false;
}

// A bit-field pixel, laid over white when its alpha counts, as a PNG picture's is,
// rounding to the nearest value (255 is odd, so there are no halves).
Rgb BitFieldPixel(const Info& info, std::uint32_t v, bool withAlpha) {
    const Rgb c{info.blue.Value(v), info.green.Value(v), info.red.Value(v)};
    if (!withAlpha) return c;
    const unsigned a = info.alpha.Value(v);
    const auto over = [a](std::uint8_t x) { return static_cast<std::uint8_t>(255 - a + (x * a + 127) / 255); };
    return Rgb{over(c.b), over(c.g), over(c.r)};
}

// Uncompressed and bit-field pixels. Returns the end of the pixel data.
bool DecodeRows(const std::uint8_t* data, std::size_t size, const Info& info, Bitmap& bmp,
                std::uint64_t& pixelEnd, std::string& error) {
    const auto w = static_cast<std::uint64_t>(info.width);
    const std::uint64_t rowBytes = (w * static_cast<std::uint64_t>(info.bpp) + 31) / 32 * 4;
    const std::uint64_t usedBytes = (w * static_cast<std::uint64_t>(info.bpp) + 7) / 8;
    // The last row's padding may be missing; the pixels themselves may not.
    const std::uint64_t need = rowBytes * static_cast<std::uint64_t>(info.height - 1) + usedBytes;
    if (info.offBits + need > size) return Fail(error, "the bitmap's pixel data is cut short");
    pixelEnd = info.offBits + rowBytes * static_cast<std::uint64_t>(info.height);
    const bool withAlpha = AnyAlpha(data + info.offBits, info, rowBytes);

    const int width = static_cast<int>(info.width);
    for (std::int64_t r = 0; r < info.height; ++r) {
        const std::uint8_t* src = data + info.offBits + static_cast<std::uint64_t>(r) * rowBytes;
        const int y = TargetRow(info, r);
        std::uint8_t* dst = bmp.Row(y);
        switch (info.bpp) {
            case 1:
                for (int x = 0; x < width; ++x)
                    SetPixel(bmp, x, y, info.palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
                break;
            case 4:
                for (int x = 0; x < width; ++x)
                    SetPixel(bmp, x, y, info.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]);
                break;
            case 8:
                for (int x = 0; x < width; ++x) SetPixel(bmp, x, y, info.palette[src[x]]);
                break;
            case 16:
                for (int x = 0; x < width; ++x) {
                    SetPixel(bmp, x, y, BitFieldPixel(info, U16(src + 2 * x), withAlpha));
                }
                break;
            case 24:
                std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
                break;
            case 32:
                if (info.compression == kRgb) {
                    for (int x = 0; x < width; ++x) {
                        dst[3 * x] = src[4 * x];
                        dst[3 * x + 1] = src[4 * x + 1];
                        dst[3 * x + 2] = src[4 * x + 2];
                    }
                } else {
                    for (int x = 0; x < width; ++x)
                        SetPixel(bmp, x, y, BitFieldPixel(info, U32(src + 4 * x), withAlpha));
                }
                break;
        }
    }
    return true;
}

// Run-length encoded 4- and 8-bit pixels. Pixels the data skips (by a jump or an early
// end of line or of the bitmap) stay black. Runs past the right edge are cut off.
bool DecodeRle(const std::uint8_t* data, std::size_t size, const Info& info, Bitmap& bmp,
               std::uint64_t& pixelEnd, std::string& error) {
    const bool declared = info.sizeImage != 0 && std::uint64_t(info.offBits) + info.sizeImage <= size;
    const std::uint64_t end = declared ? std::uint64_t(info.offBits) + info.sizeImage : size;
    const bool rle8 = info.compression == kRle8;
    const std::int64_t w = info.width;
    const std::int64_t h = info.height;
    std::uint64_t pos = info.offBits;
    std::int64_t x = 0;
    std::int64_t row = 0;  // rows in file order
    bool finished = false;

    auto put = [&](std::int64_t px, int index) {
        if (px < w && row < h) SetPixel(bmp, static_cast<int>(px), TargetRow(info, row), info.palette[index]);
    };

    while (!finished && row < h) {
        if (pos + 2 > end) break;
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            const std::int64_t n = std::min<std::int64_t>(count, std::max<std::int64_t>(0, w - x));
            for (std::int64_t i = 0; i < n; ++i)
                put(x + i, rle8 ? value : ((i & 1) ? (value & 15) : (value >> 4)));
            x = std::min<std::int64_t>(x + count, w);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            finished = true;
        } else if (value == 2) {
            if (pos + 2 > end) break;
            x = std::min<std::int64_t>(x + data[pos], w);
            row = std::min<std::int64_t>(row + data[pos + 1], h);
            pos += 2;
        } else {
            const std::uint64_t bytes = rle8 ? value : (value + 1u) / 2;
            if (pos + bytes > end) break;
            for (std::int64_t i = 0; i < value; ++i) {
                const std::uint8_t b = data[pos + (rle8 ? i : i / 2)];
                put(x + i, rle8 ? b : ((i & 1) ? (b & 15) : (b >> 4)));
            }
            x = std::min<std::int64_t>(x + value, w);
            // Absolute runs are padded to a 16-bit boundary.
            pos = std::min<std::uint64_t>(pos + bytes + (bytes & 1), end);
        }
    }
    if (!finished && row >= h && pos + 2 <= end && data[pos] == 0 && data[pos + 1] == 1) {
        pos += 2;  // the end-of-bitmap mark after the last row's end of line
        finished = true;
    }
    const bool lastRowDone = row >= h || (row == h - 1 && x >= w);
    if (!finished && !lastRowDone) return Fail(error, "the bitmap's compressed pixel data is cut short");
    pixelEnd = declared ? end : pos;
    return true;
}

}  // namespace

bool DecodeBmpInto(const std::uint8_t* data, std::size_t size, Bitmap& bmp, std::size_t& consumed,
                   std::string& error) {
    Info info;
    if (!ParseHeaders(data, size, info, error)) return false;
    // Run-length data may skip pixels, which then stay black; rows of any other
    // kind set every pixel.
    const bool rle = info.compression == kRle8 || info.compression == kRle4;
    if (rle)
        bmp.SetSize(static_cast<int>(info.width), static_cast<int>(info.height));
    else
        bmp.SetSizeUnset(static_cast<int>(info.width), static_cast<int>(info.height));
    std::uint64_t pixelEnd = 0;
    if (!(rle ? DecodeRle(data, size, info, bmp, pixelEnd, error) : DecodeRows(data, size, info, bmp, pixelEnd, error)))
        return false;
    const std::uint64_t declaredEnd = info.fileSize;
    if (declaredEnd >= pixelEnd && declaredEnd <= size)
        consumed = static_cast<std::size_t>(declaredEnd);
    else
        consumed = static_cast<std::size_t>(std::min<std::uint64_t>(pixelEnd, size));
    return true;
}

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out, std::size_t& consumed,
               std::string& error) {
    return DecodeInFresh(out, error, [&](Bitmap& bmp) { return DecodeBmpInto(data, size, bmp, consumed, error); });
}

bool ReadBmpSize(const std::uint8_t* data, std::size_t size, std::int64_t& width, std::int64_t& height) {
    Info info;
    std::string ignored;
    if (!ParseHeaders(data, size, info, ignored, std::numeric_limits<std::size_t>::max())) return false;
    width = info.width;
    height = info.height;
    return true;
}

std::uint64_t EncodedBmpSize(int width, int height) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t(3);
    return kBmpFileHeaderSize + kBmpInfoHeaderSize + stride * static_cast<std::uint64_t>(height);
}

std::vector<std::uint8_t> EncodeBmpHeader(int width, int height) {
    const std::uint64_t total = EncodedBmpSize(width, height);
    const std::uint64_t imageBytes = total - kBmpFileHeaderSize - kBmpInfoHeaderSize;
    if (total > 0xFFFFFFFFull) throw std::length_error("the picture is too large for a bitmap file");
    std::vector<std::uint8_t> h(kBmpFileHeaderSize + kBmpInfoHeaderSize, 0);
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], static_cast<std::uint32_t>(total));
    Put32(&h[10], kBmpFileHeaderSize + kBmpInfoHeaderSize);
    Put32(&h[14], kBmpInfoHeaderSize);
    Put32(&h[18], static_cast<std::uint32_t>(width));
    Put32(&h[22], static_cast<std::uint32_t>(height));
    Put16(&h[26], 1);
    Put16(&h[28], 24);
    Put32(&h[34], static_cast<std::uint32_t>(imageBytes));
    return h;
}

namespace {

// Calls sink(bytes, n) with the header and then each row, bottom-up, with zero padding.
// A bitmap's rows have the file's layout, so they are handed over where they are
// unless their padding holds something other than zeros.
template <typename Sink>
bool EmitBmp(const Bitmap& bmp, Sink&& sink) {
    const std::vector<std::uint8_t> header = EncodeBmpHeader(bmp.Width(), bmp.Height());
    if (!sink(header.data(), header.size())) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(bmp.Width()) * 3;
    const std::size_t stride = bmp.Stride();
    std::vector<std::uint8_t> cleared;
    for (int y = bmp.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = bmp.Row(y);
        if (std::any_of(row + rowBytes, row + stride, [](std::uint8_t b) { return b != 0; })) {
            cleared.assign(row, row + rowBytes);
            cleared.resize(stride, 0);
            row = cleared.data();
        }
        if (!sink(row, stride)) return false;
    }
    return true;
}

#if defined(VELMORA_DIRECT_BMP_READ)
// Reads the usual kind of file, uncompressed 24-bit rows, straight into the picture's
// rows: the file's row layout is the bitmap's, so the system copies each row to its
// place and the file's bytes are never held in memory as a whole.
bool ReadPlainRows(int fd, std::uint64_t offset, std::uint64_t fileSize, Bitmap& out, std::uint64_t& consumed) {
    if (offset >= fileSize) return false;
    const std::uint64_t size = fileSize - offset;
    std::array<std::uint8_t, 4096> head{};
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, head.size()));
    if (::pread(fd, head.data(), want, static_cast<off_t>(offset)) != static_cast<ssize_t>(want)) return false;
    Info info;
    std::string ignored;
    if (!ParseHeaders(head.data(), want, info, ignored)) return false;
    if (info.bpp != 24 || info.compression != kRgb) return false;

    const auto width = static_cast<int>(info.width);
    const auto height = static_cast<int>(info.height);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
    const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t(3);
    if (info.offBits + stride * static_cast<std::uint64_t>(height - 1) + rowBytes > size) return false;
    try {
        Bitmap bmp;
        bmp.SetSizeUnset(width, height);
        // The last row's padding may be missing from the file.
        const std::uint64_t available = size - info.offBits;
        std::vector<iovec> rows;
        std::int64_t fileRow = 0;
        while (fileRow < height) {
            rows.clear();
            const std::uint64_t at = offset + info.offBits + static_cast<std::uint64_t>(fileRow) * stride;
            std::uint64_t expected = 0;
            for (; fileRow < height && rows.size() < static_cast<std::size_t>(IOV_MAX); ++fileRow) {
                const std::uint64_t n =
                    std::min<std::uint64_t>(stride, available - static_cast<std::uint64_t>(fileRow) * stride);
                rows.push_back(iovec{bmp.Row(TargetRow(info, fileRow)), static_cast<std::size_t>(n)});
                expected += n;
            }
            const ssize_t got = ::preadv(fd, rows.data(), static_cast<int>(rows.size()), static_cast<off_t>(at));
            if (got < 0 || static_cast<std::uint64_t>(got) != expected) return false;
        }
        // The file's padding bytes need not be zero; the bitmap's are.
        if (stride > rowBytes)
            for (int y = 0; y < height; ++y) std::memset(bmp.Row(y) + rowBytes, 0, stride - rowBytes);
        // Where DecodeBmp would say the bitmap ends.
        const std::uint64_t pixelEnd = info.offBits + stride * static_cast<std::uint64_t>(height);
        consumed = info.fileSize >= pixelEnd && info.fileSize <= size ? info.fileSize : std::min(pixelEnd, size);
        out.Swap(bmp);
        return true;
    } catch (const std::exception&) {
        return false;  // the general reader meets the same problem and reports it
    }
}

// Only regular files are read so, and opening one does not block: a named pipe must
// not hold the program while waiting for something to write to it.
int OpenRegularFile(const std::string& path, std::uint64_t& fileSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    fileSize = static_cast<std::uint64_t>(st.st_size);
    return fd;
}
#endif

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(EncodedBmpSize(bmp.Width(), bmp.Height())));
    EmitBmp(bmp, [&](const std::uint8_t* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    return out;
}

bool WriteBmpTo(AtomicFileWriter& writer, const Bitmap& bmp) {
    return EmitBmp(bmp, [&](const std::uint8_t* p, std::size_t n) { return writer.Write(p, n); });
}

bool ReadPlainBmps(const std::string& path, std::uint64_t offset, Bitmap* out, int count, std::uint8_t* head) {
#if defined(VELMORA_DIRECT_BMP_READ)
    std::uint64_t fileSize = 0;
    const int fd = OpenRegularFile(path, fileSize);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (head && (offset > fileSize || ::pread(fd, head, static_cast<std::size_t>(offset), 0) !=
                                          static_cast<ssize_t>(offset)))
        return false;
    try {
        std::vector<Bitmap> read(static_cast<std::size_t>(count));
        for (Bitmap& bmp : read) {
            std::uint64_t consumed = 0;
            if (!ReadPlainRows(fd, offset, fileSize, bmp, consumed)) return false;
            offset += consumed;
        }
        for (int i = 0; i < count; ++i) out[i].Swap(read[static_cast<std::size_t>(i)]);
        return true;
    } catch (const std::exception&) {
        return false;
    }
#else
    (void)path, (void)offset, (void)out, (void)count, (void)head;
    return false;
#endif
}

bool ReadBmpFile(const std::string& path, Bitmap& out, std::string& error) {
    if (ReadPlainBmps(path, 0, &out, 1)) return true;
    const auto decode = [&](const std::uint8_t* data, std::size_t size, std::string& problem) {
        std::size_t consumed = 0;
        return DecodeBmp(data, size, out, consumed, problem);
    };
    return ReadAndDecode(path, error, StartsAsBitmap, decode);
}

bool WriteBmpFile(const std::string& path, const Bitmap& bmp, std::string& error) {
    if (bmp.Empty()) {
        error = "Cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    if (EncodedBmpSize(bmp.Width(), bmp.Height()) > 0xFFFFFFFFull) {
        error = "Cannot write \"" + path + "\": the picture is too large for a bitmap file";
        return false;
    }
    AtomicFileWriter writer(path);
    WriteBmpTo(writer, bmp);
    return writer.Commit(error);
}

}  // namespace velmora
