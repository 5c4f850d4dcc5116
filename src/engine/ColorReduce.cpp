// Color reduction by region growing, split over the worker threads.
//
// The plain method scans the photograph for seeds and grows each seed breadth first
// into its region: the 8-connected set of pixels whose class triples equal the seed's.
// A region's color depends only on its own pixels in the order of that growth, and
// that order depends only on the seed, which is the region's first pixel in the scan
// order within the scanned part (rows 0 .. Bottom - 1, columns 0 .. Right - 1). So the
// work falls into independent parts:
//   1. Label the regions of the whole photograph (union-find on strips of rows that
//      are then joined at their seams). Each pixel's label is its region's first
//      pixel in scan order, which is the seed when the whole photograph is scanned.
//   2. For each region that reaches into the rectangle, find its seed and grow it
//      exactly as the plain method does, to get the same pixel order and so the same
//      color. The regions are grown in parallel; each touches only its own pixels.
//      A huge region is finished over bits of its own, and its color is found after
//      the others', with the work split over the threads (RegionGrowing.h).
//   3. Paint the rectangle.
// The labels do not depend on the rectangle, so a preview keeps them (and the colors
// already found) for the next preview of the same pixels with the same classes. A
// whole photograph in one run grows every region and keeps nothing, so it skips the
// labels (ReduceWhole.cpp).

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/Buffers.h"
#include "engine/ColorSegmentation.h"
#include "engine/ColorStep.h"
#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"
#include "engine/ReduceWhole.h"
#include "engine/RegionGrowing.h"

