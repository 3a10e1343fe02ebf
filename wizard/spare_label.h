// The host message channel: the feedback event of the spare label 备用_主标题 (caption
// "备用的传递消息"), through which plug-ins steer the wizard. Codes, values and answers are
// those of plugins/plugin_api.h, section 3.
#pragma once

#include <cstdint>

#include "wizard/session.h"

// The spare label's name, and the prefix of the names of the header panels code 1000 makes.
extern const char kSpareLabel[];  // "备用_主标题"

// Answers one feedback `code` with its `value` (a number or the address of a GBK text). 0 for
// codes the channel does not know (1012 among them). Texts handed in are copied; addresses
// handed out point at session state that lives as long as the session.
intptr_t OnHostMessage(InstallSession& session, int code, intptr_t value);
