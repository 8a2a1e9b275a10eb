// The lock-free bounded queue: one slot always free, first in first out, and under many
// producers and consumers every value out exactly once.
#include "BoundedQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

TEST(BoundedQueueTest, HoldsNMinusOneInOrderAcrossTheWrap) {
    BoundedQueue<uint32_t, 5> queue;
    uint32_t out = 0;
    EXPECT_FALSE(queue.Pop(out));
    uint32_t next = 1;
    uint32_t expected = 1;
    for (int round = 0; round < 7; ++round) {  // the counters pass the slot count several times
        for (int n = 0; n < 4; ++n) {
            ASSERT_TRUE(queue.Push(next++));
        }
        EXPECT_FALSE(queue.Push(99));
        for (int n = 0; n < 3; ++n) {
            ASSERT_TRUE(queue.Pop(out));
            EXPECT_EQ(out, expected++);
        }
        ASSERT_TRUE(queue.Pop(out));
        EXPECT_EQ(out, expected++);
        EXPECT_FALSE(queue.Pop(out));
        EXPECT_EQ(out, expected - 1);  // unchanged by the failed pop
    }
}

TEST(BoundedQueueTest, ProducersRacingForAnEmptyQueueFillExactlyNMinusOne) {
    for (int run = 0; run < 50; ++run) {
        BoundedQueue<uint32_t, 10> queue;
        std::atomic<int> pushed{0};
        std::atomic<bool> go{false};
        std::vector<std::thread> producers;
        for (uint32_t t = 0; t < 4; ++t) {
            producers.emplace_back([&, t] {
                while (!go) {
                }
                for (uint32_t n = 0; n < 10; ++n) {
                    pushed += queue.Push(t * 100 + n) ? 1 : 0;
                }
            });
        }
        go = true;
        for (std::thread& producer : producers) {
            producer.join();
        }
        ASSERT_EQ(pushed, 9);
    }
}

TEST(BoundedQueueTest, ManyProducersAndConsumersPassEveryValueExactlyOnce) {
    constexpr uint32_t kProducers = 4;
    constexpr uint32_t kConsumers = 4;
    constexpr uint32_t kPerProducer = 5000;
    constexpr uint32_t kTotal = kProducers * kPerProducer;
    BoundedQueue<uint32_t, 5> queue;
    std::vector<std::atomic<int>> seen(kTotal + 1);
    std::atomic<uint32_t> consumed{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < kProducers; ++t) {
        threads.emplace_back([&, t] {
            for (uint32_t n = 1; n <= kPerProducer; ++n) {
                while (!queue.Push(t * kPerProducer + n)) {
                    std::this_thread::yield();
                }
            }
        });
    }
    for (uint32_t t = 0; t < kConsumers; ++t) {
        threads.emplace_back([&] {
            uint32_t value = 0;
            while (consumed < kTotal) {
                if (queue.Pop(value)) {
                    ++seen[value];
                    ++consumed;
                } else {
                    std::this_thread::yield();
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    uint32_t value = 0;
    EXPECT_FALSE(queue.Pop(value));
    EXPECT_EQ(seen[0], 0);
    for (uint32_t v = 1; v <= kTotal; ++v) {
        ASSERT_EQ(seen[v], 1) << "value " << v;
    }
}

}  // namespace
