#pragma once

// One way to spread work over threads, for the engine and for everything that reads its maps.

#include <algorithm>
#include <atomic>
#include <stop_token>
#include <thread>
#include <vector>

namespace drawfield {

// The threads to use: `requested`, or one per core for 0.
[[nodiscard]] inline unsigned threadCount(unsigned requested) noexcept
{
    return requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
}

// Runs body(item, thread) for item = 0 .. count - 1 on up to `threads` threads, the calling one
// being thread 0 (thread < threads: an index into per-thread scratch). Items are handed out one at
// a time in ascending order, so that uneven items balance; once `stop` is requested no more are.
// Returns when every item handed out is done.
template <class Body>
void parallelFor(
    long long count, unsigned threads, const Body& body, const std::stop_token& stop = {})
{
    std::atomic<long long> next { 0 };
    auto work = [&](unsigned thread) {
        for (;;) {
            if (stop.stop_requested())
                return;
            const long long item = next.fetch_add(1, std::memory_order_relaxed);
            if (item >= count)
                return;
            body(item, thread);
        }
    };
    const long long helpers = std::min<long long>(std::max(1u, threads) - 1, count - 1);
    std::vector<std::jthread> pool;
    for (unsigned t = 1; t <= helpers; ++t)
        pool.emplace_back([&work, t] { work(t); });
    work(0);
}

} // namespace drawfield
