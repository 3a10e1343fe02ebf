// Linked into 7-zip32.dll, setup.exe and uninst.exe (never into tests, which catch). None of
// them throws or catches, so every C++ exception would end the process uncaught anyway;
// these definitions take the place of the C++
// runtime's own, which would pull in its symbol demangler (for the message an uncaught
// exception prints on a console the DLL never has) and a second, copy-on-write string
// implementation behind the standard exception classes: about a fifth of the library.
// Allocations with std::nothrow still return null: the runtime catches its own exception there.
// A link error "multiple definition of std::__throw_..." means new code reaches a helper not
// listed here (the runtime's file of them then comes in whole): add it below.
#include <cstdlib>

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
