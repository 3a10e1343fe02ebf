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
