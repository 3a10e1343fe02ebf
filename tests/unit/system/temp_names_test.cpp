#include "system/temp_names.h"

#include <gtest/gtest.h>

#include <set>

#include "common/text.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

TEST(TempNames, EveryNameIsFreshAndAFolderThatTakesEveryNameEndsTheSearch) {
  TestFolder folder;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = FreshTempName(".bat");
    ASSERT_TRUE(text::EndsWith(name, ".tmp")) << name;
    EXPECT_EQ(name.rfind(plat::TempFolder(), 0), 0u);
    EXPECT_TRUE(names.insert(name).second) << "handed out twice: " << name;
  }
  int asked = 0;
  EXPECT_EQ(FreshTempName("", "D:\\Full\\", [&](const std::string&) { return ++asked, true; }), "");
  EXPECT_EQ(asked, kFreshNameAttempts);
  // A name whose suffixed form is taken is passed over too.
  const std::string name = FreshTempName(".7zsha", "D:\\X\\", [](const std::string& path) {
    return text::EndsWith(path, ".7zsha");
  });
  EXPECT_EQ(name, "");
}

}  // namespace
