#pragma once
// Preset (.set) files: the 121-byte parameter record, byte for byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/EffectParams.h"

namespace velmora {

// Reads up to 121 bytes over the start of `record` (a short file replaces only the
// bytes it has). False with a message naming the file when it cannot be opened;
// `shortFile` tells whether fewer than 121 bytes were there.
bool ReadPresetFile(const std::string& path, TEffectParams& record, std::string& error,
                    bool* shortFile = nullptr);
// The same over bytes already in memory: at most the first 121 are used. Returns
// whether they covered the whole record.
bool ReadPresetBytes(const std::uint8_t* data, std::size_t size, TEffectParams& record);
// Writes the 121 bytes (atomically). False with a message naming the file.
bool WritePresetFile(const std::string& path, const TEffectParams& record, std::string& error);

}  // namespace velmora
