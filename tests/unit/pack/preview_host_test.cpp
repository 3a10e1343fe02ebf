// setup-pack preview without the tools it drives: it says which are missing and runs nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/pack/preview.h"

namespace {

TEST(Preview, WithoutXvfbOrWineItSaysSoAndFails) {
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "preview-no-tools";
  std::filesystem::remove_all(out);
  setenv("PATH", "/nonexistent", 1);
  PreviewOptions options;
  options.projectDir = INSTALLER_SOURCE_DIR "/examples/demo";
  options.outputDir = out.string();
  std::string error;
  const int result = RunPreview(options, error);
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(result, 1);
  EXPECT_NE(error.find("not found: "), std::string::npos) << error;
  EXPECT_NE(error.find("xvfb-run"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(out)) << "nothing is run or written";
}

}  // namespace
