// Copying a bitmap: into one of the same byte size, of another, and with no memory
// left; and lending its pixels to a reader on another thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <utility>

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

// Everything that could change, move or free lent pixels must wait until the
// reader is done: a reader that takes a while is still reading when each of these
// starts, and must have finished when it returns.
TEST(Bitmap, WhateverCouldChangeLentPixelsWaitsForTheReader) {
    const std::pair<const char*, std::function<void(std::unique_ptr<Bitmap>&)>> changes[] = {
        {"Row", [](std::unique_ptr<Bitmap>& b) { b->Row(1)[0] = 1; }},
        {"Data", [](std::unique_ptr<Bitmap>& b) { b->Data()[0] = 1; }},
        {"Pixel", [](std::unique_ptr<Bitmap>& b) { b->Pixel(2, 2)[0] = 1; }},
        {"Fill", [](std::unique_ptr<Bitmap>& b) { b->Fill(1, 2, 3); }},
        {"SetSize", [](std::unique_ptr<Bitmap>& b) { b->SetSize(8, 3); }},
        {"SetSizeUnset", [](std::unique_ptr<Bitmap>& b) { b->SetSizeUnset(2, 2); }},
        {"copy into", [](std::unique_ptr<Bitmap>& b) { *b = Numbered(8, 3); }},
        {"move into", [](std::unique_ptr<Bitmap>& b) { *b = Bitmap(5, 5); }},
        {"move from", [](std::unique_ptr<Bitmap>& b) { Bitmap taken(std::move(*b)); }},
        {"move assign from", [](std::unique_ptr<Bitmap>& b) {
             Bitmap taken;
             taken = std::move(*b);
         }},
        {"swap", [](std::unique_ptr<Bitmap>& b) {
             Bitmap other(2, 2);
             other.Swap(*b);
         }},
        {"destroy", [](std::unique_ptr<Bitmap>& b) { b.reset(); }},
        {"lend again", [](std::unique_ptr<Bitmap>& b) {
             auto next = std::make_shared<ReadHold>();
             b->Lend(next);
             next->Release();
         }},
    };
    for (const auto& [name, change] : changes) {
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

}  // namespace
