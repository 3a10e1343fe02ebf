// Buffers of many megabytes that a decoder fills front to back: dictionaries and decoded blocks.
//
// Left uninitialised: only bytes already written are ever read, and pages never touched cost
// no memory. On Linux the kernel is asked to back such a buffer with 2 MiB pages where it
// keeps them for those who ask ("madvise" mode): a 32 MiB block then takes 16 page faults
// instead of 8,192, and a match reaching far back misses the TLB far less often. A small
// output in a large dictionary costs at most one such page, less than 2 MiB, above its size.
// Measured on setup-pack's 200 MiB payload with two workers: 6-10 % less CPU time, about 10 %
// less wall clock. Windows grants large pages only to accounts holding the lock-memory
// privilege, which an installer's user does not, so there the buffer is a plain one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace plat {

inline std::unique_ptr<uint8_t[]> NewDecodeBuffer(size_t size) {
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  if (buffer && size >= 2 * kHuge) {
    // Only the whole 2 MiB extents inside the buffer: the advice applies to pages, and the
    // allocator's bytes around the buffer are not ours to change. A refusal (a kernel built
    // without such pages) leaves the buffer as it was.
    const auto start = reinterpret_cast<uintptr_t>(buffer.get());
    const uintptr_t from = (start + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t to = (start + size) & ~(kHuge - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  }
#endif
  return buffer;
}

}  // namespace plat
