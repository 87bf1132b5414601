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

namespace cubepack::general {

// `make()` makes a worker (a pointer to it, on the thread that uses it); `worker->Run(i, stop)`
// returns task i's result; `take(i, result)` gets them in order on this thread and returns false to
// stop; `idle(done)` is called about every `tick` while this thread waits, with the tasks done.
template <class Make, class Take, class Idle>
void RunTasksHere(std::size_t n, Make make, Take take, Idle idle, std::chrono::milliseconds tick) {
  const std::atomic<bool> stop{false};
  auto worker = make();
  auto last = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < n; ++i) {
    if (!take(i, worker->Run(i, stop))) return;
    if (std::chrono::steady_clock::now() - last >= tick) {
      idle(i + 1);
      last = std::chrono::steady_clock::now();
    }
  }
}

// The state the workers and the taking thread share.
template <class Result>
class TaskSlots {
 public:
  TaskSlots(std::size_t n, std::size_t window) : slots_(n), window_(window) {}

  // A worker's loop: the next task within the window, until none is left or all stop.
  template <class Make>
  void Work(Make& make) {
    try {
      auto worker = make();
      for (std::size_t i; Next(i);) {
        Result result = worker->Run(i, stop_);
        std::lock_guard lock(mutex_);
        slots_[i].emplace(std::move(result));
        ++done_;
        changed_.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      stop_ = true;
      changed_.notify_all();
    }
  }

  // Task i's result once it is there (calling idle every tick meanwhile), or none when a
  // worker failed.
  template <class Idle>
  std::optional<Result> Await(std::size_t i, Idle& idle, std::chrono::milliseconds tick) {
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, tick, [&] { return slots_[i].has_value() || failure_; })) {
      const std::size_t soFar = done_;
      lock.unlock();
      idle(soFar);
      lock.lock();
    }
    if (failure_) return std::nullopt;
    std::optional<Result> result = std::move(slots_[i]);
    slots_[i].reset();
    return result;
  }

  void Taken(std::size_t i) {
    std::lock_guard lock(mutex_);
    taken_ = i + 1;
    changed_.notify_all();
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

  std::exception_ptr Failure() const { return failure_; }

  std::size_t Done() {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  bool Next(std::size_t& i) {
    std::unique_lock lock(mutex_);
    changed_.wait(
        lock, [&] { return stop_.load() || next_ >= slots_.size() || next_ < taken_ + window_; });
    if (stop_.load() || next_ >= slots_.size()) return false;
    i = next_++;
    return true;
  }

  std::vector<std::optional<Result>> slots_;
  std::size_t window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0, taken_ = 0, done_ = 0;
  std::atomic<bool> stop_{false};
  std::exception_ptr failure_;
};

template <class Result, class Make, class Take, class Idle>
void RunTasks(std::size_t n, int jobs, std::size_t window, Make make, Take take, Idle idle,
              std::chrono::milliseconds tick = std::chrono::milliseconds(250)) {
  if (n == 0) return;
  if (jobs <= 1) return RunTasksHere(n, make, take, idle, tick);
  TaskSlots<Result> slots(n, window);
  std::vector<std::thread> threads;
  auto finish = [&] {
    slots.Stop();
    for (std::thread& th : threads) th.join();
  };
  // Results that come faster than `tick` never leave Await waiting that long: idle is then
  // called between them.
  auto last = std::chrono::steady_clock::now();
  auto idleNow = [&](std::size_t done) {
    idle(done);
    last = std::chrono::steady_clock::now();
  };
  try {
    for (std::size_t w = 0; w < std::min(static_cast<std::size_t>(jobs), n); ++w)
      threads.emplace_back([&] { slots.Work(make); });
    for (std::size_t i = 0; i < n; ++i) {
      std::optional<Result> result = slots.Await(i, idleNow, tick);
      if (!result) break;
      const bool more = take(i, std::move(*result));
      slots.Taken(i);
      if (!more) break;
      if (std::chrono::steady_clock::now() - last >= tick) idleNow(slots.Done());
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  if (slots.Failure()) std::rethrow_exception(slots.Failure());
}

}  // namespace cubepack::general
