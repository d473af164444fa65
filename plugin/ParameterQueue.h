#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Fixed-size lock-free queue of parameter changes: any number of threads push,
// the audio thread pops. Each cell carries a sequence number that tells
// whether it is free for the producer of a given turn or filled for the
// consumer (bounded MPMC queue after D. Vyukov). push never blocks: when the
// queue is full it reports false and the caller falls back to a full resync.
class ParameterQueue {
public:
    struct Change {
        int32_t index;
        float value;
    };

    static constexpr size_t capacity = 1024;

    ParameterQueue()
    {
        for (size_t i = 0; i < capacity; ++i)
            cells[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool push(Change change)
    {
        size_t position = tail.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = cells[position & mask];
            const size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position);
            if (difference == 0) {
                if (tail.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    cell.change = change;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (difference < 0) {
                return false;
            } else {
                position = tail.load(std::memory_order_relaxed);
            }
        }
    }

    // Single consumer.
    bool pop(Change& change)
    {
        const size_t position = head.load(std::memory_order_relaxed);
        Cell& cell = cells[position & mask];
        const size_t sequence = cell.sequence.load(std::memory_order_acquire);
        if (static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position + 1) < 0)
            return false;
        change = cell.change;
        cell.sequence.store(position + capacity, std::memory_order_release);
        head.store(position + 1, std::memory_order_relaxed);
        return true;
    }

private:
    static_assert((capacity & (capacity - 1)) == 0, "capacity is a power of two");
    static constexpr size_t mask = capacity - 1;

    struct Cell {
        std::atomic<size_t> sequence;
        Change change;
    };

    alignas(64) std::array<Cell, capacity> cells;
    alignas(64) std::atomic<size_t> tail { 0 };
    alignas(64) std::atomic<size_t> head { 0 };
};
