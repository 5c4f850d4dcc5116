#pragma once
// Sizing of the engine's large working buffers. A conversion of a large photograph
// touches a few hundred megabytes of fresh memory, and taking each new page as it is
// first written is a large part of the cost; the pages of a new buffer are therefore
// asked for in a few large requests before it is written: by the pool of large
// blocks for its new blocks, and here, split over the worker threads, where the
// ordinary allocator supplies the memory.

#include <cstddef>
#include <vector>

namespace velmora {

class Bitmap;

// Makes the system supply the pages of [data, data + bytes) now, where it can do
// that in one request; otherwise does nothing (they then come as they are touched).
void PreparePages(void* data, std::size_t bytes);

// Gives `v` exactly n elements, unset when the size changes (plain types). The old
// memory is released first, so the old and the new buffer never coexist.
template <typename T, typename A>
void SizeBuffer(std::vector<T, A>& v, std::size_t n) {
    if (v.size() == n) return;
    std::vector<T, A>().swap(v);
    v.reserve(n);
    PreparePages(v.data(), n * sizeof(T));
    v.resize(n);
}

// Makes `to` a copy of `from`, split over the worker threads; a destination of the
// same size keeps its memory. Opening a picture and every stroke of the tone tools
// copy whole layers so. Throws std::bad_alloc, leaving `to` empty, when the memory
// cannot be had.
void CopyPicture(Bitmap& to, const Bitmap& from);

// Gives a bitmap that may share its pixels (Bitmap::Share) a copy of its own, made
// like CopyPicture, ahead of a change that must not run out of memory half-way: a
// whole picture on one thread would keep the user waiting longer. Throws
// std::bad_alloc, leaving the bitmap as it was.
void OwnPicture(Bitmap& bitmap);

// Makes `to` a white picture of width x height, split over the worker threads like
// CopyPicture: the sketch layer of every picture opened.
void WhitePicture(Bitmap& to, int width, int height);

}  // namespace velmora
