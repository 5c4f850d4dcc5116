#pragma once
// The sketch layer: edges of the inverted photograph accumulated per pixel, then
// mapped to gray (255 paper, 0 line).

#include <cstdint>
#include <vector>

#include "common/Bitmap.h"
#include "engine/Pixels.h"
#include "engine/Progress.h"

namespace velmora {

class TSketch {
public:
    int Width = 0;
    int Height = 0;
    // The rectangle of the photograph with every byte inverted; blurred in place.
    TripleBuffer Inverted;
    ProgressTargets* Progress = nullptr;
    // The gray value 0..255 of each pixel after RenderSketch; zero after LoadRegion.
    LargeVector<std::uint8_t> Result;

    void SetProgress(ProgressTargets* progress) { Progress = progress; }

    // The rectangle must lie inside `source`. A cancel empties both arrays.
    void LoadRegion(const Bitmap& source, int left, int top, int width, int height);

    // radius = SketchSmooth / 20, sharpness = Sharper / 5. The last argument is the
    // record's reserved byte, which has no effect.
    void RenderSketch(int sketchType, int detail, int darkness, int thresholdLevel,
                      int remainThreshold, int remainDarkness, bool remainDark, double radius,
                      double sharpness, std::uint8_t reserved = 0);

    // One channel's sharpening amount for a centre value c between ends p and q.
    static int SharpenAmount(int c, int p, int q, double sharpness);
    // The gray value of an accumulated edge value e, given the inverted pixel.
    static int MapEdge(std::int32_t e, const TRGBTriple& inverted, int sketchType, int detail,
                       int darkness, int thresholdLevel, int remainThreshold, int remainDarkness,
                       bool remainDark);
};

}  // namespace velmora
