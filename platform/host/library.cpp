// Fake modules of the host platform, registered by tests.
#include "platform/host/host.h"

namespace plat {

Library::~Library() {}
Library::Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
Library& Library::operator=(Library&& other) noexcept {
  handle_ = other.handle_;
  other.handle_ = 0;
  return *this;
}
Library Library::Load(const std::string&) { return Library(); }
void* Library::Symbol(const char*) const { return nullptr; }
intptr_t Library::Release() {
  intptr_t h = handle_;
  handle_ = 0;
  return h;
}

namespace host {
void RegisterLibrary(const std::string&, std::map<std::string, void*>) {}
const std::vector<std::string>& LibraryLoads() {
  static const std::vector<std::string> none;
  return none;
}
}  // namespace host

}  // namespace plat
