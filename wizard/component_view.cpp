#include "wizard/component_view.h"

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
