// Threads, a lock and a condition for the archive engine's decoding workers.
//
// On Windows they are the system's own (CreateThread, slim reader/writer locks, condition
// variables): the C++ runtime's std::thread and std::condition_variable sit on the POSIX
// threads layer and bring the runtime's exception support and unwinder with them, about a
// quarter of 7-zip32.dll, which setup.exe carries. Elsewhere they are the standard ones.
//
// The names are the standard library's (lock, unlock, wait, notify_all, join), so that
// std::lock_guard and std::unique_lock work with Mutex unchanged.
#pragma once

#include <exception>
#include <mutex>
#include <utility>

#ifndef _WIN32
#include <condition_variable>
#include <thread>
#endif

namespace plat {

class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
#ifdef _WIN32
  void lock();
  void unlock();

 private:
  friend class Condition;
  void* state_ = nullptr;  // an SRWLOCK, whose initial state is all zero
#else
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }

 private:
  friend class Condition;
  std::mutex mutex_;
#endif
};

class Condition {
 public:
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  template <typename Ready>
  void wait(std::unique_lock<Mutex>& held, Ready ready) {
    while (!ready()) wait(held);
  }
#ifdef _WIN32
  void wait(std::unique_lock<Mutex>& held);
  void notify_all();

 private:
  void* state_ = nullptr;  // a CONDITION_VARIABLE, all zero at first
#else
  void wait(std::unique_lock<Mutex>& held) { condition_.wait(held); }
  void notify_all() { condition_.notify_all(); }

 private:
  std::condition_variable_any condition_;
#endif
};

// A thread that runs `work` once; it must be joined before it is destroyed.
class Thread {
 public:
  template <typename Work>
  explicit Thread(Work work) {
    Start([](void* p) {
      Work* w = static_cast<Work*>(p);
      (*w)();
      delete w;
    }, new Work(std::move(work)));
  }
  Thread(Thread&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Thread& operator=(Thread&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread();

  void join();

 private:
  void Start(void (*run)(void*), void* argument);
  void* handle_ = nullptr;  // a thread handle, or the std::thread elsewhere
};

// Processors this process may run on (at least 1).
unsigned ProcessorCount();

#ifndef _WIN32
inline void Thread::Start(void (*run)(void*), void* argument) {
  handle_ = new std::thread(run, argument);
}
inline Thread::~Thread() {
  if (handle_) std::terminate();  // never joined: as std::thread does
}
inline void Thread::join() {
  auto* t = static_cast<std::thread*>(handle_);
  t->join();
  delete t;
  handle_ = nullptr;
}
inline unsigned ProcessorCount() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}
#endif

}  // namespace plat
