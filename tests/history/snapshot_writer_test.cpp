#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "history/SnapshotWriter.h"

namespace velmora {
namespace {

using Outcome = SnapshotWriter::Outcome;
using Results = std::vector<std::pair<std::uint64_t, Outcome>>;

Results IdsAndOutcomes(const std::vector<SnapshotWriter::Result>& results) {
    Results out;
    for (const auto& r : results) out.emplace_back(r.Id, r.What);
    return out;
}

TEST(SnapshotWriter, WritesInOrderAndStopsAfterAFailureUntilCollected) {
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> wakeUps{0};
    SnapshotWriter writer([&] { ++wakeUps; });

    auto job = [&](int n, bool ok) {
        return [&, n, ok](std::string& error) {
            gate.wait();
            std::lock_guard<std::mutex> lock(mutex);
            order.push_back(n);
            if (!ok) error = "disk full";
            return ok;
        };
    };
    const auto first = writer.Enqueue(job(1, true));
    const auto second = writer.Enqueue(job(2, false));
    const auto third = writer.Enqueue(job(3, true));
    EXPECT_TRUE(writer.Busy());
    release.set_value();
    writer.WaitAll();
    EXPECT_FALSE(writer.Busy());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    // Handed in after the failure but before it was collected: skipped too.
    const auto fourth = writer.Enqueue(job(4, true));
    writer.WaitAll();
    const std::vector<SnapshotWriter::Result> results = writer.TakeResults();
    EXPECT_EQ(IdsAndOutcomes(results), (Results{{first, Outcome::Written},
                                                {second, Outcome::Failed},
                                                {third, Outcome::Cancelled},
                                                {fourth, Outcome::Cancelled}}));
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[1].Error, "disk full");
    // One wake-up per finished write and per write skipped on arrival, possibly just after WaitAll.
    for (int i = 0; i < 1000 && wakeUps.load() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(wakeUps.load(), 3);

    // Collecting the failure lets the queue run again.
    const auto fifth = writer.Enqueue(job(5, true));
    writer.WaitAll();
    EXPECT_EQ(IdsAndOutcomes(writer.TakeResults()), (Results{{fifth, Outcome::Written}}));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 5}));
}

TEST(SnapshotWriter, DestructionFinishesQueuedWritesAndReportsThrownErrors) {
    std::atomic<int> written{0};
    const auto count = [&](std::string&) { return ++written > 0; };
    std::vector<SnapshotWriter::Result> results;
    {
        SnapshotWriter writer;
        for (int i = 0; i < 5; ++i) writer.Enqueue(count);
        writer.WaitAll();
        writer.Enqueue([](std::string&) -> bool { throw std::runtime_error("out of memory"); });
        writer.WaitAll();
        results = writer.TakeResults();
        for (int i = 0; i < 3; ++i) writer.Enqueue(count);
    }
    EXPECT_EQ(written.load(), 8);
    ASSERT_EQ(results.size(), 6u);
    EXPECT_EQ(results[5].What, Outcome::Failed);
    EXPECT_EQ(results[5].Error, "out of memory");
}

}  // namespace
}  // namespace velmora
