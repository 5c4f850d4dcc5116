#include "tools/FloodFill.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/Geometry.h"
#include "tools/Footprint.h"

namespace velmora {

namespace {

// The states of a visited-map byte. Besides "painted", the map remembers which
// pixels can never be painted (outside the tolerance box, or the one-pixel frame
// around the picture): the composite does not change during a fill, so a pixel's
// color test has one answer, and working it out row by row, sequentially, the first
// time the fill reaches a row, is much cheaper than reading the composite at
// scattered places along the fill's front. The frame replaces the bounds test.
constexpr std::uint8_t kOpen = 0;
constexpr std::uint8_t kPainted = 1;
constexpr std::uint8_t kClosed = 2;

bool SameSize(const Bitmap* layer, const Bitmap& composite) {
    return layer == nullptr || (layer->Width() == composite.Width() && layer->Height() == composite.Height());
}

// The visited map with its frame, filled in row by row. Coordinates here are shifted
// by one, so that the frame sits at 0 and at width + 1 (height + 1).
class VisitedMap {
public:
    VisitedMap(const Bitmap& composite, const std::uint8_t seed[3], int tolerance)
        : composite_(composite), w_(composite.Width()), span_(static_cast<std::size_t>(w_) + 2) {
        const int h = composite.Height();
        // Rows are classified when first reached, so the map starts uninitialised.
        map_.reset(new std::uint8_t[span_ * (static_cast<std::size_t>(h) + 2)]);
        ready_.assign(static_cast<std::size_t>(h) + 2, 0);
        std::memset(Row(0), kClosed, span_);
        std::memset(Row(h + 1), kClosed, span_);
        ready_[0] = ready_[h + 1] = 1;
        for (int c = 0; c < 3; ++c) {
            const int low = std::max(seed[c] - tolerance, 0), high = std::min(seed[c] + tolerance, 255);
            low_[c] = low;
            // A negative tolerance leaves an empty box; only the seed itself is painted.
            width_[c] = high >= low ? static_cast<unsigned>(high - low) : 0u;
            emptyBox_ |= high < low;
        }
    }

    std::size_t Span() const { return span_; }
    std::uint8_t* Row(int y) { return map_.get() + static_cast<std::size_t>(y) * span_; }
    bool Ready(int y) const { return ready_[y] != 0; }

    // Classifies one picture row against the tolerance box.
    void Prepare(int y) {
        std::uint8_t* v = Row(y);
        v[0] = v[w_ + 1] = kClosed;
        const std::uint8_t* c = composite_.Row(y - 1);
        for (int i = 1; i <= w_; ++i, c += 3) {
            const bool inside = !emptyBox_ && static_cast<unsigned>(c[0] - low_[0]) <= width_[0] &&
                                static_cast<unsigned>(c[1] - low_[1]) <= width_[1] &&
                                static_cast<unsigned>(c[2] - low_[2]) <= width_[2];
            v[i] = inside ? kOpen : kClosed;
        }
        ready_[y] = 1;
    }

private:
    const Bitmap& composite_;
    int w_;
    std::size_t span_;
    int low_[3] = {0, 0, 0};
    unsigned width_[3] = {0, 0, 0};
    bool emptyBox_ = false;
    std::unique_ptr<std::uint8_t[]> map_;
    std::vector<std::uint8_t> ready_;
};

// Row starts of a layer indexed by shifted y (entry y + 1 for row y), or none for a
// layer that is not drawable.
std::vector<std::uint8_t*> ShiftedRows(Bitmap* layer) {
    std::vector<std::uint8_t*> rows;
    if (layer == nullptr) return rows;
    rows.assign(static_cast<std::size_t>(layer->Height()) + 2, nullptr);
    for (int y = 0; y < layer->Height(); ++y) rows[y + 1] = layer->Row(y);
    return rows;
}

// The breadth-first walk by generations, then the painting. Which layers are painted is a template
// parameter so that the inner loop carries no test for it.
template <bool kSketch, bool kColor>
void Walk(VisitedMap& map, int width, int height, std::uint8_t* const* sketchRows, std::uint8_t* const* colorRows,
          int seedX, int seedY, BgrBytes fill) {
    const std::size_t span = map.Span();
    auto paint = [&](int x, int y) {
        const std::size_t at = 3 * static_cast<std::size_t>(x - 1);
        if constexpr (kSketch) {
            std::uint8_t* d = sketchRows[y] + at;
            d[0] = fill.B;
            d[1] = fill.G;
            d[2] = fill.R;
        }
        if constexpr (kColor) {
            std::uint8_t* d = colorRows[y] + at;
            d[0] = fill.B;
            d[1] = fill.G;
            d[2] = fill.R;
        }
    };

    const int x0 = seedX + 1, y0 = seedY + 1;
    map.Prepare(y0);
    map.Row(y0)[x0] = kPainted;
    std::vector<Point> current{Point{x0, y0}}, next;
    while (!current.empty()) {
        next.clear();
        for (const Point p : current) {
            if (!map.Ready(p.Y + 1)) map.Prepare(p.Y + 1);
            if (!map.Ready(p.Y - 1)) map.Prepare(p.Y - 1);
            std::uint8_t* at = map.Row(p.Y) + p.X;
            // Below, above, left, right: each open neighbour is marked painted and
            // joins the next generation.
            auto visit = [&](std::uint8_t* v, int x, int y) {
                if (*v != kOpen) return;
                *v = kPainted;
                next.push_back(Point{x, y});
            };
            visit(at + span, p.X, p.Y + 1);
            visit(at - span, p.X, p.Y - 1);
            visit(at - 1, p.X - 1, p.Y);
            visit(at + 1, p.X + 1, p.Y);
        }
        current.swap(next);
    }

    // The layers are written row by row once the region is known. Writing them in the
    // walk's order touches a new cache line and page for nearly every pixel along the
    // diagonal front; the composite is fixed, so the result is the same.
    for (int y = 1; y <= height; ++y) {
        if (!map.Ready(y)) continue;
        const std::uint8_t* v = map.Row(y);
        for (int x = 1; x <= width; ++x)
            if (v[x] == kPainted) paint(x, y);
    }
}

}  // namespace

bool FloodFill(const Bitmap& composite, Bitmap* sketch, Bitmap* color, int x, int y, int tolerance,
               std::uint32_t fillColor) {
    if (x < 0 || y < 0 || x >= composite.Width() || y >= composite.Height()) return false;
    if (!SameSize(sketch, composite) || !SameSize(color, composite)) return false;
    // With no drawable layer the fill could change nothing, so the search is skipped.
    if (sketch == nullptr && color == nullptr) return true;

    VisitedMap map(composite, composite.Pixel(x, y), tolerance);
    const std::vector<std::uint8_t*> sketchRows = ShiftedRows(sketch), colorRows = ShiftedRows(color);
    const BgrBytes fill = BgrOf(fillColor);
    if (sketch && color)
        Walk<true, true>(map, composite.Width(), composite.Height(), sketchRows.data(), colorRows.data(), x, y, fill);
    else if (sketch)
        Walk<true, false>(map, composite.Width(), composite.Height(), sketchRows.data(), nullptr, x, y, fill);
    else
        Walk<false, true>(map, composite.Width(), composite.Height(), nullptr, colorRows.data(), x, y, fill);
    return true;
}

}  // namespace velmora
