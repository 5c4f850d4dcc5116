#include "io/Jpeg.h"

// jpeglib.h uses FILE and size_t without including anything itself.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/JoinThreads.h"
#include "common/MemoryLimit.h"
#include "io/DecodeInFresh.h"
#include "io/FileUtil.h"
#include "io/Orientation.h"

namespace velmora {

namespace {

// Progressive files can hold any number of scans; a few hundred is far beyond what any
// encoder writes, and refusing more keeps a hostile file from decoding for minutes.
constexpr int kMaxScans = 500;

// Rows offered to libjpeg per call; it fills as many as its current row group holds
// and says how many, so fewer calls are made without any copying on our side.
constexpr int kBatchRows = 16;

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
// grey and call the result a success. So is pixel data that stops at a marker before
// the picture is complete: a header that claims a larger picture than its data holds
// would otherwise come out as acres of grey, after minutes of decoding nothing.
void OnMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) return;
    ++err->warnings;
    if (err->rowsComplete) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        std::strcpy(err->message, code == JWRN_JPEG_EOF ? "the file is cut short" : "the picture data ends early");
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
    ~Compressor() {
        if (created) jpeg_destroy_compress(&cinfo);
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

// Creates the decoder of `data` and reads the headers; a fault jumps to the caller's
// setjmp. `progress`, when given, watches the number of scans.
void OpenDecoder(Decompressor& d, const std::uint8_t* data, std::size_t size, jpeg_progress_mgr* progress) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    jpeg_create_decompress(&cinfo);
    d.created = true;
    cinfo.mem->max_memory_to_use = static_cast<long>(
        std::min<std::size_t>(PictureMemoryLimit() * 2, static_cast<std::size_t>(LONG_MAX)));
    cinfo.progress = progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
}

std::atomic<bool> splitDecoding{true};

// Decodes rows first .. of a picture into `bmp`, which the caller has sized, skipping
// the rows above without making their pixels (their coded data must still be read).
// False on any problem: the caller's own decoding then meets it and explains it.
bool DecodeRowsFrom(Decompressor& d, ErrorManager& err, const std::uint8_t* data, std::size_t size, Bitmap& bmp,
                    int first) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(err.jump)) return false;
    OpenDecoder(d, data, size, nullptr);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (static_cast<int>(cinfo.output_width) != bmp.Width() || static_cast<int>(cinfo.output_height) != bmp.Height() ||
        cinfo.output_components != 3)
        return false;
    if (jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(first)) != static_cast<JDIMENSION>(first)) return false;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        const int n = std::min(kBatchRows, bmp.Height() - y);
        std::array<JSAMPROW, kBatchRows> rows{};
        for (int i = 0; i < n; ++i) rows[static_cast<std::size_t>(i)] = bmp.Row(y + i);
        if (jpeg_read_scanlines(&cinfo, rows.data(), static_cast<JDIMENSION>(n)) < 1) return false;
    }
    err.rowsComplete = true;
    jpeg_finish_decompress(&cinfo);
    return true;
}

// The lower part of a picture decoded on a thread of its own; owned by the caller of
// DecodeInto, so that a jump out of it skips no destructor.
struct LowerPart {
    Decompressor d;
    ErrorManager err;
    std::thread thread;
    bool ok = false;
    ~LowerPart() {
        if (thread.joinable()) thread.join();
    }
};

// The first row of the lower part when a picture is worth decoding in two parts at
// once, 0 otherwise: a large single-scan picture of the usual layouts (gray, or three
// components with the chroma sampled at most 2 x 2), on more than one processor.
// Skipping the upper part still reads its coded data, which is most of the work in a
// file of high quality, so the upper part is the larger: 70 % was fastest on 12 MP
// photographs at quality 90.
int LowerPartStart(const jpeg_decompress_struct& cinfo) {
    if (!splitDecoding || std::thread::hardware_concurrency() < 2 || cinfo.progressive_mode ||
        cinfo.buffered_image || static_cast<long long>(cinfo.output_width) * cinfo.output_height < (1 << 20))
        return 0;
    const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE && cinfo.num_components == 1;
    const bool color = cinfo.jpeg_color_space == JCS_YCbCr && cinfo.num_components == 3;
    if (!gray && !color) return 0;
    if (cinfo.max_h_samp_factor > 2 || cinfo.max_v_samp_factor > 2) return 0;
    const int unit = cinfo.max_v_samp_factor * DCTSIZE;
    const int first = static_cast<int>(cinfo.output_height) * 7 / 10 / unit * unit;
    return first > 0 && first < static_cast<int>(cinfo.output_height) ? first : 0;
}

