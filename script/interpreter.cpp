#include "script/interpreter.h"

#include <cstdio>

#include "common/text.h"
#include "platform/platform.h"
#include "package/install_path.h"
#include "system/held_files.h"
#include "system/temp_names.h"

const char kBatchWriteFailedText[] = "无法写入批处理文件：";

namespace {

constexpr char kBatchBreak[] = "%ET%";
// How long an unwaited program start may take to become ready for input.
constexpr uint32_t kStartIdleWaitMs = 1000;
constexpr const char* kMarkCommands[3] = {"setdesktop()", "setstartmenu()", "setquicklaunch()"};

struct ParsedLine {
  bool trueLine = false;
  std::string command;   // after the first "]"
  std::string word;      // up to the first "("
  std::string argument;  // between the first "(" and the next ")"
};

ParsedLine ParseLine(const std::string& line) {
  ParsedLine parsed;
  parsed.trueLine = line.size() >= 3 && line.compare(1, 2, text::kTrueText) == 0;
  size_t bracket = line.find(']');
  if (bracket != std::string::npos) parsed.command = line.substr(bracket + 1);
  size_t open = parsed.command.find('(');
  if (open != std::string::npos) {
    parsed.word = parsed.command.substr(0, open);
    size_t close = parsed.command.find(')', open + 1);
    if (close != std::string::npos) parsed.argument = parsed.command.substr(open + 1, close - open - 1);
  }
  return parsed;
}

// Makes the batch of a "%ET%" command. False when it could not be written: the command must
// not run then, and the status line says so, since nothing else in the run would tell why the
// command's work is missing.
bool PrepareBatch(const ScriptContext& context, std::string& command, std::string& batch) {
  const BatchFile made = MakeBatchCommand(command);
  if (!made.written) {
    if (context.showStatusLine) context.showStatusLine(kBatchWriteFailedText + made.path);
    return false;
  }
  batch = made.path;
  return true;
}

// Substitutes the install folder, turns "%ET%" commands into a batch, runs hidden and waiting,
// and removes the batch afterwards: nothing else will ever read it.
void RunWaitedCommand(const ScriptContext& context, const std::string& commandText) {
  std::string command = package::SubstituteInstallPath(commandText, context.installPath);
  std::string batch;
  if (text::Contains(command, kBatchBreak) && !PrepareBatch(context, command, batch)) return;
  RunCommandLine(command, true, true, false);
  if (!batch.empty()) DeleteHeldFile(batch);
}

bool SelectedFor(bool trueLine, int state) {
  return (trueLine && state == 1) || (!trueLine && state == 0);
}


void ShowAndRun(ScriptContext& context, const RunListEntry& entry, const std::string& command,
                const std::string& batch) {
  if (context.showStatusLine) {
    std::string status = context.statusTemplate;
    size_t at = text::Find(status, "%Default%");
    if (at != text::npos) status.replace(at, 9, command);
    context.showStatusLine(status);
  }
  RunCommandLine(command, entry.wait, entry.hide, false);
  // A batch that ran to its end, or that the "[sys=" rule left unused, is of no further use;
  // one still running unwaited must stay.
  if (!batch.empty() && (entry.wait || command.empty())) DeleteHeldFile(batch);
}

}  // namespace

std::string InstallFolderCommand(const std::string& installPath, const std::string& file) {
  return "\"" + installPath + "\"\\" + file;
}

