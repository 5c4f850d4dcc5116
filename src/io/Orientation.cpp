#include "io/Orientation.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

// Reads the Exif block's TIFF structure, every offset checked against its end: the
// block comes from the file as it is.
class TiffReader {
public:
    TiffReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Start() {
        if (size_ < 8) return false;
        if (data_[0] == 'I' && data_[1] == 'I')
            little_ = true;
        else if (data_[0] == 'M' && data_[1] == 'M')
            little_ = false;
        else
            return false;
        std::uint32_t magic = 0;
        return U16(2, magic) && magic == 42;
    }

    bool U16(std::size_t at, std::uint32_t& v) const {
        if (at > size_ || size_ - at < 2) return false;
        const std::uint8_t* p = data_ + at;
        v = little_ ? (p[0] | p[1] << 8) : (p[0] << 8 | p[1]);
        return true;
    }

    bool U32(std::size_t at, std::uint32_t& v) const {
        std::uint32_t a = 0, b = 0;
        if (!U16(at, a) || !U16(at + 2, b)) return false;
        v = little_ ? (a | b << 16) : (a << 16 | b);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool little_ = true;
};

// The orientation tag of the first image directory, the one of the picture itself.
int TiffOrientation(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint32_t kOrientationTag = 0x0112, kShort = 3;
    TiffReader tiff(data, size);
    std::uint32_t directory = 0, entries = 0;
    if (!tiff.Start() || !tiff.U32(4, directory) || !tiff.U16(directory, entries)) return 1;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = std::size_t{directory} + 2 + 12 * std::size_t{i};
        std::uint32_t tag = 0, type = 0, count = 0, value = 0;
        if (!tiff.U16(entry, tag) || !tiff.U16(entry + 2, type) || !tiff.U32(entry + 4, count) ||
            !tiff.U16(entry + 8, value))
            return 1;
        if (tag == kOrientationTag) return type == kShort && count == 1 && value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

}  // namespace

int JpegOrientation(const std::uint8_t* data, std::size_t size) {
    // The Exif block sits in an APP1 segment among those before the first scan.
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return 1;
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 1;  // the scan or the end: no Exif block came
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // TEM and RSTn stand alone, without a length
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || length > size - at - 2) return 1;
        static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && length - 2 >= sizeof kExif && std::memcmp(data + at + 4, kExif, sizeof kExif) == 0)
            return TiffOrientation(data + at + 4 + sizeof kExif, length - 2 - sizeof kExif);
        at += 2 + length;
    }
    return 1;
}

void ApplyOrientation(Bitmap& bmp, int orientation) {
    if (orientation < 2 || orientation > 8 || bmp.Empty()) return;
    const int w = bmp.Width(), h = bmp.Height();
    const bool sidesSwap = orientation >= 5;
    Bitmap turned;
    turned.SetSizeUnset(sidesSwap ? h : w, sidesSwap ? w : h);
    // The source of the turned picture's pixel (x, y) is (x0 + xx * x + xy * y,
    // y0 + yx * x + yy * y) in the stored one.
    int x0 = 0, y0 = 0, xx = 0, xy = 0, yx = 0, yy = 0;
    switch (orientation) {
        case 2: x0 = w - 1, xx = -1, yy = 1; break;              // mirrored left to right
        case 3: x0 = w - 1, y0 = h - 1, xx = -1, yy = -1; break;  // upside down
        case 4: y0 = h - 1, xx = 1, yy = -1; break;              // mirrored top to bottom
        case 5: xy = 1, yx = 1; break;                           // mirrored along the main diagonal
        case 6: y0 = h - 1, xy = 1, yx = -1; break;              // to be turned a quarter clockwise
        case 7: x0 = w - 1, y0 = h - 1, xy = -1, yx = -1; break;  // mirrored along the other diagonal
        default: x0 = w - 1, xy = -1, yx = 1; break;             // 8: a quarter anticlockwise
    }
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(bmp.Stride());
    const std::ptrdiff_t stepX = 3 * xx + stride * yx, stepY = 3 * xy + stride * yy;
    const Bitmap& stored = bmp;
    const std::uint8_t* origin = stored.Data() + 3 * static_cast<std::ptrdiff_t>(x0) + stride * y0;
    // Blocks of rows and columns keep both pictures' lines in the cache when the
    // sides swap and a row of one is a column of the other.
    constexpr int kBlock = 64;
    const int tw = turned.Width(), th = turned.Height();
    for (int by = 0; by < th; by += kBlock)
        for (int bx = 0; bx < tw; bx += kBlock)
            for (int y = by; y < std::min(th, by + kBlock); ++y) {
                std::uint8_t* to = turned.Row(y);
                const std::uint8_t* from = origin + stepY * y;  // the source of (0, y)
                for (int x = bx; x < std::min(tw, bx + kBlock); ++x) std::memcpy(to + 3 * x, from + stepX * x, 3);
            }
    bmp.Swap(turned);
}

}  // namespace velmora