// Everything that follows setjmp lives in this function's caller-owned objects, so
// nothing with a destructor is skipped by the jump.
bool DecodeInto(Decompressor& d, ErrorManager& err, const std::uint8_t* data, std::size_t size,
                Bitmap& bmp, std::vector<JSAMPLE>& cmykRow, std::string& error, LowerPart& lower) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(err.jump)) {
        error = err.message[0] ? err.message : "the picture cannot be decoded";
        return false;
    }
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;
    OpenDecoder(d, data, size, &progress);

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
    // Every pixel is decoded, so the rows need no clearing first; they are decoded
    // straight into the picture's rows.
    bmp.SetSizeUnset(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    const int batch = kBatchRows;
    if (cmyk) cmykRow.resize(static_cast<std::size_t>(cinfo.output_width) * 4 * static_cast<std::size_t>(batch));
    const bool inverted = cinfo.saw_Adobe_marker;
    // A large picture has its lower part decoded meanwhile by a second decoder.
    int stop = cmyk ? 0 : LowerPartStart(cinfo);
    if (stop > 0) {
        try {
            lower.thread = std::thread([&lower, data, size, &bmp, stop] {
                InitErrors(lower.err);
                lower.d.cinfo.err = &lower.err.pub;
                try {
                    lower.ok = DecodeRowsFrom(lower.d, lower.err, data, size, bmp, stop);
                } catch (...) {
                    lower.ok = false;  // decoded again here, which reports the problem
                }
            });
        } catch (const std::system_error&) {
            stop = 0;  // decoded here in one piece
        }
    }
    if (stop == 0) stop = bmp.Height();
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (y == stop) {
            lower.thread.join();
            // Done there; otherwise the rest is decoded here, which meets what stopped
            // the other decoder and explains it.
            if (lower.ok) {
                jpeg_abort_decompress(&cinfo);
                return true;
            }
        }
        const int n = std::min(batch, (y < stop ? stop : bmp.Height()) - y);
        std::array<JSAMPROW, kBatchRows> rows{};
        for (int i = 0; i < n; ++i)
            rows[static_cast<std::size_t>(i)] =
                cmyk ? cmykRow.data() + static_cast<std::size_t>(i) * cinfo.output_width * 4 : bmp.Row(y + i);
        const auto got = static_cast<int>(jpeg_read_scanlines(&cinfo, rows.data(), static_cast<JDIMENSION>(n)));
        if (got < 1) {
            error = "the file is cut short";
            return false;
        }
        if (cmyk)
            for (int i = 0; i < got; ++i)
                CmykRowToBgr(rows[static_cast<std::size_t>(i)], bmp.Row(y + i), bmp.Width(), inverted);
    }
    err.rowsComplete = true;
    jpeg_finish_decompress(&cinfo);
    return true;
}

// Compressed bytes go out in pieces: to a file, so that they are never gathered whole
// and copied, or to the end of a vector. A failed write to a file is remembered by the
// writer, whose Commit reports it. No memory for a piece ends the encoding as the
// library's own shortages do; its own memory destination could not be used for that,
// as it frees a buffer it still hands back when a larger one cannot be had.
struct PieceDestination {
    jpeg_destination_mgr pub{};
    AtomicFileWriter* writer = nullptr;
    std::vector<std::uint8_t>* bytes = nullptr;
    std::array<JOCTET, 1 << 16> buffer{};

    explicit PieceDestination(AtomicFileWriter& w) : writer(&w) { Hook(); }
    explicit PieceDestination(std::vector<std::uint8_t>& b) : bytes(&b) { Hook(); }

