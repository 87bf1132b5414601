#pragma once
// Sleeping until another thread has made a condition true.

#include <condition_variable>
#include <mutex>

namespace cubepack::builtin {

// A mutex and a condition variable, not an atomic's wait: where the library has no futex
// (MinGW's), that wait checks the value outside its lock and can miss the notification that
// follows, and the run hung.
class Wakeup {
 public:
  // After whatever makes the condition true.
  void Notify() {
    { const std::lock_guard<std::mutex> hold(lock_); }
    woken_.notify_all();
  }
  template <class Ready>
  void WaitUntil(Ready ready) {
    if (ready()) return;
    std::unique_lock<std::mutex> hold(lock_);
    woken_.wait(hold, ready);
  }

 private:
  std::mutex lock_;
  std::condition_variable woken_;
};

}  // namespace cubepack::builtin
