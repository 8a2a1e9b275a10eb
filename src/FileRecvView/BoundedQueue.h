// A lock-free bounded queue of N slots for values of a trivially copyable type (pointers here),
// for any number of producers and consumers.
//
// Three counters, all starting at 0, map to slot `counter % N`: writeIndex (slots reserved by
// pushes), publishedIndex (slots whose values are visible to pops, in slot order) and
// readIndex (slots consumed). One slot always stays free, so the queue holds at most N - 1
// values. Every atomic operation is sequentially consistent.
//
// The counters are 32-bit and wrap after 2^32 operations; where N does not divide 2^32 the slot
// sequence jumps there. The dispatcher's queues see a few operations per notice.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

template <typename T, uint32_t N>
class BoundedQueue {
    static_assert(N >= 2, "one slot always stays free");
    static_assert(std::is_trivially_copyable<T>::value, "values are copied through atomics");

public:
    static constexpr uint32_t kSlots = N;
    static constexpr uint32_t kCapacity = N - 1;

    BoundedQueue() {
        for (std::atomic<T>& slot : slots) {
            slot.store(T{});
        }
    }
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // False when the queue is full.
    bool Push(T value) {
        while (true) {
            uint32_t w = writeIndex.load();
            const uint32_t r = readIndex.load();
            if ((w + 1) % N == r % N) {
                return false;
            }
            if (!writeIndex.compare_exchange_strong(w, w + 1)) {
                continue;
            }
            slots[w % N].store(value);
            // Pushes become visible in the order of their slots: wait for the pushes of the
            // slots before this one.
            uint32_t expected = w;
            while (!publishedIndex.compare_exchange_weak(expected, w + 1)) {
                expected = w;
            }
            return true;
        }
    }

    // False when the queue is empty; OUT is then unchanged.
    bool Pop(T& out) {
        while (true) {
            uint32_t r = readIndex.load();
            const uint32_t p = publishedIndex.load();
            if (r % N == p % N) {
                return false;
            }
            // A slot is an atomic: a consumer that lost the race below may read it while a
            // producer already refills it; that value is then dropped.
            const T value = slots[r % N].load();
            if (readIndex.compare_exchange_strong(r, r + 1)) {
                out = value;
                return true;
            }
        }
    }

private:
    std::atomic<T> slots[N];
    std::atomic<uint32_t> writeIndex{0};
    std::atomic<uint32_t> readIndex{0};
    std::atomic<uint32_t> publishedIndex{0};
};
