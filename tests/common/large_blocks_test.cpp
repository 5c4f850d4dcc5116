// Memory for pictures: the budget a picture must fit, the pool of large blocks with its
// reuse of freed blocks and a peak the kept blocks never raise, and the judgement of
// when huge pages cost more than they save.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "common/Bitmap.h"
#include "common/HugePageJudge.h"
#include "common/LargeBlocks.h"
#include "common/MemoryLimit.h"

using namespace velmora;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(PictureMemoryLimit, DefaultsToAUsableBudgetAndCanBeOverridden) {
    const std::size_t automatic = PictureMemoryLimit();
    EXPECT_GE(automatic, 256 * kMiB);
    EXPECT_LE(automatic, std::size_t(1) << 34);
    SetPictureMemoryLimit(kMiB);
    EXPECT_EQ(PictureMemoryLimit(), kMiB);
    // 600 x 600 needs 1,080,000 bytes: more than the budget.
    EXPECT_FALSE(CheckPictureSize(600, 600, PictureMemoryLimit()).empty());
    EXPECT_TRUE(CheckPictureSize(500, 500, PictureMemoryLimit()).empty());
    SetPictureMemoryLimit(0);
    EXPECT_EQ(PictureMemoryLimit(), automatic);
}

TEST(LargeBlocks, FreedBlocksAreReusedAndSplit) {
    if (!LargeBlockUsage().pooled) GTEST_SKIP() << "the ordinary allocator serves every block here";
    ReleaseKeptBlocks();  // blocks kept from other tests would be chosen first
    EXPECT_EQ(LargeBlockUsage().kept, 0u);
    void* a = AllocateBlock(9 * kMiB);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % (2 * kMiB), 0u);
    std::memset(a, 7, 9 * kMiB);
    FreeBlock(a, 9 * kMiB);
    // A smaller request takes the front of the freed block; a second one its rest.
    void* b = AllocateBlock(4 * kMiB);
    void* c = AllocateBlock(5 * kMiB + 1);
    EXPECT_EQ(b, a);
    EXPECT_EQ(static_cast<char*>(c), static_cast<char*>(a) + 4 * kMiB);
    FreeBlock(c, 5 * kMiB + 1);
    FreeBlock(b, 4 * kMiB);
    // The two pieces are one block again.
    void* d = AllocateBlock(10 * kMiB);
    EXPECT_EQ(d, a);
    FreeBlock(d, 10 * kMiB);
}

// Whether this kernel supplies the pages of a range in one request.
bool SuppliesPagesAtOnce() {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return false;
    const bool supplied = ::madvise(page, 4096, MADV_POPULATE_WRITE) == 0;
    ::munmap(page, 4096);
    return supplied;
#else
    return false;
#endif
}

TEST(LargeBlocks, NewBlocksComeWithTheirPagesSupplied) {
    if (!LargeBlockUsage().pooled) GTEST_SKIP() << "the ordinary allocator serves every block here";
    if (!SuppliesPagesAtOnce()) GTEST_SKIP() << "this kernel supplies pages only as they are touched";
    ReleaseKeptBlocks();  // so that the block is new memory
    // Ordinary pages: a huge page comes whole anyway when the pool times it.
    const bool huge = AllowHugePages(false);
    const std::size_t bytes = 6 * kMiB;
    void* block = AllocateBlock(bytes);
    AllowHugePages(huge);
    std::vector<unsigned char> resident(bytes / 4096);
    ASSERT_EQ(::mincore(block, bytes, resident.data()), 0);
    std::size_t missing = 0;
    for (unsigned char r : resident) missing += (r & 1u) == 0;
    EXPECT_EQ(missing, 0u) << "of " << resident.size() << " pages";
    FreeBlock(block, bytes);
}

