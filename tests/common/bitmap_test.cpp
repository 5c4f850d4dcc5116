// Copying a bitmap: into one of the same byte size, of another, and with no memory
// left; lending its pixels to a reader on another thread; and sharing them with
// another bitmap until either changes.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "common/Bitmap.h"
#include "common/ReadHold.h"
#include "common/Sanitizer.h"
#include "support/LowMemory.h"

using namespace velmora;

namespace {

Bitmap Numbered(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    return b;
}

TEST(Bitmap, CopiesTakeTheSourcesShapeWhateverTheTargetHeld) {
    const Bitmap wide = Numbered(8, 3);
    Bitmap tall = Numbered(4, 6);  // the same 72 bytes in another shape
    ASSERT_EQ(tall.ByteSize(), wide.ByteSize());
    tall = wide;
    EXPECT_EQ(tall.Width(), 8);
    EXPECT_EQ(tall, wide);
    Bitmap small = Numbered(2, 2);
    small = wide;
    EXPECT_EQ(small, wide);
    small = Bitmap();
    EXPECT_TRUE(small.Empty());
    EXPECT_EQ(small.ByteSize(), 0u);
}

TEST(Bitmap, ACopyWithoutMemoryLeavesTheTargetEmptyNotResized) {
#ifdef VELMORA_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' allocators need more address space than a cap leaves";
#else
    const Bitmap big = Numbered(3000, 2000);
    Bitmap target = Numbered(10, 10);
    {
        ReleaseKeptBlocks();
        test::AddressSpaceCap cap(4u << 20);
        EXPECT_THROW(target = big, std::bad_alloc);
    }
    // Before, the copy took the new size and kept the old pixels: rows past the tenth
    // were then read and written out of bounds.
    EXPECT_TRUE(target.Empty());
    EXPECT_EQ(target.ByteSize(), target.Stride() * static_cast<std::size_t>(target.Height()));
    target = big;
    EXPECT_EQ(target, big);
#endif
}

// Everything that could change, move or free a bitmap's pixels, each writing values
// they did not hold or taking them away.
using Change = std::pair<const char*, std::function<void(std::unique_ptr<Bitmap>&)>>;
const Change kChanges[] = {
    {"Row", [](std::unique_ptr<Bitmap>& b) { b->Row(1)[0] ^= 0xFF; }},
    {"Data", [](std::unique_ptr<Bitmap>& b) { b->Data()[5] ^= 0xFF; }},
    {"Pixel", [](std::unique_ptr<Bitmap>& b) { b->Pixel(2, 2)[1] ^= 0xFF; }},
    {"Fill", [](std::unique_ptr<Bitmap>& b) { b->Fill(1, 2, 3); }},
    {"FillWhite", [](std::unique_ptr<Bitmap>& b) { FillWhite(*b); }},
    {"SetSize", [](std::unique_ptr<Bitmap>& b) { b->SetSize(8, 3); }},
    {"SetSizeUnset", [](std::unique_ptr<Bitmap>& b) { b->SetSizeUnset(2, 2); }},
    {"SetSizeUnset then write", [](std::unique_ptr<Bitmap>& b) {
         b->SetSizeUnset(8, 3);
         std::memset(b->Data(), 9, b->ByteSize());
     }},
    {"copy of the same size into", [](std::unique_ptr<Bitmap>& b) {
         const Bitmap zeros(8, 3);
         *b = zeros;
     }},
    {"move into", [](std::unique_ptr<Bitmap>& b) { *b = Bitmap(8, 3); }},
    {"move from", [](std::unique_ptr<Bitmap>& b) { Bitmap taken(std::move(*b)); }},
    {"move assign from", [](std::unique_ptr<Bitmap>& b) {
         Bitmap taken;
         taken = std::move(*b);
     }},
    {"swap", [](std::unique_ptr<Bitmap>& b) {
         Bitmap other(8, 3);
         other.Swap(*b);
     }},
    {"destroy", [](std::unique_ptr<Bitmap>& b) { b.reset(); }},
    {"lend again", [](std::unique_ptr<Bitmap>& b) {
         auto next = std::make_shared<ReadHold>();
         b->Lend(next);
         next->Release();
     }},
};

// Lent pixels: a reader that takes a while is still reading when each change starts,
// and must have finished when it returns.
TEST(Bitmap, WhateverCouldChangeLentPixelsWaitsForTheReader) {
    for (const auto& [name, change] : kChanges) {
        auto bitmap = std::make_unique<Bitmap>(Numbered(8, 3));
        auto hold = std::make_shared<ReadHold>();
        bitmap->Lend(hold);
        std::atomic<bool> readerDone{false};
        std::thread reader([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            readerDone = true;
            hold->Release();
        });
        change(bitmap);
        EXPECT_TRUE(readerDone) << name;
        reader.join();
    }
}

// Whatever one of two bitmaps sharing their pixels does, the other keeps its own.
TEST(Bitmap, EachOfTwoSharersKeepsItsPixelsWhateverTheOtherDoes) {
    const Bitmap original = Numbered(8, 3);
    for (const auto& [name, change] : kChanges) {
        for (bool changeTheTwin : {false, true}) {
            auto first = std::make_unique<Bitmap>(original);
            auto twin = std::make_unique<Bitmap>(first->Share());
            ASSERT_EQ(*twin, original);
            change(changeTheTwin ? twin : first);
            const Bitmap& kept = changeTheTwin ? *first : *twin;
            EXPECT_EQ(kept, original) << name << (changeTheTwin ? ", changing the twin" : ", changing the first");
            // A change after the first goes into the changed bitmap's own pixels.
            std::unique_ptr<Bitmap>& changed = changeTheTwin ? twin : first;
            if (changed && !changed->Empty()) {
                changed->Row(0)[0] ^= 0x55;
                EXPECT_EQ(kept, original) << name;
            }
        }
    }
}

TEST(Bitmap, SharersReallyShareUntilOneChanges) {
    Bitmap first = Numbered(64, 4);
    const Bitmap& constFirst = first;
    Bitmap twin = first.Share();
    const Bitmap& constTwin = twin;
    EXPECT_EQ(constTwin.Data(), constFirst.Data());
    twin.Row(0)[0] ^= 1;
    EXPECT_NE(constTwin.Data(), constFirst.Data());
    // The first is the pixels' only owner now, and changes them in place.
    const std::uint8_t* before = constFirst.Data();
    first.Row(0)[0] ^= 1;
    EXPECT_EQ(constFirst.Data(), before);
}

// Threads that write rows of a shared bitmap at once (as the parallel loops do) must
// all write into one copy of its own, none into the other sharer's pixels.
TEST(Bitmap, RowsWrittenByManyThreadsAtOnceAllLandInOneOwnCopy) {
    const int w = 32, h = 256, threads = 4;
    const Bitmap original = Numbered(w, h);
    for (int round = 0; round < 40; ++round) {
        Bitmap first = original;
        Bitmap twin = first.Share();
        std::atomic<int> ready{0};
        std::vector<std::thread> writers;
        for (int t = 0; t < threads; ++t)
            writers.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < threads) {
                }
                for (int y = t; y < h; y += threads) std::memset(twin.Row(y), 0xAB, 3 * w);
            });
        for (std::thread& t : writers) t.join();
        ASSERT_EQ(first, original) << "round " << round;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x)
                ASSERT_EQ(twin.Row(y)[x], 0xAB) << "row " << y << ", round " << round;
    }
}

}  // namespace
