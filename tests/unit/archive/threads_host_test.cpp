// LZMA2 blocks, and independent folders, decoded on worker threads: whatever the number of
// threads, an extraction writes the same bytes as 7zz, reports the same files in the same
// order on the calling thread, and fails on damage exactly where one thread fails.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive.h"
#include "archive/stream.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/handmade_archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;
using sevenzip::Quote;
using sevenzip::Shell;

// A little-endian 64-bit field of a 7z file (the start header's offsets and sizes).
uint64_t U64At(const Bytes& a, size_t at) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t{static_cast<uint8_t>(a[at + i])} << (8 * i);
  return v;
}

size_t ThreadsOfThisProcess() {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator("/proc/self/task")) (void)e, ++n;
  return n;
}

// Every notification as text, the thread it came on, and how many threads the process had;
// with `cancelAt` set, the BeginFile of that many-th file returns false.
class Recorder : public archive::ExtractCallback {
 public:
  bool BeginFile(const archive::Entry& e, const std::string&) override {
    Note("begin " + e.path);
    return ++begun_ != cancelAt;
  }
  bool Progress(const archive::Entry& e, uint64_t written) override {
    Note("progress " + e.path + " " + std::to_string(written));
    return true;
  }
  bool EndFile(const archive::Entry& e, Status s) override {
    Note("end " + e.path + " " + std::to_string(static_cast<int>(s)));
    return true;
  }
  std::vector<std::string> events;
  bool otherThread = false;
  size_t mostThreads = 0;
  int cancelAt = 0;

 private:
  int begun_ = 0;
  void Note(const std::string& what) {
    events.push_back(what);
    otherThread |= std::this_thread::get_id() != caller_;
    mostThreads = std::max(mostThreads, ThreadsOfThisProcess());
  }
  std::thread::id caller_ = std::this_thread::get_id();
};

class DecodeThreads {
 public:
  explicit DecodeThreads(unsigned n) : saved_(archive::detail::CurrentLimits().decodeThreads) {
    archive::detail::CurrentLimits().decodeThreads = n;
  }
  ~DecodeThreads() { archive::detail::CurrentLimits().decodeThreads = saved_; }

 private:
  unsigned saved_;
};

struct Outcome {
  Status status = Status::kOk;
  Recorder calls;
};

Outcome Extract(const fs::path& archivePath, const std::string& password, const fs::path& out,
            unsigned threads, int cancelAt = 0) {
  DecodeThreads use(threads);
  Outcome run;
  run.calls.cancelAt = cancelAt;
  archive::Reader reader;
  run.status = reader.Open(archivePath.string(), password);
  if (run.status == Status::kOk) run.status = reader.Extract({}, out.string(), &run.calls);
  return run;
}

struct Case {
  const char* name;
  const char* switches;  // every one makes several blocks or several folders
  bool password = false;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name << " (" << c.switches << ")"; }

const Case kCases[] = {
    {"block_size", "-m0=LZMA2:d=256k:c=1m"},
    {"reference_threads", "-m0=LZMA2:d=1m -mmt=4"},
    {"non_solid", "-ms=off -m0=LZMA2:d=256k:c=1m"},
    {"encrypted", "-m0=LZMA2:d=256k:c=1m", true},
    {"encrypted_header", "-m0=LZMA2:d=256k:c=1m -mhe=on", true},
    {"several_folders", "-ms=3m -m0=LZMA2:d=256k:c=1m"},
    // Folders without blocks, decoded side by side.
    {"non_solid_lzma2", "-ms=off -mx5"},
    {"non_solid_encrypted_header", "-ms=off -mx5 -mhe=on", true},
    {"solid_per_extension", "-ms=e -mx5"},
    {"solid_blocks_by_size", "-ms=1m -mqs -mx5"},
    {"non_solid_lzma_bcj", "-ms=off -m0=BCJ -m1=LZMA:d=1m"},
    {"non_solid_bcj2", "-ms=off -m0=BCJ2 -m1=LZMA:d=1m -m2=LZMA:d=64k -m3=LZMA:d=64k -mb0s0:1 -mb0s1:2 -mb0s2:3"},
    {"non_solid_ppmd", "-ms=off -m0=PPMd:mem=16m:o=6"},
    {"non_solid_deflate", "-ms=off -m0=Deflate"},
    {"non_solid_bzip2", "-ms=off -m0=BZip2"},
};

const char kPassword[] = "secret";

class ThreadedBlocks : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    work_ = fs::temp_directory_path() / ("archive-threads-" + std::to_string(getpid()));
    sevenzip::MakeFixtureTree(work_ / "src");
    std::string text;
    for (int i = 0; text.size() < (6u << 20); ++i)
      text += "record " + std::to_string(i * 7919 % 100003) + " of the block test\n";
    sevenzip::WriteFile(work_ / "src" / "large.txt", text);
  }
  static void TearDownTestSuite() { fs::remove_all(work_); }
  static fs::path work_;
};
fs::path ThreadedBlocks::work_;

