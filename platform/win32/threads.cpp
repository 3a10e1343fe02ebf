#include "platform/threads.h"

#include <windows.h>

#include <cstdlib>

namespace plat {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*),
              "the lock and the condition live in one pointer each");

void Mutex::lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&state_)); }

void Mutex::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&state_)); }

void Condition::wait(std::unique_lock<Mutex>& held) {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&state_),
                            reinterpret_cast<PSRWLOCK>(&held.mutex()->state_), INFINITE, 0);
}

void Condition::notify_all() {
  WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&state_));
}

namespace {

struct ThreadStart {
  void (*run)(void*);
  void* argument;
};

DWORD WINAPI ThreadMain(void* p) {
  ThreadStart start = *static_cast<ThreadStart*>(p);
  delete static_cast<ThreadStart*>(p);
  start.run(start.argument);
  return 0;
}

}  // namespace

void Thread::Start(void (*run)(void*), void* argument) {
  HANDLE thread = CreateThread(nullptr, 0, ThreadMain, new ThreadStart{run, argument}, 0, nullptr);
  // Like a failed std::thread start with exceptions off: nothing can go on without the worker.
  if (!thread) std::abort();
  handle_ = thread;
}

Thread::~Thread() {
  if (handle_) std::abort();  // never joined
}

void Thread::join() {
  WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

unsigned ProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
  unsigned n = 0;
  for (; process; process &= process - 1) ++n;
  return n;
}

}  // namespace plat
