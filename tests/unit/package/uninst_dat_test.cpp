#include "package/uninst_dat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UninstDat, BundleEndsEveryFileWithTheSeparatorAndSplitsBack) {
  EXPECT_EQ(std::string(package::kBundleSeparator).size(), 8u);
  const std::string sep = package::kBundleSeparator;
  EXPECT_EQ(package::BuildConfigurationBundle({}), sep + sep + sep + sep);

  const package::ConfigurationBundle files{"[plug]", "\x01\x02zz", "", "[var]\r\n"};
  const Bytes bundle = package::BuildConfigurationBundle(files);
  EXPECT_EQ(bundle, "[plug]" + sep + "\x01\x02zz" + sep + sep + "[var]\r\n" + sep);
  package::ConfigurationBundle back;
  ASSERT_TRUE(package::SplitConfigurationBundle(bundle, back));
  EXPECT_EQ(back.pluginSettings, files.pluginSettings);
  EXPECT_EQ(back.pluginData, files.pluginData);
  EXPECT_EQ(back.varData, files.varData);
  EXPECT_EQ(back.variableIni, files.variableIni);
}

TEST(UninstDat, BundleWithoutFourSeparatedFilesIsRefused) {
  const std::string sep = package::kBundleSeparator;
  package::ConfigurationBundle out;
  for (const std::string& bad : {std::string(), "a" + sep + "b" + sep + "c" + sep,
                                 sep + sep + sep + sep + "tail", sep + sep + sep + sep + sep})
    EXPECT_FALSE(package::SplitConfigurationBundle(bad, out)) << bad.size();
}

}  // namespace