TEST_P(ThreadedBlocks, SameFilesAndCallsAsOneThread) {
  const Case& c = GetParam();
  TestFolder folder;
  fs::path dir = work_ / c.name;
  fs::remove_all(dir);
  std::string pw = c.password ? kPassword : "";
  std::string pwSwitch = c.password ? " -p" + Quote(pw) : "";
  fs::path arc = dir / "a.7z";
  fs::create_directories(dir);
  ASSERT_TRUE(Shell("cd " + Quote((work_ / "src").string()) + " && /usr/bin/7zz a -bd " +
                    Quote(arc.string()) + " * " + c.switches + pwSwitch));
  ASSERT_TRUE(Shell("/usr/bin/7zz x -y -bd -o" + Quote((dir / "ref").string()) + " " +
                    Quote(arc.string()) + pwSwitch));

  Outcome one = Extract(arc, pw, dir / "one", 1);
  ASSERT_EQ(one.status, Status::kOk);
  sevenzip::ExpectSameTree(dir / "ref", dir / "one", std::string(c.name) + " one thread");
  for (unsigned threads : {2u, 4u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    fs::path out = dir / ("t" + std::to_string(threads));
    Outcome many = Extract(arc, pw, out, threads);
    ASSERT_EQ(many.status, Status::kOk);
    sevenzip::ExpectSameTree(dir / "ref", out, c.name);
    EXPECT_EQ(many.calls.events, one.calls.events);
    EXPECT_FALSE(many.calls.otherThread);
    EXPECT_GT(many.calls.mostThreads, 1u) << "no block was decoded on a worker";
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(SevenZip, ThreadedBlocks, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// Packs `files` (name, text) with `switches`, flips one byte `fraction` of the way into the
// archive, and checks that 2 and 3 threads fail as one thread does: the same status and
// calls (all on the calling thread), the same files left out, every file written intact.
// Returns how many files one thread left out.
int ExpectDamageAsOneThread(const std::string& tag,
                            const std::vector<std::pair<std::string, std::string>>& files,
                            const std::string& switches, double fraction, bool workersSeen) {
  TestFolder folder;
  fs::path dir = fs::temp_directory_path() / ("archive-" + tag + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  for (const auto& [name, text] : files) sevenzip::WriteFile(dir / "src" / name, text);
  fs::path arc = dir / "a.7z";
  EXPECT_TRUE(Shell("cd " + Quote((dir / "src").string()) + " && /usr/bin/7zz a -bd " +
                    Quote(arc.string()) + " * " + switches));
  Bytes bytes = sevenzip::ReadFile(arc);
  size_t at = 32 + static_cast<size_t>(static_cast<double>(bytes.size() - 32) * fraction);
  bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
  fs::path bad = dir / "bad.7z";
  sevenzip::WriteFile(bad, bytes);

  Outcome one = Extract(bad, "", dir / "one", 1);
  EXPECT_EQ(one.status, Status::kDataError);
  int missing = 0;
  for (const auto& file : files) missing += !fs::exists(dir / "one" / file.first);
  for (unsigned threads : {2u, 3u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    fs::path out = dir / ("t" + std::to_string(threads));
    Outcome many = Extract(bad, "", out, threads);
    EXPECT_EQ(many.status, one.status);
    EXPECT_EQ(many.calls.events, one.calls.events);
    EXPECT_FALSE(many.calls.otherThread);
    if (workersSeen) {
      EXPECT_GT(many.calls.mostThreads, 1u);
    }
    for (const auto& [name, text] : files) {
      EXPECT_EQ(fs::exists(out / name), fs::exists(dir / "one" / name)) << name;
      if (fs::exists(out / name)) {
        EXPECT_TRUE(sevenzip::ReadFile(out / name) == text) << name;
      }
    }
  }
  fs::remove_all(dir);
  return missing;
}

// A byte changed inside a later block (the packed stream starts behind the 32-byte start
// header; its last fifth is the last block's data).
TEST(ThreadedBlocksDamage, FailsAsOneThreadFails) {
  std::string text;
  for (int i = 0; text.size() < (5u << 20); ++i) text += "line " + std::to_string(i) + " text\n";
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 5; ++i)
    files.emplace_back("part" + std::to_string(i) + ".txt", text.substr(static_cast<size_t>(i) << 20, 1u << 20));
  ExpectDamageAsOneThread("threads-damage", files, "-m0=LZMA2:d=256k:c=1m", 0.75, true);
}

// Several small non-solid folders with one damaged among them (the header is a few hundred
// bytes at the end, the packed streams before it are of about equal size): only that
// folder's file fails, the others are written whole.
TEST(ThreadedFoldersDamage, OnlyTheDamagedFolderFails) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 8; ++i) {
    std::string text;
    for (int k = 0; text.size() < 300000; ++k)
      text += "file " + std::to_string(i) + " line " + std::to_string(k * (i + 3)) + "\n";
    files.emplace_back("f" + std::to_string(i) + ".txt", text);
  }
  EXPECT_EQ(ExpectDamageAsOneThread("folders-damage", files, "-ms=off -mx5", 0.45, false), 1);
}

// A folder too large to be decoded ahead, between small ones, and a cancel from the callback
// while workers are decoding folders ahead: the same files and calls as one thread, and no
// worker left running once Extract returns.
TEST(ThreadedFoldersMixed, LargeFolderAmongSmallOnesAndCancel) {
  TestFolder folder;
  fs::path dir = fs::temp_directory_path() / ("archive-folders-mixed-" + std::to_string(getpid()));
  fs::remove_all(dir);
  std::string text;
  for (int k = 0; text.size() < (18u << 20); ++k) text += "long line " + std::to_string(k * 31) + "\n";
  sevenzip::WriteFile(dir / "src" / "m_large.log", text);
  for (int i = 0; i < 6; ++i)
    sevenzip::WriteFile(dir / "src" / ("a" + std::to_string(i) + ".txt"), text.substr(i * 1000, 200000));
  for (int i = 0; i < 6; ++i)
    sevenzip::WriteFile(dir / "src" / ("z" + std::to_string(i) + ".txt"), text.substr(i * 7000, 150000));
  fs::path arc = dir / "a.7z";
  ASSERT_TRUE(Shell("cd " + Quote((dir / "src").string()) + " && /usr/bin/7zz a -bd " +
                    Quote(arc.string()) + " * -ms=off -mx1 -m0=LZMA2:d=1m:c=4m"));
  ASSERT_TRUE(Shell("/usr/bin/7zz x -y -bd -o" + Quote((dir / "ref").string()) + " " +
                    Quote(arc.string())));

  Outcome one = Extract(arc, "", dir / "one", 1);
  ASSERT_EQ(one.status, Status::kOk);
  const size_t before = ThreadsOfThisProcess();
  Outcome many = Extract(arc, "", dir / "two", 2);
  ASSERT_EQ(many.status, Status::kOk);
  sevenzip::ExpectSameTree(dir / "ref", dir / "two", "two threads");
  EXPECT_EQ(many.calls.events, one.calls.events);
  EXPECT_FALSE(many.calls.otherThread);
  EXPECT_EQ(ThreadsOfThisProcess(), before);

  for (int cancelAt : {2, 7, 9}) {
    SCOPED_TRACE("cancelled at file " + std::to_string(cancelAt));
    Outcome first = Extract(arc, "", dir / ("c1-" + std::to_string(cancelAt)), 1, cancelAt);
    Outcome second = Extract(arc, "", dir / ("c2-" + std::to_string(cancelAt)), 2, cancelAt);
    EXPECT_EQ(first.status, Status::kCancelled);
    EXPECT_EQ(second.status, Status::kCancelled);
    EXPECT_EQ(second.calls.events, first.calls.events);
    EXPECT_EQ(ThreadsOfThisProcess(), before);
  }
  fs::remove_all(dir);
}

// A folder no larger than its dictionary is decoded straight into it, and its reader takes
// the bytes as they become final. A dictionary reset inside such a folder (7zz writes none:
// its blocks are at least a dictionary, so the archive's dictionary is raised by hand here)
// stops that; the folder is decoded again into a buffer of its own while the reader has had
// the first megabytes from the buffer now dropped. Same files as 7zz writes.
TEST(ThreadedFoldersRestart, AResetInsideAFolderWithinItsDictionary) {
  fs::path dir = fs::temp_directory_path() / ("archive-folders-restart-" + std::to_string(getpid()));
  fs::remove_all(dir);
  for (int i = 0; i < 3; ++i) {
    std::string text;
    for (int k = 0; text.size() < (3u << 20); ++k)
      text += "restart " + std::to_string(i) + " " + std::to_string(k * 7919 % 100003) + "\n";
    sevenzip::WriteFile(dir / "src" / ("r" + std::to_string(i) + ".txt"), text);
  }
  fs::path arc = dir / "a.7z";
  ASSERT_TRUE(Shell("cd " + Quote((dir / "src").string()) + " && /usr/bin/7zz a -bd " +
                    Quote(arc.string()) + " * -ms=off -mhc=off -m0=LZMA2:d=1m:c=1m"));
  ASSERT_TRUE(Shell("/usr/bin/7zz x -y -bd -o" + Quote((dir / "ref").string()) + " " +
                    Quote(arc.string())));
  // The plain header names each folder's coder as 21 21 01 <dictionary>: 1 MiB (16) becomes
  // 8 MiB (22), then both header CRCs are made again.
  Bytes a = sevenzip::ReadFile(arc);
  ASSERT_GT(a.size(), 32u);
  const size_t header = static_cast<size_t>(32 + U64At(a, 12)), headerSize = static_cast<size_t>(U64At(a, 20));
  ASSERT_EQ(header + headerSize, a.size());
  const Bytes coder("\x21\x21\x01\x10", 4);
  int patched = 0;
  for (size_t at = a.find(coder, header); at != Bytes::npos; at = a.find(coder, at + 4), ++patched)
    a[at + 3] = '\x16';
  ASSERT_EQ(patched, 3);
  auto putCrc = [&](size_t at, uint32_t crc) {
    for (int i = 0; i < 4; ++i) a[at + i] = static_cast<char>(crc >> (8 * i));
  };
  auto crcOf = [&](size_t from, size_t size) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(a.data() + from), static_cast<uInt>(size)));
  };
  putCrc(28, crcOf(header, headerSize));
  putCrc(8, crcOf(12, 20));
  sevenzip::WriteFile(arc, a);

  Outcome one = Extract(arc, "", dir / "one", 1);
  ASSERT_EQ(one.status, Status::kOk);
  sevenzip::ExpectSameTree(dir / "ref", dir / "one", "one thread");
  Outcome many = Extract(arc, "", dir / "two", 2);
  ASSERT_EQ(many.status, Status::kOk);
  sevenzip::ExpectSameTree(dir / "ref", dir / "two", "two threads");
  EXPECT_EQ(many.calls.events, one.calls.events);
  fs::remove_all(dir);
}

