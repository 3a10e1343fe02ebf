// The script document: arbitrary bytes as the document (it comes from the package and may be
// replaced by a plug-in), looked up by fixed names and by names cut from the input, loaded as
// the component tree, and its sections read as script lines in the two call forms that can
// start nothing (an option call with mode 0, an install call of a component that is not in the
// tree), so the line parser and the mark commands run without touching the machine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/component_tree.h"
#include "script/interpreter.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// No tree item can be named this: item texts are cut at "\r\n".
constexpr char kAbsentComponent[] = "\r\n";

void CheckTree(const ComponentTree& tree) {
  for (size_t i = 0; i < tree.items.size(); ++i) {
    const ComponentItem& item = tree.items[i];
    FUZZ_CHECK(item.parent == -1 || (item.parent >= 0 && size_t(item.parent) < i));
    FUZZ_CHECK(item.text.find("\r\n") == std::string::npos);
  }
  for (int mark = 1; mark <= 3; ++mark) {
    const int index = FindShortcutOptionItem(tree, mark);
    FUZZ_CHECK(index >= -1 && index < int(tree.items.size()));
  }
}

void ReadSections(const std::string& document, const std::string& block) {
  for (const char* section : {"Install", "Unzip", "finish", "describe"}) {
    std::string content = "stale";
    const bool found = GetScriptSection(document, block, section, content);
    FUZZ_CHECK(content.size() <= document.size());
    FUZZ_CHECK(found || content.empty());
    if (!content.empty()) FUZZ_CHECK(document.find(content) != std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string document(reinterpret_cast<const char*>(data), size);

  ReadSections(document, "Treelists");
  // Block names taken from the document itself: the first line, and a slice of the middle.
  ReadSections(document, document.substr(0, document.find("\r\n")));
  ReadSections(document, document.substr(size / 4, size / 4));

  ComponentTree tree;
  const bool loaded = LoadComponentTree(document, tree);
  FUZZ_CHECK(loaded || tree.items.empty());
  CheckTree(tree);

  ComponentTree direct;
  FUZZ_CHECK(FillComponentTree(document, direct) == !direct.items.empty());
  CheckTree(direct);

  // Every item's description, and the sections of every item's block run as script lines.
  ScriptLists lists;
  ScriptContext context;
  context.tree = &direct;
  context.lists = &lists;
  context.installPath = "C:\\Program Files\\App";
  const size_t items = direct.items.size() < 16 ? direct.items.size() : 16;
  for (size_t i = 0; i < items; ++i) {
    direct.selected = int(i);
    std::string label;
    ShowComponentDescription(document, direct,
                             {[&](const std::string& text) { label = text; }, [](int) {}});
    // A section of the document or one of the short built-in texts.
    FUZZ_CHECK(label.size() < 80 || document.find(label) != std::string::npos);

    const std::string name = direct.items[i].text;
    std::string section;
    GetScriptSection(document, name, "Install", section);
    RunScriptSection(context, section, name, 0, true);
    RunScriptSection(context, section, kAbsentComponent, 0, false);
  }
  // Nothing above may reach a command: the lists stay as they were.
  FUZZ_CHECK(lists.includeList.empty() && lists.excludeList.empty());
  FUZZ_CHECK(lists.removeDumpList.empty());
  return 0;
}
