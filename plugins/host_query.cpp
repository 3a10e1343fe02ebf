// The caption that publishes the host query entry; plug-ins parse the number after the prefix.
#include "plugins/host_query.h"

#include "common/text.h"

const char kHostCallbackCaptionPrefix[] = "备用的传递消息I_";

std::string HostCallbackCaption(intptr_t entryAddress) {
  return std::string(kHostCallbackCaptionPrefix) + text::FromInt(int64_t(entryAddress));
}