    void Hook() {
        pub.init_destination = [](j_compress_ptr cinfo) {
            PieceDestination& d = Self(cinfo);
            if (d.bytes) d.bytes->clear();
            d.Reset();
        };
        pub.empty_output_buffer = [](j_compress_ptr cinfo) -> boolean {
            PieceDestination& d = Self(cinfo);
            d.Put(cinfo, d.buffer.size());
            d.Reset();
            return TRUE;
        };
        pub.term_destination = [](j_compress_ptr cinfo) {
            PieceDestination& d = Self(cinfo);
            d.Put(cinfo, d.buffer.size() - d.pub.free_in_buffer);
        };
    }
    static PieceDestination& Self(j_compress_ptr cinfo) { return *reinterpret_cast<PieceDestination*>(cinfo->dest); }
    void Reset() {
        pub.next_output_byte = buffer.data();
        pub.free_in_buffer = buffer.size();
    }
    // No exception may cross the library's frames: a shortage leaves by its error exit.
    void Put(j_compress_ptr cinfo, std::size_t n) {
        bool taken = true;
        try {
            if (writer)
                writer->Write(buffer.data(), n);
            else
                bytes->insert(bytes->end(), buffer.data(), buffer.data() + n);
        } catch (const std::bad_alloc&) {
            taken = false;
        }
        if (!taken) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 11);
    }
};

// Encodes rows firstRow .. firstRow + rows - 1 of `bmp` as a picture of their own,
// into `dest`.
bool EncodeFrom(Compressor& c, ErrorManager& err, const Bitmap& bmp, int firstRow, int rows, int quality,
                PieceDestination& dest, std::string& error) {
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(err.jump)) {
        error = err.message[0] ? err.message : "the picture cannot be encoded";
        return false;
    }
    jpeg_create_compress(&cinfo);
    c.created = true;
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(bmp.Width());
    cinfo.image_height = static_cast<JDIMENSION>(rows);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg takes the picture's own rows, several per call; it wants them
        // non-const but only reads them.
        const int y = static_cast<int>(cinfo.next_scanline);
        const int n = std::min(kBatchRows, rows - y);
        std::array<JSAMPROW, kBatchRows> batch{};
        for (int i = 0; i < n; ++i)
            batch[static_cast<std::size_t>(i)] = const_cast<JSAMPROW>(bmp.Row(firstRow + y + i));
        jpeg_write_scanlines(&cinfo, batch.data(), static_cast<JDIMENSION>(n));
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

bool AllowSplitJpegDecoding(bool allow) { return splitDecoding.exchange(allow); }

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out, std::string& error) {
    if (size == 0) {
        error = "the file is empty";
        return false;
    }
    return DecodeInFresh(out, error, [&](Bitmap& bmp) {
        {
            Decompressor d;
            ErrorManager err;
            InitErrors(err);
            d.cinfo.err = &err.pub;
            std::vector<JSAMPLE> cmykRow;
            LowerPart lower;
            if (!DecodeInto(d, err, data, size, bmp, cmykRow, error, lower)) return false;
        }
        // Turned once the decoders are gone, so that their memory is free for the copy.
        ApplyOrientation(bmp, JpegOrientation(data, size));
        return true;
    });
}

