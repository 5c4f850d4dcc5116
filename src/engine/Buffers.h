#pragma once
// Sizing of the engine's large working buffers.

#include <cstddef>
#include <vector>

namespace velmora {

// Gives `v` exactly n elements, as resize does. When the size changes, the old
// memory is released first, so the old and the new buffer never coexist.
template <typename T>
void SizeBuffer(std::vector<T>& v, std::size_t n) {
    if (v.size() == n) return;
    std::vector<T>().swap(v);
    v.resize(n);
}

// The same, every element set to `value`.
template <typename T>
void FillBuffer(std::vector<T>& v, std::size_t n, const T& value) {
    if (v.size() != n) std::vector<T>().swap(v);
    v.assign(n, value);
}

}  // namespace velmora