// The LZMA2 stream 7zz makes of `text` alone (1 MiB dictionary), without its end byte.
Bytes Lzma2StreamOf(const fs::path& dir, const std::string& name, const std::string& text) {
  sevenzip::WriteFile(dir / name, text);
  fs::path arc = dir / (name + ".7z");
  EXPECT_TRUE(Shell("cd " + Quote(dir.string()) + " && /usr/bin/7zz a -bd " + Quote(arc.string()) +
                    " " + name + " -mhc=off -m0=LZMA2:d=1m"));
  Bytes a = sevenzip::ReadFile(arc);
  if (a.size() < 33) return {};
  // The next header's offset: the one packed stream lies before it.
  Bytes stream = a.substr(32, static_cast<size_t>(U64At(a, 12)));
  if (!stream.empty() && stream.back() == '\0') stream.pop_back();
  return stream;
}

// A block that starts with a stored chunk resetting the dictionary and then goes on with an
// LZMA chunk that resets the state but not the properties: those are the block before's.
// One thread decodes that; a block decoded on its own would have none, so the stream must be
// left to one thread rather than fail. (7zz writes properties in every block: the stream is
// put together here from two of its streams.)
TEST(ThreadedBlocksProperties, ABlockMayTakeThePropertiesBeforeIt) {
  fs::path dir = fs::temp_directory_path() / ("archive-block-props-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string first, second;
  for (int k = 0; first.size() < 300000; ++k) first += "first block " + std::to_string(k * 13) + "\n";
  for (int k = 0; second.size() < 40000; ++k) second += "second " + std::to_string(k * 7) + "\n";
  Bytes a = Lzma2StreamOf(dir, "a.txt", first), b = Lzma2StreamOf(dir, "b.txt", second);
  ASSERT_GT(b.size(), 6u);
  ASSERT_EQ(static_cast<uint8_t>(a[0]) & 0xE0, 0xE0);
  ASSERT_EQ(static_cast<uint8_t>(b[0]) & 0xE0, 0xE0);
  // 1,024 stored bytes ending in 0 (what b's encoder had before its first byte; 1,024 keeps
  // the position's low bits), then b's chunks with the first one's properties byte taken out.
  std::string stored(1024, 's');
  stored.back() = '\0';
  Bytes stream = a + Bytes("\x01\x03\xFF", 3) + stored;
  Bytes rest = b;
  rest[0] = static_cast<char>(0xA0 | (static_cast<uint8_t>(rest[0]) & 0x1F));
  rest.erase(5, 1);
  stream += rest + Bytes(1, '\0');
  Bytes archiveBytes = testarchive::MakeArchive({{u"whole.txt", first + stored + second, false, stream}},
                                                Bytes("\x21", 1), true, Bytes("\x10", 1));
  fs::path arc = dir / "props.7z";
  sevenzip::WriteFile(arc, archiveBytes);
  for (unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    fs::path out = dir / ("out" + std::to_string(threads));
    Outcome run = Extract(arc, "", out, threads);
    ASSERT_EQ(run.status, Status::kOk);
    EXPECT_TRUE(sevenzip::ReadFile(out / "whole.txt") == first + stored + second);
  }
  fs::remove_all(dir);
}

}  // namespace
