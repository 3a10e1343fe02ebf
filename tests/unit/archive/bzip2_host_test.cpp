// BZip2 against 7zz (solid, non-solid, encrypted, several blocks, several threads) and against
// the bzip2 tool's streams concatenated, which 7-Zip's own decoder accepts too.
#include <gtest/gtest.h>
#include <unistd.h>

#include "archive/archive.h"
#include "tests/unit/archive/handmade_archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;
using sevenzip::Quote;
using sevenzip::Shell;

const Bytes kBzip2Id = BytesOf({0x04, 0x02, 0x02});

Bytes Bzip2Tool(const fs::path& work, const Bytes& data, const char* level) {
  sevenzip::WriteFile(work / "plain", data);
  EXPECT_TRUE(Shell(std::string("bzip2 -kf ") + level + " " + Quote((work / "plain").string())));
  Bytes packed = sevenzip::ReadFile(work / "plain.bz2");
  fs::remove(work / "plain.bz2");
  return packed;
}

Status ExtractHandmade(const testarchive::Item& item, const fs::path& dest) {
  archive::Reader reader;
  Status s = reader.OpenMemory(testarchive::MakeArchive({item}, kBzip2Id), "");
  if (s != Status::kOk) return s;
  return reader.Extract({}, dest.string(), nullptr);
}

class Bzip2 : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("archive-bzip2-" + std::to_string(getpid()));
    sevenzip::MakeFixtureTree(work_ / "src");
  }
  void TearDown() override { fs::remove_all(work_); }
  fs::path work_;
};

TEST_F(Bzip2, ExtractsWhat7zzWrites) {
  for (const char* switches :
       {"-m0=BZip2", "-m0=BZip2:d=100k -mmt=2", "-m0=BZip2 -mx9 -ms=off", "-m0=BZip2 -mhe=on"}) {
    bool encrypted = std::string(switches).find("-mhe") != std::string::npos;
    sevenzip::ExpectExtractsLikeSource(work_ / "src", work_ / "a", switches, encrypted ? "pw" : "",
                                       "bzip2");
  }
}

TEST_F(Bzip2, ConcatenatedStreamsAndRuns) {
  // Long runs exercise both run-length steps; all 256 byte values fill the symbol map.
  Bytes first(300000, 'a');
  for (int i = 0; i < 256; ++i) first += Bytes(static_cast<size_t>(i % 7), static_cast<char>(i));
  Bytes second = sevenzip::ReadFile(work_ / "src" / "big.bin").substr(0, 250000);
  Bytes packed = Bzip2Tool(work_, first, "-1") + Bzip2Tool(work_, second, "-9");
  ASSERT_EQ(ExtractHandmade({u"joined.bin", first + second, false, packed}, work_ / "out"), Status::kOk);
  EXPECT_TRUE(sevenzip::ReadFile(work_ / "out" / "joined.bin") == first + second);
}

TEST_F(Bzip2, DamageIsADataError) {
  Bytes data = sevenzip::ReadFile(work_ / "src" / "nested" / "sibling.dat");
  Bytes packed = Bzip2Tool(work_, data, "-9");
  struct Case {
    const char* what;
    Bytes packed;
    Bytes expected;  // what the item claims to hold
  };
  Bytes flipped = packed;
  flipped[packed.size() / 2] ^= 0x10;
  Bytes badMagic = packed;
  badMagic[1] = 'X';
  const Case cases[] = {
      {"a flipped bit", flipped, data},
      {"truncated", packed.substr(0, packed.size() / 2), data},
      {"signature", badMagic, data},
      {"more output claimed than the stream holds", packed, data + "tail"},
      {"bytes after the stream that start no other", packed + "garbage!", data + "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(work_ / "out");
    EXPECT_EQ(ExtractHandmade({u"d.bin", c.expected, false, c.packed}, work_ / "out"), Status::kDataError);
    EXPECT_FALSE(fs::exists(work_ / "out" / "d.bin"));
  }
}

}  // namespace
