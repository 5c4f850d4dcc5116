#pragma once
// The conversion dialog's parameter controls, declared once with their ranges and
// defaults, and the record the dialog ends up with after a preset passes through
// those controls. The dialog builds its track bars and spin edits from this table,
// and the batch converter uses the same rules, so both convert with the same record.

#include <array>
#include <cstdint>

#include "engine/EffectParams.h"

namespace velmora {

struct IntControl {
    const char* Name;  // the track bar's name
    int Min;
    int Max;
    int Default;
    int Clamp(std::int64_t v) const { return static_cast<int>(v < Min ? Min : (v > Max ? Max : v)); }
};

// Conversion dialog, Sketch page.
inline constexpr IntControl kDetail{"Trc_Detail", 0, 1024, 115};
inline constexpr IntControl kDarkness{"Trc_Darkness", 1, 256, 68};
inline constexpr IntControl kSketchSmooth{"Trc_SketchSmooth", 0, 100, 15};
inline constexpr IntControl kSketchThreshold{"Trc_Threshold", 0, 255, 0};
// Coloring pages.
inline constexpr IntControl kColorReducer{"Trc_ColorReducer", 1, 254, 10};
inline constexpr IntControl kColorSmooth{"Trc_ColorSmooth", 0, 19, 2};
inline constexpr IntControl kBorderBlur{"Trc_BorderBlur", 0, 255, 25};
inline constexpr IntControl kBrightness{"Trc_Brightness", -255, 255, 0};
inline constexpr IntControl kContrast{"Trc_Contrast", -255, 255, 0};
inline constexpr IntControl kSaturation{"Trc_Saturation", -127, 127, 0};
inline constexpr IntControl kRed{"Trc_Red", -255, 255, 0};
inline constexpr IntControl kGreen{"Trc_Green", -255, 255, 0};
inline constexpr IntControl kBlue{"Trc_Blue", -255, 255, 0};
inline constexpr IntControl kHandle{"Spn_A", 0, 255, 0};
// Sketch More Options window.
inline constexpr IntControl kSharper{"Trc_Sharper", 0, 200, 0};
inline constexpr IntControl kRemainThreshold{"Trc_Threshold", 0, 254, 0};
inline constexpr IntControl kRemainDarkness{"Trc_Darkness", 0, 255, 0};
// Coloring More Options window.
inline constexpr IntControl kOpacity{"Trc_Opeaity", 1, 99, 50};

// Image Size page.
inline constexpr IntControl kImageScale{"Trc_ImageSize", 1, 100, 100};

// The thirteen parameter track bars of the dialog's pages, each with the record field
// it shows (none for the Sketch page's threshold, which the record holds inverted as
// ThresholdLevel and a preset never sets). The order is the dialog's slot order.
struct ParamBinding {
    const IntControl* Control;
    std::int32_t TEffectParams::*Field;
};
enum PageSlot {
    kSlotDetail,
    kSlotDarkness,
    kSlotThreshold,
    kSlotSketchSmooth,
    kSlotColorReducer,
    kSlotColorSmooth,
    kSlotBorderBlur,
    kSlotBrightness,
    kSlotContrast,
    kSlotSaturation,
    kSlotRed,
    kSlotGreen,
    kSlotBlue,
    kPageTrackBars
};
inline constexpr std::array<ParamBinding, kPageTrackBars> kPageParams{{
    {&kDetail, &TEffectParams::Detail},
    {&kDarkness, &TEffectParams::Darkness},
    {&kSketchThreshold, nullptr},
    {&kSketchSmooth, &TEffectParams::SketchSmooth},
    {&kColorReducer, &TEffectParams::ColorReducer},
    {&kColorSmooth, &TEffectParams::ColorSmooth},
    {&kBorderBlur, &TEffectParams::BorderBlur},
    {&kBrightness, &TEffectParams::Brightness},
    {&kContrast, &TEffectParams::Contrast},
    {&kSaturation, &TEffectParams::Saturation},
    {&kRed, &TEffectParams::Red},
    {&kGreen, &TEffectParams::Green},
    {&kBlue, &TEffectParams::Blue},
}};
// The track bars of the two More Options windows.
inline constexpr std::array<ParamBinding, 4> kMoreOptionParams{{
    {&kSharper, &TEffectParams::Sharper},
    {&kRemainThreshold, &TEffectParams::RemainThreshold},
    {&kRemainDarkness, &TEffectParams::RemainDarkness},
    {&kOpacity, &TEffectParams::Opacity},
}};

// Defaults of the choice controls.
inline constexpr int kDefaultSketchTypeIndex = 1;    // "Gray"
inline constexpr int kDefaultColoringModeIndex = 1;  // "Average"
inline constexpr int kDefaultSmoothTypeIndex = 0;    // "Circle"
inline constexpr int kHandleCountItems = 5;

// A radio group given an index below its first item selects nothing (-1); one past
// its last item selects the last.
inline int RadioGroupIndex(std::int64_t index, int items) {
    if (index < 0) return -1;
    return index >= items ? items - 1 : static_cast<int>(index);
}

// A drop-down list given an index outside its items selects nothing (-1).
inline int ComboIndex(std::int64_t index, int items) {
    return index < 0 || index >= items ? -1 : static_cast<int>(index);
}

// The record with every control at its default, as the dialog's controls start
// (Draw Sketch on, Draw Color off, Multiply, Equality, no handle count selected).
TEffectParams ControlDefaultRecord();

// The record a conversion dialog holds when OK is pressed right after `loaded`
// (the bytes read from presets over the dialog's record) was applied to the
// controls: every field that names a control comes back clamped to that control;
// when at least one layer is drawn the preview has also refreshed ThresholdLevel
// (from the Sketch page's threshold position), ReducerType, HandleCount and Handles;
// in Custom mode (ReducerType 1) the handle editor refreshes HandleCount even then.
TEffectParams RecordThroughControls(const TEffectParams& loaded, int sketchThresholdPosition = 0);

}  // namespace velmora
