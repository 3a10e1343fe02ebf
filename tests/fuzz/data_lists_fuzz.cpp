// The configuration step over a data.ini made of the input: every list-valued key turned into
// items (finish options and their boxes, shortcut records, the two run lists, the default
// ticks, the path rules), and the shortcut-option override text read from the input. Counts
// in the input may be anything; the lists must stay within what the text holds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "system/shortcuts.h"
#include "tests/fuzz/fuzz_check.h"
#include "ui/headless_form.h"
#include "wizard/window_tables.h"
#include "wizard/finish_options.h"
#include "wizard/tree_ticks.h"
#include "wizard/wizard_config.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  plat::host::Reset("/tmp/fuzz-data-lists-" + std::to_string(getpid()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dataIni(reinterpret_cast<const char*>(data), size);
  HeadlessForm form(WizardWindowDesc());
  InstallSession session;
  session.form = &form;
  session.tree = DefaultComponentTree();
  session.run.config.dataIni = dataIni;
  LoadWizardConfiguration(session);
  ApplyDefaultTicks(session);

  // An entry needs at least one key line of its own.
  size_t lines = 1;
  for (char c : dataIni) lines += c == '\n' || c == '\r';
  FUZZ_CHECK(session.finishOptions.size() <= lines);
  FUZZ_CHECK(session.shortcuts.size() <= lines);
  FUZZ_CHECK(session.preInstallCommands.size() + session.postUnpackCommands.size() <= lines);
  for (const FinishOption& option : session.finishOptions)
    FUZZ_CHECK(option.control.empty() || form.Has(option.control));
  for (int i = 0; i < 4; ++i) {
    const int checked = session.tree.items[size_t(i)].checked;
    FUZZ_CHECK(checked == 0 || checked == 1);
  }

  const ShortcutOptions options = ParseShortcutOptionOverride(dataIni);
  (void)options;
  return 0;
}