namespace velmora {

namespace {

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// Every pixel's class triple as one number, in an array laid out like the labels
// (with the border): (cR * C + cG) * C + cB for C classes per channel, in the
// narrowest type that also holds TagValues' two marks.

// Fills the tags of the whole photograph, rows in parallel. False when cancelled.
template <typename Tag>
bool MakeTags(const PhotoPixels& image, const Grid& g, const Classes& cls, int perChannel, RawBuffer<Tag>& tags) {
    // Every pixel is written below, so only the border is set here.
    SizeBuffer(tags, Area(g.PW, g.PH));
    std::fill_n(tags.begin(), g.PW, TagValues<Tag>::kBorder);
    std::fill_n(tags.begin() + static_cast<std::ptrdiff_t>(Area(g.PW, g.PH - 1)), g.PW, TagValues<Tag>::kBorder);
    std::array<Tag, 256> r{}, gr{};
    for (int v = 0; v < 256; ++v) {
        r[static_cast<std::size_t>(v)] = static_cast<Tag>(cls[static_cast<std::size_t>(v)] * perChannel * perChannel);
        gr[static_cast<std::size_t>(v)] = static_cast<Tag>(cls[static_cast<std::size_t>(v)] * perChannel);
    }
    return ParallelFor(g.SH, g.SW >= 2048 ? 32 : 128, [&](std::int64_t y0, std::int64_t y1) {
               for (std::int64_t y = y0; y < y1; ++y) {
                   if (Cancelled()) return;
                   const std::uint8_t* row = image.Row(static_cast<int>(y));
                   Tag* t = tags.data() + g.At(0, static_cast<int>(y));
                   t[-1] = t[g.SW] = TagValues<Tag>::kBorder;
                   for (int x = 0; x < g.SW; ++x, row += 3)
                       t[x] = static_cast<Tag>(r[row[2]] + gr[row[1]] + cls[row[0]]);
               }
           }) &&
           !Cancelled();
}

// The root of p, halving the path on the way.
inline std::int32_t Find(std::int32_t* parent, std::int32_t p) {
    while (parent[p] != p) {
        parent[p] = parent[parent[p]];
        p = parent[p];
    }
    return p;
}

// Joins the sets of a and b under the smaller root; returns that root. The root that
// is joined below the other is appended to `linked` when given.
inline std::int32_t Union(std::int32_t* parent, std::int32_t a, std::int32_t b,
                          std::vector<std::int32_t>* linked = nullptr) {
    a = Find(parent, a);
    b = Find(parent, b);
    if (a == b) return a;
    if (a > b) std::swap(a, b);
    parent[b] = a;
    if (linked) linked->push_back(b);
    return a;
}

// Labels rows y0 .. y1 - 1 on their own: afterwards every pixel holds the first pixel
// (in scan order) of its region within these rows.
template <typename Tag>
void LabelStrip(const Tag* T, const Grid& g, int y0, int y1, std::int32_t* L) {
    const std::int32_t pw = g.PW;
    for (int y = y0; y < y1; ++y) {
        const bool hasUp = y > y0;
        const std::int32_t first = static_cast<std::int32_t>(g.At(0, y));
        for (std::int32_t p = first; p < first + g.SW; ++p) {
            const Tag k = T[p];
            // With an alike upper neighbour, the alike ones among the left and the two
            // upper diagonal neighbours already share its region: each touches it and
            // was joined to it (or to a neighbour of both) when scanned. The border's
            // tag matches no pixel, so the ends of the rows need no tests.
            // A pixel may point at any earlier pixel of its set, not only at the root:
            // every pointer leads to an earlier pixel, so the pass below still ends
            // each at its root, and the unions find the roots for themselves.
            if (hasUp && T[p - pw] == k) {
                L[p] = L[p - pw];
                continue;
            }
            // Otherwise the left and upper left ones, when both alike, touch each other
            // and are joined already; the upper right one may still be apart.
            std::int32_t r = -1;
            if (T[p - 1] == k)
                r = L[p - 1];
            else if (hasUp && T[p - pw - 1] == k)
                r = L[p - pw - 1];
            if (hasUp && T[p - pw + 1] == k) r = r < 0 ? L[p - pw + 1] : Union(L, r, p - pw + 1);
            L[p] = r < 0 ? p : r;
        }
    }
    // Point every pixel straight at its root. Parents always come earlier in the scan,
    // so one pass in scan order suffices.
    for (int y = y0; y < y1; ++y) {
        std::int32_t* lrow = L + g.At(0, y);
        for (int x = 0; x < g.SW; ++x) lrow[x] = L[lrow[x]];
    }
}

// Whether the root p is a region of its own. Only the neighbours after a root in the
// scan order can share its region; the earlier ones hold earlier roots.
inline bool LoneRoot(const std::int32_t* L, std::int32_t p, std::int32_t pw) {
    return L[p + 1] != p && L[p + pw - 1] != p && L[p + pw] != p && L[p + pw + 1] != p;
}

// The labels of the whole photograph: every pixel holds the padded index of the first
// pixel of its region in scan order. False when cancelled.
template <typename Tag>
bool LabelRegions(const Tag* T, const Grid& g, RawBuffer<std::int32_t>& labels) {
    // The strips write every pixel, so only the border is set here.
    SizeBuffer(labels, Area(g.PW, g.PH));
    std::fill_n(labels.begin(), g.PW, -1);
    std::fill_n(labels.begin() + static_cast<std::ptrdiff_t>(Area(g.PW, g.PH - 1)), g.PW, -1);
    std::int32_t* L = labels.data();
    const int threads = ParallelThreadCount();
    const int strips = std::max(1, std::min(g.SH / 64, threads * 4));
    const int stripRows = (g.SH + strips - 1) / strips;
    if (!ParallelFor(strips, 1, [&](std::int64_t s0, std::int64_t s1) {
            for (std::int64_t s = s0; s < s1; ++s) {
                if (Cancelled()) return;
                const int y0 = static_cast<int>(s) * stripRows;
                const int y1 = std::min(g.SH, y0 + stripRows);
                for (int y = y0; y < y1; ++y) L[g.At(0, y) - 1] = L[g.At(g.SW, y)] = -1;
                if (y0 < y1) LabelStrip(T, g, y0, y1, L);
            }
        }) ||
        Cancelled())
        return false;

    // Join the strips at their seams: the first row of each strip with the last row of
    // the one above, through the same three upper neighbours.
    std::vector<std::int32_t> linked;
    for (int y = stripRows; y < g.SH; y += stripRows) {
        const std::int32_t first = static_cast<std::int32_t>(g.At(0, y));
        for (std::int32_t p = first; p < first + g.SW; ++p)
            for (int dx = -1; dx <= 1; ++dx)
                if (T[p - g.PW + dx] == T[p]) Union(L, p, p - g.PW + dx, &linked);
    }
    // The roots that were joined under others now point at their final root; then every
    // pixel follows its strip root to the final one. Each thread reads only the strip
    // roots of its own strip, which nobody writes any more.
    std::sort(linked.begin(), linked.end());
    for (std::int32_t r : linked) L[r] = Find(L, r);
    return ParallelFor(strips, 1, [&](std::int64_t s0, std::int64_t s1) {
               for (std::int64_t s = s0; s < s1; ++s) {
                   const int y0 = static_cast<int>(s) * stripRows;
                   const int y1 = std::min(g.SH, y0 + stripRows);
                   for (int y = y0; y < y1; ++y) {
                       std::int32_t* lrow = L + g.At(0, y);
                       for (int x = 0; x < g.SW; ++x) {
                           const std::int32_t root = L[lrow[x]];
                           if (root != lrow[x]) lrow[x] = root;
                       }
                   }
               }
           }) &&
           !Cancelled();
}

// The reduction proper, once the classes are known: labels and tags (unless kept),
// then the regions' colors, then the rectangle. False when cancelled.
template <typename Seg, typename Tag>
bool ReduceWith(TColorStep& step, const PhotoPixels& img, Seg& seg, RawBuffer<Tag>& tags, bool labelled,
                int coloringMode, StepPositions& steps, bool wholePhotograph, const ToneMap* tone) {
    const Grid g = seg.grid;
    const int Left = step.Left, Top = step.Top, Right = step.Right, Bottom = step.Bottom;
    const int SrcWidth = step.SrcWidth, SrcHeight = step.SrcHeight, Width = step.Width, Height = step.Height;
    if (!labelled) {
        const int perChannel = *std::max_element(seg.classes.begin(), seg.classes.end()) + 1;
        if (!MakeTags(img, g, seg.classes, perChannel, tags)) return false;
        if (!wholePhotograph && !LabelRegions(tags.data(), g, seg.labels)) return false;
    }
    if (wholePhotograph) return ReduceWholePhotograph(step, img, g, tags.data(), coloringMode, steps, tone);
    steps.ReportUpTo(Bottom / 2 - 1);
    const Neighbours nb(g.PW);
    std::int32_t* L = seg.labels.data();
    Tag* T = tags.data();

    // Huge regions: finished over bits of their own when they reach `huge` pixels,
    // and put aside to be colored after the others, by all threads. `index` is the
    // region's place in toGrow below.
    const std::size_t huge = HugeRegion(Area(SrcWidth, SrcHeight));
    struct Aside {
        std::int32_t root;
        std::size_t index;
        GrowthOrder order;
    };
    std::mutex asideMutex;
    std::vector<Aside> aside;
    auto putAside = [&](std::int32_t root, std::size_t index, GrowthOrder& order) {
        std::lock_guard<std::mutex> lock(asideMutex);
        aside.push_back(Aside{root, index, std::move(order)});
        order = GrowthOrder();
    };

    // 1. The regions that reach into the rectangle, each once, and whether a pixel is
    //    a region of its own. Marks: bit 1 region listed, bit 2 seed still to be found.
    LargeVector<std::uint8_t> marks(Area(g.PW, g.PH), 0);
    struct Region {
        std::int32_t root, seed;
        TRGBTriple color;
        bool known;
    };
    std::vector<Region> regions;
    int pending = 0, firstPendingRow = Bottom;
    for (int y = Top; y < Bottom; ++y) {
        if (Cancelled()) return false;
        std::int32_t last = -1;
        for (int x = Left; x < Right; ++x) {
            const std::int32_t p = static_cast<std::int32_t>(g.At(x, y));
            const std::int32_t root = L[p];
            if (root == last || (marks[static_cast<std::size_t>(root)] & 2)) continue;
            last = root;
            if (root == p && LoneRoot(L, p, g.PW)) continue;
            marks[static_cast<std::size_t>(root)] |= 2;
            // The seed is the root unless the root lies right of the scanned columns;
            // then it is the region's first pixel left of them.
            const bool rootScanned = g.X(root) < Right;
            regions.push_back(Region{root, rootScanned ? root : -1, TRGBTriple{}, false});
            if (!rootScanned) {
                marks[static_cast<std::size_t>(root)] |= 4;
                ++pending;
                firstPendingRow = std::min(firstPendingRow, g.Y(root));
            }
        }
    }
    // 2. Seeds of the regions whose root was not scanned.
    if (pending > 0) {
        std::unordered_map<std::int32_t, std::int32_t> seeds;
        for (int y = firstPendingRow; y < Bottom && pending > 0; ++y) {
            if (Cancelled()) return false;
            for (int x = 0; x < Right && pending > 0; ++x) {
                const std::int32_t root = L[g.At(x, y)];
                if (marks[static_cast<std::size_t>(root)] & 4) {
                    marks[static_cast<std::size_t>(root)] &= static_cast<std::uint8_t>(~4);
                    seeds[root] = static_cast<std::int32_t>(g.At(x, y));
                    --pending;
                }
            }
        }
        for (Region& r : regions)
            if (r.seed < 0) r.seed = seeds.at(r.root);
    }
    // 3. Colors: those found before, then the others grown in parallel.
    auto colorKey = [](const Region& r) {
        return (static_cast<std::uint64_t>(r.root) << 32) | static_cast<std::uint32_t>(r.seed);
    };
    std::vector<std::size_t> toGrow;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        Region& r = regions[i];
        const auto it = seg.colors.find(colorKey(r));
        if (it != seg.colors.end()) {
            r.color = it->second;
            r.known = true;
        } else {
            toGrow.push_back(i);
        }
    }
    ParallelLoop loop;
    loop.Count = static_cast<std::int64_t>(toGrow.size());
    loop.Grain = 8;
    loop.Progress = [&](std::int64_t done) {
        steps.ReportUpTo(Bottom / 2 + done * (Bottom - Bottom / 2) / loop.Count - 1);
    };
    if (!ParallelFor(loop, [&](std::int64_t i0, std::int64_t i1) {
            GrowthOrder order;
            for (std::int64_t i = i0; i < i1; ++i) {
                if (Cancelled()) return;
                Region& r = regions[toGrow[static_cast<std::size_t>(i)]];
                const Tag tag = T[r.seed];
                if (!Grow(T, g, nb, g.X(r.seed), g.Y(r.seed), tag, order, huge, &img)) {
                    // Finishing leaves the tags as they are: those overwritten so far
                    // are given back. The root may lie above the seed, right of the
                    // scanned columns.
                    const std::size_t overwritten = order.Count;
                    if (!FinishGrowth(T, g, tag, g.Y(r.root), order)) return;
                    for (std::size_t k = 0; k < overwritten; ++k)
                        std::atomic_ref<Tag>(T[g.At(PX(order[k]), PY(order[k]))]).store(tag, std::memory_order_relaxed);
                    putAside(r.root, static_cast<std::size_t>(i), order);
                    continue;
                }
                r.color = RegionColor(step, img, order, coloringMode);
                // The tags are kept: give back what growing overwrote.
                for (std::size_t k = 0; k < order.Count; ++k)
                    std::atomic_ref<Tag>(T[g.At(PX(order[k]), PY(order[k]))]).store(tag, std::memory_order_relaxed);
            }
        }) ||
        Cancelled())
        return false;
    for (Aside& a : aside) {
        regions[toGrow[a.index]].color = HugeRegionColor(step, img, a.order, coloringMode);
        if (Cancelled()) return false;
    }
    std::unordered_map<std::int32_t, TRGBTriple> colorOf;
    colorOf.reserve(regions.size());
    for (const Region& r : regions) {
        colorOf[r.root] = r.color;
        if (!r.known) seg.colors[colorKey(r)] = r.color;
    }
    // 4. Paint the rectangle.
    return ParallelFor(Height, 32,
                       [&](std::int64_t r0, std::int64_t r1) {
                           for (std::int64_t ry = r0; ry < r1; ++ry) {
                               const int y = Top + static_cast<int>(ry);
                               TRGBTriple* out = step.Reduced.data() + Area(Width, static_cast<int>(ry));
                               std::int32_t lastRoot = -1;
                               TRGBTriple lastColor{};
                               for (int x = Left; x < Right; ++x) {
                                   const std::int32_t root = L[g.At(x, y)];
                                   if (root != lastRoot) {
                                       const auto it = colorOf.find(root);
                                       if (it == colorOf.end()) {  // a region of its own
                                           out[x - Left] = img.At(x, y);
                                           continue;
                                       }
                                       lastRoot = root;
                                       lastColor = it->second;
                                   }
                                   out[x - Left] = lastColor;
                               }
                           }
                       }) &&
           !Cancelled();
}

}  // namespace

