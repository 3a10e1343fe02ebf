#include "tests/unit/startup/config_fixture.h"

#include <gtest/gtest.h>

#include "common/compressed_block.h"
#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "platform/platform.h"

namespace fixture {

Bytes IconBytes() { return Bytes("\x02\x01\xFF icon %Second% data", 22); }

Bytes RegistryList() {
  Bytes store;
  AppendKeyedItem(store, "num", "2", false);
  AppendKeyedItem(store, "REGdata1", "path=SXG(%TempDir%)", false);
  AppendKeyedItem(store, "REGdata2", "plain=%TempDir% at SXG(%InstallPath%)", false);
  return store;
}

void WriteConfigFolder(const std::string& folder, bool withVariables) {
  auto write = [&](const char* name, BytesView data) {
    ASSERT_TRUE(plat::WriteFileBytes(folder + name, data)) << name;
  };
  write("data.ini", kDataIni);
  write("variable.ini", withVariables ? kVariableIni : "; no variables\r\n");
  Bytes varData;
  AppendKeyedItem(varData, "#资源数据_other", "unused", false);
  AppendKeyedItem(varData, "#资源数据_icon", IconBytes(), false);
  write("var_data.ini", varData);
  write("QZRREG.db", block::Deflate(RegistryList()));
  write("GUItext.ini", cipher::Encipher(kGuiText, cipher::PassPhrase::kGuiText));
  write("Except.ini", cipher::Encipher(kExcept, cipher::PassPhrase::kExcept));
  write("choosegment.ini", cipher::Encipher(kScript, cipher::PassPhrase::kScript));
  write("QZRDLL_s.ini", kPluginSettings);
  write("QZRDLL.db", kPluginData);
}

}  // namespace fixture
