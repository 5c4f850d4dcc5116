#pragma once
// The effect parameter record. Its 121-byte packed little-endian form is what a
// preset (.set) file holds, byte for byte; the struct itself is a plain value and
// goes through ToBytes/FromBytes so the layout never depends on the compiler.

#include <array>
#include <cstdint>

namespace velmora {

class Bitmap;

constexpr int kEffectParamsSize = 121;
using EffectParamsBytes = std::array<std::uint8_t, kEffectParamsSize>;

struct TEffectParams {
    // Offsets 0..19 are run-time values; every caller sets them before a run.
    std::uint32_t Source = 0;  // the 4 bytes stored in a file; meaningless there
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t SketchType = 0;       // 1 "Black && White", 2 "Gray"
    std::int32_t Detail = 0;           // 0..1024
    std::int32_t Darkness = 0;         // 1..256
    std::int32_t SketchSmooth = 0;     // 0..100, blur radius x 20
    std::int32_t Sharper = 0;          // 0..200, sharpening x 5
    bool RemainDark = false;           // offset 40, one byte
    std::int32_t RemainThreshold = 0;  // 0..254, offset 41
    std::int32_t RemainDarkness = 0;   // 0..255
    std::int32_t SmoothType = 0;       // 0 "Circle" (median), 1 "Square" (maximum)
    std::int32_t ColorSmooth = 0;      // 0..19
    std::int32_t BorderBlur = 0;       // 0..255, blur radius x 20
    std::int32_t Brightness = 0;       // -255..255
    std::int32_t Contrast = 0;         // -255..255
    std::int32_t Saturation = 0;       // -127..127
    std::int32_t Red = 0;              // -255..255
    std::int32_t Green = 0;
    std::int32_t Blue = 0;
    bool DrawSketch = false;           // offset 85
    bool DrawColor = false;            // offset 86
    std::int32_t BlendMode = 0;        // 1 Multiply, 2 Overlay
    std::int32_t Opacity = 0;          // 1..99
    std::int32_t ThresholdLevel = 0;   // 0..255
    std::uint8_t Reserved = 0;         // offset 99, carried along unused
    std::int32_t ColorReducer = 0;     // 1..254
    std::int32_t ReducerType = 0;      // 0 "Equality", 1 "Custom"
    std::int32_t ColoringMode = 0;     // 0 "Fixed Color", 1 "Average"
    std::int32_t HandleCount = 0;      // 0..5
    std::array<std::uint8_t, 5> Handles{};  // offset 116

    // Not part of the record: the photograph a run reads (the file's Source field
    // cannot hold a 64-bit reference).
    const Bitmap* SourceBitmap = nullptr;

    EffectParamsBytes ToBytes() const;
    // Reads a full record; booleans are true for any non-zero byte.
    static TEffectParams FromBytes(const EffectParamsBytes& bytes);
    // Overwrites the first n (<= 121) bytes of this record's stored form, as reading
    // a short preset file over an existing record does.
    void OverwritePrefix(const std::uint8_t* data, std::size_t n);

    // Byte-wise equality of the 121-byte form.
    friend bool operator==(const TEffectParams& a, const TEffectParams& b) {
        return a.ToBytes() == b.ToBytes();
    }
};

}  // namespace velmora
