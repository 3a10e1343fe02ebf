// The 7zz method setup-pack packs a payload with when the project names none: LZMA2 at 7zz's
// default level, cut into blocks that each start with a dictionary reset, so that setup.exe's
// archiver can decode the blocks on all processors at once. The block size is the level's
// dictionary size (32 MiB at the default level) or twice it; measured, see tools/pack/README.md.
#pragma once

namespace pack {

inline constexpr char kPayloadMethod[] = "LZMA2:c=32m";

}  // namespace pack
