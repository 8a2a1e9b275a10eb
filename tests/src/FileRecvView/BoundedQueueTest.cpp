// The lock-free bounded queue: one slot always free, first in first out, and under many
// producers and consumers every value out exactly once.
#include "BoundedQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Runs BODY(0) to BODY(COUNT - 1) on threads of their own, released together, and joins them.
void Together(uint32_t count, const std::function<void(uint32_t)>& body) {
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < count; ++t) {
        threads.emplace_back([&, t] {
            while (!go) {
            }
            body(t);
        });
    }
    go = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
}

TEST(BoundedQueueTest, HoldsNMinusOneInOrderAcrossTheWrap) {
    BoundedQueue<uint32_t, 5> queue;
    uint32_t out = 0, next = 1, expected = 1;
    EXPECT_FALSE(queue.Pop(out));
    for (int round = 0; round < 7; ++round) {  // the counters pass the slot count several times
        for (int n = 0; n < 4; ++n) {
            ASSERT_TRUE(queue.Push(next++));
        }
        EXPECT_FALSE(queue.Push(99));
        for (int n = 0; n < 4; ++n) {
            ASSERT_TRUE(queue.Pop(out));
            EXPECT_EQ(out, expected++);
        }
        EXPECT_FALSE(queue.Pop(out));
        EXPECT_EQ(out, expected - 1);  // unchanged by the failed pop
    }
}

TEST(BoundedQueueTest, ProducersRacingForAnEmptyQueueFillExactlyNMinusOne) {
    for (int run = 0; run < 50; ++run) {
        BoundedQueue<uint32_t, 10> queue;
        std::atomic<int> pushed{0};
        Together(4, [&](uint32_t t) {
            for (uint32_t n = 0; n < 10; ++n) {
                pushed += queue.Push(t * 100 + n) ? 1 : 0;
            }
        });
        ASSERT_EQ(pushed, 9);
    }
}

TEST(BoundedQueueTest, ManyProducersAndConsumersPassEveryValueExactlyOnce) {
    constexpr uint32_t kPerProducer = 5000;
    constexpr uint32_t kTotal = 4 * kPerProducer;
    BoundedQueue<uint32_t, 5> queue;
    std::vector<std::atomic<int>> seen(kTotal + 1);
    std::atomic<uint32_t> consumed{0};
    // Threads 0 to 3 produce 1 to kTotal, threads 4 to 7 consume.
    Together(8, [&](uint32_t t) {
        uint32_t value = 0;
        for (uint32_t n = 1; t < 4 && n <= kPerProducer; ++n) {
            while (!queue.Push(t * kPerProducer + n)) {
                std::this_thread::yield();
            }
        }
        while (t >= 4 && consumed < kTotal) {
            if (queue.Pop(value)) {
                ++seen[value];
                ++consumed;
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint32_t value = 0;
    EXPECT_FALSE(queue.Pop(value));
    EXPECT_EQ(seen[0], 0);
    for (uint32_t v = 1; v <= kTotal; ++v) {
        ASSERT_EQ(seen[v], 1) << "value " << v;
    }
}

}  // namespace
