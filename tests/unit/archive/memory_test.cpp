// The reader over bytes in memory: listing, testing and rejecting what is not an archive.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "tests/unit/archive/handmade_archive.h"

namespace {

using archive::Status;

TEST(ArchiveMemory, ListsAndTestsAHandmadeArchive) {
  Bytes data = testarchive::MakeArchive({{u"dir", "", true},
                                         {u"dir/a.txt", "alpha", false},
                                         {u"empty.txt", "", false},
                                         {u"b.bin", Bytes(100000, 'b'), false}});
  archive::Reader reader;
  ASSERT_EQ(reader.OpenMemory(data, ""), Status::kOk);
  const auto& entries = reader.Entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_TRUE(entries[0].isDirectory);
  EXPECT_EQ(entries[1].path, "dir\\a.txt");
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_TRUE(entries[1].hasCrc);
  EXPECT_FALSE(entries[2].isDirectory);
  EXPECT_FALSE(entries[2].hasStream);
  EXPECT_EQ(entries[3].size, 100000u);
  EXPECT_EQ(reader.Test({}), Status::kOk);
}

TEST(ArchiveMemory, DamagedDataFailsItsCrc) {
  Bytes data = testarchive::MakeArchive({{u"a.txt", "alpha beta gamma", false}});
  data[32 + 3] ^= 0x20;  // inside the stored file data
  archive::Reader reader;
  ASSERT_EQ(reader.OpenMemory(data, ""), Status::kOk);
  EXPECT_EQ(reader.Test({}), Status::kDataError);
  EXPECT_NE(reader.ErrorDetail().find("a.txt"), std::string::npos) << reader.ErrorDetail();
}

TEST(ArchiveMemory, RejectsWhatIsNotAnArchive) {
  struct Case {
    const char* what;
    Bytes data;
    Status expected;
  };
  Bytes good = testarchive::MakeArchive({{u"a.txt", "alpha", false}});
  Bytes badStartCrc = good;
  badStartCrc[9] ^= 1;
  Bytes badHeaderCrc = good;
  badHeaderCrc[good.size() - 3] ^= 1;
  Bytes cut = good.substr(0, good.size() - 1);
  const Case cases[] = {
      {"empty", "", Status::kNotArchive},
      {"short", "7z", Status::kNotArchive},
      {"text", Bytes(1000, 'x'), Status::kNotArchive},
      {"start header CRC", badStartCrc, Status::kNotArchive},
      {"header CRC", badHeaderCrc, Status::kHeaderBroken},
      {"truncated", cut, Status::kHeaderBroken},
  };
  for (const Case& c : cases) {
    archive::Reader reader;
    EXPECT_EQ(reader.OpenMemory(c.data, ""), c.expected) << c.what;
    EXPECT_TRUE(reader.Entries().empty()) << c.what;
  }
}

TEST(ArchiveMemory, FindsTheArchiveBehindAPrefixAndIgnoresTrailingBytes) {
  Bytes archive = testarchive::MakeArchive({{u"a.txt", "alpha", false}});
  // A decoy signature without a valid start header comes first.
  Bytes prefix = Bytes(19, 'P') + BytesOf({'7', 'z', 0xBC, 0xAF, 0x27, 0x1C}) + Bytes(40, 'Q');
  archive::Reader reader;
  ASSERT_EQ(reader.OpenMemory(prefix + archive + Bytes(500, 'T'), ""), Status::kOk);
  ASSERT_EQ(reader.Entries().size(), 1u);
  EXPECT_EQ(reader.Test({}), Status::kOk);
}

TEST(ArchiveMemory, UnsupportedMethodIsReportedPerFolder) {
  Bytes other = testarchive::MakeArchive({{u"p.txt", "other data", false}}, testarchive::UnknownMethodId());
  archive::Reader reader;
  ASSERT_EQ(reader.OpenMemory(other, ""), Status::kOk);
  EXPECT_EQ(reader.Test({}), Status::kUnsupportedMethod);
  EXPECT_NE(reader.ErrorDetail().find("04F71101"), std::string::npos) << reader.ErrorDetail();
}

}  // namespace
