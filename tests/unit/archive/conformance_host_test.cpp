// Conformance with the reference archiver: every way 7zz can write our fixture tree must
// extract to exactly what `7zz x` extracts (bytes, names, folders, file times).
#include <gtest/gtest.h>
#include <unistd.h>

#include "archive/archive.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;
using sevenzip::Quote;
using sevenzip::Shell;

const char kPassword[] = "pw中文";  // GBK here; 7zz gets it in UTF-8

struct Case {
  const char* name;
  const char* switches;
  bool password = false;
  bool volumes = false;
  bool wrapped = false;  // behind a 19-byte prefix, with trailing bytes
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name << " (" << c.switches << ")"; }

const Case kCases[] = {
    {"copy", "-m0=Copy"},
    {"lzma", "-m0=LZMA"},
    {"lzma_small_dictionary", "-m0=LZMA:d=64k"},
    {"lzma2_mx1", "-mx1"},
    {"lzma2_mx9", "-mx9"},
    {"lzma2_small_dictionary", "-m0=LZMA2:d=64k"},
    {"bcj2", "-mf=BCJ2"},
    {"arm64", "-mf=ARM64"},
    {"delta", "-mf=Delta:4"},
    {"deflate", "-m0=Deflate"},
    {"non_solid", "-ms=off"},
    {"solid_blocks", "-ms=2f"},
    {"password", "", true},
    {"password_encrypted_header", "-mhe=on", true},
    {"volumes", "-v100k", false, true},
    {"encrypted_volumes", "-v300k -mhe=on", true, true},
    {"prefix_and_trailing", "", false, false, true},
};

class Conformance : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    work_ = fs::temp_directory_path() / ("archive-conformance-" + std::to_string(getpid()));
    sevenzip::MakeFixtureTree(work_ / "src");
  }
  static void TearDownTestSuite() { fs::remove_all(work_); }

  static fs::path work_;
};
fs::path Conformance::work_;

TEST_P(Conformance, ExtractsLikeTheReference) {
  const Case& c = GetParam();
  TestFolder folder;
  fs::path dir = work_ / c.name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string pw = c.password ? " -p" + Quote(plat::GbkToUtf8(kPassword)) : "";
  fs::path arc = dir / "a.7z";
  ASSERT_TRUE(Shell("cd " + Quote((work_ / "src").string()) + " && /usr/bin/7zz a -bd " +
                  Quote(arc.string()) + " * " + c.switches + pw));
  fs::path open = c.volumes ? fs::path(arc.string() + ".001") : arc;
  ASSERT_TRUE(fs::exists(open));
  if (c.volumes) {
    ASSERT_TRUE(fs::exists(arc.string() + ".002")) << "expected several volumes";
  }
  ASSERT_TRUE(Shell("/usr/bin/7zz x -y -bd -o" + Quote((dir / "ref").string()) + " " +
                  Quote(open.string()) + pw));
  if (c.wrapped) {
    Bytes wrapped = Bytes(19, '\x01') + sevenzip::ReadFile(arc) + Bytes(3000, 'T');
    open = dir / "wrapped.bin";
    sevenzip::WriteFile(open, wrapped);
  }

  archive::Reader reader;
  ASSERT_EQ(reader.Open(open.string(), c.password ? kPassword : ""), Status::kOk);
  EXPECT_GE(reader.Entries().size(), 9u);
  ASSERT_EQ(reader.Extract({}, (dir / "out").string(), nullptr), Status::kOk);
  sevenzip::ExpectSameTree(dir / "ref", dir / "out", c.name);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(SevenZip, Conformance, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// A selection extracts exactly the chosen entries (and the folders above them).
TEST(ConformanceSelection, ExtractsOnlyTheSelectedEntries) {
  TestFolder folder;
  fs::path dir = fs::temp_directory_path() / ("archive-selection-" + std::to_string(getpid()));
  sevenzip::MakeFixtureTree(dir / "src");
  fs::path arc = dir / "a.7z";
  ASSERT_TRUE(Shell("cd " + Quote((dir / "src").string()) + " && /usr/bin/7zz a -bd " +
                  Quote(arc.string()) + " *"));
  archive::Reader reader;
  ASSERT_EQ(reader.Open(arc.string(), ""), Status::kOk);
  std::vector<bool> selected;
  for (const archive::Entry& e : reader.Entries())
    selected.push_back(e.path == "nested\\sibling.dat" || e.path == "big.bin");
  ASSERT_EQ(reader.Extract(selected, (dir / "out").string(), nullptr), Status::kOk);
  EXPECT_EQ(sevenzip::ReadFile(dir / "out" / "big.bin"), sevenzip::ReadFile(dir / "src" / "big.bin"));
  EXPECT_EQ(sevenzip::ReadFile(dir / "out" / "nested" / "sibling.dat"),
            sevenzip::ReadFile(dir / "src" / "nested" / "sibling.dat"));
  EXPECT_FALSE(fs::exists(dir / "out" / "readme.txt"));
  EXPECT_FALSE(fs::exists(dir / "out" / "emptydir"));
  EXPECT_FALSE(fs::exists(dir / "out" / "nested" / "deep"));
  fs::remove_all(dir);
}

}  // namespace
