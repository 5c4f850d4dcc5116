#pragma once
// The conversion dialog's Image Size page: the picture can be scaled down from the
// size it had when the dialog opened, keeping its aspect ratio, by a percentage
// slider or by typing a width or a height. All divisions truncate. The page's state
// and handlers live here, free of any window, so that the dialog and the batch
// converter arrive at the same size by the same steps.

#include <functional>

namespace velmora {

struct PictureSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The size for a slider position of `percent` (1..99) of the original size. Here and
// in the two below, a side never comes out below one pixel unless the original has none.
PictureSize ScaledSize(int percent, PictureSize original);
// The height that goes with a typed width, and the width that goes with a typed height.
int HeightForWidth(int width, PictureSize original);
int WidthForHeight(int height, PictureSize original);
// The slider position that shows a width: width * 100 / original width.
int ScaleForWidth(int width, PictureSize original);

// The page's two spin edits and slider with their change handlers. A control's
// handler runs only when its value really changes, as a control's change signal
// does; a handler that sets another spin edit runs that one's handler in turn,
// while the slider, when a spin edit's handler moves it to match, stays quiet.
// Every resampling a handler asks for goes to `resample`, in order, including sizes
// with a side below 1 (which resample nothing). `resample` returns false when the
// picture could not take the size (memory ran out) and kept the one it had: the
// handler then stops, and the controls show the size kept, so that asking for the
// refused size again is a change again.
class ImageSizePage {
public:
    using Resample = std::function<bool(PictureSize)>;
    explicit ImageSizePage(Resample resample) : resample_(std::move(resample)) {}

    // The dialog is shown with a picture of `original` size: the spin edits take it
    // as their maximum and then as their value, which resamples at that size.
    void Open(PictureSize original);
    // The user set a spin edit (to a value the control clamps to 0..original) or
    // moved the slider (1..100; at 100 the picture keeps its last size). A slider move
    // that succeeds leaves the slider where the user put it.
    void SetWidth(int width);
    void SetHeight(int height);
    void MoveSlider(int percent);
    // The user left a spin edit. A side of 0 changes nothing, so a box left at 0 goes
    // back to the size in effect rather than show one the conversion will not use.
    void FinishEditing();

    // What the controls show, and the size last chosen.
    int Width() const { return spinWidth_; }
    int Height() const { return spinHeight_; }
    int Scale() const { return slider_; }
    PictureSize Original() const { return original_; }
    PictureSize Current() const { return current_; }

private:
    // The handlers; false when a resampling was refused.
    bool ChangeWidth(int width);
    bool ChangeHeight(int height);
    bool ResampleTo(PictureSize size);

    Resample resample_;
    PictureSize original_;
    PictureSize current_;
    PictureSize picture_;  // the size the picture has: the original, or the last one resampled
    int spinWidth_ = 0;
    int spinHeight_ = 0;
    int slider_ = 100;
};

// The photograph size the page leaves after opening at `original` and then moving
// the slider to scalePercent (100: untouched) or, when width > 0, typing that width.
// A resampling with a side below 1 leaves the earlier size in place.
PictureSize DialogImageSize(PictureSize original, int scalePercent, int width);

}  // namespace velmora
