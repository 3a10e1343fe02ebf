// The caption through which plug-ins find the host query entry.
#include <gtest/gtest.h>

#include <cstdint>

#include "plugins/host_query.h"

namespace {

TEST(HostCallbackCaption, CarriesTheDecimalAddress) {
  EXPECT_EQ(HostCallbackCaption(4198400), "备用的传递消息I_4198400");
  EXPECT_EQ(HostCallbackCaption(0), "备用的传递消息I_0");
  // What a 32-bit plug-in reads back with a plain decimal parse.
  EXPECT_EQ(HostCallbackCaption(INT32_MAX), "备用的传递消息I_2147483647");
}

}  // namespace
