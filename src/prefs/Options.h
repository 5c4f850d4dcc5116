#pragma once
// The preferences kept in "options.dat": eight little-endian 32-bit integers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

struct Options {
    std::int32_t PreviewSizeMode = 0;  // 0 "Custom", 1 "Maximized", 2 "Last"
    std::int32_t PreviewWidth = 459;
    std::int32_t PreviewHeight = 451;
    std::int32_t HistoryStates = 50;
    std::int32_t LastPreviewTop = 0;
    std::int32_t LastPreviewLeft = 0;
    std::int32_t LastPreviewWidth = 0;
    std::int32_t LastPreviewHeight = 0;

    friend bool operator==(const Options&, const Options&) = default;
};

constexpr int kOptionsFileSize = 32;
// The most history states a file may ask for. Each state is a snapshot file of the
// whole document and the ring allocates a slot per state, so a damaged file must
// not ask for billions.
constexpr std::int32_t kMaxHistoryStates = 10000;

// Reads the file over `options`. A missing or unreadable file sets the first four
// fields to their defaults and leaves the last four alone; a short file replaces
// only the bytes it has, as if it were read over the fields in memory. Afterwards
// a negative HistoryStates counts as 0 (and one above kMaxHistoryStates as that
// maximum), a custom width or height of 0 or less falls back to its default, and a
// size mode outside 0..2 counts as 0 ("Custom"). Returns false when the file could
// not be opened.
bool LoadOptions(const std::string& path, Options& options);

// The same over bytes already in memory (at most the first 32 are used).
void ReadOptionsBytes(const std::uint8_t* data, std::size_t size, Options& options);
// The 32 bytes of the file.
std::array<std::uint8_t, kOptionsFileSize> OptionsBytes(const Options& options);
// Writes the 32 bytes (through a temporary file that replaces the target only when
// complete). Returns an empty string or a message naming the file.
std::string SaveOptions(const std::string& path, const Options& options);

}  // namespace velmora
