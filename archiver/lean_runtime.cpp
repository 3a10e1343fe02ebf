// Linked into 7-zip32.dll only. The DLL throws and catches nothing, so every C++ exception
// would end the process uncaught anyway; these definitions take the place of the C++
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
}  // namespace std
