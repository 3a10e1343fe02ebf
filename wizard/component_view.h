// The component tree as the tree control shows it: the script's model turned into the form's
// plain tree, so the window layer needs nothing of the script.
#pragma once

#include <string>

#include "script/component_tree.h"
#include "ui/form.h"
#include "wizard/session.h"

TreeModel TreeModelOf(const ComponentTree& tree);

// Shows `tree` anew in the tree control `control` of `form`.
void ShowComponentTree(Form& form, const std::string& control, const ComponentTree& tree);

// Shows the session's tree in `树型框1` and moves the control to the left, top, width and
// height of the script's "Treelists" geometry when the script gave one.
void ShowComponentTree(InstallSession& session);
