// The finish page: the options read from data.ini, their check boxes, and Finish.
#pragma once

#include <vector>

#include "common/ini.h"
#include "wizard/session.h"

// The finish options from "完成后选项_列表", or the three fixed options.
std::vector<FinishOption> ReadFinishOptions(const InstallSession& session);

// One check box per option, cloned from the template box and stacked from the list's "y"
// (132 when unset); an invisible option takes no row. Reuses boxes a previous pass made.
void CreateFinishBoxes(InstallSession& session, const ini::Document& doc);

// Next on the finish page: the ticked options, every component's "finish" section, then the
// end of the run with kExitSuccess.
void RunFinishActions(InstallSession& session);
