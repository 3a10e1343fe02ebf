#include "wizard/component_view.h"

#include "wizard/control_names.h"

TreeModel TreeModelOf(const ComponentTree& tree) {
  TreeModel model;
  model.selected = tree.selected;
  model.nodes.reserve(tree.items.size());
  for (const ComponentItem& item : tree.items)
    model.nodes.push_back({item.text, item.parent, item.checked == 1, item.expanded});
  return model;
}

void ShowComponentTree(Form& form, const std::string& control, const ComponentTree& tree) {
  form.ShowTree(control, TreeModelOf(tree));
}

void ShowComponentTree(InstallSession& session) {
  Form* form = session.form;
  if (!form) return;
  if (const auto& g = session.tree.geometry)
    form->SetBounds(wizard_names::kTree, {(*g)[0], (*g)[1], (*g)[2], (*g)[3]});
  ShowComponentTree(*form, wizard_names::kTree, session.tree);
}
