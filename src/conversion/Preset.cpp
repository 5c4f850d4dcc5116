#include "conversion/Preset.h"

#include <vector>

#include "io/FileUtil.h"

namespace velmora {

bool ReadPresetFile(const std::string& path, TEffectParams& record, std::string& error, bool* shortFile) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFilePrefix(path, kEffectParamsSize, bytes, error)) return false;
    const bool whole = ReadPresetBytes(bytes.data(), bytes.size(), record);
    if (shortFile) *shortFile = !whole;
    return true;
}

bool ReadPresetBytes(const std::uint8_t* data, std::size_t size, TEffectParams& record) {
    record.OverwritePrefix(data, size);
    return size >= static_cast<std::size_t>(kEffectParamsSize);
}

bool WritePresetFile(const std::string& path, const TEffectParams& record, std::string& error) {
    const EffectParamsBytes bytes = record.ToBytes();
    return WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace velmora
