#include "plugins/plugin_call.h"

#include <algorithm>

#include "common/text.h"

using namespace plugin_files;

std::string ToWireForm(const std::string& readable) {
  std::string wire = text::ReplaceAll(readable, "……", "\r\n");
  wire = text::ReplaceAll(wire, "，", kFieldSeparator);
  return text::ReplaceAll(wire, "\r\n", kLineSeparator);
}

PluginArguments BuildPluginArguments(BytesView wire, KeepAliveList& keep) {
  PluginArguments arguments{};
  const std::vector<std::string> lines = text::Split(wire, kLineSeparator);
  for (size_t k = 0; k < lines.size() && k < arguments.size(); ++k) {
    const std::vector<std::string> fields = text::Split(lines[k], kFieldSeparator);
    if (fields.size() < 3) continue;
    const std::string& type = fields[1];
    const std::string& value = fields[2];
    if (type == kIntegerType) {
      arguments[k] = intptr_t(text::ToInt(value));
    } else if ((type == kTextType || type == kBytesType) && !value.empty()) {
      // std::string keeps a terminating zero behind its bytes, which the text type needs.
      keep.push_back(value);
      arguments[k] = reinterpret_cast<intptr_t>(keep.back().data());
    }
  }
  return arguments;
}

bool RunsInMode(int pluginRunMode, int runMode) {
  return pluginRunMode == runMode - 1 || pluginRunMode == kRunsInBoth;
}

bool AnyAnswerEquals(const std::vector<int>& answers, int value) {
  return std::find(answers.begin(), answers.end(), value) != answers.end();
}
