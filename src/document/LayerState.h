#pragma once
// The six values of the Layers window that compositing, saving and the tools read.

namespace velmora {

struct LayerState {
    int BlendingMode = 0;  // CmbBlendingMode index: 0 "Multiply", 1 "Opacity"
    int Opacity = 50;      // Trc_Opacity position, 1..99: the sketch layer's share
    bool SketchVisible = true;
    bool ColorVisible = true;
    bool SketchDrawable = true;
    bool ColorDrawable = true;

    friend bool operator==(const LayerState&, const LayerState&) = default;
};

}  // namespace velmora
