#include "prefs/Options.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/FileUtil.h"

namespace velmora {

namespace {

// The fields in file order.
std::array<std::int32_t*, 8> Fields(Options& o) {
    return {&o.PreviewSizeMode, &o.PreviewWidth,    &o.PreviewHeight,     &o.HistoryStates,
            &o.LastPreviewTop,  &o.LastPreviewLeft, &o.LastPreviewWidth, &o.LastPreviewHeight};
}

void Sanitize(Options& o) {
    const Options defaults;
    if (o.PreviewSizeMode < 0 || o.PreviewSizeMode > 2) o.PreviewSizeMode = defaults.PreviewSizeMode;
    if (o.PreviewWidth <= 0) o.PreviewWidth = defaults.PreviewWidth;
    if (o.PreviewHeight <= 0) o.PreviewHeight = defaults.PreviewHeight;
    o.HistoryStates = std::clamp(o.HistoryStates, 0, kMaxHistoryStates);
}

}  // namespace

std::array<std::uint8_t, kOptionsFileSize> OptionsBytes(const Options& options) {
    std::array<std::uint8_t, kOptionsFileSize> bytes{};
    Options copy = options;
    const auto fields = Fields(copy);
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const auto v = static_cast<std::uint32_t>(*fields[f]);
        for (int i = 0; i < 4; ++i) bytes[4 * f + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    return bytes;
}

void ReadOptionsBytes(const std::uint8_t* data, std::size_t size, Options& options) {
    std::array<std::uint8_t, kOptionsFileSize> bytes = OptionsBytes(options);
    std::memcpy(bytes.data(), data, std::min<std::size_t>(size, kOptionsFileSize));
    const auto fields = Fields(options);
    for (std::size_t f = 0; f < fields.size(); ++f) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[4 * f + i]) << (8 * i);
        *fields[f] = static_cast<std::int32_t>(v);
    }
    Sanitize(options);
}

bool LoadOptions(const std::string& path, Options& options) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadFilePrefix(path, kOptionsFileSize, bytes, error)) {
        const Options defaults;
        options.PreviewSizeMode = defaults.PreviewSizeMode;
        options.PreviewWidth = defaults.PreviewWidth;
        options.PreviewHeight = defaults.PreviewHeight;
        options.HistoryStates = defaults.HistoryStates;
        return false;
    }
    ReadOptionsBytes(bytes.data(), bytes.size(), options);
    return true;
}

std::string SaveOptions(const std::string& path, const Options& options) {
    const auto bytes = OptionsBytes(options);
    std::string error;
    if (!WriteFileAtomically(path, bytes.data(), bytes.size(), error)) return error;
    return {};
}

}  // namespace velmora
