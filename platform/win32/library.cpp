// Dynamic libraries: the archiver library and the plug-ins are loaded by path at run time.
#include "platform/win32/win32_internal.h"

namespace plat {

namespace {
HMODULE Raw(intptr_t handle) { return reinterpret_cast<HMODULE>(handle); }
}  // namespace

Library::~Library() {
  if (handle_ != 0) {
    win::PreserveLastError keep;
    ::FreeLibrary(Raw(handle_));
  }
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    Library dropped(std::exchange(handle_, std::exchange(other.handle_, 0)));
  }
  return *this;
}

Library Library::Load(const std::string& path) {
  const std::wstring wide = win::Wide(path);
  const bool absolute = (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') ||
                        (wide.size() > 1 && wide[0] == L'\\' && wide[1] == L'\\');
  // A bare name goes through the process's search, which the entry has cut down already.
  return Library(reinterpret_cast<intptr_t>(absolute ? win::LoadLibraryByPath(wide.c_str())
                                                     : ::LoadLibraryW(wide.c_str())));
}

void* Library::Symbol(const char* name) const {
  if (handle_ == 0 || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(Raw(handle_), name));
}

intptr_t Library::Release() { return std::exchange(handle_, 0); }

}  // namespace plat

namespace plat {

intptr_t ModuleFunction(intptr_t module, const char* name) {
  if (module == 0 || name == nullptr) return 0;
  return reinterpret_cast<intptr_t>(::GetProcAddress(Raw(module), name));
}

namespace {
constexpr size_t kMaxForeignArguments = 15;
}  // namespace

#if defined(__i386__)
int32_t CallForeignFunction(intptr_t function, const intptr_t* arguments, size_t count) {
  if (function == 0) return 0;
  intptr_t slots[kMaxForeignArguments] = {};
  for (size_t i = 0; i < count && i < kMaxForeignArguments; ++i) slots[i] = arguments[i];
  // A function pointer of one convention cannot call both: a stdcall callee pops its 60 bytes,
  // a cdecl one leaves them. Keeping the stack pointer in a callee-saved register and putting it
  // back after the call serves both. The stack is 16-byte aligned at the call, which code
  // built with either alignment assumption accepts.
  int32_t result;
  __asm__ volatile(
      "movl %%esp, %%edi\n\t"
      "andl $-16, %%esp\n\t"
      "subl $4, %%esp\n\t"
      "movl $15, %%ecx\n"
      "1:\n\t"
      "pushl -4(%%esi,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jnz 1b\n\t"
      "call *%%eax\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result)
      : "0"(function), "S"(slots)
      : "ecx", "edx", "edi", "memory", "cc");
  return result;
}
#else
int32_t CallForeignFunction(intptr_t function, const intptr_t* arguments, size_t count) {
  if (function == 0) return 0;
  intptr_t a[kMaxForeignArguments] = {};
  for (size_t i = 0; i < count && i < kMaxForeignArguments; ++i) a[i] = arguments[i];
  // x86_64 has one convention, and its caller owns the stack: a function declared with fewer
  // parameters ignores the rest.
  using Fn = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                          intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                          intptr_t);
  const Fn fn = reinterpret_cast<Fn>(function);
  return int32_t(fn(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                    a[12], a[13], a[14]));
}
#endif

}  // namespace plat