namespace {

// Encodes rows firstRow .. firstRow + rows - 1 of `bmp` into `dest` or, when that is
// null, into `out`.
bool EncodeRows(const Bitmap& bmp, int firstRow, int rows, int quality, PieceDestination* dest,
                std::vector<std::uint8_t>* out, std::string& error) {
    try {
        Compressor c;
        ErrorManager err;
        InitErrors(err);
        c.cinfo.err = &err.pub;
        std::unique_ptr<PieceDestination> toMemory;
        if (!dest) dest = (toMemory = std::make_unique<PieceDestination>(*out)).get();
        return EncodeFrom(c, err, bmp, firstRow, rows, quality, *dest, error);
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory to encode the picture";
    }
    return false;
}

// A marker segment of an encoded file: [start, end).
struct Segment {
    std::size_t start = 0, end = 0;
};

// The segment with marker 0xFF `code` among the headers up to and including the
// start of scan.
bool FindSegment(const std::vector<std::uint8_t>& f, std::uint8_t code, Segment& found) {
    std::size_t i = 2;  // after the start of image
    while (i + 4 <= f.size() && f[i] == 0xFF) {
        const std::size_t end = i + 2 + (static_cast<std::size_t>(f[i + 2]) << 8 | f[i + 3]);
        if (f[i + 1] == code) {
            found = Segment{i, end};
            return end <= f.size();
        }
        if (f[i + 1] == 0xDA) return false;
        i = end;
    }
    return false;
}

// The rows of one minimum coded unit: the encoder's defaults sample the chroma 2 x 2.
constexpr int kUnitRows = 16;

// Joins files encoded from consecutive bands of a picture `height` rows high, every
// band but the last `restartInterval` coded units long, into one file: the first
// band's headers with the whole height and that restart interval, then the coded
// data of the bands with a restart marker between each two. A restart starts exactly
// where a new file starts (no carried DC values, a fresh byte), so the joined file
// decodes to the same pixels as the picture encoded in one piece. False, with nothing
// promised about `out`, for files not laid out as the encoder's defaults make them.
bool JoinBands(const std::vector<std::vector<std::uint8_t>>& bands, int height, unsigned restartInterval,
               std::vector<std::uint8_t>& out) {
    const std::vector<std::uint8_t>& first = bands.front();
    Segment frame, scan;
    if (!FindSegment(first, 0xC0, frame) || !FindSegment(first, 0xDA, scan)) return false;
    // Three components, luminance sampled 2 x 2 and both chroma 1 x 1.
    if (frame.end - frame.start < 19 || first[frame.start + 9] != 3 || first[frame.start + 11] != 0x22 ||
        first[frame.start + 14] != 0x11 || first[frame.start + 17] != 0x11 || restartInterval > 0xFFFF)
        return false;
    std::size_t total = scan.end + 8;
    for (const auto& b : bands) total += b.size();
    out.clear();
    out.reserve(total);
    out.insert(out.end(), first.begin(), first.begin() + static_cast<std::ptrdiff_t>(scan.start));
    out[frame.start + 5] = static_cast<std::uint8_t>(height >> 8);
    out[frame.start + 6] = static_cast<std::uint8_t>(height & 0xFF);
    const std::uint8_t restart[] = {0xFF, 0xDD, 0, 4, static_cast<std::uint8_t>(restartInterval >> 8),
                                    static_cast<std::uint8_t>(restartInterval & 0xFF)};
    out.insert(out.end(), std::begin(restart), std::end(restart));
    out.insert(out.end(), first.begin() + static_cast<std::ptrdiff_t>(scan.start),
               first.begin() + static_cast<std::ptrdiff_t>(scan.end));
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const std::vector<std::uint8_t>& f = bands[b];
        Segment s;
        if (!FindSegment(f, 0xDA, s) || f.size() < s.end + 2 || f[f.size() - 2] != 0xFF || f.back() != 0xD9)
            return false;
        if (b > 0) {
            out.push_back(0xFF);
            out.push_back(static_cast<std::uint8_t>(0xD0 + (b - 1) % 8));
        }
        out.insert(out.end(), f.begin() + static_cast<std::ptrdiff_t>(s.end), f.end() - 2);
    }
    out.push_back(0xFF);
    out.push_back(0xD9);
    return true;
}

}  // namespace

