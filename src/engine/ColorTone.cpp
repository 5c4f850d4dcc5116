// Tone and color adjustments of TColorStep, in their buffer forms (pipeline, with
// progress and cancel checks) and rectangle forms (adjustment dialogs), and the
// rectangle blur. Both forms map pixels through the same lookup tables.

#include <algorithm>
#include <cstdlib>

#include "engine/ColorStep.h"
#include "engine/GBlur2.h"
#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"

namespace velmora {

// Entries 78 and 89 stand above their neighbours; the table is used as it is.
const std::array<int, 128> SaturationGain = {
    255,   263,   271,   279,   287,   295,   303,   311,   319,   327,   335,   343,   351,   359,   367,   375,
    383,   391,   399,   407,   415,   423,   431,   439,   447,   463,   479,   495,   511,   527,   543,   559,
    575,   591,   607,   623,   639,   655,   671,   688,   703,   719,   735,   751,   767,   783,   799,   815,
    831,   847,   863,   879,   895,   911,   927,   943,   959,   975,   991,   1007,  1023,  1055,  1087,  1119,
    1151,  1183,  1215,  1247,  1279,  1311,  1343,  1375,  1407,  1439,  1471,  1503,  1535,  1567,  1659,  1631,
    1663,  1695,  1727,  1759,  1791,  1823,  1855,  1887,  1919,  2015,  1952,  1983,  2047,  2176,  2303,  2431,
    2559,  2687,  2815,  2943,  3071,  3199,  3327,  3455,  3583,  3711,  3839,  3967,  4095,  4531,  4607,  5119,
    5631,  6143,  7167,  8191,  10239, 12287, 14335, 16383, 20479, 24575, 28671, 32767, 40959, 49151, 57343, 65535,
};

std::array<std::uint8_t, 256> BrightnessTable(int amount) {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        const long long v = static_cast<long long>(i) + amount;
        t[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return t;
}

std::array<std::uint8_t, 256> ContrastTable(int amount, int pivot) {
    const long long c = amount;
    const long long a = c >= 0 ? ((c + 16) * c) / 17 : c;
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        // Values below the pivot move down, the others up (or the reverse for a
        // negative amount), in proportion to their distance from pivot + 1.
        const long long d = (std::llabs(static_cast<long long>(pivot) + 1 - i) * a) / 256;
        const long long v = i < pivot ? i - d : i + d;
        t[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return t;
}

SaturationTables MakeSaturationTables(int amount) {
    // Amounts outside -127..127 only come from damaged records; they act as the limits.
    const int s = std::clamp(amount, -127, 127);
    const int k = s < 0 ? (s + 127) * 2 : SaturationGain[static_cast<std::size_t>(s)];
    SaturationTables t;
    for (int i = 0; i < 256; ++i) t.Gain[i] = static_cast<std::uint16_t>((i * k) >> 8);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 3; ++j) t.Base[static_cast<std::size_t>(3 * i + j)] = i - t.Gain[i];
    return t;
}

namespace {

// The rectangle r clipped to both bitmaps; false when nothing is left.
bool ClipRect(const Bitmap& src, const Bitmap& dst, Rect& r) {
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min({r.Right, src.Width() - 1, dst.Width() - 1});
    r.Bottom = std::min({r.Bottom, src.Height() - 1, dst.Height() - 1});
    return r.Left <= r.Right && r.Top <= r.Bottom;
}

// Rows handed to one thread at a time by the point operations.
int PointRows(int width) { return width >= 2048 ? 32 : width >= 512 ? 128 : 512; }

template <typename Map>
void MapRect(const Bitmap& src, Bitmap& dst, Rect r, Map map) {
    if (!ClipRect(src, dst, r)) return;
    // Never stopped by CancelFlag: an adjustment always completes.
    ParallelLoop rows;
    rows.Count = r.Height();
    rows.Grain = PointRows(r.Width());
    rows.StopOnCancel = false;
    ParallelFor(rows, [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = r.Top + y0; y < r.Top + y1; ++y) {
            const std::uint8_t* s = src.Pixel(r.Left, static_cast<int>(y));
            std::uint8_t* d = dst.Pixel(r.Left, static_cast<int>(y));
            for (int x = r.Left; x <= r.Right; ++x, s += 3, d += 3) {
                TRGBTriple p{s[0], s[1], s[2]};
                map(p);
                d[0] = p.B;
                d[1] = p.G;
                d[2] = p.R;
            }
        }
    });
}

// A map that keeps the colors it mapped last, by a hash of the color: after the
// reduction colors repeat (every pixel of a region has the region's), and finding one
// costs less than mapping it again. Each thread's share of the rows has its own.
template <typename Map>
class RememberingMap {
public:
    explicit RememberingMap(const Map& map) : map_(map) {}
    void operator()(TRGBTriple& p) {
        const std::uint32_t color = PackColor(p);
        Kept& k = kept_[(color * 0x9E3779B1u) >> (32 - kBits)];
        if (k.color != color) {
            k.color = color;
            map_(p);
            k.mapped = p;
        }
        p = k.mapped;
    }

private:
    static constexpr int kBits = 12;
    struct Kept {
        std::uint32_t color = ~0u;  // no color packs to this
        TRGBTriple mapped{};
    };
    const Map& map_;
    std::array<Kept, std::size_t{1} << kBits> kept_{};
};

// The common loop of the buffer forms: rows split over the worker threads, a cancel
// check before each row, the positions of the single loop (y * 100 div (height - 1)
// after row y) and one total step at the end. `Remember` keeps mapped colors for a
// costly map of colors that repeat.
template <bool Remember = false, typename Map>
bool MapBuffer(const TripleBuffer& src, TripleBuffer& dst, int width, int height, ProgressTargets* progress,
               Map map) {
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (src.size() != n) return false;
    if (&src != &dst) dst.resize(n);
    StepPositions steps(progress, 0, 0, height - 1);
    ParallelLoop rows;
    rows.Count = height;
    rows.Grain = PointRows(width);
    rows.Progress = [&](std::int64_t done) { steps.ReportUpTo(done - 1); };
    auto mapRows = [&](std::int64_t y0, std::int64_t y1, auto& f) {
        for (std::int64_t y = y0; y < y1; ++y) {
            if (Cancelled()) return;
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            const TRGBTriple* s = src.data() + row;
            TRGBTriple* d = dst.data() + row;
            for (int x = 0; x < width; ++x) {
                TRGBTriple p = s[x];
                f(p);
                d[x] = p;
            }
        }
    };
    const bool done = ParallelFor(rows, [&](std::int64_t y0, std::int64_t y1) {
        if constexpr (Remember) {
            RememberingMap<Map> remembering(map);
            mapRows(y0, y1, remembering);
        } else {
            mapRows(y0, y1, map);
        }
    });
    if (!done || Cancelled()) return false;
    ReportStepDone(progress);
    return true;
}

// What a buffer form that was folded into an earlier pass still reports: its caption,
// the positions of its rows and its total step.
void ReportFoldedStep(ProgressTargets* progress, const char* caption, int height) {
    ReportCaption(progress, caption);
    StepPositions(progress, 0, 0, height - 1).ReportUpTo(height - 1);
    if (!Cancelled()) ReportStepDone(progress);
}

}  // namespace

void TColorStep::ApplyBrightness(const TripleBuffer& src, TripleBuffer& dst, int red, int green, int blue) {
    ReportCaption(Progress, "Brightness");
    const auto tr = BrightnessTable(red), tg = BrightnessTable(green), tb = BrightnessTable(blue);
    if (Cancelled()) return;
    MapBuffer(src, dst, Width, Height, Progress, [&](TRGBTriple& p) {
        p.R = tr[p.R];
        p.G = tg[p.G];
        p.B = tb[p.B];
    });
}

void TColorStep::ApplyContrast(const TripleBuffer& src, TripleBuffer& dst, int amount) {
    ReportCaption(Progress, "Contrast");
    const auto t = ContrastTable(amount, kContrastPivot);
    MapBuffer(src, dst, Width, Height, Progress, [&](TRGBTriple& p) {
        p.R = t[p.R];
        p.G = t[p.G];
        p.B = t[p.B];
    });
}

void TColorStep::ApplySaturation(const TripleBuffer& src, TripleBuffer& dst, int amount) {
    ReportCaption(Progress, "Saturation");
    const SaturationTables t = MakeSaturationTables(amount);
    if (Cancelled()) return;
    MapBuffer(src, dst, Width, Height, Progress, [&](TRGBTriple& p) { Saturate(p, t); });
}

ToneMap::ToneMap(int brightness, int contrast, int saturation) : saturation_(MakeSaturationTables(saturation)) {
    const auto contrastTable = ContrastTable(contrast, kContrastPivot);
    const auto brightnessTable = BrightnessTable(brightness);
    for (std::size_t i = 0; i < 256; ++i) table_[i] = brightnessTable[contrastTable[i]];
}

void TColorStep::FoldToneIntoReduction(int brightness, int contrast, int saturation) {
    toneToFold_ = std::array<int, 3>{brightness, contrast, saturation};
}

void TColorStep::AdjustTone(int brightness, int contrast, int saturation) {
    // Saturation, contrast and brightness in one pass over the pixels: the contrast
    // and brightness tables compose into one, applied after the saturation. The
    // contrast and brightness steps still report their captions, positions and total
    // steps, in the same order. Colors the reduction has already painted through the
    // same adjustments (FoldToneIntoReduction) are only passed on.
    ReportCaption(Progress, "Saturation");
    const bool folded = toneFolded_ == std::array<int, 3>{brightness, contrast, saturation};
    toneFolded_.reset();
    if (folded && SingleRun && Reduced.size() == static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height)) {
        if (Cancelled()) return;
        Final.swap(Reduced);
        TripleBuffer().swap(Reduced);
        StepPositions(Progress, 0, 0, Height - 1).ReportUpTo(Height - 1);
        if (Cancelled()) return;
        ReportStepDone(Progress);
    } else {
        const ToneMap tone(brightness, contrast, saturation);
        if (Cancelled()) return;
        if (SingleRun) {
            Final.swap(Reduced);
            TripleBuffer().swap(Reduced);
        }
        const bool done = MapBuffer<true>(SingleRun ? Final : Reduced, Final, Width, Height, Progress,
                                          [&](TRGBTriple& p) { p = tone(p); });
        if (!done) return;
    }
    ReportFoldedStep(Progress, "Contrast", Height);
    if (Cancelled()) return;
    ReportFoldedStep(Progress, "Brightness", Height);
}

