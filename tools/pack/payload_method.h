// The 7zz method setup-pack packs a payload with when the project names none: LZMA2 at 7zz's
// default level (32 MiB dictionary), cut into blocks of one dictionary that each start with a
// dictionary reset, so that setup.exe's archiver decodes the blocks on all processors at once
// (archive/README.md, Threads). A payload of fewer than two blocks is packed as one stream,
// and so is one that the blocks make more than 1 % larger (tools/pack/README.md).
#pragma once

#include <cstdint>

namespace pack {

inline constexpr char kPayloadMethod[] = "LZMA2:c=32m";
// 7zz's own default (LZMA2, no switch), as before blocks.
inline constexpr char kPayloadOneStream[] = "";
inline constexpr uint64_t kPayloadBlocksFrom = uint64_t{64} << 20;

}  // namespace pack
