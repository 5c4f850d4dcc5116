#pragma once
// The preferences kept in "options.dat": eight little-endian 32-bit integers.

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

// Reads the file over `options`. A missing or unreadable file sets the first four
// fields to their defaults and leaves the last four alone; a short file fills only
// the fields it covers. Afterwards a negative HistoryStates counts as 0 and a custom
// width or height of 0 or less falls back to the default. Returns false when the
// file could not be opened.
bool LoadOptions(const std::string& path, Options& options);
// Writes the 32 bytes (through a temporary file that replaces the target only when
// complete). Returns an empty string or a message naming the file.
std::string SaveOptions(const std::string& path, const Options& options);

}  // namespace velmora
