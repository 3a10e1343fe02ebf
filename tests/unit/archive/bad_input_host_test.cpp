// Damaged, hostile and unsupported archives: a clear status, no crash, nothing written
// outside the destination and no damaged file left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include "archive/archive.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/handmade_archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using archive::Status;
using sevenzip::Quote;
using sevenzip::Shell;

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("archive-bad-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    sevenzip::WriteFile(dir_ / "src" / "a.txt", std::string(3000, 'a') + "end");
    sevenzip::WriteFile(dir_ / "src" / "sub" / "b.txt", "bravo bravo bravo");
    sevenzip::WriteFile(dir_ / "src" / "c.bin", std::string(20000, '\x07'));
    sevenzip::WriteFile(dir_ / "src" / "zero.txt", "");
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Make(const std::string& name, const std::string& switches) {
    fs::path arc = dir_ / name;
    EXPECT_TRUE(Shell("cd " + Quote((dir_ / "src").string()) + " && /usr/bin/7zz a -bd " +
                      Quote(arc.string()) + " * " + switches));
    return arc;
  }

  // Opens and extracts `data` into jail/dest; returns the first non-ok status (kOk when all
  // went through) and checks that the jail holds nothing but dest.
  Status ExtractBytes(const Bytes& data, const std::string& password = "") {
    fs::path jail = dir_ / "jail";
    fs::remove_all(jail);
    fs::create_directories(jail / "dest");
    sevenzip::WriteFile(dir_ / "input.7z", data);
    archive::Reader reader;
    Status s = reader.Open((dir_ / "input.7z").string(), password);
    if (s == Status::kOk) s = reader.Extract({}, (jail / "dest").string(), nullptr);
    size_t inJail = 0;
    for (const auto& e : fs::directory_iterator(jail)) {
      EXPECT_EQ(e.path().filename(), "dest");
      ++inJail;
    }
    EXPECT_EQ(inJail, 1u);
    return s;
  }

  TestFolder folder_;
  fs::path dir_;
};

TEST_F(BadInput, TruncatedArchivesFailAtEveryLength) {
  for (const char* switches : {"-mx5", "-m0=Copy", "-mhe=on -pabc"}) {
    Bytes full = sevenzip::ReadFile(Make("t.7z", switches));
    fs::remove(dir_ / "t.7z");
    for (size_t cut = 0; cut < full.size(); cut += 1 + full.size() / 60) {
      SCOPED_TRACE(std::string(switches) + " cut at " + std::to_string(cut));
      EXPECT_NE(ExtractBytes(full.substr(0, cut), "abc"), Status::kOk);
    }
  }
}

TEST_F(BadInput, EveryFlippedByteOfAStoredArchiveIsNoticed) {
  // A plain header (-mhc=off): the flush bytes at the end of an LZMA-compressed header can
  // change without changing what they decode to.
  Bytes full = sevenzip::ReadFile(Make("t.7z", "-m0=Copy -mhc=off"));
  archive::Reader reader;
  for (size_t i = 0; i < full.size(); ++i) {
    if (i == 7) continue;  // the minor version is not covered by any CRC, and any is accepted
    Bytes bad = full;
    bad[i] ^= 0x10;
    Status s = reader.OpenMemory(bad, "");
    if (s == Status::kOk) s = reader.Test({});
    EXPECT_NE(s, Status::kOk) << "byte " << i;
  }
}

TEST_F(BadInput, FlippedBytesOfCompressedArchivesNeverEscapeOrCrash) {
  for (const char* switches : {"-mx5", "-mx9 -mf=BCJ2", "-m0=Deflate", "-m0=LZMA -mhe=on -pabc"}) {
    Bytes full = sevenzip::ReadFile(Make("t.7z", switches));
    fs::remove(dir_ / "t.7z");
    for (size_t i = 32; i < full.size(); i += 1 + full.size() / 80) {
      Bytes bad = full;
      bad[i] ^= 0x5A;
      SCOPED_TRACE(std::string(switches) + " byte " + std::to_string(i));
      Status s = ExtractBytes(bad, "abc");
      if (s != Status::kOk) {
        // Whatever failed was removed: every file left is one the archive really holds.
        for (const auto& e : fs::recursive_directory_iterator(dir_ / "jail" / "dest")) {
          if (!e.is_regular_file()) continue;
          fs::path rel = fs::relative(e.path(), dir_ / "jail" / "dest");
          EXPECT_EQ(sevenzip::ReadFile(e.path()), sevenzip::ReadFile(dir_ / "src" / rel)) << rel;
        }
      }
    }
  }
}

