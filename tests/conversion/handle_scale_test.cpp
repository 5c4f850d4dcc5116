#include <gtest/gtest.h>

#include <cstdint>

#include "conversion/HandleScale.h"

using namespace velmora;

// The scale of the conversion dialog is 401 x 33 pixels.
constexpr int kW = 401;
constexpr int kH = 33;

TEST(HandleScale, PositionsSpreadOverTheBoxLessOneMarker) {
    EXPECT_EQ(HandlePosition(0, kW), 0);
    EXPECT_EQ(HandlePosition(128, kW), 194);  // 128 * 387 / 255 = 194.26
    EXPECT_EQ(HandlePosition(255, kW), 387);  // the marker ends at 401
    EXPECT_EQ(HandlePosition(1, kW), 1);
    EXPECT_EQ(HandlePosition(254, kW), 385);
}

TEST(HandleScale, PressSelectsTheHandleUnderItOnTheMarkerRowOnly) {
    const std::uint8_t v[5] = {0, 128, 255, 0, 0};
    EXPECT_EQ(HandleAt(200, kH - 2, kW, kH, v, 3), 1);
    EXPECT_EQ(HandleAt(194, kH - 18, kW, kH, v, 3), 1) << "both edges of the marker count";
    EXPECT_EQ(HandleAt(208, kH - 18, kW, kH, v, 3), 1);
    EXPECT_EQ(HandleAt(209, kH - 2, kW, kH, v, 3), -1);
    EXPECT_EQ(HandleAt(200, kH - 19, kW, kH, v, 3), -1) << "above the markers nothing is grabbed";
    EXPECT_EQ(HandleAt(400, kH - 1, kW, kH, v, 3), 2);
    EXPECT_EQ(HandleAt(400, kH - 1, kW, kH, v, 2), -1) << "handles beyond the count are not in use";
    EXPECT_EQ(HandleAt(5, kH - 1, kW, kH, v, 0), -1);
}

TEST(HandleScale, OverlappingHandlesGiveTheLaterLetter) {
    const std::uint8_t same[5] = {60, 60, 61, 200, 60};
    EXPECT_EQ(HandleAt(95, kH - 5, kW, kH, same, 5), 4);
    EXPECT_EQ(HandleAt(95, kH - 5, kW, kH, same, 3), 2);
    EXPECT_EQ(HandleAt(95, kH - 5, kW, kH, same, 9), 4) << "a count above five reads no further than E";
}

TEST(HandleScale, DraggingMapsTheMouseBackToAValue) {
    EXPECT_EQ(HandleValueAt(100, kW), 61);  // (100 - 7) * 255 / 387 = 61.3
    EXPECT_EQ(HandleValueAt(7, kW), 0);
    EXPECT_EQ(HandleValueAt(394, kW), 255);
    EXPECT_EQ(HandleValueAt(0, kW), -4) << "truncates toward zero; the spin edit clamps";
    EXPECT_EQ(HandleValueAt(450, kW), 291);
    // A handle dropped where it is drawn keeps (nearly) its value.
    for (int v = 0; v <= 255; ++v) {
        const int back = HandleValueAt(HandlePosition(v, kW) + 7, kW);
        EXPECT_LE(back, v);
        EXPECT_GE(back, v - 1);
    }
}

TEST(HandleScale, DegenerateBoxesDoNotDivideByZero) {
    EXPECT_EQ(HandleValueAt(10, 14), 0);
    EXPECT_EQ(HandleValueAt(10, 3), 0);
    EXPECT_EQ(HandlePosition(200, 14), 0);
}