bool EncodeJpegInBands(const Bitmap& bmp, int quality, int bandsWanted, std::vector<std::uint8_t>& out) {
    if (bmp.Empty() || bmp.Width() > JPEG_MAX_DIMENSION || bmp.Height() > JPEG_MAX_DIMENSION || bandsWanted < 2)
        return false;
    const unsigned threads = std::min(std::max(std::thread::hardware_concurrency(), 1u), 64u);
    const int unitsPerRow = (bmp.Width() + kUnitRows - 1) / kUnitRows;
    const int unitRows = (bmp.Height() + kUnitRows - 1) / kUnitRows;
    // The restart interval counts coded units and must fit in 16 bits.
    const int bandUnitRows = std::min((unitRows + bandsWanted - 1) / bandsWanted, 0xFFFF / unitsPerRow);
    if (bandUnitRows < 1) return false;
    const int bands = (unitRows + bandUnitRows - 1) / bandUnitRows;
    if (bands < 2) return false;

    try {
        std::vector<std::vector<std::uint8_t>> coded(static_cast<std::size_t>(bands));
        std::atomic<int> next{0};
        std::atomic<bool> failed{false};
        auto work = [&] {
            for (int b = next++; b < bands; b = next++) {
                const int y0 = b * bandUnitRows * kUnitRows;
                const int rows = std::min(bmp.Height() - y0, bandUnitRows * kUnitRows);
                try {
                    std::string ignored;
                    if (!EncodeRows(bmp, y0, rows, quality, nullptr, &coded[static_cast<std::size_t>(b)], ignored))
                        failed = true;
                } catch (const std::exception&) {
                    failed = true;
                }
            }
        };
        std::vector<std::thread> helpers;
        const JoinThreadsOnExit joinAll(helpers);  // before the bands they write are gone
        for (unsigned t = 1; t < threads && static_cast<int>(t) < bands; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // the threads there are do all the bands
            }
        }
        work();
        for (std::thread& t : helpers) t.join();
        return !failed &&
               JoinBands(coded, bmp.Height(), static_cast<unsigned>(unitsPerRow * bandUnitRows), out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Encodes a large picture in as many bands as there are processors, each band on one
// of them; false when the picture is too small for that to be worth it or anything
// fails, and the caller then encodes it in one piece, which also explains a failure.
bool EncodeInBands(const Bitmap& bmp, int quality, std::vector<std::uint8_t>& out) {
    constexpr long long kBandedPixels = 1 << 20;
    const unsigned threads = std::min(std::thread::hardware_concurrency(), 64u);
    if (threads < 2 || static_cast<long long>(bmp.Width()) * bmp.Height() < kBandedPixels) return false;
    return EncodeJpegInBands(bmp, quality, static_cast<int>(threads), out);
}

// Encodes `bmp` into `dest` or, when that is null, into `out`.
bool Encode(const Bitmap& bmp, int quality, PieceDestination* dest, std::vector<std::uint8_t>* out,
            std::string& error) {
    if (bmp.Empty()) {
        error = "the picture is empty";
        return false;
    }
    if (bmp.Width() > JPEG_MAX_DIMENSION || bmp.Height() > JPEG_MAX_DIMENSION) {
        error = "the picture is too large for a JPEG file";
        return false;
    }
    try {
        std::vector<std::uint8_t> joined;
        if (EncodeInBands(bmp, quality, joined)) {
            if (dest)
                dest->writer->Write(joined.data(), joined.size());
            else
                out->swap(joined);
            return true;
        }
    } catch (const std::bad_alloc&) {
        // Encoded in one piece below, which needs less memory.
    }
    return EncodeRows(bmp, 0, bmp.Height(), quality, dest, out, error);
}

}  // namespace

bool EncodeJpeg(const Bitmap& bmp, int quality, std::vector<std::uint8_t>& out, std::string& error) {
    return Encode(bmp, quality, nullptr, &out, error);
}

bool ReadJpegFile(const std::string& path, Bitmap& out, std::string& error) {
    constexpr std::string_view kMagic = "\xFF\xD8";  // the start-of-image marker
    return ReadAndDecode(path, error, kMagic, [&](const std::uint8_t* data, std::size_t size, std::string& problem) {
        return DecodeJpeg(data, size, out, problem);
    });
}

bool WriteJpegFile(const std::string& path, const Bitmap& bmp, int quality, std::string& error) {
    // A writer destroyed without Commit removes its temporary file, so a picture that
    // cannot be encoded leaves any existing file as it was.
    AtomicFileWriter writer(path);
    auto dest = std::make_unique<PieceDestination>(writer);
    std::string problem;
    if (!Encode(bmp, quality, dest.get(), nullptr, problem)) {
        error = "Cannot write \"" + path + "\": " + problem;
        return false;
    }
    return writer.Commit(error);
}

}  // namespace velmora
