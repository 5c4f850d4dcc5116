#include "io/ProjectFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/MemoryLimit.h"
#include "io/Bmp.h"
#include "io/FileUtil.h"

namespace velmora {

namespace {

// Offsets of the header fields.
constexpr std::size_t kVersionAt = 4;
constexpr std::size_t kSketchOffsetAt = 6;
constexpr std::size_t kSketchLengthAt = 10;
constexpr std::size_t kColorOffsetAt = 14;
constexpr std::size_t kColorLengthAt = 18;
constexpr std::size_t kBlendingAt = 22;
constexpr std::size_t kOpacityAt = 23;
constexpr std::size_t kSketchVisibleAt = 24;
constexpr std::size_t kColorVisibleAt = 25;
constexpr std::size_t kSketchDrawableAt = 26;
constexpr std::size_t kColorDrawableAt = 27;

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Blanks are everything up to the space character, as the file dialogs' callers trim.
bool BlankName(const std::string& name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

int Failed(std::string* error, const std::string& message) {
    if (error) *error = message;
    return -1;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Why a sound project was refused: its pictures do not fit in memory.
constexpr char kTooLarge[] = "the project is too large for the memory available";

int TooLarge(std::string* error, bool* tooLarge, const std::string& message) {
    if (tooLarge) *tooLarge = true;
    return Failed(error, message);
}

// What is wrong with a file whose first `size` bytes are `data` if they cannot begin
// a project; null when they can.
const char* HeaderProblem(const std::uint8_t* data, std::size_t size) {
    if (size < static_cast<std::size_t>(kProjectHeaderSize)) return "the file is too short to be a project file";
    if (std::memcmp(data, kProjectMagic, 4) != 0) return "the file is not a project file";
    return nullptr;
}

// True for a project, of which `data` holds the first `size` bytes of `fileSize`,
// whose sketch layer declares a picture larger than the memory allowed for one, in a
// file long enough to hold three such pictures as this program writes them. A file
// that declares such pictures but is too short for them is damaged instead.
bool PicturesTooLarge(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize) {
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (size <= static_cast<std::size_t>(kProjectHeaderSize) ||
        !ReadBmpSize(data + kProjectHeaderSize, size - kProjectHeaderSize, width, height) ||
        !CheckPictureSize(width, height).empty())
        return false;
    const std::uint64_t written = EncodedBmpSize(static_cast<int>(width), static_cast<int>(height));
    return !CheckPictureSize(width, height, PictureMemoryLimit()).empty() &&
           fileSize >= kProjectHeaderSize + 3 * written;
}

// Hands the three pictures of a project, and the layer state its header holds, to
// `out`; fails, with `out` untouched, when the pictures differ in size.
int TakeProject(const std::uint8_t* header, Bitmap (&pictures)[3], ProjectData& out, std::string* error) {
    for (int i = 1; i < 3; ++i)
        if (pictures[i].Width() != pictures[0].Width() || pictures[i].Height() != pictures[0].Height())
            return Failed(error, "the layers of the project differ in size");

    LayerState state;
    const std::uint8_t mode = header[kBlendingAt];
    state.BlendingMode = mode <= 1 ? mode : 0;
    state.Opacity = std::clamp<int>(header[kOpacityAt], 1, 99);
    state.SketchVisible = header[kSketchVisibleAt] == 1;
    state.ColorVisible = header[kColorVisibleAt] == 1;
    state.SketchDrawable = header[kSketchDrawableAt] == 1;
    state.ColorDrawable = header[kColorDrawableAt] == 1;

    out.Sketch.Swap(pictures[0]);
    out.Color.Swap(pictures[1]);
    out.Photo.Swap(pictures[2]);
    out.State = state;
    return 0;
}

// A project as this program writes it, three plain bitmaps, read straight into its
// pictures: an undo reads one of 108 MB at 12 MP. False for any other, which is then
// read whole and decoded, so that its problems are explained.
bool ReadPlainProject(const std::string& fileName, ProjectData& out) {
    Bitmap pictures[3];
    std::array<std::uint8_t, kProjectHeaderSize> header;
    return ReadPlainBmps(fileName, kProjectHeaderSize, pictures, 3, header.data()) &&
           !HeaderProblem(header.data(), header.size()) && TakeProject(header.data(), pictures, out, nullptr) == 0;
}

}  // namespace

bool ProjectFileCanHold(int width, int height) {
    return kProjectHeaderSize + EncodedBmpSize(width, height) <= std::numeric_limits<std::uint32_t>::max();
}

int SaveD2O(const std::string& fileName, const Bitmap& sketch, const Bitmap& color,
            const Bitmap& photo, const LayerState& state, std::string* error, bool durable) {
    if (BlankName(fileName)) return Failed(error, "The project file has no name.");
    if (sketch.Empty() || color.Empty() || photo.Empty())
        return Failed(error, "Cannot write " + Quoted(fileName) + ": there is no picture to save");
    if (sketch.Width() != color.Width() || sketch.Width() != photo.Width() ||
        sketch.Height() != color.Height() || sketch.Height() != photo.Height())
        return Failed(error, "Cannot write " + Quoted(fileName) + ": the layers differ in size");

    if (!ProjectFileCanHold(sketch.Width(), sketch.Height()))
        return Failed(error, "Cannot write " + Quoted(fileName) + ": the picture is too large for a project file");
    const std::uint64_t imageLength = EncodedBmpSize(sketch.Width(), sketch.Height());

    std::array<std::uint8_t, kProjectHeaderSize> header{};
    std::memcpy(header.data(), kProjectMagic, 4);
    header[kVersionAt] = 0x00;
    header[kVersionAt + 1] = 0x01;
    Put32(&header[kSketchOffsetAt], kProjectHeaderSize);
    Put32(&header[kSketchLengthAt], static_cast<std::uint32_t>(imageLength));
    Put32(&header[kColorOffsetAt], static_cast<std::uint32_t>(kProjectHeaderSize + imageLength));
    Put32(&header[kColorLengthAt], static_cast<std::uint32_t>(imageLength));
    header[kBlendingAt] = static_cast<std::uint8_t>(state.BlendingMode);
    header[kOpacityAt] = static_cast<std::uint8_t>(std::clamp(state.Opacity, 1, 99));
    header[kSketchVisibleAt] = state.SketchVisible ? 1 : 0;
    header[kColorVisibleAt] = state.ColorVisible ? 1 : 0;
    header[kSketchDrawableAt] = state.SketchDrawable ? 1 : 0;
    header[kColorDrawableAt] = state.ColorDrawable ? 1 : 0;

    std::string problem;
    try {
        AtomicFileWriter writer(fileName, durable);
        writer.Write(header.data(), header.size());
        WriteBmpTo(writer, sketch);
        WriteBmpTo(writer, color);
        WriteBmpTo(writer, photo);
        if (writer.Commit(problem)) return 0;
    } catch (const std::bad_alloc&) {
        problem = "Cannot write " + Quoted(fileName) + ": not enough memory";
    }
    return Failed(error, problem);
}

int LoadD2OFromMemory(const std::uint8_t* data, std::size_t size, ProjectData& out, std::string* error,
                      bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    if (const char* problem = HeaderProblem(data, size)) return Failed(error, problem);
    if (PicturesTooLarge(data, size, size)) return TooLarge(error, tooLarge, kTooLarge);

    // Each picture is read into a temporary; the document sees all three or none.
    Bitmap pictures[3];
    std::size_t pos = kProjectHeaderSize;
    static const char* const kNames[3] = {"sketch layer", "color layer", "photograph"};
    for (int i = 0; i < 3; ++i) {
        std::size_t consumed = 0;
        std::string problem;
        if (pos >= size) return Failed(error, std::string("the file ends before its ") + kNames[i]);
        try {
            if (!DecodeBmpInto(data + pos, size - pos, pictures[i], consumed, problem))
                return Failed(error, std::string("the ") + kNames[i] + " cannot be read: " + problem);
        } catch (const std::bad_alloc&) {
            return TooLarge(error, tooLarge, kTooLarge);
        } catch (const std::exception& e) {
            return Failed(error, std::string("the ") + kNames[i] + " cannot be read: " + e.what());
        }
        pos += consumed;
    }
    return TakeProject(data, pictures, out, error);
}

int LoadD2O(const std::string& fileName, ProjectData& out, std::string* error, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    if (BlankName(fileName)) return Failed(error, "The project file has no name.");
    // No acceptable project is larger than its header and three of the largest
    // pictures we would decode; a larger file is refused before it is read.
    const std::uint64_t limit = PictureMemoryLimit();
    const std::uint64_t maxBytes = kProjectHeaderSize + 3 * (limit + 4096);
    std::string problem;
    bool large = false;
    try {
        std::vector<std::uint8_t> bytes;
        const auto byteLimit = static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, SIZE_MAX));
        std::error_code unknownSize;
        const std::uintmax_t fileSize = std::filesystem::file_size(fileName, unknownSize);
        if (unknownSize) {
            // What is not a plain file (a named pipe, say) can be read only once: its
            // start and, when that is a project's, the rest are read in one pass.
            const std::string_view magic(reinterpret_cast<const char*>(kProjectMagic), sizeof kProjectMagic);
            if (!ReadFileStartingWith(fileName, magic, kProjectHeaderSize + 2048, bytes, problem, byteLimit))
                return Failed(error, problem);
            if (LoadD2OFromMemory(bytes.data(), bytes.size(), out, &problem, &large) == 0) return 0;
        } else {
            // The start of the file tells a damaged project, or one too large for the
            // memory, before the whole file takes memory.
            if (!ReadFilePrefix(fileName, kProjectHeaderSize + 2048, bytes, problem)) return Failed(error, problem);
            if (const char* damaged = HeaderProblem(bytes.data(), bytes.size())) {
                problem = damaged;
            } else if (PicturesTooLarge(bytes.data(), bytes.size(), fileSize)) {
                large = true;
                problem = kTooLarge;
            } else {
                if (fileSize <= byteLimit && ReadPlainProject(fileName, out)) return 0;
                if (!ReadWholeFile(fileName, bytes, problem, byteLimit)) return Failed(error, problem);
                if (LoadD2OFromMemory(bytes.data(), bytes.size(), out, &problem, &large) == 0) return 0;
            }
        }
    } catch (const std::bad_alloc&) {
        large = true;
        problem = kTooLarge;
    }
    if (tooLarge) *tooLarge = large;
    return Failed(error, Quoted(fileName) + ": " + problem);
}

}  // namespace velmora
