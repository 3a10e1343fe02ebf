// A wizard run for tests: a headless wizard window wired to the page flow, a session over a
// data.ini given as text, and plug-ins played by a function that sees every host message.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/headless_form.h"
#include "wizard/page_flow.h"
#include "wizard/session.h"
#include "wizard/window_tables.h"

struct WizardRun {
  HeadlessForm form{WizardWindowDesc()};
  InstallSession session;
  std::vector<std::string> sent;  // host messages in the order they went out
  // The plug-ins' answers to a message; unset = no plug-in loaded (no answers at all).
  std::function<std::vector<int>(const std::string& text)> plugins;

  WizardRun() {
    session.form = &form;
    session.tree = DefaultComponentTree();
    session.plugins.broadcast = [this](const std::string& text) {
      sent.push_back(text);
      return plugins ? plugins(text) : std::vector<int>();
    };
    form.SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& a) {
      return HandleWizardEvent(session, control, event, a);
    });
  }
  WizardRun(const WizardRun&) = delete;
  WizardRun& operator=(const WizardRun&) = delete;

  // Pages visible by index; the page table follows.
  void SetVisiblePages(std::initializer_list<int> pages) {
    session.wizard.visibleFlags.fill(0);
    for (int p = 0; p < kPageCount; ++p) session.wizard.pageTable[p] = {p, false};
    for (int p : pages) {
      session.wizard.visibleFlags[p] = 1;
      session.wizard.pageTable[p].visible = true;
    }
  }

  // A run whose install sequence only ends (test mode) and then shows the finish page.
  void UseTestMode() {
    session.run.startup.commandArgs = {"test"};
    session.run.startup.hideEnd = 1;
  }

  void Next() { form.Fire("下一步_按钮", FormEvent::kClick); }
  void Back() { form.Fire("上一步_按钮", FormEvent::kClick); }
  int Page() const { return form.CurrentPage(); }
};
