#pragma once
// Whole-file reads and safe whole-file writes.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// Reads a whole file; false with a message naming the file when it cannot.
// Files larger than maxBytes are refused.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::string& error,
                   std::size_t maxBytes = std::size_t(1) << 32);

// Writes to a temporary file in the same folder and renames it over `path` only when
// every byte reached the disk; on failure the temporary is removed and any existing
// file is left as it was. The message names the file.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string& error);
inline bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                std::string& error) {
    return WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

// The extension from the last "." of the file name on (empty when none), upper case:
// "photo.jpg" gives ".JPG".
std::string UpperExtension(const std::string& path);

}  // namespace velmora
