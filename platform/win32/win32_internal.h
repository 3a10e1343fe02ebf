// Shared pieces of the Win32 platform files: the code page 936 conversions every W call needs,
// and one owner type per OS handle kind. Only platform/win32/*.cpp include this header.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"

namespace plat::win {

// GBK bytes to UTF-16 for a W API, and back. Paths are converted as a whole before any
// splitting at "\": a GBK trail byte may be 0x5C, so the narrow form cannot be cut safely.
std::wstring Wide(BytesView gbk);
std::string Narrow(std::wstring_view wide);

// Removes every trailing "\" (the caller decides whether a root like "C:\" needs one back).
inline std::wstring StripTrailingSeparators(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Keeps GetLastError across clean-up calls, so that an owner closing its handle on the way
// out of a failed routine does not hide the error the caller asks LastError() for.
class PreserveLastError {
 public:
  PreserveLastError() : error_(::GetLastError()) {}
  ~PreserveLastError() { ::SetLastError(error_); }
  PreserveLastError(const PreserveLastError&) = delete;
  PreserveLastError& operator=(const PreserveLastError&) = delete;

 private:
  DWORD error_;
};

// Move-only owner of one OS handle (modules have theirs in plat::Library). `Traits` names the raw type, its empty value and how it
// is closed; the lending accessor is called Get() and the hand-over Release().
template <typename Traits>
class Unique {
 public:
  using Raw = typename Traits::Raw;

  Unique() = default;
  explicit Unique(Raw raw) : raw_(raw) {}
  ~Unique() { Reset(); }
  Unique(Unique&& other) noexcept : raw_(std::exchange(other.raw_, Traits::Empty())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      Reset();
      raw_ = std::exchange(other.raw_, Traits::Empty());
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  bool Valid() const { return raw_ != Traits::Empty(); }
  Raw Get() const { return raw_; }
  // For out-parameters of the Create/Open calls; closes what was held before.
  Raw* Receive() {
    Reset();
    return &raw_;
  }
  Raw Release() { return std::exchange(raw_, Traits::Empty()); }
  void Reset() {
    if (Valid()) {
      PreserveLastError keep;
      Traits::Close(raw_);
    }
    raw_ = Traits::Empty();
  }

 private:
  Raw raw_ = Traits::Empty();
};

struct FileHandleTraits {  // CreateFile: empty is INVALID_HANDLE_VALUE, not null
  using Raw = HANDLE;
  static Raw Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Raw h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // processes, threads: empty is null
  using Raw = HANDLE;
  static Raw Empty() { return nullptr; }
  static void Close(Raw h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Raw = HANDLE;
  static Raw Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Raw h) { ::FindClose(h); }
};
struct KeyTraits {
  using Raw = HKEY;
  static Raw Empty() { return nullptr; }
  static void Close(Raw h) { ::RegCloseKey(h); }
};

using UniqueFile = Unique<FileHandleTraits>;
using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFind = Unique<FindHandleTraits>;
using UniqueKey = Unique<KeyTraits>;

// Processes window messages while waiting for `handle` to be signalled; false when the wait
// itself fails.
bool WaitPumping(HANDLE handle);

}  // namespace plat::win
