#include "common/Bitmap.h"

#include <algorithm>
#include <cstring>
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

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_), height_(other.height_), stride_(other.stride_), data_(other.data_) {}

Bitmap::Bitmap(Bitmap&& other) noexcept {
    other.AwaitReader();
    other.lent_.reset();
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    data_.swap(other.data_);
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
    if (bytes != data_.size()) {
        // The old pixels go first, so the old and the new picture never take memory
        // at the same time; when the new ones cannot be had, the bitmap is left empty.
        *this = Bitmap();
        data_.resize(bytes);
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
    if (data_.size() != other.data_.size()) {
        *this = Bitmap();
        data_ = other.data_;
    } else if (!data_.empty()) {
        std::memcpy(data_.data(), other.data_.data(), data_.size());
    }
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    return *this;
}

void Bitmap::SetSize(int width, int height) {
    SetSizeUnset(width, height);
    if (!data_.empty()) std::memset(data_.data(), 0, data_.size());
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
    data_.swap(other.data_);
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
