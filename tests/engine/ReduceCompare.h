#pragma once
// The fast color reduction against the plain scan over one rectangle of a picture:
// the same reduced pixels, progress and levels.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "engine/ColorStep.h"
#include "engine/EquivalenceUtil.h"
#include "engine/reference/ReferenceColorStep.h"

namespace velmora::test {

struct Reducer {
    int colorReducer, type, handleCount;
    std::array<std::uint8_t, 5> handles;
};

struct Area {
    int left, top, w, h;
};

inline void Expect(const TColorStep& fast, const reference::TColorStep& slow, const std::string& what) {
    const long long at = FirstDifference(fast.Reduced, slow.Reduced);
    ASSERT_EQ(at, -1) << what << ": pixel " << (at < 0 ? 0 : at % std::max(1, slow.Width)) << ","
                      << (at < 0 ? 0 : at / std::max(1, slow.Width));
}

inline void ExpectSameReduction(const Bitmap& photo, const Area& a, const Reducer& r, int mode,
                                const std::string& what) {
    TColorStep fast;
    reference::TColorStep slow;
    ProgressTrace fastTrace, slowTrace;
    fast.SetProgress(&fastTrace);
    slow.SetProgress(&slowTrace);
    fast.LoadRegion(photo, a.left, a.top, a.w, a.h);
    slow.LoadRegion(photo, a.left, a.top, a.w, a.h);
    fast.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    slow.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    Expect(fast, slow, what);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
    EXPECT_EQ(fast.Levels, slow.Levels) << what;
}

// The reduction by class width alone, without handles.
inline void ExpectSameReduction(const Bitmap& photo, const Area& a, int colorReducer, int mode,
                                const std::string& what) {
    ExpectSameReduction(photo, a, Reducer{colorReducer, 0, 0, {}}, mode, what);
}

}  // namespace velmora::test
