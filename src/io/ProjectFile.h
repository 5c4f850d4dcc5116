#pragma once
// The project file (.d2o): a 1024-byte header with the layer state, then the sketch
// layer, the color layer and the photograph as three complete BMP files. History
// snapshots use the same format.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Bitmap.h"
#include "document/LayerState.h"

namespace velmora {

constexpr int kProjectHeaderSize = 1024;
// The first four bytes of every project file.
constexpr std::uint8_t kProjectMagic[4] = {0x70, 0x32, 0x63, 0x00};

struct ProjectData {
    Bitmap Sketch;
    Bitmap Color;
    Bitmap Photo;
    LayerState State;
};

// Whether the header's 32-bit fields can describe layers of this size: the color
// layer's offset (the header and the sketch before it) and its length must fit. The
// photograph's offset and length are not recorded, so they may pass 32 bits.
bool ProjectFileCanHold(int width, int height);

// 0 on success; -1 when the name is empty after trimming blanks, when the three
// pictures are empty or of different sizes (such a file could never be loaded), or
// when the file could not be written completely (then `error` names the file, and
// an existing file is left as it was). With durable == false the file is not flushed
// to the disk before it replaces the old one: for history snapshots, which are scratch.
int SaveD2O(const std::string& fileName, const Bitmap& sketch, const Bitmap& color,
            const Bitmap& photo, const LayerState& state, std::string* error = nullptr,
            bool durable = true);

// 0 on success with `out` replaced as a whole; -1 for an empty name, a file that
// cannot be read, a short header, a wrong magic, a truncated body, an undecodable
// image, or three images of different sizes, with `out` untouched. The layer state
// is taken as the Layers window would show it: opacity clamped to 1..99, a check box
// checked only for the byte 1, and a blending mode other than 0 or 1 read as 0
// ("Multiply"), since the drop-down list cannot show any other value and without a
// mode nothing would be composited.
//
// A sound project can still be too large to load: its pictures are larger than
// PictureMemoryLimit allows, or memory runs out while it is read. That is no damage
// of the file, and `tooLarge` (when given) is set for it and cleared otherwise.
int LoadD2O(const std::string& fileName, ProjectData& out, std::string* error = nullptr,
            bool* tooLarge = nullptr);

// The same as LoadD2O over bytes already in memory; LoadD2O reads the file and
// calls this.
int LoadD2OFromMemory(const std::uint8_t* data, std::size_t size, ProjectData& out,
                      std::string* error = nullptr, bool* tooLarge = nullptr);

}  // namespace velmora
