#include "common/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace velmora {

std::string CheckPictureSize(long long width, long long height, std::size_t maxBytes) {
    if (width < 0 || height < 0) return "the picture has a negative size";
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        return "the picture is larger than " + std::to_string(kMaxPictureSide) + " pixels a side";
    // Both factors are at most 30000, so the product cannot overflow 64 bits.
    const unsigned long long stride = (static_cast<unsigned long long>(width) * 3 + 3) & ~3ull;
    const unsigned long long bytes = stride * static_cast<unsigned long long>(height);
    if (bytes > maxBytes) return "the picture is too large for the memory available";
    return {};
}

Bitmap::Bitmap(const Bitmap& other) : width_(other.width_), height_(other.height_), stride_(other.stride_) {
    if (other.ByteSize() != 0) {
        store_ = std::make_shared<Store>(other.Bytes(), other.Bytes() + other.ByteSize());
        bytes_.store(store_->data());
    }
}

Bitmap::Bitmap(Bitmap&& other) noexcept {
    other.AwaitReader();
    other.lent_.reset();
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    store_.swap(other.store_);
    bytes_.store(other.bytes_.exchange(nullptr));
    shared_.store(other.shared_.exchange(false));
}

Bitmap Bitmap::Share() {
    Bitmap twin;
    twin.width_ = width_;
    twin.height_ = height_;
    twin.stride_ = stride_;
    twin.store_ = store_;
    twin.bytes_.store(Bytes());
    if (store_) {
        twin.shared_.store(true);
        shared_.store(true);
    }
    return twin;
}

void Bitmap::TakeOwnPixels() {
    // One lock for all bitmaps: taking pixels is rare, and it keeps two threads
    // writing rows of one bitmap from both copying it.
    static std::mutex taking;
    const std::lock_guard<std::mutex> lock(taking);
    if (!shared_.load(std::memory_order_relaxed)) return;
    // The other sharers copy under the same lock, so a store held here alone stays so.
    if (store_.use_count() > 1) {
        auto own = std::make_shared<Store>(*store_);
        store_ = std::move(own);
        bytes_.store(store_->data(), std::memory_order_relaxed);
    }
    shared_.store(false, std::memory_order_release);
}

void Bitmap::NewStore(std::size_t bytes) {
    store_.reset();
    bytes_.store(nullptr);
    shared_.store(false);
    if (bytes == 0) return;
    store_ = std::make_shared<Store>(bytes);
    bytes_.store(store_->data());
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        Bitmap gone(std::move(other));
        Swap(gone);
    }
    return *this;
}

void Bitmap::Lend(std::shared_ptr<ReadHold> hold) {
    AwaitReader();
    lent_ = std::move(hold);
}

void Bitmap::SetSizeUnset(int width, int height) {
    const std::string problem = CheckPictureSize(width, height);
    if (!problem.empty()) throw std::invalid_argument(problem);
    AwaitReader();
    lent_.reset();
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    if (bytes != ByteSize() || shared_.load()) {
        // The old pixels go first, so the old and the new picture never take memory
        // at the same time; when the new ones cannot be had, the bitmap is left empty.
        // Shared ones are left to their other owner, not copied.
        *this = Bitmap();
        NewStore(bytes);
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (stride > rowBytes)
        for (int y = 0; y < height; ++y) std::memset(Row(y) + rowBytes, 0, stride - rowBytes);
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this == &other) return *this;
    AwaitReader();
    lent_.reset();
    if (ByteSize() != other.ByteSize() || shared_.load()) {
        *this = Bitmap();
        NewStore(other.ByteSize());
    }
    if (Bytes() != nullptr) std::memcpy(Bytes(), other.Bytes(), other.ByteSize());
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    return *this;
}

void Bitmap::SetSize(int width, int height) {
    SetSizeUnset(width, height);
    if (Bytes() != nullptr) std::memset(Bytes(), 0, ByteSize());
}

void Bitmap::Fill(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* p = Row(y);
        for (int x = 0; x < width_; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

void Bitmap::Swap(Bitmap& other) noexcept {
    AwaitReader();
    other.AwaitReader();
    lent_.reset();
    other.lent_.reset();
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(stride_, other.stride_);
    store_.swap(other.store_);
    bytes_.store(other.bytes_.exchange(Bytes()));
    shared_.store(other.shared_.exchange(shared_.load()));
}

bool Bitmap::SamePixels(const Bitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    for (int y = 0; y < height_; ++y)
        if (std::memcmp(Row(y), other.Row(y), rowBytes) != 0) return false;
    return true;
}

void FillWhite(Bitmap& bmp) {
    if (bmp.ByteSize() != 0) std::memset(bmp.Data(), 255, bmp.ByteSize());
}

}  // namespace velmora
