#include "io/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/MemoryLimit.h"
#include "io/DecodeInFresh.h"
#include "io/FileUtil.h"

namespace velmora {

namespace {

constexpr std::size_t kSignatureSize = 8;

// Ancillary chunks (text, color profiles) are not used; these bounds keep a file
// that holds thousands of them, or one that inflates to gigabytes, from costing more
// than a moment.
constexpr png_uint_32 kMaxCachedChunks = 1000;
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(8) << 20;

// libpng reports fatal errors through the error function, which must not return. The
// message is kept here and the library jumps back to the setjmp of the function that
// drives it.
struct ErrorState {
    char message[256] = {};
};

void OnError(png_structp png, png_const_charp message) {
    auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    if (state) {
        std::strncpy(state->message, message ? message : "", sizeof state->message - 1);
        state->message[sizeof state->message - 1] = '\0';
    }
    png_longjmp(png, 1);
}

// Warnings (an unknown chunk, a questionable color profile) never make a picture
// unusable, so they are not shown.
void OnWarning(png_structp, png_const_charp) {}

struct MemorySource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->pos) png_error(png, "the file is cut short");
    std::memcpy(out, source->data + source->pos, length);
    source->pos += length;
}

// libpng sizes some chunk buffers from the length a chunk declares, before reading the
// chunk, and not all of them heed png_set_chunk_malloc_max: a file of a few hundred
// bytes could have it take gigabytes. No block a real picture needs comes near this
// bound: rows take at most a few hundred kilobytes, ancillary chunks are kept smaller
// above, and the pixels are decoded into the picture's own rows.
constexpr png_alloc_size_t kMaxLibraryBlock = png_alloc_size_t(64) << 20;

png_voidp BoundedMalloc(png_structp, png_alloc_size_t size) {
    return size <= kMaxLibraryBlock ? std::malloc(size) : nullptr;
}

void LibraryFree(png_structp, png_voidp block) { std::free(block); }

struct ReadHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadHandles() {
        if (png) png_destroy_read_struct(&png, &info, nullptr);
    }
};

struct WriteHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteHandles() {
        if (png) png_destroy_write_struct(&png, &info);
    }
};

// Everything the decoder changes while libpng may jump out lives here, owned by the
// caller, so that nothing with a destructor is skipped by the jump and no value is
// lost in a register.
struct DecodeState {
    ErrorState err;
    MemorySource source;
    // Set once every row has been decoded: a failure after that, in the chunks that
    // follow the pixel data, loses nothing.
    bool rowsComplete = false;
    // Rows with alpha, kept until they are laid over white.
    std::vector<std::uint8_t> rows;
};

// Lays a row of blue, green, red, alpha pixels over white into a row of the picture,
// rounding to the nearest value (255 is odd, so there are no halves).
void OverWhite(const std::uint8_t* src, std::uint8_t* dst, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
        const unsigned a = src[3];
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<std::uint8_t>(255 - a + (src[c] * a + 127) / 255);
    }
}

bool DecodeInto(ReadHandles& h, DecodeState& s, Bitmap& bmp, std::string& error) {
    if (setjmp(png_jmpbuf(h.png))) {
        if (s.rowsComplete) return true;
        error = s.err.message[0] ? s.err.message : "the picture cannot be decoded";
        return false;
    }
    png_set_read_fn(h.png, &s.source, ReadFromMemory);
    png_set_sig_bytes(h.png, static_cast<int>(kSignatureSize));
    // Our own size check below gives the user the message; libpng's limits only need
    // to be as wide as the format.
    png_set_user_limits(h.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_cache_max(h.png, kMaxCachedChunks);
    png_set_chunk_malloc_max(h.png, kMaxChunkBytes);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Generated inputs rarely carry valid checksums; checking them would stop the
    // fuzzer at the first chunk and leave the decoder behind it untested.
    png_set_crc_action(h.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(h.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(h.png, h.info);
    const png_uint_32 width = png_get_image_width(h.png, h.info);
    const png_uint_32 height = png_get_image_height(h.png, h.info);
    {
        // Scoped so that no std::string is alive when libpng jumps out below.
        const std::string problem = CheckPictureSize(width, height, PictureMemoryLimit());
        if (!problem.empty()) {
            error = problem;
            return false;
        }
    }

    // Whatever the file holds becomes 8-bit blue, green, red, with alpha where the
    // file has an alpha channel or a transparent color: palettes and low gray depths
    // are expanded, 16 bits are scaled with rounding, gray is copied to all three.
    // Gamma and color-profile chunks are ignored, as for the other formats.
    png_set_expand(h.png);
    png_set_scale_16(h.png);
    png_set_gray_to_rgb(h.png);
    png_set_bgr(h.png);
    const int passes = png_set_interlace_handling(h.png);
    png_read_update_info(h.png, h.info);
    const int channels = png_get_channels(h.png, h.info);
    if (png_get_bit_depth(h.png, h.info) != 8 || (channels != 3 && channels != 4) ||
        png_get_rowbytes(h.png, h.info) != static_cast<std::size_t>(width) * channels) {
        error = "the picture cannot be decoded";
        return false;
    }

    bmp.SetSize(static_cast<int>(width), static_cast<int>(height));
    if (channels == 3) {
        // Interlaced passes fill in the same rows again, so the picture's own rows
        // serve as the buffer.
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y) png_read_row(h.png, bmp.Row(static_cast<int>(y)), nullptr);
    } else {
        // Alpha rows are laid over white one by one; an interlaced picture needs all
        // of them until its last pass.
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
        const bool whole = passes > 1;
        if (whole && rowBytes * height > PictureMemoryLimit()) {
            error = "the picture is too large for the memory available";
            return false;
        }
        s.rows.resize(whole ? rowBytes * height : rowBytes);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y) {
                std::uint8_t* row = s.rows.data() + (whole ? rowBytes * y : 0);
                png_read_row(h.png, row, nullptr);
                if (!whole) OverWhite(row, bmp.Row(static_cast<int>(y)), width);
            }
        if (whole)
            for (png_uint_32 y = 0; y < height; ++y)
                OverWhite(s.rows.data() + rowBytes * y, bmp.Row(static_cast<int>(y)), width);
    }
    s.rowsComplete = true;
    png_read_end(h.png, nullptr);
    return true;
}

// Where the encoder's bytes go: memory or a file being written.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False when the bytes cannot be taken; Problem() then says why.
    virtual bool Put(const std::uint8_t* data, std::size_t size) = 0;
    virtual const char* Problem() const = 0;
};

