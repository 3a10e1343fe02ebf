// The registry list (QZRREG.db as held in memory after inflating) applied on the host
// platform's in-memory registry: the keyed items of every entry, the install-folder
// substitutions, the path and value-name rules, the uninstall lines. The first input byte
// chooses whether an uninstaller is made (bit 0) and the machine's bitness (bit 1); the rest
// is the list.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/registry.h"
#include "tests/fuzz/fuzz_check.h"

namespace {
std::string g_sandbox;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_sandbox = "/tmp/fuzz-registry-" + std::to_string(getpid());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A fresh machine per input, so the registry does not grow over the run. Its temp folder
  // is missing: "file" entries then write no .reg file and start no editor, which is not what
  // is under test here.
  plat::host::Reset(g_sandbox);
  plat::host::SetMachine((data[0] & 2) != 0, true);
  plat::host::SetTempFolder("C:\\NoTemp\\");

  RegistryListInput input;
  input.registryList.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  input.installPath = "C:\\Program Files\\App";
  input.productName = "App";
  input.version = "1.0";
  input.company = "Co";
  input.mainProgram = "app.exe";
  input.makeUninstaller = (data[0] & 1) != 0;
  input.uninstallKey64 = (data[0] & 4) != 0;

  const std::string lines = ApplyRegistryList(input);
  if (!input.makeUninstaller) FUZZ_CHECK(lines.empty());
  // Every line ends with CR LF and carries the "$," before its view.
  size_t from = 0;
  while (from < lines.size()) {
    const size_t end = lines.find("\r\n", from);
    FUZZ_CHECK(end != std::string::npos);
    FUZZ_CHECK(lines.substr(from, end - from).find("$,") != std::string::npos);
    from = end + 2;
  }
  FUZZ_CHECK(plat::host::ProcessStarts().empty());
  return 0;
}
