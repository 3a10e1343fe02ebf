// The component tree's tick rules: the default ticks of the built-in tree and what a tick
// change does to the items below it.
#include "wizard/tree_ticks.h"

#include "startup/config.h"
#include "wizard/component_view.h"
#include "wizard/control_names.h"

namespace {

// Ancestors plus one. The bound ends the walk on a parent chain that loops.
int Depth(const ComponentTree& tree, int index) {
  int depth = 0;
  for (int i = index; i >= 0 && i < int(tree.items.size()) && depth <= int(tree.items.size());
       i = tree.items[i].parent)
    ++depth;
  return depth;
}

void SetTick(InstallSession& session, int index, int state) {
  session.tree.items[index].checked = state;
  if (session.form) session.form->SetTreeCheck(wizard_names::kTree, index, state == 1);
}

}  // namespace

void ApplyDefaultTicks(InstallSession& session) {
  ComponentTree& tree = session.tree;
  int ticked = 0;
  for (int i = 1; i <= 3; ++i) {
    const int state = IsTrueText(session.wizard.defaultTicks[i - 1]) ? 1 : 0;
    ticked += state;
    if (i < int(tree.items.size())) tree.items[i].checked = state;
  }
  if (!tree.items.empty()) tree.items[0].checked = ticked == 3 ? 1 : 0;
  if (session.form) ShowComponentTree(*session.form, wizard_names::kTree, tree);
}

void OnTickChanged(InstallSession& session, int index, int state) {
  ComponentTree& tree = session.tree;
  if (index < 0 || index >= int(tree.items.size())) return;
  if (tree.items[index].value == 1) {
    SetTick(session, index, state == 1 ? 0 : 1);
    return;
  }
  tree.items[index].checked = state;
  if (session.plugins.tickCallback && session.plugins.tickCallback(index, state) == 1) return;
  const int depth = Depth(tree, index);
  for (int j = index + 1; j < int(tree.items.size()); ++j) {
    if (Depth(tree, j) <= depth) break;
    if (tree.items[j].value != 1) SetTick(session, j, state);
  }
}
