#pragma once
// A history state's three layers, taken without holding up the user. The layers are
// lent to a thread of their own that copies them (Bitmap::Lend); whatever would
// change a layer meanwhile waits for that copy, which takes a few milliseconds once
// its memory has been used before. The history's writer thread then saves the copy.
// The first copy of a picture needs new memory, which on some machines costs a tenth
// of a second for a 12 megapixel picture: it is paid on the copying thread, while
// the user-interface thread goes on (to paint the picture just opened, say).

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/Bitmap.h"
#include "common/ReadHold.h"
#include "document/LayerState.h"

namespace velmora {

class LayerSnapshot {
public:
    // The copy's bitmaps, kept between snapshots so that only the first one of a
    // picture size takes new memory. Shared with the snapshots that may give a copy
    // back, from whatever thread writes them.
    class Spare {
    public:
        struct Copy {
            Bitmap Sketch;
            Bitmap Color;
            Bitmap Photo;
        };
        std::unique_ptr<Copy> Take();
        void Give(std::unique_ptr<Copy> copy);

    private:
        std::mutex mutex_;
        std::unique_ptr<Copy> copy_;
    };

    // Lends the three layers and starts copying them. The layers must stay where
    // they are (the same objects) until the snapshot is written or destroyed;
    // their pixels may be changed at any time, which waits for the copy. When no
    // thread can be started, the copy is made on the calling thread before this
    // returns. Throws std::bad_alloc when not even the snapshot object can be had.
    static std::shared_ptr<LayerSnapshot> Take(Bitmap& sketch, Bitmap& color, Bitmap& photo, const LayerState& state,
                                               std::shared_ptr<Spare> spare);

    // Saves the layers as they were when taken, as a project file that is not
    // flushed to the disk (a scratch file). Called once, on any thread. Without
    // memory for a copy, the lent layers themselves are saved, and they stay lent
    // until then.
    bool Write(const std::string& path, std::string& error);

    // Waits for the copy and gives the layers back, also when nothing was written.
    ~LayerSnapshot();

    LayerSnapshot(const LayerSnapshot&) = delete;
    LayerSnapshot& operator=(const LayerSnapshot&) = delete;

private:
    LayerSnapshot(Bitmap& sketch, Bitmap& color, Bitmap& photo, const LayerState& state, std::shared_ptr<Spare> spare);
    void MakeCopy();
    void FinishCopy();

    const Bitmap& sketch_;
    const Bitmap& color_;
    const Bitmap& photo_;
    const LayerState state_;
    std::shared_ptr<Spare> spare_;
    std::shared_ptr<ReadHold> hold_ = std::make_shared<ReadHold>();
    std::unique_ptr<Spare::Copy> copy_;  // set by the copying thread when complete
    std::thread copying_;
};

}  // namespace velmora
