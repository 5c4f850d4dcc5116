#pragma once
// The color layer's steps: color reduction by region growing, tone and color
// adjustments, median or maximum smoothing and the border blur, on the object's own
// buffers; plus the rectangle forms of the adjustments that the adjustment dialogs
// apply to the document's bitmaps.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "common/Bitmap.h"
#include "common/Geometry.h"
#include "engine/ContentKey.h"
#include "engine/Pixels.h"
#include "engine/Progress.h"

namespace velmora {

// Saturation gain for amounts 0..127 (256 = unchanged color).
extern const std::array<int, 128> SaturationGain;

class TColorStep {
public:
    struct SegmentPoint {
        std::int32_t X = 0;
        std::int32_t Y = 0;
    };

    // Working state of a segmentation that grows its regions one after another. The
    // reduction here grows them in parallel with working state of its own and
    // leaves these empty.
    std::vector<std::uint8_t> Visited;
    std::vector<SegmentPoint> Segment;
    int SegmentCount = 0;
    TRGBTriple SegmentColor{};

    TripleBuffer FullImage;  // the whole photograph, SrcWidth x SrcHeight
    TripleBuffer Reduced;    // Width x Height each
    TripleBuffer Smoothed;
    TripleBuffer Blurred;    // also BlurRect's scratch

    ProgressTargets* Progress = nullptr;
    // For a run made once (see TDrawEffect::SetSingleRun): each step takes the buffer
    // it reads over, works in place where it can and leaves the buffers before it
    // empty, so only Final is left at the end.
    bool SingleRun = false;

    // Palette entries as (R, G, B); the order decides ties.
    std::array<TRGBTriple, 64> Palette{};
    std::array<int, 8> Levels{};

    TripleBuffer Final;  // the color layer result
    int Width = 0;
    int Height = 0;
    int SrcWidth = 0;
    int SrcHeight = 0;
    // The processed rectangle in photograph coordinates; Right and Bottom exclusive.
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    TColorStep();
    ~TColorStep();
    // A copy takes the buffers and settings, not the segmentation kept for reuse.
    TColorStep(const TColorStep& other);
    TColorStep& operator=(const TColorStep& other);
    TColorStep(TColorStep&& other) noexcept;
    TColorStep& operator=(TColorStep&& other) noexcept;

    void SetProgress(ProgressTargets* progress) { Progress = progress; }

    // Copies the whole photograph and sizes the rectangle's buffers. The rectangle
    // must lie inside the photograph.
    void LoadRegion(const Bitmap& source, int left, int top, int width, int height);
    // The same for a photograph identified by `content` (KeyOfPicture), without the
    // copy: FullImage is left empty and ReduceColors reads `source` itself, which
    // must stay as it is until then. ReduceColors keeps the segmentation of the
    // photograph into regions for the next reduction of the same pixels with the same
    // classes (a preview elsewhere in the photograph, or with other coloring), while
    // the rectangle is smaller than the photograph.
    void LoadRegion(const Bitmap& source, const ContentKey& content, int left, int top, int width, int height);
    // Forgets the kept segmentation and which photograph was loaded.
    void ForgetPhotograph();
    // FullImage to Reduced. colorReducer >= 1 and handleCount 0..5 are required;
    // coloringMode 0 picks palette colors, any other value keeps region averages.
    void ReduceColors(int colorReducer, int reducerType, int coloringMode, int handleCount,
                      const std::array<std::uint8_t, 5>& handles);
    // Saturation Reduced to Final, then contrast and brightness in place on Final.
    void AdjustTone(int brightness, int contrast, int saturation);
    // For a single run over the whole photograph: has the next ReduceColors paint its
    // colors through these tone adjustments already, which the AdjustTone with the
    // same values that follows it then only passes on. One pass over every pixel
    // fewer; a region's pixels share one color, so it is adjusted once per region.
    void FoldToneIntoReduction(int brightness, int contrast, int saturation);
    // Final to Smoothed; smoothType 1 is the maximum, any other value the median.
    void ColorSmooth(int radius, int smoothType);
    // Smoothed to Blurred.
    void BorderBlur(double radius);
    // Blurred to Final.
    void ColorBalance(int red, int green, int blue);

    // Buffer forms with progress and cancel checks (src may be dst; both Width x Height).
    void ApplyBrightness(const TripleBuffer& src, TripleBuffer& dst, int red, int green, int blue);
    void ApplyContrast(const TripleBuffer& src, TripleBuffer& dst, int amount);
    void ApplySaturation(const TripleBuffer& src, TripleBuffer& dst, int amount);

    // Rectangle forms for the adjustment dialogs: r is inclusive on all four sides and
    // clipped to both bitmaps; src may be dst. They never look at CancelFlag, so an
    // adjustment always completes even after a cancelled conversion.
    void BrightnessRect(const Bitmap& src, Bitmap& dst, Rect r, int red, int green, int blue);
    void ContrastRect(const Bitmap& src, Bitmap& dst, Rect r, int amount, int pivot);
    void SaturationRect(const Bitmap& src, Bitmap& dst, Rect r, int amount);
    void BlurRect(const Bitmap& src, Bitmap& dst, Rect r, double radius);

    // The class of a channel value under the current reduction settings (after
    // ReduceColors has set them up).
    int ColorClass(int v) const;
    // The palette entry a segment of average color `average` gets in "Fixed Color".
    TRGBTriple NearestPaletteColor(TRGBTriple average) const;

private:
    struct Segmentation;
    void SetRectangle(const Bitmap& source, int left, int top, int width, int height);
    bool CopyPhotograph(const Bitmap& source);

    int reducerType_ = 0;
    int colorReducer_ = 1;
    int levelCount_ = 0;  // handles in use
    ContentKey content_;            // the photograph's pixels, when known
    const Bitmap* photo_ = nullptr;  // read instead of FullImage when set
    std::unique_ptr<Segmentation> segmentation_;
    // Brightness, contrast and saturation: to fold into the next reduction, and
    // folded into Reduced as it stands.
    std::optional<std::array<int, 3>> toneToFold_;
    std::optional<std::array<int, 3>> toneFolded_;
};

// The pivot of the pipeline's contrast and of both adjustment dialogs.
constexpr int kContrastPivot = 253;

// Lookup tables shared by the buffer and rectangle forms.
std::array<std::uint8_t, 256> BrightnessTable(int amount);
std::array<std::uint8_t, 256> ContrastTable(int amount, int pivot);

struct SaturationTables {
    std::array<std::uint16_t, 256> Gain{};  // (i * k) shr 8
    std::array<int, 768> Base{};            // Base[R + G + B] = m - Gain[m], m = the mean
};
SaturationTables MakeSaturationTables(int amount);

// Moves a color away from (or towards) the mean of its channels.
inline void Saturate(TRGBTriple& p, const SaturationTables& t) {
    const int base = t.Base[static_cast<std::size_t>(p.R + p.G + p.B)];
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    p.R = clamp(t.Gain[p.R] + base);
    p.G = clamp(t.Gain[p.G] + base);
    p.B = clamp(t.Gain[p.B] + base);
}

// The pipeline's tone adjustments as one map of colors: saturation, then contrast
// and brightness through one table composed of both.
class ToneMap {
public:
    ToneMap(int brightness, int contrast, int saturation);
    TRGBTriple operator()(TRGBTriple p) const {
        Saturate(p, saturation_);
        p.R = table_[p.R];
        p.G = table_[p.G];
        p.B = table_[p.B];
        return p;
    }

private:
    SaturationTables saturation_;
    std::array<std::uint8_t, 256> table_{};
};

}  // namespace velmora
