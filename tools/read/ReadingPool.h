// A pool of worker threads that reads many sheets in parallel and hands the results back in input order.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace marksheet {

/// Runs produce(i) for every i below count on up to `jobs` worker threads. On the calling thread,
/// deliver(i, result) is called in order of i, each as soon as result i and all before it are done
/// (a result waits only for those before it); tick(done) is called about every tickInterval while
/// waiting and once after each delivery, done being the number of finished results. If produce
/// throws, the workers stop taking new work and the exception reaches the caller after those before
/// it were delivered.
template <class Result>
void ReadInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t)>& produce,
                 const std::function<void(std::size_t, Result&&)>& deliver,
                 const std::function<void(std::size_t)>& tick = {},
                 std::chrono::milliseconds tickInterval = std::chrono::milliseconds(250)) {
    if (count == 0) return;
    const std::size_t threadCount = std::max<std::size_t>(1, std::min<std::size_t>(jobs, count));

    std::mutex lock;
    std::condition_variable resultReady;
    std::vector<std::optional<Result>> results(count);
    std::vector<std::exception_ptr> failures(count);
    std::size_t nextToTake = 0;
    std::size_t finished = 0;
    bool stop = false;

    auto work = [&] {
        for (;;) {
            std::size_t index;
            {
                std::lock_guard guard(lock);
                if (stop || nextToTake == count) return;
                index = nextToTake++;
            }
            std::optional<Result> result;
            std::exception_ptr failure;
            try {
                result.emplace(produce(index));
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard guard(lock);
                results[index] = std::move(result);
                failures[index] = failure;
                ++finished;
                if (failure) stop = true;
            }
            resultReady.notify_one();
        }
    };

    std::vector<std::jthread> workers;
    workers.reserve(threadCount);
    for (std::size_t t = 0; t < threadCount; ++t) workers.emplace_back(work);

    // Work is taken in index order, so every result before a failed one has been taken and will
    // arrive: waiting for result `next` never waits for work nobody does.
    std::exception_ptr failure;
    auto stopWorkers = [&] {
        std::lock_guard guard(lock);
        stop = true;
    };
    try {
        for (std::size_t next = 0; next < count;) {
            std::unique_lock guard(lock);
            if (!resultReady.wait_for(guard, tickInterval, [&] { return results[next] || failures[next]; })) {
                const std::size_t done = finished;
                guard.unlock();
                if (tick) tick(done);
                continue;
            }
            if (failures[next]) {
                failure = failures[next];
                break;
            }
            Result result = std::move(*results[next]);
            results[next].reset();
            const std::size_t done = finished;
            guard.unlock();
            deliver(next, std::move(result));
            ++next;
            if (tick) tick(done);
        }
    } catch (...) {
        stopWorkers();  // a delivery failed: finish only the work already taken, then pass it on
        throw;
    }
    stopWorkers();
    workers.clear();  // joins
    if (failure) std::rethrow_exception(failure);
}

}  // namespace marksheet