class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
    bool Put(const std::uint8_t* data, std::size_t size) override {
        // No exception may cross libpng's C frames, so running out of memory becomes
        // a libpng error instead.
        try {
            out_.insert(out_.end(), data, data + size);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    const char* Problem() const override { return "there is not enough memory to encode the picture"; }

private:
    std::vector<std::uint8_t>& out_;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(AtomicFileWriter& writer) : writer_(writer) {}
    bool Put(const std::uint8_t* data, std::size_t size) override { return writer_.Write(data, size); }
    const char* Problem() const override { return "the file cannot be written"; }

private:
    AtomicFileWriter& writer_;
};

void WriteToSink(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<ByteSink*>(png_get_io_ptr(png));
    if (!sink->Put(data, length)) png_error(png, sink->Problem());
}

void FlushSink(png_structp) {}

bool EncodeInto(WriteHandles& h, ErrorState& err, const Bitmap& bmp, ByteSink& sink, std::string& error) {
    if (setjmp(png_jmpbuf(h.png))) {
        error = err.message[0] ? err.message : "the picture cannot be encoded";
        return false;
    }
    png_set_write_fn(h.png, &sink, WriteToSink, FlushSink);
    png_set_IHDR(h.png, h.info, static_cast<png_uint_32>(bmp.Width()), static_cast<png_uint_32>(bmp.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(h.png, h.info);
    png_set_bgr(h.png);
    for (int y = 0; y < bmp.Height(); ++y) {
        // libpng takes non-const rows but only reads them.
        png_write_row(h.png, const_cast<png_bytep>(bmp.Row(y)));
    }
    png_write_end(h.png, nullptr);
    return true;
}

bool Encode(const Bitmap& bmp, ByteSink& sink, std::string& error) {
    if (bmp.Empty()) {
        error = "the picture is empty";
        return false;
    }
    try {
        WriteHandles h;
        ErrorState err;
        h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
        if (!h.png) throw std::bad_alloc();
        h.info = png_create_info_struct(h.png);
        if (!h.info) throw std::bad_alloc();
        return EncodeInto(h, err, bmp, sink, error);
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory to encode the picture";
    }
    return false;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Bitmap& out, std::string& error) {
    if (size == 0) {
        error = "the file is empty";
        return false;
    }
    const std::size_t sigBytes = size < kSignatureSize ? size : kSignatureSize;
    if (png_sig_cmp(data, 0, sigBytes) != 0) {
        error = "the file is not a PNG picture";
        return false;
    }
    if (size < kSignatureSize) {
        error = "the file is cut short";
        return false;
    }
    return DecodeInFresh(out, error, [&](Bitmap& bmp) {
        ReadHandles h;
        DecodeState s;
        s.source = MemorySource{data, size, kSignatureSize};
        h.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s.err, OnError, OnWarning, nullptr, BoundedMalloc,
                                         LibraryFree);
        if (!h.png) throw std::bad_alloc();
        h.info = png_create_info_struct(h.png);
        if (!h.info) throw std::bad_alloc();
        return DecodeInto(h, s, bmp, error);
    });
}

bool EncodePng(const Bitmap& bmp, std::vector<std::uint8_t>& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    if (!Encode(bmp, sink, error)) return false;
    out.swap(bytes);
    return true;
}

bool ReadPngFile(const std::string& path, Bitmap& out, std::string& error) {
    constexpr std::string_view kMagic = "\x89PNG\r\n\x1A\n";  // what every PNG file starts with
    return ReadAndDecode(path, error, kMagic, [&](const std::uint8_t* data, std::size_t size, std::string& problem) {
        return DecodePng(data, size, out, problem);
    });
}

bool WritePngFile(const std::string& path, const Bitmap& bmp, std::string& error) {
    if (bmp.Empty()) {
        error = "Cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    AtomicFileWriter writer(path);
    // A file that cannot be created is reported as such, before any encoding.
    if (!writer.Ok()) return writer.Commit(error);
    FileSink sink(writer);
    std::string problem;
    if (!Encode(bmp, sink, problem)) {
        // A failed write says more (a full disk, say) than the encoder's echo of it.
        if (!writer.Ok()) return writer.Commit(error);
        error = "Cannot write \"" + path + "\": " + problem;
        return false;
    }
    return writer.Commit(error);
}

}  // namespace velmora
