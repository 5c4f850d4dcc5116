#include "io/Jpeg.h"

// jpeglib.h uses FILE and size_t without including anything itself.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/MemoryLimit.h"
#include "io/FileUtil.h"

namespace velmora {

namespace {

// Progressive files can hold any number of scans; a few hundred is far beyond what any
// encoder writes, and refusing more keeps a hostile file from decoding for minutes.
constexpr int kMaxScans = 500;

// libjpeg reports fatal errors through error_exit, which must not return. We jump back
// to the decoding function instead of letting the library end the process.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings = 0;
    // Set once every row has been decoded: running out of data after that (in
    // trailing markers) loses nothing and is only counted. The entropy decoder reads
    // ahead, so a file that lacks only its end marker is caught before this is set
    // and is refused like any other cut file.
    bool rowsComplete = false;
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (level -1) are counted; a file that ends before its pixel data does is
// turned into an error at once, since the library would otherwise fill the rest with
// grey and call the result a success.
void OnMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) return;
    ++err->warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF && !err->rowsComplete) {
        std::strcpy(err->message, "the file is cut short");
        std::longjmp(err->jump, 1);
    }
}

void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::strcpy(err->message, "the file holds too many scans");
        std::longjmp(err->jump, 1);
    }
}

void InitErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = '\0';
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    bool created = false;
    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

struct Compressor {
    jpeg_compress_struct cinfo{};
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    ~Compressor() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

// Adobe's CMYK files store inverted ink values; plain ones store ink directly.
void CmykRowToBgr(const JSAMPLE* src, std::uint8_t* dst, int width, bool inverted) {
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // c, m, y, k now hold 255 minus the ink: the light each lets through.
        dst[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        dst[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// Everything that follows setjmp lives in this function's caller-owned objects, so
// nothing with a destructor is skipped by the jump.
bool DecodeInto(Decompressor& d, ErrorManager& err, const std::uint8_t* data, std::size_t size,
                Bitmap& bmp, std::vector<JSAMPLE>& cmykRow, std::string& error) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(err.jump)) {
        error = err.message[0] ? err.message : "the picture cannot be decoded";
        return false;
    }
    jpeg_create_decompress(&cinfo);
    d.created = true;
    cinfo.mem->max_memory_to_use = static_cast<long>(
        std::min<std::size_t>(PictureMemoryLimit() * 2, static_cast<std::size_t>(LONG_MAX)));
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    {
        // Scoped so that no std::string is alive when libjpeg jumps out below.
        const std::string problem =
            CheckPictureSize(cinfo.image_width, cinfo.image_height, PictureMemoryLimit());
        if (!problem.empty()) {
            error = problem;
            return false;
        }
    }
    if (cinfo.image_width == 0 || cinfo.image_height == 0) {
        error = "the picture has no pixels";
        return false;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
        cinfo.output_components != (cmyk ? 4 : 3)) {
        error = "the picture cannot be decoded";
        return false;
    }
    bmp.SetSize(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    if (cmyk) cmykRow.resize(static_cast<std::size_t>(cinfo.output_width) * 4);
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? cmykRow.data() : bmp.Row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            error = "the file is cut short";
            return false;
        }
        if (cmyk) CmykRowToBgr(cmykRow.data(), bmp.Row(y), bmp.Width(), inverted);
    }
    err.rowsComplete = true;
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool EncodeFrom(Compressor& c, ErrorManager& err, const Bitmap& bmp, int quality, std::string& error) {
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(err.jump)) {
        error = err.message[0] ? err.message : "the picture cannot be encoded";
        return false;
    }
    jpeg_create_compress(&cinfo);
    c.created = true;
    jpeg_mem_dest(&cinfo, &c.buffer, &c.length);
    cinfo.image_width = static_cast<JDIMENSION>(bmp.Width());
    cinfo.image_height = static_cast<JDIMENSION>(bmp.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg takes non-const rows but only reads them.
        JSAMPROW row = const_cast<JSAMPROW>(bmp.Row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out, std::string& error) {
    if (size == 0) {
        error = "the file is empty";
        return false;
    }
    try {
        Decompressor d;
        ErrorManager err;
        InitErrors(err);
        d.cinfo.err = &err.pub;
        Bitmap bmp;
        std::vector<JSAMPLE> cmykRow;
        if (!DecodeInto(d, err, data, size, bmp, cmykRow, error)) return false;
        out.Swap(bmp);
        return true;
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory for the picture";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

bool EncodeJpeg(const Bitmap& bmp, int quality, std::vector<std::uint8_t>& out, std::string& error) {
    if (bmp.Empty()) {
        error = "the picture is empty";
        return false;
    }
    if (bmp.Width() > JPEG_MAX_DIMENSION || bmp.Height() > JPEG_MAX_DIMENSION) {
        error = "the picture is too large for a JPEG file";
        return false;
    }
    try {
        Compressor c;
        ErrorManager err;
        InitErrors(err);
        c.cinfo.err = &err.pub;
        if (!EncodeFrom(c, err, bmp, quality, error)) return false;
        out.assign(c.buffer, c.buffer + c.length);
        return true;
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory to encode the picture";
    }
    return false;
}

bool ReadJpegFile(const std::string& path, Bitmap& out, std::string& error) {
    return ReadAndDecode(path, error, [&](const std::uint8_t* data, std::size_t size, std::string& problem) {
        return DecodeJpeg(data, size, out, problem);
    });
}

bool WriteJpegFile(const std::string& path, const Bitmap& bmp, int quality, std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    if (!EncodeJpeg(bmp, quality, bytes, problem)) {
        error = "Cannot write \"" + path + "\": " + problem;
        return false;
    }
    return WriteFileAtomically(path, bytes, error);
}

}  // namespace velmora
