// The script command interpreter, the command-line launcher every part uses to start a program
// or open an address, and the two run lists around the unpacking.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "script/component_tree.h"

// The process-wide extraction and uninstall lists. They start empty and are never cleared
// during a run.
struct ScriptLists {
  std::string includeList;                  // entries separated by ","
  std::string excludeList;                  // entries separated by ","
  std::vector<std::string> removeDumpList;  // read by the uninstall engine
};

// Appends `entries` to a ","-separated list.
void AppendToList(std::string& list, const std::string& entries);

// What the interpreter works on; owned by the run context.
struct ScriptContext {
  ComponentTree* tree = nullptr;
  ScriptLists* lists = nullptr;
  std::string installPath;
  // The status-line template ("安装3" caption); "%Default%" stands for the command.
  std::string statusTemplate = "%Default%";
  std::function<void(const std::string& text)> showStatusLine;
};

// One entry of a run list.
struct RunListEntry {
  std::string external;  // "真": `file` is used as written
  std::string file;
  bool hide = false;
  bool wait = false;
};

// Runs the lines of a section. Install call: mode 0, optionCall false, component = item text.
// Option call: mode 1 (ticked) or -1 (not ticked), optionCall true, component empty.
// Nothing reports failure: a line that cannot run is passed over. The one exception is a
// "%ET%" command whose batch cannot be written: it does not run, and the status line shows
// kBatchWriteFailedText and the batch path.
void RunScriptSection(ScriptContext& context, const std::string& section,
                      const std::string& component, int mode, bool optionCall);

// Starts a program, opens a document (drive paths through the shell) or a web address
// ("http://" only). Returns whether the start was accepted.
bool RunCommandLine(const std::string& command, bool wait, bool hide, bool shellOpen);

// The shell's "open" of `file` with `arguments`, working folder FolderOf(file).
bool ShellOpenFile(const std::string& file, const std::string& arguments, bool wait, bool hide);

// The form of a command that is not external: the quoted install folder, "\", the command.
std::string InstallFolderCommand(const std::string& installPath, const std::string& file);

// Text before the last "\"; empty when there is none.
std::string FolderOf(const std::string& path);

// Check state (0 or 1) of the first item whose text is `name`; -1 when there is none.
int ComponentCheckState(const ComponentTree& tree, const std::string& name);

// The "[sys=…]" rule: removes the tag and empties `command` when the tag does not name this
// Windows' bitness (both "32" and "64" keep it everywhere).
void ApplySystemFilter(std::string& command);

// Status-line text for a "%ET%" command whose batch file could not be written; the batch
// path follows it.
extern const char kBatchWriteFailedText[];

struct BatchFile {
  std::string path;  // the file the batch was meant for; "" when no free name was found
  bool written = false;
};

// The "%ET%" rule: writes the command's lines ("cmd /c " dropped once) to a fresh .bat in the
// temp folder and replaces `command` by the quoted batch path. When the batch cannot be
// written, `command` is left as it was and must not run: with "%ET%" still in it, it would
// hand the shell a line that the packager never meant as one.
BatchFile MakeBatchCommand(std::string& command);

// The two run lists, in their different preparation orders. Batch files of waited commands
// are deleted once the command has ended; an entry whose batch cannot be written is reported
// on the status line instead of run.
void RunPreInstallCommands(ScriptContext& context, const std::vector<RunListEntry>& entries);
void RunPostUnpackCommands(ScriptContext& context, const std::vector<RunListEntry>& entries);