void TColorStep::ColorBalance(int red, int green, int blue) {
    if (!SingleRun) return ApplyBrightness(Blurred, Final, red, green, blue);
    Final.swap(Blurred);
    TripleBuffer().swap(Blurred);
    // With every channel unchanged the pass would write each pixel back as it is.
    const bool unchanged = red == 0 && green == 0 && blue == 0;
    if (unchanged && Final.size() == static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height)) {
        if (Cancelled()) return ReportCaption(Progress, "Brightness");
        return ReportFoldedStep(Progress, "Brightness", Height);
    }
    ApplyBrightness(Final, Final, red, green, blue);
}

void TColorStep::BrightnessRect(const Bitmap& src, Bitmap& dst, Rect r, int red, int green, int blue) {
    const auto tr = BrightnessTable(red), tg = BrightnessTable(green), tb = BrightnessTable(blue);
    MapRect(src, dst, r, [&](TRGBTriple& p) {
        p.R = tr[p.R];
        p.G = tg[p.G];
        p.B = tb[p.B];
    });
}

void TColorStep::ContrastRect(const Bitmap& src, Bitmap& dst, Rect r, int amount, int pivot) {
    const auto t = ContrastTable(amount, pivot);
    MapRect(src, dst, r, [&](TRGBTriple& p) {
        p.R = t[p.R];
        p.G = t[p.G];
        p.B = t[p.B];
    });
}

void TColorStep::SaturationRect(const Bitmap& src, Bitmap& dst, Rect r, int amount) {
    const SaturationTables t = MakeSaturationTables(amount);
    MapRect(src, dst, r, [&](TRGBTriple& p) { Saturate(p, t); });
}

void TColorStep::BlurRect(const Bitmap& src, Bitmap& dst, Rect r, double radius) {
    // Deliberately blind to CancelFlag: a cancel left over from an earlier conversion
    // must not stop an adjustment halfway.
    if (!ClipRect(src, dst, r)) return;
    const int w = r.Width();
    const int h = r.Height();
    Blurred.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = src.Pixel(r.Left, r.Top + y);
        TRGBTriple* d = Blurred.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x, s += 3) d[x] = TRGBTriple{s[0], s[1], s[2]};
    }
    if (radius > 0) GaussianBlur(Blurred, w, h, radius);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = dst.Pixel(r.Left, r.Top + y);
        const TRGBTriple* s = Blurred.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x, d += 3) {
            d[0] = s[x].B;
            d[1] = s[x].G;
            d[2] = s[x].R;
        }
    }
    Blurred = {};
}

}  // namespace velmora
