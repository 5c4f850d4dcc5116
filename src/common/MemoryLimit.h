#pragma once
// How many bytes one decoded picture may take. Readers check a header's size against
// this before allocating, so a small file that claims a huge picture is refused with
// a message instead of exhausting memory.

#include <cstddef>

namespace velmora {

// The limit in force: the value set with SetPictureMemoryLimit, or by default an
// eighth of the machine's physical memory (the document keeps several bitmaps of the
// picture's size, and the engine more), never below 256 MiB and never above what
// the address-space limit of the process allows.
std::size_t PictureMemoryLimit();

// Overrides the limit for the whole process; 0 goes back to the default. Used by
// tests and fuzzers that must stay within a small memory budget.
void SetPictureMemoryLimit(std::size_t bytes);

}  // namespace velmora
