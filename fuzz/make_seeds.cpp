// Writes small valid files of every kind the readers take into <dir>/bmp, jpeg, png,
// d2o, set, options and idx (the history index), as starting points for the fuzz targets.
#include <cstdio>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "conversion/Preset.h"
#include "history/HistoryIndex.h"
#include "io/Bmp.h"
#include "io/Jpeg.h"
#include "io/Png.h"
#include "io/ProjectFile.h"
#include "prefs/Options.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Save(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void Put(Bytes& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

velmora::Bitmap Picture(int w, int h) {
    velmora::Bitmap bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = bmp.Pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x * 40);
            p[1] = static_cast<std::uint8_t>(y * 60);
            p[2] = static_cast<std::uint8_t>((x ^ y) * 30);
        }
    return bmp;
}

// A BMP with a 40-byte header, optional masks and palette, and the given pixel bytes.
Bytes Bmp(int w, int h, int bpp, std::uint32_t compression, const std::vector<std::uint32_t>& masks,
          int colors, const Bytes& pixels) {
    const std::size_t off = 54 + 4 * masks.size() + 4 * static_cast<std::size_t>(colors);
    Bytes b(off, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put(b, 2, static_cast<std::uint32_t>(off + pixels.size()), 4);
    Put(b, 10, static_cast<std::uint32_t>(off), 4);
    Put(b, 14, 40, 4);
    Put(b, 18, static_cast<std::uint32_t>(w), 4);
    Put(b, 22, static_cast<std::uint32_t>(h), 4);
    Put(b, 26, 1, 2);
    Put(b, 28, static_cast<std::uint32_t>(bpp), 2);
    Put(b, 30, compression, 4);
    Put(b, 34, static_cast<std::uint32_t>(pixels.size()), 4);
    Put(b, 46, static_cast<std::uint32_t>(colors), 4);
    for (std::size_t i = 0; i < masks.size(); ++i) Put(b, 54 + 4 * i, masks[i], 4);
    for (int i = 0; i < colors; ++i) Put(b, 54 + 4 * masks.size() + 4 * i, 0x3F1F7Fu * i, 3);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Jpeg(int w, int h, int components, J_COLOR_SPACE space, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(static_cast<std::size_t>(w) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>(i * 9 + cinfo.next_scanline * 17);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + length);
    std::free(buffer);
    return out;
}

// A PNG of the given kind written by libpng itself, with samples that vary along the
// row; palettes get a color table and, when `alpha`, a transparency table too.
Bytes Png(int w, int h, int colorType, int depth, bool interlaced, bool alpha) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* b = static_cast<Bytes*>(png_get_io_ptr(p));
            b->insert(b->end(), data, data + n);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte trans[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = png_color{png_byte(i * 7), png_byte(255 - i), png_byte(i * 3)};
        trans[i] = static_cast<png_byte>(i * 40);
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, 1 << depth);
        if (alpha) png_set_tRNS(png, info, trans, 3, nullptr);
    }
    png_write_info(png, info);
    png_set_interlace_handling(png);
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<Bytes> rows(static_cast<std::size_t>(h), Bytes(rowBytes));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i) rows[y][i] = static_cast<std::uint8_t>(i * 29 + y * 71);
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    for (const char* sub : {"bmp", "jpeg", "png", "d2o", "set", "options", "idx"}) fs::create_directories(root / sub);

    Save(root / "bmp" / "rgb24.bmp", velmora::EncodeBmp(Picture(5, 3)));
    Save(root / "bmp" / "pal8.bmp", Bmp(3, 2, 8, 0, {}, 4, {0, 1, 2, 0, 3, 2, 1, 0}));
    Save(root / "bmp" / "pal4.bmp", Bmp(5, 2, 4, 0, {}, 16, {0x12, 0x34, 0x50, 0, 0xAB, 0xCD, 0xE0, 0}));
    Save(root / "bmp" / "pal1.bmp", Bmp(9, 2, 1, 0, {}, 2, {0xA5, 0x80, 0, 0, 0x5A, 0x00, 0, 0}));
    Save(root / "bmp" / "rle8.bmp", Bmp(6, 3, 8, 1, {}, 6, {4, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1}));
    Save(root / "bmp" / "rle4.bmp",
         Bmp(7, 2, 4, 2, {}, 16, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 4, 0x67, 0x89, 3, 0xAB, 0, 1}));
    Save(root / "bmp" / "rgb565.bmp",
         Bmp(2, 2, 16, 3, {0xF800, 0x07E0, 0x001F}, 0, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}));
    Save(root / "bmp" / "rgb555.bmp", Bmp(2, 1, 16, 0, {}, 0, {0x00, 0x7C, 0xE0, 0x03}));
    Save(root / "bmp" / "rgb32.bmp", Bmp(2, 1, 32, 3, {0xFF0000, 0xFF00, 0xFF}, 0, {1, 2, 3, 4, 5, 6, 7, 8}));

    std::vector<std::uint8_t> jpg;
    std::string error;
    velmora::EncodeJpeg(Picture(17, 9), velmora::kJpegQuality, jpg, error);
    Save(root / "jpeg" / "baseline.jpg", jpg);
    // The same with an Exif block asking for a quarter turn (TIFF, little-endian, one
    // directory entry: orientation 6), after the start marker.
    const std::vector<std::uint8_t> exif = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                            1,    0,    0x12, 1, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    jpg.insert(jpg.begin() + 2, exif.begin(), exif.end());
    Save(root / "jpeg" / "exif-turned.jpg", jpg);
    Save(root / "jpeg" / "gray.jpg", Jpeg(12, 7, 1, JCS_GRAYSCALE, false));
    Save(root / "jpeg" / "progressive.jpg", Jpeg(20, 10, 3, JCS_RGB, true));
    Save(root / "jpeg" / "cmyk.jpg", Jpeg(8, 8, 4, JCS_CMYK, false));

    std::vector<std::uint8_t> png;
    velmora::EncodePng(Picture(7, 5), png, error);
    Save(root / "png" / "rgb8.png", png);
    Save(root / "png" / "gray1.png", Png(13, 4, PNG_COLOR_TYPE_GRAY, 1, false, false));
    Save(root / "png" / "gray16.png", Png(5, 3, PNG_COLOR_TYPE_GRAY, 16, false, false));
    Save(root / "png" / "pal4-trns.png", Png(9, 3, PNG_COLOR_TYPE_PALETTE, 4, false, true));
    Save(root / "png" / "pal8.png", Png(6, 6, PNG_COLOR_TYPE_PALETTE, 8, true, false));
    Save(root / "png" / "gray-alpha.png", Png(4, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false));
    Save(root / "png" / "rgba16-adam7.png", Png(10, 9, PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false));
    Save(root / "png" / "rgb-adam7.png", Png(11, 7, PNG_COLOR_TYPE_RGB, 8, true, false));

    velmora::LayerState state;
    state.BlendingMode = 1;
    state.Opacity = 30;
    velmora::SaveD2O((root / "d2o" / "small.d2o").string(), Picture(3, 2), Picture(3, 2), Picture(3, 2), state);

    velmora::TEffectParams p;
    p.SketchType = 2;
    p.Detail = 115;
    p.Darkness = 68;
    p.DrawSketch = true;
    velmora::WritePresetFile((root / "set" / "default.set").string(), p, error);
    velmora::SaveOptions((root / "options" / "options.dat").string(), velmora::Options{});

    // A ring of four slots holding two states, the second current, and a one-slot ring.
    velmora::HistoryIndex index;
    index.Capacity = 4;
    index.LastIndex = index.CurrentIndex = 2;
    index.States = {{1, "Open", ""}, {2, "Pencil", "--"}};
    index.DocumentPath = "/home/user/photo.jpg";
    Save(root / "idx" / "ring.idx", velmora::EncodeHistoryIndex(index));
    velmora::HistoryIndex one;
    one.States = {{0, "Blur", "Color Layer, 5"}};
    one.DocumentPath = "picture.d2o";
    Save(root / "idx" / "one-slot.idx", velmora::EncodeHistoryIndex(one));
    return 0;
}
