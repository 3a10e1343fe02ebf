// The host query behind the entry that plug-ins call (plugins/host_query.h gives the codes and
// the entry's shape): what each request reads from or changes in the install session.
#pragma once

#include <cstdint>

#include "plugins/host_query.h"
#include "wizard/session.h"

// Answers `request` (a HostRequest code) on `session`. Addresses handed out point into the
// session and stay valid while it lives; texts handed in are copied. 0 means nothing, and is
// the answer to every code the table does not know.
intptr_t HostQuery(InstallSession& session, int request, intptr_t parameter, intptr_t value);
