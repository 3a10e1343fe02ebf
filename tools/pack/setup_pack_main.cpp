// setup-pack: the packaging tool.
//
//   setup-pack config SOURCE_DIR TARGET_DIR
//       writes the configuration files of SOURCE_DIR (UTF-8 texts) in their stored forms
//       into TARGET_DIR (see tools/pack/config_writer.h).
#include <cstdio>
#include <string>

#include "tools/pack/config_writer.h"

namespace {
int Usage() {
  std::fprintf(stderr, "usage: setup-pack config SOURCE_DIR TARGET_DIR\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "config" && argc == 4) {
    ConfigWriteResult result = WriteConfiguration(argv[2], argv[3]);
    if (!result.ok) {
      std::fprintf(stderr, "setup-pack: %s\n", result.error.c_str());
      return 1;
    }
    std::printf("configuration written to %s\n", argv[3]);
    return 0;
  }
  return Usage();
}
