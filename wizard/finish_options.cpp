// The finish page: its options (a listed set or the three fixed ones), their check boxes, and
// what Finish does with them.
//
// Decisions worth knowing:
// - Finish commands: data.ini was expanded at start-up, so no path variable is left in them
//   except the ones kept for later ("%InstallPath%", "%ET%"); those are handled here.
#include "wizard/finish_options.h"

#include "package/install_path.h"

#include "common/text.h"
#include "platform/platform.h"
#include "startup/config.h"
#include "package/data_keys.h"
#include "startup/exit_codes.h"
#include "wizard/install_sequence.h"
#include "wizard/run_end.h"
#include "wizard/wizard_config.h"

namespace {

const char kFinishTemplate[] = "初始化的选择框";
const int kFinishRowHeight = 26;
const int kFinishDefaultTop = 132;

// Keys of the option list (the entry number is appended to the per-option keys).
const char kCountKey[] = "次数";
const char kTopKey[] = "y";

}  // namespace

std::vector<FinishOption> ReadFinishOptions(const InstallSession& session) {
  const ini::Document doc = DataIni(session);
  const WizardState& w = session.wizard;
  std::vector<FinishOption> options;
  const int count = text::ToInt(doc.Get(keys::kFinishOptionsSection, kCountKey));
  if (count > 0) {
    const char* s = keys::kFinishOptionsSection;
    const int length = ListLength(doc, s, count, {"标题", "可视", "选中", "程序"});
    for (int i = 1; i <= length; ++i) {
      FinishOption o;
      o.caption = doc.Get(s, NumberedKey("标题", i));
      o.visible = IsTrueText(doc.Get(s, NumberedKey("可视", i)));
      o.ticked = IsTrueText(doc.Get(s, NumberedKey("选中", i)));
      o.command = doc.Get(s, NumberedKey("程序", i));
      options.push_back(o);
    }
    return options;
  }

  if (!w.mainProgram.empty() && IsTrueText(doc.Get(keys::kFinishMainProgramSection, "显示"))) {
    FinishOption o;
    o.caption = "运行 " + w.productName + " " + w.version;
    o.command = "\"%InstallPath%\\" + w.mainProgram + "\"";
    o.visible = true;
    o.ticked = true;
    options.push_back(o);
  }
  const std::string file = doc.Get(keys::kFinishRunSection, "文件路径");
  if (!file.empty()) {
    FinishOption o;
    o.caption = doc.Get(keys::kFinishRunSection, "选项标题");
    o.command = "\"%InstallPath%\\" + file + "\"";
    o.visible = IsTrueText(doc.Get(keys::kFinishRunSection, "显示"));
    o.ticked = true;
    options.push_back(o);
  }
  const std::string address = doc.Get(keys::kFinishWebSection, "网页地址");
  if (!address.empty()) {
    FinishOption o;
    o.caption = doc.Get(keys::kFinishWebSection, "选项标题");
    o.command = address.compare(0, 4, "http") == 0 ? address : "http://" + address;
    o.visible = IsTrueText(doc.Get(keys::kFinishWebSection, "显示"));
    o.ticked = true;
    options.push_back(o);
  }
  return options;
}

void CreateFinishBoxes(InstallSession& session, const ini::Document& doc) {
  Form& form = *session.form;
  const Bounds base = form.GetBounds(kFinishTemplate);
  int top = text::ToInt(doc.Get(keys::kFinishOptionsSection, kTopKey));
  if (top == 0) top = kFinishDefaultTop;
  int hidden = 0;
  for (size_t k = 0; k < session.finishOptions.size(); ++k) {
    FinishOption& option = session.finishOptions[k];
    if (!option.visible) ++hidden;  // an invisible option does not take a row
    const std::string name = kFinishTemplate + std::to_string(k + 1);
    // A second configuration pass finds its boxes already made and reuses them.
    if (!form.Has(name) && !form.CloneControl(kFinishTemplate, name)) continue;
    option.control = name;
    Bounds b = base;
    b.top = top + (int(k) - hidden) * kFinishRowHeight;
    form.SetBounds(name, b);
    form.SetVisible(name, option.visible);
    form.SetText(name, option.caption);
    form.SetChecked(name, option.ticked);
  }
}

void RunFinishActions(InstallSession& session) {
  for (const FinishOption& option : session.finishOptions) {
    const bool ticked = option.control.empty() || !session.form
                            ? option.ticked
                            : session.form->Checked(option.control);
    if (!ticked) continue;
    std::string command = text::ReplaceAll(option.command, "**", "\"");
    command = package::SubstituteInstallPath(command, session.run.installPath);
    ApplySystemFilter(command);
    if (text::Contains(command, "%ET%")) {
      const BatchFile batch = MakeBatchCommand(command);
      if (!batch.written) {
        // Run as it stands, the command would hand the shell its "%ET%" marks.
        ShowStatusLine(session, kBatchWriteFailedText + batch.path);
        continue;
      }
    }
    RunCommandLine(command, false, false, true);
  }
  ScriptContext context = MakeScriptContext(session);
  for (size_t i = 0; i < session.tree.items.size(); ++i) {
    const std::string item = session.tree.items[i].text;
    std::string section;
    GetScriptSection(session.wizard.scriptDocument, item, "finish", section);
    RunScriptSection(context, section, item, 0, false);
  }
  EndRun(session, kExitSuccess);
}
