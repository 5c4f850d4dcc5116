#include <gtest/gtest.h>

#include "common/Bitmap.h"
#include "engine/EffectParams.h"

namespace velmora {
namespace {

std::int32_t At(const EffectParamsBytes& b, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 |
                                     std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
}

TEST(EffectParamsRecord, FieldsSitAtTheirPackedOffsets) {
    TEffectParams p;
    p.Sharper = 0x11223344;
    p.RemainDark = true;
    p.RemainThreshold = 254;
    p.Blue = -255;
    p.DrawSketch = true;
    p.DrawColor = false;
    p.BlendMode = 2;
    p.ThresholdLevel = 200;
    p.Reserved = 0xAB;
    p.ColorReducer = 10;
    p.HandleCount = 5;
    p.Handles = {1, 2, 3, 4, 5};
    const EffectParamsBytes b = p.ToBytes();
    // 41 is the odd offset right after the one-byte boolean at 40.
    for (auto [at, value] : {std::pair{36, 0x11223344}, {41, 254}, {81, -255}, {87, 2}, {95, 200}, {100, 10}, {112, 5}})
        EXPECT_EQ(At(b, static_cast<std::size_t>(at)), value) << "offset " << at;
    for (auto [at, value] : {std::pair{40, 1}, {85, 1}, {86, 0}, {99, 0xAB}, {116, 1}, {117, 2}, {118, 3}, {119, 4},
                             {120, 5}})
        EXPECT_EQ(b[static_cast<std::size_t>(at)], value) << "offset " << at;
}

TEST(EffectParamsRecord, BytesRoundTripAndBooleansAcceptAnyNonZero) {
    EffectParamsBytes raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 37 + 11);
    raw[40] = 1;
    raw[85] = 0;
    raw[86] = 1;
    EXPECT_EQ(TEffectParams::FromBytes(raw).ToBytes(), raw);
    raw[40] = 0x80;
    raw[86] = 2;
    const TEffectParams p = TEffectParams::FromBytes(raw);
    EXPECT_TRUE(p.RemainDark);
    EXPECT_TRUE(p.DrawColor);
    EXPECT_EQ(p.ToBytes()[40], 1);
}

TEST(EffectParamsRecord, OverwritePrefixKeepsTheRestAndTheSource) {
    const Bitmap photo(2, 2);
    TEffectParams p;
    p.Detail = 115;
    p.Handles = {9, 9, 9, 9, 9};
    p.SourceBitmap = &photo;
    const std::uint8_t head[22] = {1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    p.OverwritePrefix(head, sizeof head);
    EXPECT_EQ(p.Source, 0x04030201u);
    EXPECT_EQ(p.Left, 5);
    EXPECT_EQ(p.SketchType, 2);
    EXPECT_EQ(p.Detail, 115);
    EXPECT_EQ(p.Handles[4], 9);
    EXPECT_EQ(p.SourceBitmap, &photo);
    std::uint8_t tooMany[200] = {};
    p.OverwritePrefix(tooMany, sizeof tooMany);  // only 121 bytes are taken
    EXPECT_EQ(p.Handles[4], 0);
    EXPECT_EQ(p.SourceBitmap, &photo);
}

}  // namespace
}  // namespace velmora
