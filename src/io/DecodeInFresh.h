#pragma once
// What every picture decoder does around its own work: the picture is made in a
// bitmap of its own and handed over only when it is whole, so that a refused or cut
// short file leaves the caller's bitmap as it was; running out of memory and library
// failures become the message.

#include <new>
#include <stdexcept>
#include <string>

#include "common/Bitmap.h"

namespace velmora {

// `decode(bitmap)` fills the fresh bitmap, or returns false with `error` set.
template <class Decode>
bool DecodeInFresh(Bitmap& out, std::string& error, Decode&& decode) {
    try {
        Bitmap bmp;
        if (!decode(bmp)) return false;
        out.Swap(bmp);
        return true;
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory for the picture";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

}  // namespace velmora
