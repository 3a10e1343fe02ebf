// Building a plug-in call: the readable message text turned into the wire form, and the wire
// form turned into the fifteen arguments a plug-in function receives.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "package/plugin_files.h"

// Readable form ("name，type，value" lines joined by "\r\n" or the short "……") to wire form:
// every "……" becomes "\r\n", then every "，" becomes "$参数，", then every "\r\n" becomes
// "\r\nDLL标记$", in this order.
std::string ToWireForm(const std::string& readable);

// Texts and byte arrays handed to plug-ins, kept for the rest of the process: a plug-in may
// hold on to a pointer it was given. A deque never moves its elements, so the pointers stay
// valid as it grows.
using KeepAliveList = std::deque<Bytes>;

using PluginArguments = std::array<intptr_t, plugin_files::kArgumentCount>;

// Argument k from wire line k: "文本型" a pointer to the zero-terminated value, "字节集" a
// pointer to its bytes (both 0 when the value is empty), "整数型" the value as a 32-bit integer
// (sign-extended to the slot), anything else or a missing field 0. Lines after the 15th are
// dropped (the packer refuses them; a stored list that has them still calls). Copies go to
// `keep` before their address is taken.
PluginArguments BuildPluginArguments(BytesView wire, KeepAliveList& keep);

// Whether a settings entry of `pluginRunMode` (0 installer, 1 uninstaller copy, 2 both) is
// started in a run of `runMode` (1 installer, 2 uninstaller copy).
bool RunsInMode(int pluginRunMode, int runMode);

bool AnyAnswerEquals(const std::vector<int>& answers, int value);
