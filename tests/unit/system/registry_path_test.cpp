// Registry path conventions: root names and the trailing "\" rule of ParseRegistryPath, and the
// key/value split of SplitValuePath.
#include <gtest/gtest.h>

#include "system/registry_path.h"

namespace {

TEST(ParseRegistryPath, RootCodesAndTheTrailingSeparatorRule) {
  const struct {
    const char* path;
    const char* valueName;
    bool forValue;
    int code;
    const char* subkey;
  } cases[] = {
      {"HKEY_CLASSES_ROOT\\.txt", "", false, 1, ".txt"},
      {"HKEY_CURRENT_CONFIG\\System", "", false, 2, "System"},
      {"HKEY_CURRENT_USER\\Software\\A", "", false, 3, "Software\\A"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\产品", "", false, 4, "SOFTWARE\\产品"},
      {"HKEY_USERS\\.DEFAULT", "", false, 5, ".DEFAULT"},
      // Writing a named value: the key must not end with "\" (one is removed).
      {"HKEY_CURRENT_USER\\Software\\A", "V", true, 3, "Software\\A"},
      {"HKEY_CURRENT_USER\\Software\\A\\", "V", true, 3, "Software\\A"},
      // Writing the default value: the key must end with "\" (one is appended).
      {"HKEY_CURRENT_USER\\Software\\A", "", true, 3, "Software\\A\\"},
      {"HKEY_CURRENT_USER\\Software\\A\\", "", true, 3, "Software\\A\\"},
      // Not writing: a trailing "\" goes only when a value name is given.
      {"HKEY_CURRENT_USER\\Software\\A\\", "V", false, 3, "Software\\A"},
      {"HKEY_CURRENT_USER\\Software\\A\\", "", false, 3, "Software\\A\\"},
      // The subkey starts after the path's first "\", whatever precedes it.
      {"HKEY_CURRENT_USERX\\Software", "V", true, 3, "Software"},
      {"hkey_current_user\\Software", "V", true, -1, ""},  // root names are case-sensitive
      {"HKCU\\Software", "V", true, -1, ""},
      {"", "", true, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " name '" + c.valueName + "' forValue " +
                 (c.forValue ? "1" : "0"));
    std::string subkey;
    EXPECT_EQ(ParseRegistryPath(c.path, c.valueName, c.forValue, subkey), c.code);
    if (c.code > 0) {
      EXPECT_EQ(subkey, c.subkey);
      EXPECT_EQ(std::string(c.path).rfind(RegistryRootName(c.code), 0), 0u);  // name of the code
    }
  }
  EXPECT_STREQ(RegistryRootName(0), "");
  EXPECT_STREQ(RegistryRootName(6), "");
}

TEST(SplitValuePath, ValueNameAfterTheLastSeparatorOrKeyOnly) {
  const struct {
    const char* path;
    const char* name;
    const char* key;
    bool keyOnly;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Software\\A\\Name", "Name", "HKEY_CURRENT_USER\\Software\\A", false},
      {"HKEY_CURRENT_USER\\Software\\A\\显示 名称", "显示 名称", "HKEY_CURRENT_USER\\Software\\A",
       false},
      {"HKEY_CURRENT_USER\\Software\\A\\", "", "HKEY_CURRENT_USER\\Software\\A\\", true},
      {"HKEY_CURRENT_USER\\Software\\A\\\\", "", "HKEY_CURRENT_USER\\Software\\A\\\\", true},
      {"NoSeparator", "", "NoSeparator", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string path = c.path;
    bool keyOnly = !c.keyOnly;
    EXPECT_EQ(SplitValuePath(path, keyOnly), c.name);
    EXPECT_EQ(path, c.key);
    EXPECT_EQ(keyOnly, c.keyOnly);
  }
}

}  // namespace