TEST(LargeBlocks, KeptMemoryNeverRaisesThePeak) {
    if (!LargeBlockUsage().pooled) GTEST_SKIP() << "the ordinary allocator serves every block here";
    std::vector<std::pair<void*, std::size_t>> live;
    unsigned s = 99;
    for (int i = 0; i < 200; ++i) {
        s = s * 1664525u + 1013904223u;
        if (live.empty() || (s >> 28) < 9) {
            const std::size_t bytes = (1 + (s >> 8) % 24) * kMiB + (s >> 16) % 4096;
            live.emplace_back(AllocateBlock(bytes), bytes);
            static_cast<char*>(live.back().first)[bytes - 1] = 1;  // the whole block is usable
        } else {
            const std::size_t k = (s >> 4) % live.size();
            FreeBlock(live[k].first, live[k].second);
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(k));
        }
        const LargeBlockStats st = LargeBlockUsage();
        ASSERT_LE(st.inUse + st.kept, st.highWater) << "step " << i;
    }
    for (const auto& [p, n] : live) FreeBlock(p, n);
    // Small blocks come from the ordinary allocator and are not counted.
    const std::size_t before = LargeBlockUsage().inUse;
    void* small = AllocateBlock(1000);
    EXPECT_EQ(LargeBlockUsage().inUse, before);
    FreeBlock(small, 1000);
}

TEST(LargeBlocks, HugePagesAreGivenUpOnceTheyCostMoreThanTheLimitOnAverage) {
    using std::chrono::microseconds;
    using std::chrono::milliseconds;
    const auto fast = microseconds(200), slow = microseconds(3000);
    {
        // Pages over the limit among quick ones keep them while the average stays
        // under it, however many come in a row.
        HugePageJudge judge;
        EXPECT_TRUE(judge.Wanted());
        for (auto took : {fast, slow, fast, fast, slow, slow, fast, HugePageJudge::kSlow, fast}) judge.Supplied(took);
        EXPECT_TRUE(judge.Wanted());
        // Enough pages of 3 ms then bring the average over it: given up, for good.
        for (int i = 0; i < 10; ++i) judge.Supplied(slow);
        EXPECT_FALSE(judge.Wanted());
        for (int i = 0; i < 100; ++i) judge.Supplied(fast);
        EXPECT_FALSE(judge.Wanted());
    }
    {
        // A single page that costs as much as a hundred quick ones gives them up at
        // once, even as the first: the pages after it would have to be free to make
        // up for it.
        HugePageJudge first;
        first.Supplied(milliseconds(20));
        EXPECT_FALSE(first.Wanted());
        HugePageJudge later;
        for (int i = 0; i < 3; ++i) later.Supplied(fast);
        later.Supplied(milliseconds(20));
        EXPECT_FALSE(later.Wanted());
    }
    {
        // One page at twice the limit is what the spare allows.
        HugePageJudge judge;
        judge.Supplied(2 * HugePageJudge::kSlow);
        EXPECT_TRUE(judge.Wanted());
    }
    {
        // While the first pages are timed elsewhere, blocks do without huge pages, even
        // when those pages come quick one by one; the verdict counts once all are in.
        HugePageJudge quick, slow;
        for (HugePageJudge* judge : {&quick, &slow}) {
            judge->Await();
            EXPECT_FALSE(judge->Wanted());
            judge->Supplied(fast);
            EXPECT_FALSE(judge->Wanted());
        }
        quick.StopAwaiting();
        EXPECT_TRUE(quick.Wanted());
        slow.Supplied(milliseconds(20));
        slow.StopAwaiting();
        EXPECT_FALSE(slow.Wanted());
    }
}

TEST(LargeBlocks, ABlockTakenWhileTheFirstPagesAreTimedWaitsForThemAWhile) {
    HugePageJudge judge;
    EXPECT_TRUE(judge.AwaitTimes(std::chrono::hours(1)));  // nothing awaited: no wait at all
    judge.Await();
    // Times that never come are waited for no longer than asked.
    EXPECT_FALSE(judge.AwaitTimes(std::chrono::milliseconds(1)));
    EXPECT_FALSE(judge.Wanted());
    // Times that come while waiting end the wait, with their verdict.
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        judge.Supplied(std::chrono::microseconds(200));
        judge.StopAwaiting();
    });
    EXPECT_TRUE(judge.AwaitTimes(std::chrono::hours(1)));
    EXPECT_TRUE(judge.Wanted());
    timer.join();
}

}  // namespace
