#pragma once
// Arithmetic of the conversion dialog's Image Size page: the picture can be scaled
// down from the size it had when the dialog opened, keeping its aspect ratio, by a
// percentage slider or by typing a width or a height. All divisions truncate.

namespace velmora {

struct PictureSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The size for a slider position of `percent` (1..99) of the original size.
PictureSize ScaledSize(int percent, PictureSize original);
// The height that goes with a typed width, and the width that goes with a typed height.
int HeightForWidth(int width, PictureSize original);
int WidthForHeight(int height, PictureSize original);
// The slider position that shows a width: width * 100 / original width.
int ScaleForWidth(int width, PictureSize original);

}  // namespace velmora
