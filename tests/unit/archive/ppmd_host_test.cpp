// PPMd against 7zz. Small arenas matter most: there the model runs out of memory, glues its
// free blocks and restarts, and every one of those moments must fall where the encoder's did.
#include <gtest/gtest.h>
#include <unistd.h>

#include "archive/archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;

class Ppmd : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("archive-ppmd-" + std::to_string(getpid()));
    sevenzip::MakeFixtureTree(work_ / "src");
  }
  void TearDown() override { fs::remove_all(work_); }
  fs::path work_;
};

TEST_F(Ppmd, ExtractsWhat7zzWrites) {
  for (const char* switches :
       {"-m0=PPMd", "-m0=PPMd -ms=off", "-m0=PPMd:o=2:mem=1m", "-m0=PPMd:o=32:mem=1m",
        "-m0=PPMd:o=16:mem=4m -ms=off", "-m0=PPMd:o=8:mem=256m -mx9", "-m0=PPMd -mhe=on"}) {
    bool encrypted = std::string(switches).find("-mhe") != std::string::npos;
    sevenzip::ExpectExtractsLikeSource(work_ / "src", work_ / "a", switches, encrypted ? "pw" : "",
                                       "ppmd");
  }
}

TEST_F(Ppmd, DamageIsAnErrorNotACrash) {
  fs::path one = work_ / "one";
  sevenzip::WriteFile(one / "t.txt", sevenzip::ReadFile(work_ / "src" / "nested" / "sibling.dat"));
  fs::path arc = work_ / "p.7z";
  ASSERT_TRUE(sevenzip::Shell("cd " + sevenzip::Quote(one.string()) +
                              " && /usr/bin/7zz a -bd -mhc=off -m0=PPMd:mem=1m " +
                              sevenzip::Quote(arc.string()) + " t.txt"));
  Bytes good = sevenzip::ReadFile(arc);
  // Inside the packed stream, which starts after the 32-byte signature header and takes most of
  // the file: its first byte (which must be 0), the range coder's start, and further in.
  for (size_t at : {size_t{32}, size_t{33}, size_t{100}, good.size() / 2}) {
    SCOPED_TRACE(at);
    Bytes damaged = good;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x21);
    archive::Reader reader;
    ASSERT_EQ(reader.OpenMemory(damaged, ""), Status::kOk);
    EXPECT_EQ(reader.Test({}), Status::kDataError);
  }
}

}  // namespace