TColorStep::~TColorStep() = default;
TColorStep::TColorStep(TColorStep&& other) noexcept = default;
TColorStep& TColorStep::operator=(TColorStep&& other) noexcept = default;

TColorStep::TColorStep(const TColorStep& other)
    : Visited(other.Visited), Segment(other.Segment), SegmentCount(other.SegmentCount),
      SegmentColor(other.SegmentColor), FullImage(other.FullImage), Reduced(other.Reduced),
      Smoothed(other.Smoothed), Blurred(other.Blurred), Progress(other.Progress), Palette(other.Palette),
      Levels(other.Levels), Final(other.Final), Width(other.Width), Height(other.Height),
      SrcWidth(other.SrcWidth), SrcHeight(other.SrcHeight), Left(other.Left), Top(other.Top),
      Right(other.Right), Bottom(other.Bottom), reducerType_(other.reducerType_),
      colorReducer_(other.colorReducer_), levelCount_(other.levelCount_), content_(other.content_),
      photo_(other.photo_), toneToFold_(other.toneToFold_), toneFolded_(other.toneFolded_) {}

TColorStep& TColorStep::operator=(const TColorStep& other) {
    if (this != &other) *this = TColorStep(other);
    return *this;
}

void TColorStep::ForgetPhotograph() {
    content_ = ContentKey{};
    photo_ = nullptr;
    segmentation_.reset();
}

