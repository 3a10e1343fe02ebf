// LZMA2 blocks, and folders, decoded on worker threads, on every build (the i686 and x86_64
// Windows ones too, where the threads are winpthread's): two tiny 7zz archives of four blocks
// each and one of three folders (method_samples.h) decode to the same bytes and the same
// callbacks, all on the calling thread, whatever the number of threads. Four blocks of 64 KiB always take the threaded path
// when more than one thread is allowed; the native conformance test checks that it does.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "archive/archive.h"
#include "archive/stream.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/method_samples.h"

namespace {

using archive::Status;

Bytes SampleContent() {
  Bytes out;
  for (int i = 0; out.size() < 256 * 1024; ++i)
    out += "block sample line " + std::to_string(i % 37) + " of the threads test\n";
  return out.substr(0, 256 * 1024);
}

class Recorder : public archive::ExtractCallback {
 public:
  bool BeginFile(const archive::Entry& e, const std::string&) override { return Note("begin " + e.path); }
  bool Progress(const archive::Entry&, uint64_t written) override {
    return Note("progress " + std::to_string(written));
  }
  bool EndFile(const archive::Entry&, Status s) override {
    return Note("end " + std::to_string(static_cast<int>(s)));
  }
  std::vector<std::string> events;
  bool otherThread = false;

 private:
  bool Note(const std::string& what) {
    events.push_back(what);
    otherThread |= std::this_thread::get_id() != caller_;
    return true;
  }
  std::thread::id caller_ = std::this_thread::get_id();
};

template <size_t N>
Bytes Of(const uint8_t (&bytes)[N]) {
  return Bytes(reinterpret_cast<const char*>(bytes), N);
}

TEST(ThreadedBlockSamples, SameBytesAndCallbacksOnTheCallingThread) {
  const unsigned saved = archive::detail::CurrentLimits().decodeThreads;
  const struct {
    const char* name;
    Bytes archive;
    const char* password;
  } cases[] = {
      {"plain", Of(samples::kLzma2Blocks), ""},
      {"encrypted", Of(samples::kLzma2BlocksEncrypted), "blocks"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> oneThread;
    for (unsigned threads : {1u, 2u, 4u}) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(threads) + " threads");
      archive::detail::CurrentLimits().decodeThreads = threads;
      TestFolder folder;
      archive::Reader reader;
      ASSERT_EQ(reader.OpenMemory(c.archive, c.password), Status::kOk);
      Recorder calls;
      ASSERT_EQ(reader.Extract({}, folder / "out", &calls), Status::kOk) << reader.ErrorDetail();
      Bytes got;
      ASSERT_TRUE(plat::ReadFileBytes(folder / "out\\f.bin", got));
      EXPECT_TRUE(got == SampleContent());
      EXPECT_FALSE(calls.otherThread);
      if (threads == 1) oneThread = calls.events;
      EXPECT_EQ(calls.events, oneThread);
    }
  }
  archive::detail::CurrentLimits().decodeThreads = saved;
}

// The content of file `name` of kNonSolidFolders.
Bytes FolderSampleContent(char name, size_t size) {
  Bytes out;
  for (int i = 0; out.size() < size; ++i)
    out += std::string("folder ") + name + ", record " + std::to_string(i * 7 % 1009) + "\n";
  return out.substr(0, size);
}

TEST(ThreadedFolderSamples, SameBytesAndCallbacksOnTheCallingThread) {
  const unsigned saved = archive::detail::CurrentLimits().decodeThreads;
  const struct {
    const char* name;
    size_t size;
  } files[] = {{"a.bin", 100000}, {"b.bin", 100000}, {"c.bin", 62144}};
  std::vector<std::string> oneThread;
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    archive::detail::CurrentLimits().decodeThreads = threads;
    TestFolder folder;
    archive::Reader reader;
    ASSERT_EQ(reader.OpenMemory(Of(samples::kNonSolidFolders), ""), Status::kOk);
    Recorder calls;
    ASSERT_EQ(reader.Extract({}, folder / "out", &calls), Status::kOk) << reader.ErrorDetail();
    for (const auto& f : files) {
      Bytes got;
      ASSERT_TRUE(plat::ReadFileBytes(folder / (std::string("out\\") + f.name), got)) << f.name;
      EXPECT_TRUE(got == FolderSampleContent(f.name[0], f.size)) << f.name;
    }
    EXPECT_FALSE(calls.otherThread);
    if (threads == 1) oneThread = calls.events;
    EXPECT_EQ(calls.events, oneThread);
  }
  archive::detail::CurrentLimits().decodeThreads = saved;
}

// A block whose data is damaged fails the file with a data error, after the blocks before it
// were served, exactly as on one thread.
TEST(ThreadedBlockSamples, DamagedBlockFailsAsOnOneThread) {
  const unsigned saved = archive::detail::CurrentLimits().decodeThreads;
  Bytes damaged = Of(samples::kLzma2Blocks);
  // Inside the third block's LZMA data: the packed stream starts at 32 and holds four blocks
  // of similar size.
  const size_t at = 32 + (damaged.size() - 32) * 55 / 100;
  damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
  std::vector<std::string> oneThread;
  for (unsigned threads : {1u, 3u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    archive::detail::CurrentLimits().decodeThreads = threads;
    TestFolder folder;
    archive::Reader reader;
    ASSERT_EQ(reader.OpenMemory(damaged, ""), Status::kOk);
    Recorder calls;
    EXPECT_EQ(reader.Extract({}, folder / "out", &calls), Status::kDataError);
    EXPECT_FALSE(plat::FileExists(folder / "out\\f.bin"));
    if (threads == 1) oneThread = calls.events;
    EXPECT_EQ(calls.events, oneThread);
  }
  archive::detail::CurrentLimits().decodeThreads = saved;
}

}  // namespace
