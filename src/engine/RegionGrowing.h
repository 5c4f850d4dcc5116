#pragma once
// Growing one region of the color reduction breadth first, exactly in the order the
// plain scan grows it, since a region's color depends on that order.
//
// Many regions are grown at once, one per thread. A huge region (a sky, a backdrop, a
// picture of one color) would keep its thread busy alone for long, so once it is
// large its growth goes on over a bit per pixel of its own, without the branches and
// the care for other threads that the shared tags need, and its color is found after
// the others' with the work split over the threads.

#include <cstddef>
#include <cstdint>

#include "engine/ColorSegmentation.h"

namespace velmora {

// Two values above all class triples mark the border and, while growing, the pixels
// taken. The narrowest type that holds them is used, because growing reads the tags
// at random and their size decides how much of them stays in the cache.
template <typename Tag>
struct TagValues {
    static constexpr Tag kTaken = static_cast<Tag>(~Tag{0});
    static constexpr Tag kBorder = static_cast<Tag>(~Tag{0} - 1);
};

// Pixel positions packed with y in the high half (both sides are below 2^16).
inline std::uint32_t PackXY(int x, int y) {
    return (static_cast<std::uint32_t>(y) << 16) | static_cast<std::uint32_t>(x);
}
inline int PX(std::uint32_t v) { return static_cast<int>(v & 0xFFFFu); }
inline int PY(std::uint32_t v) { return static_cast<int>(v >> 16); }

// The eight neighbours in the order the plain method tests them: below, above, left,
// right, upper left, upper right, lower left, lower right.
struct Neighbours {
    static constexpr int kDx[8] = {0, 0, -1, 1, -1, 1, -1, 1};
    static constexpr int kDy[8] = {1, -1, 0, 0, -1, -1, 1, 1};
    std::int32_t offset[8];  // in the label grid
    std::uint32_t step[8];   // added to a packed position (modulo 2^32)
    explicit Neighbours(int pw) {
        for (int k = 0; k < 8; ++k) {
            offset[k] = kDy[k] * pw + kDx[k];
            step[k] = static_cast<std::uint32_t>(kDy[k] * 65536 + kDx[k]);
        }
    }
};

// The pixels of a region in the order they were taken, packed; `Buffer` only grows,
// Count is the number taken. Head is where a stopped growth goes on: the pixels
// before it have had their neighbours tested.
struct GrowthOrder {
    RawBuffer<std::uint32_t> Buffer = RawBuffer<std::uint32_t>(1024);
    std::size_t Count = 0;
    std::size_t Head = 0;
    std::uint32_t operator[](std::size_t i) const { return Buffer[i]; }
};

// Grows the region of the pixel (sx, sy), whose tag is `tag`, breadth first as the
// plain method does. A pixel is taken by overwriting its tag with kTaken. Stops,
// returning false, once `limit` pixels are taken (the growth then goes on with
// FinishGrowth); true when the region is complete. Other threads may grow other
// regions in the same tags at the same time. `colors`, when given, is the photograph
// whose pixels the caller reads for the region next; they are fetched ahead as the
// region grows.
template <typename Tag>
bool Grow(Tag* tags, const Grid& g, const Neighbours& nb, int sx, int sy, Tag tag, GrowthOrder& order,
          std::size_t limit = SIZE_MAX, const PhotoPixels* colors = nullptr);

// Regions that reach this size in a photograph of `pixels` pixels are finished by
// FinishGrowth and colored by HugeRegionColor: large enough that marking the rows
// and sharing out the work pay.
std::size_t HugeRegion(std::size_t pixels);

// Finishes a stopped growth of a region whose untaken pixels still hold `tag` and
// none of whose pixels lies above image row `topRow`, leaving the tags as they are.
// Other threads may grow other regions meanwhile. False when the run was cancelled.
template <typename Tag>
bool FinishGrowth(Tag* tags, const Grid& g, Tag tag, int topRow, GrowthOrder& order);

// A region's color: the running halving average of pairs taken from both ends of its
// growth order towards the middle (not the mean), then the palette entry in "Fixed
// Color" (coloringMode 0).
TRGBTriple RegionColor(const TColorStep& step, const PhotoPixels& img, const GrowthOrder& order, int coloringMode);

// The same, split over the threads, for a huge region. Meaningless when the run was
// cancelled meanwhile.
TRGBTriple HugeRegionColor(const TColorStep& step, const PhotoPixels& img, const GrowthOrder& order, int coloringMode);

}  // namespace velmora
