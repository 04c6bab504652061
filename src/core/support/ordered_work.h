#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace garbello {

// One thread per core, at least one: the right width for independent work
// that only computes.
unsigned workerCount();

// Runs `produce(i)` for every i from 0 to count - 1 on up to `workers`
// threads, and hands each result to `consume(i, result)` on the calling
// thread in index order, as soon as it and every result before it are ready.
// Whatever `consume` does (writing files, printing lines) therefore happens
// exactly as in a plain loop over the indices.
//
// The first failure ends the run as it would end that loop: when `produce(i)`
// or `consume(i, …)` throws, no further job starts, every result before i is
// still consumed (for a failed `produce`), the jobs already running finish and
// their results are dropped, and the exception is rethrown here. `produce`
// must be safe to call from several threads at once.
template <class Result, class Produce, class Consume>
void runInOrder(std::size_t count, Produce produce, Consume consume,
                unsigned workers = workerCount()) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        std::vector<std::optional<Result>> results;
        std::vector<std::exception_ptr> errors;
        std::vector<bool> done;
        std::size_t next = 0;
        bool stopped = false;
    } shared;
    shared.results.resize(count);
    shared.errors.resize(count);
    shared.done.resize(count);

    const auto work = [&] {
        for (;;) {
            std::size_t index;
            {
                std::lock_guard lock(shared.mutex);
                if (shared.stopped || shared.next == count)
                    return;
                index = shared.next++;
            }
            std::optional<Result> result;
            std::exception_ptr error;
            try {
                result.emplace(produce(index));
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard lock(shared.mutex);
                shared.results[index] = std::move(result);
                shared.errors[index] = error;
                shared.done[index] = true;
                // Jobs start in index order, so every job before this one is
                // already running and will still be consumed.
                if (error)
                    shared.stopped = true;
            }
            shared.finished.notify_all();
        }
    };

    // Declared after `shared` and before `stop`, so on every way out the
    // workers are told to stop first and joined before `shared` goes.
    std::vector<std::jthread> threads;
    struct StopOnExit {
        Shared& shared;
        ~StopOnExit() {
            std::lock_guard lock(shared.mutex);
            shared.stopped = true;
        }
    } stop{shared};

    const std::size_t threadCount = std::min<std::size_t>(std::max(workers, 1u), count);
    threads.reserve(threadCount);
    for (std::size_t i = 0; i < threadCount; ++i)
        threads.emplace_back(work);

    for (std::size_t index = 0; index < count; ++index) {
        std::optional<Result> result;
        {
            std::unique_lock lock(shared.mutex);
            shared.finished.wait(lock, [&] { return bool(shared.done[index]); });
            if (shared.errors[index])
                std::rethrow_exception(shared.errors[index]);
            result = std::move(shared.results[index]);
            shared.results[index].reset();
        }
        consume(index, std::move(*result));
    }
}

} // namespace garbello
