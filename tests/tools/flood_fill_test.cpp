#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/Bitmap.h"
#include "support/Images.h"
#include "tools/FloodFill.h"

using namespace velmora;

namespace {

constexpr std::uint32_t kRed = 0x0000FFu;  // red in the low byte

using Rows = std::vector<std::string>;

// A gray picture from rows of letters: 'A' = 10, 'B' = 20, ... 'Y' = 250.
Bitmap FromRows(const Rows& rows) {
    Bitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            std::uint8_t* p = b.Pixel(x, y);
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>((rows[y][x] - 'A' + 1) * 10);
        }
    return b;
}

// The layer as rows of '*' (holds the fill color red) and '.' (anything else).
Rows Painted(const Bitmap& layer) {
    Rows rows(layer.Height(), std::string(layer.Width(), '.'));
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x) {
            const std::uint8_t* p = layer.Pixel(x, y);
            if (p[0] == 0 && p[1] == 0 && p[2] == 255) rows[y][x] = '*';
        }
    return rows;
}

// An independent depth-first search for the region: pixels reachable from the seed
// through 4-neighbours whose channels all lie within +-t of the seed's.
Rows ReferenceRegion(const Bitmap& pic, int sx, int sy, int t) {
    Rows rows(pic.Height(), std::string(pic.Width(), '.'));
    auto inside = [&](int x, int y) {
        for (int c = 0; c < 3; ++c)
            if (std::abs(pic.Pixel(x, y)[c] - pic.Pixel(sx, sy)[c]) > t) return false;
        return true;
    };
    std::vector<std::pair<int, int>> stack{{sx, sy}};
    rows[sy][sx] = '*';
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        for (const auto& [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
            if (nx < 0 || ny < 0 || nx >= pic.Width() || ny >= pic.Height() || rows[ny][nx] == '*') continue;
            if (!inside(nx, ny)) continue;
            rows[ny][nx] = '*';
            stack.push_back({nx, ny});
        }
    }
    return rows;
}

}  // namespace

TEST(FloodFill, ToleranceIsABoxAroundTheSeed) {
    // +32 in every channel is far in distance but inside the box; one channel at +33 is out.
    Bitmap pic = FromRows({"AAAA"});
    const std::uint8_t levels[4][3] = {{100, 100, 100}, {132, 132, 132}, {68, 68, 68}, {100, 133, 100}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c) pic.Pixel(x, 0)[c] = levels[x][c];
    Bitmap layer(4, 1);
    ASSERT_TRUE(FloodFill(pic, &layer, nullptr, 0, 0, 32, kRed));
    EXPECT_EQ(Painted(layer), Rows{"***."});

    // Bounds clamp to the byte range, so 128 around mid gray matches every color.
    Bitmap noise = test::Noise(40, 30, 7);
    std::uint8_t* seed = noise.Pixel(17, 11);
    seed[0] = seed[1] = seed[2] = 128;
    Bitmap all(40, 30);
    ASSERT_TRUE(FloodFill(noise, &all, nullptr, 17, 11, 128, kRed));
    EXPECT_EQ(Painted(all), Rows(30, std::string(40, '*')));
}

TEST(FloodFill, MatchesAnIndependentSearchOnRandomPictures) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(rng() % 60), h = 1 + static_cast<int>(rng() % 45);
        // Few levels per channel, so that regions are large and oddly shaped.
        Bitmap pic(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) pic.Pixel(x, y)[c] = static_cast<std::uint8_t>(40 * (rng() % 4));
        const int sx = static_cast<int>(rng() % w), sy = static_cast<int>(rng() % h), t = static_cast<int>(rng() % 90);
        // Both layers get the same region, which only 4-neighbours join.
        Bitmap sketch(w, h), color(w, h);
        ASSERT_TRUE(FloodFill(pic, &sketch, &color, sx, sy, t, kRed));
        const Rows expected = ReferenceRegion(pic, sx, sy, t);
        EXPECT_EQ(Painted(sketch), expected) << "round " << round;
        EXPECT_EQ(Painted(color), expected) << "round " << round;
    }
}

TEST(FloodFill, PaintsOnlyDrawableLayersAndRefusesOutsideSeeds) {
    const Bitmap pic = FromRows({"AAB", "ABB"});
    // The region comes from the composite, not from the layer's own content.
    Bitmap sketch = FromRows({"BBB", "BBB"}), color = FromRows({"CCC", "CCC"});
    const Bitmap colorBefore = color;
    ASSERT_TRUE(FloodFill(pic, &sketch, nullptr, 0, 0, 0, kRed));
    EXPECT_EQ(Painted(sketch), (Rows{"**.", "*.."}));
    EXPECT_EQ(color, colorBefore);
    ASSERT_TRUE(FloodFill(pic, nullptr, &color, 2, 1, 0, 0x332211u));
    EXPECT_EQ(color.Pixel(2, 0)[0], 0x33);
    EXPECT_EQ(color.Pixel(2, 0)[2], 0x11);
    EXPECT_EQ(color.Pixel(0, 0)[0], 30);
    EXPECT_TRUE(FloodFill(pic, nullptr, nullptr, 1, 1, 128, kRed));

    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {3, 2}}) {
        Bitmap layer = pic;
        EXPECT_FALSE(FloodFill(pic, &layer, &layer, x, y, 128, kRed)) << x << "," << y;
        EXPECT_EQ(layer, pic);
    }
    // A layer of another size is refused rather than written out of bounds.
    Bitmap small(2, 2);
    EXPECT_FALSE(FloodFill(pic, &small, nullptr, 0, 0, 0, kRed));
    EXPECT_EQ(small, Bitmap(2, 2));
}
