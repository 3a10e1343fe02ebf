// The component tree's tick rules.
#pragma once

#include "wizard/session.h"

// The default ticks of the built-in tree from "基本组件勾选" (start-up, when the script
// document defines no tree).
void ApplyDefaultTicks(InstallSession& session);

// The tree's tick-changed event: value-1 items flip back, the plug-in tick callback, the
// subtree follows the parent.
void OnTickChanged(InstallSession& session, int index, int state);
