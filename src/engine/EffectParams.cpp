#include "engine/EffectParams.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

struct Writer {
    EffectParamsBytes& b;
    std::size_t pos = 0;
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[pos++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void U8(std::uint8_t v) { b[pos++] = v; }
};

struct Reader {
    const EffectParamsBytes& b;
    std::size_t pos = 0;
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(b[pos++]) << (8 * i);
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::uint8_t U8() { return b[pos++]; }
};

}  // namespace

EffectParamsBytes TEffectParams::ToBytes() const {
    EffectParamsBytes bytes{};
    Writer w{bytes};
    w.U32(Source);
    w.I32(Left);
    w.I32(Top);
    w.I32(Width);
    w.I32(Height);
    w.I32(SketchType);
    w.I32(Detail);
    w.I32(Darkness);
    w.I32(SketchSmooth);
    w.I32(Sharper);
    w.U8(RemainDark ? 1 : 0);
    w.I32(RemainThreshold);
    w.I32(RemainDarkness);
    w.I32(SmoothType);
    w.I32(ColorSmooth);
    w.I32(BorderBlur);
    w.I32(Brightness);
    w.I32(Contrast);
    w.I32(Saturation);
    w.I32(Red);
    w.I32(Green);
    w.I32(Blue);
    w.U8(DrawSketch ? 1 : 0);
    w.U8(DrawColor ? 1 : 0);
    w.I32(BlendMode);
    w.I32(Opacity);
    w.I32(ThresholdLevel);
    w.U8(Reserved);
    w.I32(ColorReducer);
    w.I32(ReducerType);
    w.I32(ColoringMode);
    w.I32(HandleCount);
    for (std::uint8_t h : Handles) w.U8(h);
    return bytes;
}

TEffectParams TEffectParams::FromBytes(const EffectParamsBytes& bytes) {
    TEffectParams p;
    Reader r{bytes};
    p.Source = r.U32();
    p.Left = r.I32();
    p.Top = r.I32();
    p.Width = r.I32();
    p.Height = r.I32();
    p.SketchType = r.I32();
    p.Detail = r.I32();
    p.Darkness = r.I32();
    p.SketchSmooth = r.I32();
    p.Sharper = r.I32();
    p.RemainDark = r.U8() != 0;
    p.RemainThreshold = r.I32();
    p.RemainDarkness = r.I32();
    p.SmoothType = r.I32();
    p.ColorSmooth = r.I32();
    p.BorderBlur = r.I32();
    p.Brightness = r.I32();
    p.Contrast = r.I32();
    p.Saturation = r.I32();
    p.Red = r.I32();
    p.Green = r.I32();
    p.Blue = r.I32();
    p.DrawSketch = r.U8() != 0;
    p.DrawColor = r.U8() != 0;
    p.BlendMode = r.I32();
    p.Opacity = r.I32();
    p.ThresholdLevel = r.I32();
    p.Reserved = r.U8();
    p.ColorReducer = r.I32();
    p.ReducerType = r.I32();
    p.ColoringMode = r.I32();
    p.HandleCount = r.I32();
    for (std::uint8_t& h : p.Handles) h = r.U8();
    return p;
}

void TEffectParams::OverwritePrefix(const std::uint8_t* data, std::size_t n) {
    EffectParamsBytes bytes = ToBytes();
    std::memcpy(bytes.data(), data, std::min<std::size_t>(n, kEffectParamsSize));
    const Bitmap* source = SourceBitmap;
    *this = FromBytes(bytes);
    SourceBitmap = source;
}

}  // namespace velmora
