// Linked into 7-zip32.dll, setup.exe and uninst.exe (never into tests, which catch). None of
// them throws or catches, so every C++ exception would end the process uncaught anyway;
// these definitions take the place of the C++
// runtime's own, which would pull in its symbol demangler (for the message an uncaught
// exception prints on a console the DLL never has) and a second, copy-on-write string
// implementation behind the standard exception classes: about a fifth of the library.
// Allocations with std::nothrow still return null: the runtime catches its own exception there.
// A link error "multiple definition of std::__throw_..." means new code reaches a helper not
// listed here (the runtime's file of them then comes in whole): add it below.
//
// The guards of function-local statics and operator new are here too: the runtime's own
// versions throw (a recursive initialisation, a failed allocation), and that alone brings in
// its exception machinery and the unwinder, and its guards also need the pthread condition
// variables. Ours end the process where the runtime's would have thrown uncaught.
#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
// The rest of the runtime's file of helpers, so that no use of one brings that file in whole.
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_bad_exception() { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
// std::thread, std::mutex and std::condition_variable (the archive's block decoders) report
// a failed system call through this one.
void __throw_system_error(int) { std::abort(); }
}  // namespace std

// A guard's first byte says "initialised" (the compiler's inline check reads it); the second
// says "being initialised" by some thread. One lock and condition for all guards, as in the
// runtime: the lock is not held while an initialiser runs, so an initialiser may wait for
// another thread that initialises a different static.
namespace {
SRWLOCK guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE guardDone = CONDITION_VARIABLE_INIT;
}  // namespace

int __cxxabiv1::__cxa_guard_acquire(__guard* guard) {
  volatile char* state = reinterpret_cast<volatile char*>(guard);
  if (__atomic_load_n(&state[0], __ATOMIC_ACQUIRE)) return 0;
  AcquireSRWLockExclusive(&guardLock);
  for (;;) {
    if (state[0]) {
      ReleaseSRWLockExclusive(&guardLock);
      return 0;
    }
    if (!state[1]) {
      state[1] = 1;
      ReleaseSRWLockExclusive(&guardLock);
      return 1;
    }
    SleepConditionVariableSRW(&guardDone, &guardLock, INFINITE, 0);
  }
}

void __cxxabiv1::__cxa_guard_release(__guard* guard) {
  volatile char* state = reinterpret_cast<volatile char*>(guard);
  AcquireSRWLockExclusive(&guardLock);
  __atomic_store_n(&state[0], 1, __ATOMIC_RELEASE);
  state[1] = 0;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardDone);
}

// An initialiser that did not finish (it cannot throw here, but the ABI asks for it): the next
// caller tries again.
void __cxxabiv1::__cxa_guard_abort(__guard* guard) {
  volatile char* state = reinterpret_cast<volatile char*>(guard);
  AcquireSRWLockExclusive(&guardLock);
  state[1] = 0;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardDone);
}

// No new handler is ever installed, so a failed allocation has nothing to retry: the plain
// form ends the process (the runtime's bad_alloc would have, uncaught) and the nothrow form
// returns null.
void* operator new(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) std::abort();
  return block;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

// The array forms too: the runtime's nothrow one catches its own bad_alloc, and that catch
// alone brings the exception machinery, the unwinder and the POSIX threads layer back.
void* operator new[](std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) std::abort();
  return block;
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

// std::make_shared's control block asks this whether a deleter lookup names its tag. The
// runtime's version lives with the rest of its shared_ptr support, which throws bad_weak_ptr.
// Without RTTI no real type_info of the tag can reach it; its name is compared all the same.
bool std::_Sp_make_shared_tag::_S_eq(const std::type_info& ti) noexcept {
  return std::strcmp(ti.name(), "St19_Sp_make_shared_tag") == 0;
}
