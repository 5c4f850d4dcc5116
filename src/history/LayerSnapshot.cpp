#include "history/LayerSnapshot.h"

#include <new>
#include <utility>
#include <vector>

#include "engine/Parallel.h"
#include "io/ProjectFile.h"

namespace velmora {

std::unique_ptr<LayerSnapshot::Spare::Copy> LayerSnapshot::Spare::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(copy_);
}

void LayerSnapshot::Spare::Give(std::unique_ptr<Copy> copy) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!copy_) copy_ = std::move(copy);
}

LayerSnapshot::LayerSnapshot(Bitmap& sketch, Bitmap& color, Bitmap& photo, const LayerState& state,
                             std::shared_ptr<Spare> spare)
    : sketch_(sketch), color_(color), photo_(photo), state_(state), spare_(std::move(spare)) {}

std::shared_ptr<LayerSnapshot> LayerSnapshot::Take(Bitmap& sketch, Bitmap& color, Bitmap& photo,
                                                   const LayerState& state, std::shared_ptr<Spare> spare) {
    std::shared_ptr<LayerSnapshot> snapshot(new LayerSnapshot(sketch, color, photo, state, std::move(spare)));
    sketch.Lend(snapshot->hold_);
    color.Lend(snapshot->hold_);
    photo.Lend(snapshot->hold_);
    std::vector<std::thread> started = StartThreads(1, [raw = snapshot.get()](int) { raw->MakeCopy(); });
    if (started.empty())
        snapshot->MakeCopy();
    else
        snapshot->copying_ = std::move(started.front());
    return snapshot;
}

void LayerSnapshot::MakeCopy() {
    try {
        std::unique_ptr<Spare::Copy> copy = spare_ ? spare_->Take() : nullptr;
        if (!copy) copy = std::make_unique<Spare::Copy>();
        // On this thread alone, not the worker threads: the user-interface thread
        // has work of its own meanwhile (painting a picture just opened, say), and
        // opening measured faster so.
        copy->Sketch = sketch_;
        copy->Color = color_;
        // A photograph that still shares the color layer's pixels (a picture just
        // opened) shares those of its copy, instead of being copied a second time.
        const Bitmap& photo = photo_;
        if (!photo.Empty() && photo.Data() == std::as_const(color_).Data())
            copy->Photo = copy->Color.Share();
        else
            copy->Photo = photo_;
        copy_ = std::move(copy);
        hold_->Release();
    } catch (const std::bad_alloc&) {
        // The partial copy is given up, leaving its memory to the write, which then
        // saves the lent layers themselves.
    }
}

void LayerSnapshot::FinishCopy() {
    if (copying_.joinable()) copying_.join();
}

bool LayerSnapshot::Write(const std::string& path, std::string& error) {
    FinishCopy();
    bool written;
    if (copy_)
        written = SaveD2O(path, copy_->Sketch, copy_->Color, copy_->Photo, state_, &error, false) == 0;
    else
        written = SaveD2O(path, sketch_, color_, photo_, state_, &error, false) == 0;
    hold_->Release();
    return written;
}

LayerSnapshot::~LayerSnapshot() {
    FinishCopy();
    hold_->Release();
    if (copy_ && spare_) spare_->Give(std::move(copy_));
}

}  // namespace velmora
