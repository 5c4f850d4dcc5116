#pragma once
// The fast color step against the plain one: the reduction over one rectangle of a
// picture (the same reduced pixels, progress and levels) and the smoothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "engine/ColorStep.h"
#include "engine/ContentKey.h"
#include "engine/EquivalenceUtil.h"
#include "engine/reference/ReferenceColorStep.h"

namespace velmora::test {

struct Reducer {
    int colorReducer, type, handleCount;
    std::array<std::uint8_t, 5> handles;
};

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
    ExpectSamePixels(fast.Reduced, slow.Reduced, slow.Width, what);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
    EXPECT_EQ(fast.Levels, slow.Levels) << what;
}

// The same on a step that keeps its segmentation from earlier runs.
inline void ExpectSameKeptReduction(TColorStep& kept, const Bitmap& photo, const Area& a, const Reducer& r, int mode,
                                    const std::string& what) {
    kept.LoadRegion(photo, KeyOfPicture(photo), a.left, a.top, a.w, a.h);
    kept.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    reference::TColorStep slow;
    slow.LoadRegion(photo, a.left, a.top, a.w, a.h);
    slow.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    ExpectSamePixels(kept.Reduced, slow.Reduced, slow.Width, what);
}

// The reduction by class width alone, without handles.
inline void ExpectSameReduction(const Bitmap& photo, const Area& a, int colorReducer, int mode,
                                const std::string& what) {
    ExpectSameReduction(photo, a, Reducer{colorReducer, 0, 0, {}}, mode, what);
}

// The smoothing of a whole picture, pixels and progress, on steps that may have
// smoothed before.
inline void ExpectSameSmoothing(TColorStep& fast, reference::TColorStep& slow, const Bitmap& picture, int radius,
                                int type, const std::string& what) {
    fast.Width = slow.Width = picture.Width();
    fast.Height = slow.Height = picture.Height();
    fast.Final = slow.Final = ToBuffer(picture);
    ProgressTrace fastTrace, slowTrace;
    fast.SetProgress(&fastTrace);
    slow.SetProgress(&slowTrace);
    fast.ColorSmooth(radius, type);
    slow.ColorSmooth(radius, type);
    fast.SetProgress(nullptr);
    slow.SetProgress(nullptr);
    const std::string where = what + ", radius " + std::to_string(radius) + ", type " + std::to_string(type);
    ExpectSamePixels(fast.Smoothed, slow.Smoothed, picture.Width(), where);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << where;
}

inline void ExpectSameSmoothing(const Bitmap& picture, int radius, int type, const std::string& what) {
    TColorStep fast;
    reference::TColorStep slow;
    ExpectSameSmoothing(fast, slow, picture, radius, type, what);
}

}  // namespace velmora::test
