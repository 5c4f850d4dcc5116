#pragma once
// The program's one picture type: 24 bits per pixel, bytes blue, green, red, rows
// top to bottom. Rows are padded to 4 bytes like a device-independent bitmap, which
// lets the same memory back a QImage (Format_BGR888) for drawing and makes BMP
// output a plain row copy.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/LargeBlocks.h"
#include "common/ReadHold.h"

namespace velmora {

// Largest side a picture may have; larger headers are refused before allocating.
constexpr int kMaxPictureSide = 30000;

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height) { SetSize(width, height); }
    // A copy has pixels of its own, so it is never lent or shared, whatever its source is.
    Bitmap(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    ~Bitmap() { AwaitReader(); }
    // A copy into a bitmap of another byte size gives the old pixels back first, so
    // that the two never take memory at once; when the new ones cannot be had, it
    // throws std::bad_alloc and leaves this bitmap empty, never sized without pixels.
    Bitmap& operator=(const Bitmap& other);
    Bitmap& operator=(Bitmap&& other) noexcept;

    // Lends the pixels to a reader on another thread until `hold` is released. Until
    // then everything that could change, move or free them waits for the release:
    // the setters, assignments, Swap, the destructor and the non-const accessors (a
    // caller that only reads through those waits needlessly, never wrongly). Called
    // on the thread that owns the bitmap; an earlier hold is waited for first.
    void Lend(std::shared_ptr<ReadHold> hold);

    // A bitmap with these very pixels, not a copy: the two share them until either is
    // changed, which then first takes pixels of its own (through the same calls that
    // wait for a lend). A photograph opened as both the color layer and the original
    // so costs no second picture until one of them is painted on. Pointers taken from
    // the non-const accessors before sharing would write into both, so share only a
    // bitmap nothing holds such a pointer into. Called on the thread that owns it.
    Bitmap Share();
    // Whether another bitmap shares the pixels, for OwnPicture, which copies them over
    // the worker threads before a change would on one. Called on the owning thread.
    bool MayShare() const { return shared_.load(std::memory_order_acquire) && store_.use_count() > 1; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    // Bytes from one row to the next (3 * width rounded up to a multiple of 4).
    std::size_t Stride() const { return stride_; }

    // Resizes to width x height; existing pixels are not kept. Throws
    // std::invalid_argument for negative or oversized dimensions and
    // std::bad_alloc when memory runs out, leaving the bitmap empty. New pixels are
    // zero (black).
    void SetSize(int width, int height);
    // The same for a caller that writes every pixel right after: the pixels are unset
    // (only the row padding is zero), which spares clearing the whole picture first.
    void SetSizeUnset(int width, int height);

    std::uint8_t* Row(int y) {
        PrepareChange();
        return Bytes() + static_cast<std::size_t>(y) * stride_;
    }
    const std::uint8_t* Row(int y) const { return Bytes() + static_cast<std::size_t>(y) * stride_; }
    std::uint8_t* Data() {
        PrepareChange();
        return Bytes();
    }
    const std::uint8_t* Data() const { return Bytes(); }
    // Kept by the size alone, so that threads working on rows never read the pointer
    // to the pixels' owner, which taking pixels of its own replaces.
    std::size_t ByteSize() const { return stride_ * static_cast<std::size_t>(height_); }

    // Pixel access as B, G, R bytes; no bounds checks.
    std::uint8_t* Pixel(int x, int y) { return Row(y) + 3 * static_cast<std::size_t>(x); }
    const std::uint8_t* Pixel(int x, int y) const { return Row(y) + 3 * static_cast<std::size_t>(x); }

    void Fill(std::uint8_t b, std::uint8_t g, std::uint8_t r);
    void Swap(Bitmap& other) noexcept;

    // Same size and same visible pixels (padding bytes are ignored).
    bool SamePixels(const Bitmap& other) const;

    friend bool operator==(const Bitmap& a, const Bitmap& b) { return a.SamePixels(b); }

private:
    using Store = std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>>;

    // Before the pixels may change: waits for a reader they were lent to and takes
    // pixels of its own if they may be shared. Several threads may call this at once
    // (each writing its own rows).
    void PrepareChange() {
        AwaitReader();
        if (shared_.load(std::memory_order_acquire)) TakeOwnPixels();
    }
    void TakeOwnPixels();
    // A thread reading rows while another takes the pixels its own may see the old
    // pointer: the same values, in memory the other sharer still holds.
    std::uint8_t* Bytes() const { return bytes_.load(std::memory_order_relaxed); }
    // New unset pixels of `bytes` bytes in place of the present ones, or none (for 0).
    void NewStore(std::size_t bytes);

    // Waits until a reader the pixels were lent to is done with them. The hold is
    // kept after that (forgetting it here could race with another thread of a loop
    // over the rows); the next change of the pixel memory forgets it.
    void AwaitReader() const {
        if (lent_ && !lent_->Released()) lent_->Wait();
    }

    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    // The pixels, unset on allocation (SetSize clears them); null when there are none.
    std::shared_ptr<Store> store_;
    std::atomic<std::uint8_t*> bytes_{nullptr};  // store_'s first byte, so that a row costs no second hop
    // Set while another bitmap may share store_; cleared by the first change after.
    std::atomic<bool> shared_{false};
    std::shared_ptr<ReadHold> lent_;
};

// Fills a bitmap with white (255 in every byte).
void FillWhite(Bitmap& bmp);

// Checks a requested picture size before anything is allocated: both sides within
// 0..kMaxPictureSide and the pixel buffer within maxBytes. Returns an empty string
// when acceptable, otherwise a message for the user.
std::string CheckPictureSize(long long width, long long height,
                             std::size_t maxBytes = std::size_t(1) << 34);

}  // namespace velmora
