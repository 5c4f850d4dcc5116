// A snapshot of the layers taken while the user goes on changing them: its file holds
// the layers as they were when it was taken, whether they were copied on a thread of
// their own, on the caller's, or not at all for want of memory.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "common/Sanitizer.h"
#include "engine/Parallel.h"
#include "history/LayerSnapshot.h"
#include "io/ProjectFile.h"
#include "support/Images.h"
#include "support/LowMemory.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::Noise;

struct Layers {
    Bitmap Sketch, Color, Photo;
    Layers(int w, int h, unsigned seed)
        : Sketch(Noise(w, h, seed)), Color(Noise(w, h, seed + 1)), Photo(Noise(w, h, seed + 2)) {}
};

const LayerState kState{1, 37, true, false, true, false};

void ExpectFileHolds(const std::string& path, const Layers& layers) {
    ProjectData saved;
    std::string error;
    ASSERT_EQ(LoadD2O(path, saved, &error), 0) << error;
    EXPECT_EQ(saved.Sketch, layers.Sketch);
    EXPECT_EQ(saved.Color, layers.Color);
    EXPECT_EQ(saved.Photo, layers.Photo);
    EXPECT_EQ(saved.State, kState);
}

// Each change of a layer made right after the snapshot was taken waits for its copy.
void ChangeEveryLayer(Layers& now) {
    now.Sketch.Fill(0, 0, 0);
    Bitmap other(now.Color.Width(), now.Color.Height());
    now.Color.Swap(other);
    now.Photo = Noise(now.Photo.Width(), now.Photo.Height(), 99);
}

TEST(LayerSnapshot, TheFileHoldsTheLayersAsTakenThoughTheyChangeRightAway) {
    test::TempDir dir;
    const std::string path = dir.File("state.d2o");
    auto spare = std::make_shared<LayerSnapshot::Spare>();
    ParallelThreadCount();  // the worker pool starts its threads before they are refused below
    // With a copying thread, without one (copied before Take returns), and twice more
    // with a thread, into the copy the first snapshots gave back, the last time with a
    // photograph that shares the color layer's pixels.
    int round = 0;
    for (const bool threads : {true, false, true, true}) {
        Layers now(301, 203, 10 * ++round);
        if (round == 4) now.Photo = now.Color.Share();
        const Layers taken = now;
        const int before = FailThreadStartsAfterForTesting(threads ? -1 : 0);
        std::shared_ptr<LayerSnapshot> snapshot = LayerSnapshot::Take(now.Sketch, now.Color, now.Photo, kState, spare);
        FailThreadStartsAfterForTesting(before);
        ChangeEveryLayer(now);
        std::string error;
        ASSERT_TRUE(snapshot->Write(path, error)) << error;
        ExpectFileHolds(path, taken);
    }
}

TEST(LayerSnapshot, WithoutMemoryForACopyTheLayersStayLentUntilTheyAreSaved) {
#ifdef VELMORA_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' allocators need more address space than a cap leaves";
#else
    test::TempDir dir;
    const std::string path = dir.File("state.d2o");
    test::MapLargeMallocsApart();
    Layers now(900, 700, 7);
    const Layers taken = now;
    std::shared_ptr<LayerSnapshot> snapshot;
    {
        // Copied on this thread, so that the copy runs out of memory under the cap.
        const int before = FailThreadStartsAfterForTesting(0);
        ReleaseKeptBlocks();
        test::AddressSpaceCap cap(std::size_t{1} << 20);
        snapshot = LayerSnapshot::Take(now.Sketch, now.Color, now.Photo, kState, nullptr);
        FailThreadStartsAfterForTesting(before);
    }
    std::atomic<bool> changed{false};
    std::thread user([&] {
        ChangeEveryLayer(now);
        changed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(changed) << "a layer was changed while its snapshot still needed it";
    std::string error;
    EXPECT_TRUE(snapshot->Write(path, error)) << error;
    user.join();
    ExpectFileHolds(path, taken);
#endif
}

}  // namespace
}  // namespace velmora