void AppendToList(std::string& list, const std::string& entries) {
  if (!list.empty()) list += ",";
  list += entries;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = text::FindLastSeparator(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int ComponentCheckState(const ComponentTree& tree, const std::string& name) {
  for (const ComponentItem& item : tree.items) {
    if (item.text == name) return item.checked;
  }
  return -1;
}

void RunScriptSection(ScriptContext& context, const std::string& section,
                      const std::string& component, int mode, bool optionCall) {
  for (const std::string& line : text::Split(section, "\r\n")) {
    bool marked = false;
    for (int mark = 0; mark < 3 && !marked; ++mark) {
      if (!text::Contains(line, kMarkCommands[mark])) continue;
      marked = true;
      if (!context.tree) break;
      for (ComponentItem& item : context.tree->items) {
        if (item.text == component) {
          item.value = mark + 1;
          break;
        }
      }
    }
    if (marked) continue;

    ParsedLine parsed = ParseLine(line);
    bool immediate = (parsed.trueLine && mode == 1) || (!parsed.trueLine && mode == -1);
    if (!immediate) {
      if (optionCall) continue;
      int state = context.tree ? ComponentCheckState(*context.tree, component) : -1;
      if (!SelectedFor(parsed.trueLine, state)) continue;
      if (parsed.word == "removezip" && context.lists) {
        AppendToList(context.lists->excludeList, parsed.argument);
        continue;
      }
      if (parsed.word == "assignzip" && context.lists) {
        AppendToList(context.lists->includeList, parsed.argument);
        continue;
      }
    }
    if (parsed.word == "removedump") {
      if (context.lists) context.lists->removeDumpList = text::Split(parsed.argument, ",");
    } else if (parsed.word.empty() && parsed.command.find('(') == std::string::npos) {
      RunWaitedCommand(context, parsed.command);
    }
  }
}

void ApplySystemFilter(std::string& command) {
  size_t open = text::Find(command, "[sys=");
  if (open == text::npos) return;
  size_t close = command.find(']', open + 5);
  if (close == std::string::npos) return;
  std::string tag = command.substr(open + 5, close - open - 5);
  if (tag.empty()) return;
  bool want32 = text::Contains(tag, "32");
  bool want64 = text::Contains(tag, "64");
  command.erase(open, close - open + 1);
  if (want32 && want64) return;
  if (plat::IsWindows64() ? !want64 : !want32) command.clear();
}

BatchFile MakeBatchCommand(std::string& command) {
  std::string bat = text::ReplaceAll(command, kBatchBreak, "\r\n");
  size_t cmd = text::FindIgnoreCaseAscii(bat, "cmd /c ");
  if (cmd != text::npos) bat.erase(cmd, 7);
  // Held against writers until the process ends: the interpreter reads a batch file line by
  // line while it runs, and a line slipped in meanwhile would run with the installer's rights.
  BatchFile batch;
  batch.written = WriteFreshHeldFile(".bat", bat, batch.path);
  if (!batch.written) return batch;
  command = "\"" + batch.path + "\"";
  return batch;
}

bool ShellOpenFile(const std::string& file, const std::string& arguments, bool wait, bool hide) {
  plat::ProcessOptions options;
  options.hidden = hide;
  options.wait = wait;
  return plat::ShellExecute("open", file, arguments, FolderOf(file), options);
}

bool RunCommandLine(const std::string& command, bool wait, bool hide, bool shellOpen) {
  std::string bare = text::ReplaceAll(command, "\"", "");
  if (bare.compare(0, 7, "http://") == 0) {
    return plat::ShellExecute("", bare, "", "", plat::ProcessOptions{});
  }

  bool quoted = !command.empty() && command[0] == '"';
  size_t q = command.size() > 1 ? command.find('"', 1) : std::string::npos;
  size_t sp = command.find(' ');
  while (sp != std::string::npos && q != std::string::npos && sp < q) sp = command.find(' ', sp + 1);
  if (!quoted) sp = command.find(' ');

  std::string file = command;
  std::string arguments;
  if (sp != std::string::npos) {
    arguments = command.substr(sp + 1);
    file = quoted ? command.substr(0, sp) : "\"" + command.substr(0, sp) + "\"";
  }
  std::string unquoted = text::ReplaceAll(file, "\"", "");
  if (unquoted.size() < 2 || unquoted[1] != ':') {
    plat::PumpMessages();
    plat::ProcessOptions options;
    options.hidden = hide;
    options.wait = wait;
    if (!wait) options.waitIdleMs = kStartIdleWaitMs;
    return plat::StartProcess(command, options);
  }
  if (shellOpen) {
    return plat::ShellExecute("", unquoted, arguments, FolderOf(unquoted), plat::ProcessOptions{});
  }
  return ShellOpenFile(unquoted, arguments, wait, hide);
}

void RunPreInstallCommands(ScriptContext& context, const std::vector<RunListEntry>& entries) {
  for (const RunListEntry& entry : entries) {
    std::string command = text::IsTrueText(entry.external)
                              ? entry.file
                              : InstallFolderCommand(context.installPath, entry.file);
    command = package::SubstituteInstallPath(command, context.installPath);
    ApplySystemFilter(command);
    std::string batch;
    if (text::Contains(command, kBatchBreak) && !PrepareBatch(context, command, batch)) continue;
    ShowAndRun(context, entry, command, batch);
  }
}

void RunPostUnpackCommands(ScriptContext& context, const std::vector<RunListEntry>& entries) {
  for (const RunListEntry& entry : entries) {
    std::string command;
    std::string batch;
    if (text::IsTrueText(entry.external)) {
      command = entry.file;
      if (text::Contains(command, kBatchBreak) && !PrepareBatch(context, command, batch)) continue;
    } else {
      command = InstallFolderCommand(context.installPath, entry.file);
    }
    ApplySystemFilter(command);
    command = package::SubstituteInstallPath(command, context.installPath);
    ShowAndRun(context, entry, command, batch);
  }
}
