// 7-zip32.dll as the runtime meets it: loaded by file name, its functions bound by their plain
// names, called with the family's convention, reporting through the callback.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "archiver/archiver.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/handmade_archive.h"

namespace {

using SevenZipFn = int(ARCHIVER_CALL*)(void*, const char*, char*, uint32_t);
using SetOwnerFn = int(ARCHIVER_CALL*)(void*, ArchiverProc);

std::vector<std::string> g_names;

int ARCHIVER_CALL Collect(void*, unsigned int, unsigned int state, void* info) {
  if (state == archiver::kStateBegin && info) {
    archiver::ExtractingInfoEx record;
    std::memcpy(&record, info, 1080);
    g_names.push_back(record.szDestFileName);
  }
  return 1;
}

// The build passes the DLL's path as the build machine sees it; Wine shows "/" as drive Z:.
std::string DllPath() {
  std::string path = SEVENZIP_DLL_PATH;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TEST(SevenZipDll, ExportsThePlainNamesAndExtracts) {
  TestFolder folder;
  plat::Library dll = plat::Library::Load(DllPath());
  ASSERT_TRUE(dll.IsLoaded()) << DllPath();
  auto sevenZip = reinterpret_cast<SevenZipFn>(dll.Symbol("SevenZip"));
  auto setOwner = reinterpret_cast<SetOwnerFn>(dll.Symbol("SevenZipSetOwnerWindowEx"));
  ASSERT_NE(sevenZip, nullptr);
  ASSERT_NE(setOwner, nullptr);
  for (const char* name : {"SevenZipGetVersion", "SevenZipGetRunning", "SevenZipCheckArchive",
                           "SevenZipSetOwnerWindow", "SevenZipClearOwnerWindow",
                           "SevenZipKillOwnerWindowEx"})
    EXPECT_NE(dll.Symbol(name), nullptr) << name;

  Bytes archive = testarchive::MakeArchive({{u"readme.txt", "hello", false},
                                            {u"中文\\说明.txt", "GBK", false},
                                            {u"..\\escape.txt", "kept inside", false}});
  ASSERT_TRUE(plat::WriteFileBytes(folder / "data.7z", archive));
  g_names.clear();
  ASSERT_EQ(setOwner(nullptr, Collect), 1);
  std::string line = "x  \"" + folder / "data.7z" + "\" -hide -y \"" + folder / "out\\" + "\" * -p\"\"";
  char output[128];
  ASSERT_EQ(sevenZip(nullptr, line.c_str(), output, sizeof output), 0) << output;
  Bytes data;
  ASSERT_TRUE(plat::ReadFileBytes(folder / "out\\中文\\说明.txt", data));
  EXPECT_EQ(data, "GBK");
  ASSERT_TRUE(plat::ReadFileBytes(folder / "out\\escape.txt", data));
  EXPECT_FALSE(plat::FileExists(folder / "escape.txt"));
  ASSERT_EQ(g_names.size(), 3u);
  EXPECT_EQ(g_names[0], folder / "out\\readme.txt");
}

}  // namespace
