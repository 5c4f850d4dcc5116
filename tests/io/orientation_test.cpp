// Photographs whose Exif data says how to turn them open upright; a damaged or
// unknown note leaves the picture as it is stored.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "io/Jpeg.h"
#include "io/Orientation.h"
#include "support/Images.h"

namespace velmora {
namespace {

// A TIFF block with one image directory at `directory` whose one entry is (tag, type,
// count, value), in either byte order.
std::vector<std::uint8_t> Tiff(bool little, std::uint16_t value, std::uint16_t tag = 0x0112,
                               std::uint16_t type = 3, std::uint32_t count = 1, std::uint32_t directory = 8) {
    std::vector<std::uint8_t> t;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) t.push_back(static_cast<std::uint8_t>(v >> 8 * (little ? i : bytes - 1 - i)));
    };
    t.push_back(little ? 'I' : 'M');
    t.push_back(little ? 'I' : 'M');
    put(42, 2);
    put(directory, 4);
    put(1, 2);  // one entry
    put(tag, 2);
    put(type, 2);
    put(count, 4);
    put(value, 2);
    put(0, 2);
    put(0, 4);  // no next directory
    return t;
}

// `jpeg` with an APP1 segment holding `header` and `body` right after its start marker.
std::vector<std::uint8_t> WithApp1(std::vector<std::uint8_t> jpeg, const std::string& header,
                                   const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> seg = {0xFF, 0xE1, 0, 0};
    seg.insert(seg.end(), header.begin(), header.end());
    seg.insert(seg.end(), body.begin(), body.end());
    const std::size_t length = seg.size() - 2;
    seg[2] = static_cast<std::uint8_t>(length >> 8);
    seg[3] = static_cast<std::uint8_t>(length);
    jpeg.insert(jpeg.begin() + 2, seg.begin(), seg.end());
    return jpeg;
}

std::vector<std::uint8_t> WithExif(const std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& tiff) {
    return WithApp1(jpeg, std::string("Exif\0\0", 6), tiff);
}

Bitmap Decoded(const std::vector<std::uint8_t>& f) {
    Bitmap b;
    std::string error;
    EXPECT_TRUE(DecodeJpeg(f.data(), f.size(), b, error)) << error;
    return b;
}

// The upright picture as TIFF describes the eight orientations: 5 to 8 first swap rows
// and columns, then the picture is mirrored left to right and / or top to bottom.
Bitmap Upright(const Bitmap& s, int orientation) {
    const bool swap = orientation >= 5;
    const bool flipX = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
    const bool flipY = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
    const int w = swap ? s.Height() : s.Width(), h = swap ? s.Width() : s.Height();
    Bitmap out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ux = flipX ? w - 1 - x : x, uy = flipY ? h - 1 - y : y;
            const std::uint8_t* p = swap ? s.Pixel(uy, ux) : s.Pixel(ux, uy);
            std::copy(p, p + 3, out.Pixel(x, y));
        }
    return out;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.Row(y), a.Row(y) + 3 * a.Width(), b.Row(y))) return false;
    return true;
}

std::vector<std::uint8_t> Photo() {
    std::vector<std::uint8_t> f;
    std::string error;
    // Sides that differ, are not whole blocks, and larger than a turning block.
    EXPECT_TRUE(EncodeJpeg(test::Noise(131, 70, 5), 90, f, error)) << error;
    return f;
}

TEST(Orientation, EveryOrientationOpensUprightInEitherByteOrder) {
    const std::vector<std::uint8_t> plain = Photo();
    const Bitmap stored = Decoded(plain);
    for (bool little : {true, false})
        for (int o = 1; o <= 8; ++o) {
            const Bitmap got = Decoded(WithExif(plain, Tiff(little, static_cast<std::uint16_t>(o))));
            EXPECT_TRUE(SamePixels(got, Upright(stored, o))) << "orientation " << o << (little ? " II" : " MM");
        }
    // A block of Adobe's metadata in an APP1 segment before the Exif block is passed over.
    const std::vector<std::uint8_t> both =
        WithApp1(WithExif(plain, Tiff(true, 6)), std::string("http://ns.adobe.com/xap/1.0/\0", 29), {'<', '>'});
    EXPECT_TRUE(SamePixels(Decoded(both), Upright(stored, 6)));
    // Markers that stand alone, without a length, are stepped over on the way.
    std::vector<std::uint8_t> marked = WithExif(plain, Tiff(true, 8));
    const std::uint8_t alone[] = {0xFF, 0x01, 0xFF, 0xD3};
    marked.insert(marked.begin() + 2, std::begin(alone), std::end(alone));
    EXPECT_EQ(JpegOrientation(marked.data(), marked.size()), 8);
}

TEST(Orientation, DamagedOrUnknownNotesLeaveThePictureAsStored) {
    const std::vector<std::uint8_t> plain = Photo();
    const Bitmap stored = Decoded(plain);
    std::vector<std::uint8_t> cut = Tiff(true, 6);
    cut.resize(19);  // the entry ends within its value
    const std::vector<std::vector<std::uint8_t>> notes = {
        Tiff(true, 0), Tiff(true, 9), Tiff(false, 0x0600),  // values outside 1 .. 8
        Tiff(true, 6, 0x0112, 4),                           // a long, not a short
        Tiff(true, 6, 0x0112, 3, 2),                        // two values
        Tiff(true, 6, 0x0113),                              // another tag
        Tiff(true, 6, 0x0112, 3, 1, 0xFFFFFFF0u),           // the directory far past the block
        cut, {'I', 'I', 43, 0, 8, 0, 0, 0},                 // cut short; not TIFF
    };
    for (std::size_t i = 0; i < notes.size(); ++i)
        EXPECT_TRUE(SamePixels(Decoded(WithExif(plain, notes[i])), stored)) << "note " << i;
    // An orientation after the first scan is not the picture's.
    std::vector<std::uint8_t> late = plain;
    const std::vector<std::uint8_t> tail = WithExif({0xFF, 0xD8}, Tiff(true, 6));
    late.insert(late.end() - 2, tail.begin() + 2, tail.end());
    EXPECT_EQ(JpegOrientation(late.data(), late.size()), 1);
    // Segment lengths that run past the data end the search.
    const std::vector<std::uint8_t> overlong = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x'};
    EXPECT_EQ(JpegOrientation(overlong.data(), overlong.size()), 1);
}

}  // namespace
}  // namespace velmora
