// The reading pool: results come back in input order, each as soon as those before it are done.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <random>
#include <stdexcept>
#include <string>

#include "ReadingPool.h"

namespace marksheet {
namespace {

using namespace std::chrono_literals;

class ReadingPoolOrder : public testing::TestWithParam<unsigned> {};

TEST_P(ReadingPoolOrder, DeliversEveryResultOnceInInputOrder) {
    constexpr std::size_t count = 200;
    std::vector<int> delays(count);
    std::mt19937 random(GetParam());
    for (int& d : delays) d = static_cast<int>(random() % 300);
    std::vector<std::size_t> order;
    std::atomic<int> running{0}, mostRunning{0};
    ReadInOrder<std::string>(
        count, GetParam(),
        [&](std::size_t i) {
            const int now = ++running;
            for (int seen = mostRunning; now > seen && !mostRunning.compare_exchange_weak(seen, now);) {
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delays[i]));
            --running;
            return "sheet " + std::to_string(i);
        },
        [&](std::size_t i, std::string&& result) {
            EXPECT_EQ(result, "sheet " + std::to_string(i));
            order.push_back(i);
        });
    ASSERT_EQ(order.size(), count);
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(order[i], i);
    EXPECT_LE(mostRunning.load(), static_cast<int>(GetParam())) << "never more workers than jobs";
}

INSTANTIATE_TEST_SUITE_P(Jobs, ReadingPoolOrder, testing::Values(1u, 2u, 3u, 8u, 500u));

TEST(ReadingPool, EarlyResultIsDeliveredWhileALaterOneIsStillBeingRead) {
    // The last sheet finishes only once the first has been delivered: a pool that held results back
    // until all were done would never get there.
    std::promise<void> firstDelivered;
    auto firstDeliveredFuture = firstDelivered.get_future().share();
    std::vector<std::size_t> order;
    ReadInOrder<int>(
        3, 2,
        [&](std::size_t i) {
            if (i == 2 && firstDeliveredFuture.wait_for(10s) != std::future_status::ready)
                ADD_FAILURE() << "sheet 0 was not delivered while sheet 2 was still being read";
            return static_cast<int>(i);
        },
        [&](std::size_t i, int&&) {
            order.push_back(i);
            if (i == 0) firstDelivered.set_value();
        });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2}));
}

TEST(ReadingPool, TicksWhileWaitingForASlowSheet) {
    std::atomic<int> ticks{0};
    ReadInOrder<int>(
        1, 1,
        [&](std::size_t) {
            std::this_thread::sleep_for(200ms);
            return 0;
        },
        [](std::size_t, int&&) {}, [&](std::size_t) { ++ticks; }, 10ms);
    EXPECT_GE(ticks.load(), 3);
}

TEST(ReadingPool, AFailingReadingReachesTheCallerAfterThoseBeforeItWereDelivered) {
    std::vector<std::size_t> delivered;
    EXPECT_THROW(ReadInOrder<int>(
                     50, 3,
                     [](std::size_t i) {
                         if (i == 7) throw std::runtime_error("broken");
                         return static_cast<int>(i);
                     },
                     [&](std::size_t i, int&&) { delivered.push_back(i); }),
                 std::runtime_error);
    ASSERT_EQ(delivered.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(delivered[i], i);
}

TEST(ReadingPool, NothingToReadCallsNothing) {
    ReadInOrder<int>(
        0, 4, [](std::size_t) -> int { throw std::logic_error("called"); },
        [](std::size_t, int&&) { FAIL(); });
}

}  // namespace
}  // namespace marksheet