void TColorStep::ReduceColors(int colorReducer, int reducerType, int coloringMode, int handleCount,
                              const std::array<std::uint8_t, 5>& handles) {
    ReportCaption(Progress, "Color Reducing");
    const std::optional<std::array<int, 3>> fold = toneToFold_;
    toneToFold_.reset();
    toneFolded_.reset();
    // A damaged record is refused before a run; this keeps a direct call from
    // dividing by zero or reading past the five handles all the same.
    if (colorReducer < 1 || handleCount < 0 || handleCount > 5) return;
    // The photograph: the bitmap given to LoadRegion with its content, or the copy.
    PhotoPixels img;
    if (photo_ && photo_->Width() == SrcWidth && photo_->Height() == SrcHeight) {
        img = PhotoPixels{photo_->Data(), photo_->Stride()};
    } else if (FullImage.size() == Area(SrcWidth, SrcHeight)) {
        img = PhotoPixels{reinterpret_cast<const std::uint8_t*>(FullImage.data()), Area(SrcWidth, 1) * 3};
    } else {
        return;
    }
    if (Reduced.size() != Area(Width, Height)) return;

    reducerType_ = reducerType;
    colorReducer_ = colorReducer;
    levelCount_ = handleCount;
    std::array<std::uint8_t, 5> sorted = handles;  // the record itself stays as it is
    std::sort(sorted.begin(), sorted.begin() + handleCount);
    Levels.fill(0);
    Levels[0] = -1;
    for (int i = 0; i < handleCount; ++i) Levels[i + 1] = sorted[i];
    Levels[handleCount + 1] = 256;
    Classes cls{};
    for (int v = 0; v < 256; ++v) cls[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(ColorClass(v));

    // The plain scan reports a position after each of the rows 0 .. Bottom - 1; here
    // the first half of them stands for the labelling and the rest for the growing.
    StepPositions steps(Progress, 0, -Top, Height - 1);
    const bool wholePhotograph = Left == 0 && Top == 0 && Right == SrcWidth && Bottom == SrcHeight;
    if (Width == 0 || Height == 0) {  // no region can reach into the rectangle
        if (Cancelled()) return;
        steps.ReportUpTo(Bottom - 1);
        ReportStepDone(Progress);
        return;
    }

    // The labels and tags: kept from the last reduction of the same pixels and
    // classes, or new.
    std::unique_ptr<Segmentation> seg;
    if (segmentation_ && content_.Known() && segmentation_->content == content_ && segmentation_->classes == cls)
        seg = std::move(segmentation_);
    segmentation_.reset();
    bool labelled = seg != nullptr;
    if (!seg) {
        seg = std::make_unique<Segmentation>();
        seg->content = content_;
        seg->classes = cls;
        seg->grid = Grid{SrcWidth, SrcHeight, SrcWidth + 2, SrcHeight + 2};
    }
    if (seg->coloringMode != coloringMode) {
        seg->colors.clear();
        seg->coloringMode = coloringMode;
    }
    // Two values above every class triple must fit.
    const long long perChannel = *std::max_element(cls.begin(), cls.end()) + 1;
    const bool narrow = perChannel * perChannel * perChannel <= 65534;
    std::optional<ToneMap> tone;
    if (fold && SingleRun && wholePhotograph) tone.emplace((*fold)[0], (*fold)[1], (*fold)[2]);
    const ToneMap* t = tone ? &*tone : nullptr;
    const bool done =
        narrow ? ReduceWith(*this, img, *seg, seg->tags16, labelled, coloringMode, steps, wholePhotograph, t)
               : ReduceWith(*this, img, *seg, seg->tags32, labelled, coloringMode, steps, wholePhotograph, t);
    if (!done || Cancelled()) return;
    if (tone) toneFolded_ = fold;
    // Keep the labels, tags and colors for the next preview of these pixels; growing
    // over the whole photograph used the tags up.
    if (content_.Known() && !wholePhotograph) segmentation_ = std::move(seg);
    steps.ReportUpTo(Bottom - 1);
    ReportStepDone(Progress);
}

}  // namespace velmora
