// Archives as other 7z writers make them: Copy stored with an empty method id, entries that
// carry no name (7-Zip extracts those under the archive's own name).
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/handmade_archive.h"

namespace {

using archive::Status;

std::string Read(const std::string& path) {
  Bytes data;
  return plat::ReadFileBytes(path, data) ? data : "<missing>";
}

TEST(OtherWriters, AnEmptyMethodIdIsCopy) {
  TestFolder folder;
  const Bytes data = testarchive::MakeArchive({{u"f.txt", "copy zero", false}}, Bytes());
  archive::Reader reader;
  ASSERT_EQ(reader.OpenMemory(data, ""), Status::kOk);
  EXPECT_EQ(reader.Test({}), Status::kOk) << reader.ErrorDetail();
  ASSERT_EQ(reader.Extract({}, folder / "out", nullptr), Status::kOk) << reader.ErrorDetail();
  EXPECT_EQ(Read(folder / "out\\f.txt"), "copy zero");
}

TEST(OtherWriters, ItemNameFromTheArchiveName) {
  const struct {
    const char* archive;
    const char* name;
  } cases[] = {
      {"C:\\dl\\data.7z", "data"},    {"data.7Z", "data"},         {"C:\\a.b.7z", "a.b"},
      {"C:\\setup.exe", "setup"},     {"C:\\plain", "plain~"},     {"C:\\v.7z.001", "v"},
      {"C:\\.7z", ".7z~"},            {"C:\\x.y\\plain", "plain~"}, {"/tmp/linux.7z", "linux"},
      {"C:\\淺\\包.7z", "包"},        {"C:\\dl\\淺.7z", "淺"},     {"C:\\CON.7z", "_CON"},
      {"C:\\a..7z", "a_"},            {"", "~"},
  };
  for (const auto& c : cases) EXPECT_EQ(archive::ArchiveItemName(c.archive), c.name) << c.archive;
}

// What 7zz does with the same archives: an unnamed entry becomes the archive's base name, and
// several of them all write that one file (the last wins under "-y").
TEST(OtherWriters, UnnamedEntriesAreExtractedUnderTheArchiveName) {
  TestFolder folder;
  const struct {
    const char* archive;
    std::vector<testarchive::Item> items;
    bool storeNames;
    std::vector<std::pair<const char*, const char*>> files;
  } cases[] = {
      {"data.7z", {{u"", "hello", false}}, true, {{"data", "hello"}}},
      {"noname.7z", {{u"x", "abc", false}}, false, {{"noname", "abc"}}},
      {"mixed.7z", {{u"a", "A", false}, {u"", "B", false}}, true, {{"a", "A"}, {"mixed", "B"}}},
      {"two.7z", {{u"", "one", false}, {u"", "two", false}}, true, {{"two", "two"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string path = folder / c.archive;
    ASSERT_TRUE(plat::WriteFileBytes(path, testarchive::MakeArchive(c.items, Bytes(1, '\0'),
                                                                    c.storeNames)));
    archive::Reader reader;
    ASSERT_EQ(reader.Open(path, ""), Status::kOk);
    const std::string out = folder / (std::string(c.archive) + ".out");
    ASSERT_EQ(reader.Extract({}, out, nullptr), Status::kOk) << reader.ErrorDetail();
    for (const auto& [name, content] : c.files) EXPECT_EQ(Read(out + "\\" + name), content) << name;
    std::vector<std::string> listed;
    for (const plat::DirEntry& e : plat::ListDirectory(out)) listed.push_back(e.name);
    EXPECT_EQ(listed.size(), c.files.size());
  }
}

}  // namespace