TEST_F(BadInput, WrongOrMissingPasswordIsAnErrorAndLeavesNoFiles) {
  struct Case {
    const char* switches;
    const char* password;
  };
  const Case cases[] = {{"-pright", "wrong"}, {"-pright", ""}, {"-pright -mhe=on", "wrong"},
                        {"-pright -mhe=on", ""}, {"-pright -m0=Copy", "wrong"},
                        {"-pright -ms=off", "wrong"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.switches) + " / " + c.password);
    Bytes data = sevenzip::ReadFile(Make("p.7z", c.switches));
    fs::remove(dir_ / "p.7z");
    EXPECT_EQ(ExtractBytes(data, c.password), Status::kWrongPassword);
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "jail" / "dest"))
      EXPECT_FALSE(e.is_regular_file() && fs::file_size(e.path()) > 0) << e.path();
    EXPECT_EQ(ExtractBytes(data, "right"), Status::kOk);
  }
}

TEST_F(BadInput, AFolderThatCannotBeDecodedFailsOnlyItsOwnFiles) {
  Bytes damaged = testarchive::MakeArchive({{u"a.txt", "first file, stored", false}});
  damaged[32 + 3] ^= 1;  // inside the stored data: its CRC fails
  struct Case {
    const char* what;
    Bytes archive;
    Status expected;
  };
  const Case cases[] = {
      {"unknown method", testarchive::MakeArchive({{u"a.txt", "first file", false}},
                                                  testarchive::UnknownMethodId()),
       Status::kUnsupportedMethod},
      {"damaged data", damaged, Status::kDataError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::path arc = dir_ / "u.7z";
    sevenzip::WriteFile(arc, c.archive);
    // Later updates add files in folders of their own, with methods we do know; 7zz copies
    // the first folder as it is.
    sevenzip::WriteFile(dir_ / "late" / "late.txt", "late file");
    sevenzip::WriteFile(dir_ / "late" / "later.txt", std::string(5000, 'L'));
    ASSERT_TRUE(Shell("cd " + Quote((dir_ / "late").string()) + " && /usr/bin/7zz u -bd -m0=LZMA2 " +
                      Quote(arc.string()) + " late.txt"));
    ASSERT_TRUE(Shell("cd " + Quote((dir_ / "late").string()) + " && /usr/bin/7zz u -bd -m0=PPMd " +
                      Quote(arc.string()) + " later.txt"));
    EXPECT_EQ(ExtractBytes(sevenzip::ReadFile(arc)), c.expected);
    EXPECT_EQ(sevenzip::ReadFile(dir_ / "jail" / "dest" / "late.txt"), "late file");
    EXPECT_EQ(sevenzip::ReadFile(dir_ / "jail" / "dest" / "later.txt"), std::string(5000, 'L'));
    EXPECT_FALSE(fs::exists(dir_ / "jail" / "dest" / "a.txt"));
    fs::remove(arc);
  }
}

TEST_F(BadInput, HostileNamesStayInsideTheDestination) {
  const std::u16string names[] = {
      u"..\\..\\evil1.txt", u"../../evil2.txt", u"/tmp/evil3.txt", u"C:\\evil4.txt",
      u"C:evil5.txt",       u"\\\\server\\share\\evil6.txt",       u"a/../../../evil7.txt",
      u"\\\\?\\C:\\evil8.txt", u"CON", u"sub/nul.txt", u"what?.txt", u"..",
  };
  std::vector<testarchive::Item> items;
  for (const std::u16string& n : names) items.push_back({n, "payload", false});
  Bytes data = testarchive::MakeArchive(items);
  ASSERT_EQ(ExtractBytes(data), Status::kOk);
  fs::path dest = dir_ / "jail" / "dest";
  for (const char* expected : {"evil1.txt", "evil2.txt", "tmp/evil3.txt", "C_/evil4.txt",
                               "C_evil5.txt", "server/share/evil6.txt", "a/evil7.txt",
                               "_/C_/evil8.txt", "_CON", "sub/_nul.txt", "what_.txt"}) {
    EXPECT_EQ(sevenzip::ReadFile(dest / expected), "payload") << expected;
  }
  EXPECT_FALSE(fs::exists("/tmp/evil3.txt"));
}

TEST_F(BadInput, LinksAreWrittenAsPlainFilesAndNeverFollowed) {
  fs::create_directories(dir_ / "outside");
  sevenzip::WriteFile(dir_ / "outside" / "victim.txt", "untouched");
  fs::remove_all(dir_ / "src");
  fs::create_directories(dir_ / "src");
  fs::create_symlink(dir_ / "outside" / "victim.txt", dir_ / "src" / "file_link");
  fs::create_symlink(dir_ / "outside", dir_ / "src" / "dir_link");
  Bytes stored = sevenzip::ReadFile(Make("l.7z", "-snl"));
  ASSERT_EQ(ExtractBytes(stored), Status::kOk);
  fs::path dest = dir_ / "jail" / "dest";
  EXPECT_FALSE(fs::is_symlink(dest / "file_link"));
  EXPECT_EQ(sevenzip::ReadFile(dest / "file_link"), (dir_ / "outside" / "victim.txt").string());
  EXPECT_FALSE(fs::is_symlink(dest / "dir_link"));

  // An entry below a "link" entry cannot pass through it: the link is a plain file here.
  Bytes data = testarchive::MakeArchive({{u"dir_link", (dir_ / "outside").string(), false},
                                         {u"dir_link/victim.txt", "overwritten", false}});
  EXPECT_EQ(ExtractBytes(data), Status::kWriteError);
  EXPECT_EQ(sevenzip::ReadFile(dir_ / "outside" / "victim.txt"), "untouched");
}

TEST_F(BadInput, MissingFilesAndVolumesAreReported) {
  archive::Reader reader;
  EXPECT_EQ(reader.Open((dir_ / "nothing.7z").string(), ""), Status::kNotFound);
  fs::path arc = Make("v.7z", "-v8k -m0=Copy");
  ASSERT_TRUE(fs::exists(dir_ / "v.7z.003"));
  ASSERT_EQ(reader.Open((dir_ / "v.7z.001").string(), ""), Status::kOk);
  EXPECT_EQ(reader.Test({}), Status::kOk);
  fs::remove(dir_ / "v.7z.002");  // a gap: the volumes after it are not reached
  EXPECT_NE(reader.Open((dir_ / "v.7z.001").string(), ""), Status::kOk);
}

// Records the callback sequence and cancels at a chosen file.
class Recorder : public archive::ExtractCallback {
 public:
  explicit Recorder(int cancelAt) : cancelAt_(cancelAt) {}
  bool BeginFile(const archive::Entry& e, const std::string& destPath) override {
    log.push_back("begin " + e.path);
    lastPath = destPath;
    return ++begun_ != cancelAt_;
  }
  bool Progress(const archive::Entry& e, uint64_t written) override {
    if (written > e.size) log.push_back("overrun " + e.path);
    lastWritten = written;
    return true;
  }
  bool EndFile(const archive::Entry& e, Status s) override {
    log.push_back("end " + e.path + " " + archive::StatusText(s));
    return true;
  }
  std::vector<std::string> log;
  std::string lastPath;
  uint64_t lastWritten = 0;

 private:
  int cancelAt_;
  int begun_ = 0;
};

TEST_F(BadInput, CallbackSeesEveryFileAndCanCancel) {
  Bytes data = sevenzip::ReadFile(Make("c.7z", "-mx1"));
  sevenzip::WriteFile(dir_ / "c2.7z", data);
  archive::Reader reader;
  ASSERT_EQ(reader.Open((dir_ / "c2.7z").string(), ""), Status::kOk);
  Recorder all(0);
  ASSERT_EQ(reader.Extract({}, (dir_ / "all").string(), &all), Status::kOk);
  size_t begins = 0, ends = 0;
  for (const std::string& line : all.log) {
    EXPECT_EQ(line.find("overrun"), std::string::npos) << line;
    begins += line.rfind("begin", 0) == 0;
    ends += line.rfind("end", 0) == 0 && line.find(" ok") != std::string::npos;
  }
  EXPECT_EQ(begins, reader.Entries().size());
  EXPECT_EQ(ends, reader.Entries().size());

  Recorder cancel(2);
  EXPECT_EQ(reader.Extract({}, (dir_ / "cancelled").string(), &cancel), Status::kCancelled);
  EXPECT_EQ(cancel.log.back().rfind("begin", 0), 0u) << "nothing runs after a cancel";
}

// The engine remembers the folder it last wrote into instead of looking at it per file; a
// folder that another program removes between two of its files must still be made again.
class FolderRemover : public archive::ExtractCallback {
 public:
  bool BeginFile(const archive::Entry&, const std::string& destPath) override {
    fs::path folder = fs::path(destPath).parent_path();
    if (folder == lastFolder) fs::remove_all(folder);
    lastFolder = folder;
    return true;
  }
  bool Progress(const archive::Entry&, uint64_t) override { return true; }
  bool EndFile(const archive::Entry&, Status) override { return true; }
  fs::path lastFolder;
};

TEST_F(BadInput, AFolderRemovedBetweenItsFilesIsMadeAgain) {
  sevenzip::WriteFile(dir_ / "src" / "sub" / "b2.txt", "second in sub");
  fs::path arc = Make("f.7z", "-mx1");
  archive::Reader reader;
  ASSERT_EQ(reader.Open(arc.string(), ""), Status::kOk);
  FolderRemover remover;
  ASSERT_EQ(reader.Extract({}, (dir_ / "out").string(), &remover), Status::kOk);
  EXPECT_EQ(sevenzip::ReadFile(dir_ / "out" / "sub" / "b2.txt").size(), 13u);
}

}  // namespace
