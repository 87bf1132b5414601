#pragma once
// The three-piece boards of a run as tasks: the store that keeps them, in fixed chunks that
// never move, and the queue that hands them out to the parallel runner's workers in search
// order as they are recorded.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace cubepack::builtin {

// Entries that never move once appended, so one thread can append while others read the
// entries already published to them (under a lock taken after the append, as TaskQueue's).
// Only the appending thread may call size(), Append() or Truncate() while others read.
template <class T>
class ChunkedStore {
 public:
  ChunkedStore() = default;
  ChunkedStore(ChunkedStore&&) noexcept = default;
  ChunkedStore& operator=(ChunkedStore&&) noexcept = default;
  ChunkedStore(const ChunkedStore& other) { *this = other; }
  ChunkedStore& operator=(const ChunkedStore& other) {
    if (this == &other) return *this;
    Truncate(0);
    for (std::size_t i = 0; i < other.size(); ++i) Append(other[i]);
    return *this;
  }

  T& operator[](std::size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  const T& operator[](std::size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  const T& at(std::size_t i) const {
    if (i >= size_) throw std::out_of_range("no task " + std::to_string(i));
    return (*this)[i];
  }
  std::size_t size() const { return size_; }

  // A new entry at the end, made by `T()` and then assigned `value`.
  void Append(const T& value) {
    Grow(size_ + 1);
    (*this)[size_ - 1] = value;
  }
  // Default entries up to `count` in all.
  void Grow(std::size_t count) {
    for (; size_ < count; ++size_) {
      if (size_ % kChunk != 0) continue;
      if (size_ / kChunk == kMaxChunks)
        throw std::length_error("more three-piece boards than the task store holds");
      chunks_[size_ / kChunk] = std::make_unique<T[]>(kChunk);
    }
  }
  // Keeps the first `count` entries (the chunks stay).
  void Truncate(std::size_t count) {
    if (count < size_) size_ = count;
  }

 private:
  // Small chunks, so the first tasks are out quickly; room for far more boards than the box has.
  static constexpr std::size_t kChunk = 256;
  static constexpr std::size_t kMaxChunks = 1024;
  std::array<std::unique_ptr<T[]>, kMaxChunks> chunks_;
  std::size_t size_ = 0;
};

// Hands the tasks out in search order as they are recorded. A worker that finds none ready
// sleeps until the next is published (each publication wakes one sleeper), the recording ends,
// or the run stops. With a window, no task is handed out more than `window` tasks ahead of the
// last one consumed, so a stalled consumer holds the workers back instead of letting them
// buffer everything.
class TaskQueue {
 public:
  explicit TaskQueue(std::size_t window = 0) : window_(window) {}

  void Publish(std::size_t count) {
    Update([&] { published_ = count; }, false);
  }
  void Close() {
    Update([&] { closed_ = true; }, true);
  }
  // The first `count` tasks are consumed: the window moves on.
  void Consumed(std::size_t count) {
    if (window_ != 0) Update([&] { consumed_ = count; }, true);
  }
  // After `stop` is set: every sleeper looks at it.
  void WakeAll() {
    Update([] {}, true);
  }
  // The next task; none once the recording has ended and every task is handed out, or `stop`
  // is set.
  bool Take(const std::atomic<bool>& stop, std::size_t& task) {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop.load(std::memory_order_relaxed) &&
           (next_ == published_ ? !closed_ : window_ != 0 && next_ >= consumed_ + window_)) {
      ++sleeping_;
      ready_.wait(hold);
      --sleeping_;
    }
    if (next_ == published_ || stop.load(std::memory_order_relaxed)) return false;
    task = next_++;
    return true;
  }

 private:
  // Changes the state under the lock, then wakes one sleeper or all of them, if any sleep.
  template <class Change>
  void Update(Change change, bool all) {
    bool sleeper = false;
    {
      const std::lock_guard<std::mutex> hold(lock_);
      change();
      sleeper = sleeping_ > 0;
    }
    if (!sleeper) return;
    if (all)
      ready_.notify_all();
    else
      ready_.notify_one();
  }

  std::mutex lock_;
  std::condition_variable ready_;
  const std::size_t window_;
  std::size_t published_ = 0;
  std::size_t next_ = 0;
  std::size_t consumed_ = 0;
  int sleeping_ = 0;
  bool closed_ = false;
};

}  // namespace cubepack::builtin
