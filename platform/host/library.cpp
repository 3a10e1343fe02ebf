// Fake modules of the host platform: tests register a file name with its symbols, and
// Library::Load finds it by file name alone, whatever folder the code under test wrote it to.
#include "platform/host/state.h"

namespace plat {
namespace {

std::string FileNameOf(const std::string& path) {
  std::vector<std::string> parts = host::detail::SplitGbkPath(path, true);
  return parts.empty() ? "" : parts.back();
}

const host::detail::FakeLibrary* FromHandle(intptr_t handle) {
  const auto& libraries = host::detail::Machine().libraries;
  for (const auto& library : libraries) {
    if (reinterpret_cast<intptr_t>(library.get()) == handle) return library.get();
  }
  return nullptr;  // registered before the last Reset
}

}  // namespace

// Fake modules stay registered until the next Reset, so freeing one has nothing to do.
Library::~Library() = default;

Library::Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    handle_ = other.handle_;
    other.handle_ = 0;
  }
  return *this;
}

Library Library::Load(const std::string& path) {
  host::detail::State& s = host::detail::Machine();
  s.libraryLoads.push_back(path);
  std::string wanted = host::detail::FoldGbk(FileNameOf(path));
  // The latest registration of a name wins, so a test can replace a module.
  for (auto it = s.libraries.rbegin(); it != s.libraries.rend(); ++it) {
    if (host::detail::FoldGbk((*it)->fileName) == wanted) {
      return Library(reinterpret_cast<intptr_t>(it->get()));
    }
  }
  host::detail::SetError(host::detail::kErrorModNotFound);
  return Library();
}

void* Library::Symbol(const char* name) const {
  const host::detail::FakeLibrary* library = FromHandle(handle_);
  if (library && name) {
    auto it = library->symbols.find(name);
    if (it != library->symbols.end()) return it->second;
  }
  host::detail::SetError(host::detail::kErrorProcNotFound);
  return nullptr;
}

intptr_t Library::Release() {
  intptr_t handle = handle_;
  handle_ = 0;
  return handle;
}

namespace host {

void RegisterLibrary(const std::string& fileName, std::map<std::string, void*> symbols) {
  auto library = std::make_unique<detail::FakeLibrary>();
  library->fileName = FileNameOf(fileName);
  library->symbols = std::move(symbols);
  detail::Machine().libraries.push_back(std::move(library));
}

const std::vector<std::string>& LibraryLoads() { return detail::Machine().libraryLoads; }

}  // namespace host
}  // namespace plat

namespace plat {

intptr_t ModuleFunction(intptr_t module, const char* name) {
  const host::detail::FakeLibrary* library = FromHandle(module);
  if (library && name) {
    auto it = library->symbols.find(name);
    if (it != library->symbols.end()) return reinterpret_cast<intptr_t>(it->second);
  }
  host::detail::SetError(host::detail::kErrorProcNotFound);
  return 0;
}

// The test's functions are native ones of this process, of the one convention there is.
int32_t CallForeignFunction(intptr_t function, const intptr_t* arguments, size_t count) {
  if (function == 0) return 0;
  intptr_t a[15] = {};
  for (size_t i = 0; i < count && i < 15; ++i) a[i] = arguments[i];
  using Fn = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                          intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                          intptr_t);
  return int32_t(reinterpret_cast<Fn>(function)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7],
                                                a[8], a[9], a[10], a[11], a[12], a[13], a[14]));
}

}  // namespace plat
