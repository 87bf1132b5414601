#pragma once
// The threads of a puzzle file's count and listing: workers take tasks 0 .. n - 1 in order, each
// with a worker object of its own, and the calling thread takes their results in task order,
// so what it makes of them never depends on the number of threads. Workers run at most
// `window` tasks ahead of the one taken next, which bounds what a slow taker (a listing
// written to a stalled pipe) makes them hold. What a worker throws stops the others and is
// thrown again on the calling thread once every worker has stopped.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace cubepack {

// `make()` makes a worker (a pointer to it, on the thread that uses it); `worker->Run(i, stop)`
// returns task i's result; `take(i, result)` gets them in order on this thread and returns false to
// stop; `idle(done)` is called about every `tick` while this thread waits, with the tasks done.
template <class Result, class Make, class Take, class Idle>
void RunTasks(std::size_t n, int jobs, std::size_t window, Make make, Take take, Idle idle,
              std::chrono::milliseconds tick = std::chrono::milliseconds(250)) {
  if (n == 0) return;
  std::atomic<bool> stop{false};
  if (jobs <= 1) {
    auto worker = make();
    auto last = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < n; ++i) {
      if (!take(i, worker->Run(i, stop))) return;
      if (std::chrono::steady_clock::now() - last >= tick) {
        idle(i + 1);
        last = std::chrono::steady_clock::now();
      }
    }
    return;
  }
  const std::size_t workers = std::min(static_cast<std::size_t>(jobs), n);
  std::vector<std::optional<Result>> slots(n);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0, taken = 0, done = 0;
  std::exception_ptr failure;
  auto work = [&] {
    try {
      auto worker = make();
      for (;;) {
        std::size_t i;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stop.load() || next >= n || next < taken + window; });
          if (stop.load() || next >= n) return;
          i = next++;
        }
        Result result = worker->Run(i, stop);
        std::lock_guard lock(mutex);
        slots[i].emplace(std::move(result));
        ++done;
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
      stop = true;
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  auto finish = [&] {
    {
      std::lock_guard lock(mutex);
      stop = true;
      changed.notify_all();
    }
    for (std::thread& th : threads) th.join();
  };
  try {
    for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(work);
    for (std::size_t i = 0; i < n; ++i) {
      Result result;
      {
        std::unique_lock lock(mutex);
        while (!changed.wait_for(lock, tick, [&] { return slots[i].has_value() || failure; })) {
          const std::size_t soFar = done;
          lock.unlock();
          idle(soFar);
          lock.lock();
        }
        if (failure) break;
        result = std::move(*slots[i]);
        slots[i].reset();
      }
      const bool more = take(i, std::move(result));
      std::lock_guard lock(mutex);
      taken = i + 1;
      changed.notify_all();
      if (!more) break;
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace cubepack
