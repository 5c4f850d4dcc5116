#include "conversion/ImageSize.h"

#include <algorithm>
#include <cstdint>

#include "conversion/ParamControls.h"

namespace velmora {

// Products are formed in 64 bits: two sides of 50000 pixels multiply past 32 bits.
namespace {
int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    return static_cast<int>(static_cast<std::int64_t>(a) * b / c);
}

// A side worked out from the other one or from a percentage is truncated, but never
// drops below one pixel while the original has one: on a thin picture it would come
// out as 0, which the page would show but could not resample to.
int KeptSide(int side, int originalSide) { return originalSide >= 1 ? std::max(side, 1) : side; }
}  // namespace

PictureSize ScaledSize(int percent, PictureSize original) {
    return {KeptSide(MulDiv(percent, original.Width, 100), original.Width),
            KeptSide(MulDiv(percent, original.Height, 100), original.Height)};
}

int HeightForWidth(int width, PictureSize original) {
    return KeptSide(MulDiv(width, original.Height, original.Width), original.Height);
}

int WidthForHeight(int height, PictureSize original) {
    return KeptSide(MulDiv(height, original.Width, original.Height), original.Width);
}

int ScaleForWidth(int width, PictureSize original) { return MulDiv(width, 100, original.Width); }

void ImageSizePage::Open(PictureSize original) {
    original_ = original;
    picture_ = original;
    SetWidth(original.Width);
    SetHeight(original.Height);
}

void ImageSizePage::SetWidth(int width) { ChangeWidth(width); }

void ImageSizePage::SetHeight(int height) { ChangeHeight(height); }

bool ImageSizePage::ChangeWidth(int width) {
    width = std::clamp(width, 0, std::max(0, original_.Width));
    if (width == spinWidth_) return true;
    spinWidth_ = width;
    if (width <= 0 || width == current_.Width) return true;
    current_ = {width, HeightForWidth(width, original_)};
    ChangeHeight(current_.Height);
    if (!ResampleTo(current_)) return false;
    slider_ = kImageScale.Clamp(ScaleForWidth(current_.Width, original_));
    return true;
}

bool ImageSizePage::ChangeHeight(int height) {
    height = std::clamp(height, 0, std::max(0, original_.Height));
    if (height == spinHeight_) return true;
    spinHeight_ = height;
    if (height <= 0 || height == current_.Height) return true;
    current_ = {WidthForHeight(height, original_), height};
    ChangeWidth(current_.Width);
    if (!ResampleTo(current_)) return false;
    slider_ = kImageScale.Clamp(ScaleForWidth(current_.Width, original_));
    return true;
}

void ImageSizePage::MoveSlider(int percent) {
    percent = kImageScale.Clamp(percent);
    if (percent == slider_) return;
    slider_ = percent;
    if (percent >= 100) return;
    const PictureSize size = ScaledSize(percent, original_);
    // The spin edits' handlers move the slider to the scale of the truncated width,
    // often a step below; it goes back to where the user put it, or the arrow keys
    // could never move it past such a step.
    if (!ChangeWidth(size.Width) || !ChangeHeight(size.Height) || !ResampleTo(size)) return;
    slider_ = percent;
    // A spin edit already at its side of the size runs no handler, and the other one's
    // handler then works out its own, often one less: the page shows the size made.
    current_ = size;
    spinWidth_ = size.Width;
    spinHeight_ = size.Height;
}

void ImageSizePage::FinishEditing() {
    if (spinWidth_ > 0 && spinHeight_ > 0) return;
    spinWidth_ = current_.Width;
    spinHeight_ = current_.Height;
}

bool ImageSizePage::ResampleTo(PictureSize size) {
    if (resample_(size)) {
        if (size.Width >= 1 && size.Height >= 1) picture_ = size;
        return true;
    }
    // Left at the refused size, the controls would take the same size asked for
    // again as no change at all.
    current_ = picture_;
    spinWidth_ = picture_.Width;
    spinHeight_ = picture_.Height;
    slider_ = kImageScale.Clamp(ScaleForWidth(picture_.Width, original_));
    return false;
}

PictureSize DialogImageSize(PictureSize original, int scalePercent, int width) {
    PictureSize last = original;
    ImageSizePage page([&last](PictureSize s) {
        if (s.Width >= 1 && s.Height >= 1) last = s;
        return true;
    });
    page.Open(original);
    if (width > 0)
        page.SetWidth(width);
    else if (scalePercent >= 1 && scalePercent <= 100)
        page.MoveSlider(scalePercent);
    return last;
}

}  // namespace velmora
