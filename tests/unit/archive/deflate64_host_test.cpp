// Deflate64 against 7zz: its long matches (code 285 with 16 extra bits) and distances past
// 32 KiB (codes 30 and 31) appear in data that repeats itself at long range.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "archive/archive.h"
#include "tests/unit/archive/handmade_archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;

class Deflate64 : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("archive-deflate64-" + std::to_string(getpid()));
    sevenzip::MakeFixtureTree(work_ / "src");
    // 40 KiB of noise repeated: matches at distances between 32 and 64 KiB, and a run far
    // longer than 258 bytes.
    std::mt19937 rng(64);
    Bytes noise;
    for (int i = 0; i < 40000; ++i) noise.push_back(static_cast<char>(rng()));
    Bytes repeated;
    for (int i = 0; i < 6; ++i) repeated += noise.substr(0, 40000 - i * 7);
    repeated += Bytes(200000, 'z');
    sevenzip::WriteFile(work_ / "src" / "far.bin", repeated);
  }
  void TearDown() override { fs::remove_all(work_); }
  fs::path work_;
};

TEST_F(Deflate64, ExtractsWhat7zzWrites) {
  for (const char* switches :
       {"-m0=Deflate64", "-m0=Deflate64 -mx9 -ms=off", "-m0=Deflate64 -mx1", "-m0=Deflate64 -mhe=on"}) {
    bool encrypted = std::string(switches).find("-mhe") != std::string::npos;
    sevenzip::ExpectExtractsLikeSource(work_ / "src", work_ / "a", switches, encrypted ? "pw" : "",
                                       "deflate64");
  }
}

TEST_F(Deflate64, DamageIsADataError) {
  Bytes data = sevenzip::ReadFile(work_ / "src" / "far.bin");
  fs::path one = work_ / "one";
  sevenzip::WriteFile(one / "far.bin", data);
  fs::path arc = work_ / "d.7z";
  ASSERT_TRUE(sevenzip::Shell("cd " + sevenzip::Quote(one.string()) + " && /usr/bin/7zz a -bd -mhc=off -m0=Deflate64 " +
                              sevenzip::Quote(arc.string()) + " far.bin"));
  Bytes archiveBytes = sevenzip::ReadFile(arc);
  // The packed stream starts right after the 32-byte signature header.
  for (size_t at : {size_t{32}, size_t{40}, size_t{2000}, size_t{9000}}) {
    SCOPED_TRACE(at);
    Bytes damaged = archiveBytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    archive::Reader reader;
    ASSERT_EQ(reader.OpenMemory(damaged, ""), Status::kOk);
    EXPECT_EQ(reader.Test({}), Status::kDataError);
  }
}

}  // namespace
