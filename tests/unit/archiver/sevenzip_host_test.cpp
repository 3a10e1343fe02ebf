// SevenZip over archives made by 7zz: the runtime's command lines, the callback records and
// the result codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "archiver/archiver.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/handmade_archive.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;
using sevenzip::Quote;
using sevenzip::Shell;

struct Report {
  unsigned state;
  archiver::ExtractingInfoEx info;
  bool hasInfo;
};
std::vector<Report> g_reports;
int g_cancelAfterBegins = -1;
int g_reentrantResult = 0;

int ARCHIVER_CALL Record(void*, unsigned int, unsigned int state, void* info) {
  Report r{state, {}, info != nullptr};
  if (info) std::memcpy(&r.info, info, sizeof(r.info));  // what the runtime does: 1080 bytes
  g_reports.push_back(r);
  if (state == archiver::kStateBegin && g_reports.size() == 1)
    g_reentrantResult = SevenZip(nullptr, "x a.7z", nullptr, 0);
  if (state == archiver::kStateBegin && g_cancelAfterBegins >= 0 && --g_cancelAfterBegins < 0) return 0;
  return 1;
}

class SevenZipApi : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("archiver-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    sevenzip::WriteFile(dir_ / "src" / "a.txt", "alpha");
    sevenzip::WriteFile(dir_ / "src" / "b.txt", std::string(300000, 'b'));
    sevenzip::WriteFile(dir_ / "src" / "sub" / "c.dll", "charlie");
    sevenzip::WriteFile(dir_ / "src" / "sub" / "d.txt", "delta");
    sevenzip::WriteFile(dir_ / "src" / u8"中文" / u8"说明.txt", "GBK");
    g_reports.clear();
    g_cancelAfterBegins = -1;
    g_reentrantResult = 0;
    SevenZipSetOwnerWindowEx(nullptr, Record);
  }
  void TearDown() override {
    SevenZipKillOwnerWindowEx(nullptr);
    fs::remove_all(dir_);
  }

  std::string Make(const std::string& switches) {
    fs::path arc = dir_ / "a.7z";
    fs::remove(arc);
    EXPECT_TRUE(Shell("cd " + Quote((dir_ / "src").string()) + " && /usr/bin/7zz a -bd " +
                      Quote(arc.string()) + " * " + switches));
    return arc.string();
  }
  // The line the runtime builds for (archive, dest, password, include list, exclude list).
  static std::string RuntimeLine(const std::string& archive, std::string dest,
                                 const std::string& password, const std::vector<std::string>& include,
                                 const std::vector<std::string>& exclude) {
    if (dest.back() != '\\') dest += "\\";
    std::string files;
    for (const std::string& e : exclude.empty() ? include : exclude) files += "\"" + e + "\" ";
    if (files.empty()) files = "*";
    std::string exclusions;
    for (const std::string& e : exclude) exclusions += " * -x!\"" + e + "\" ";
    return "x  \"" + archive + "\" -hide -y \"" + dest + "\" " + files + " -p\"" + password + "\"" +
           exclusions;
  }
  std::string Out() const { return (dir_ / "out").string(); }
  bool Exists(const fs::path& rel) const { return fs::exists(dir_ / "out" / rel); }

  TestFolder folder_;
  fs::path dir_;
};

TEST_F(SevenZipApi, ExtractsWithIncludeAndExcludeLists) {
  std::string arc = Make("-mx1");
  struct Case {
    std::vector<std::string> include, exclude;
    std::vector<fs::path> present, absent;
  };
  const Case cases[] = {
      {{}, {}, {"a.txt", "b.txt", "sub/c.dll", "sub/d.txt", u8"中文/说明.txt"}, {}},
      {{"a.txt", "sub\\c.dll"}, {}, {"a.txt", "sub/c.dll"}, {"b.txt", "sub/d.txt"}},
      {{"sub"}, {}, {"sub/c.dll", "sub/d.txt"}, {"a.txt"}},
      {{"*.txt"}, {}, {"a.txt", "b.txt"}, {"sub/d.txt", "sub/c.dll"}},
      {{}, {"b.txt", "sub\\c.dll"}, {"a.txt", "sub/d.txt", u8"中文/说明.txt"}, {"b.txt", "sub/c.dll"}},
      {{"a.txt"}, {"sub"}, {"a.txt", "b.txt"}, {"sub"}},  // an exclusion overrides the includes
      {{"中文\\说明.txt"}, {}, {u8"中文/说明.txt"}, {"a.txt"}},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_ / "out");
    std::string line = RuntimeLine(arc, Out(), "", c.include, c.exclude);
    SCOPED_TRACE(line);
    char output[256];
    EXPECT_EQ(SevenZip(nullptr, line.c_str(), output, sizeof output), 0) << output;
    for (const fs::path& p : c.present) EXPECT_TRUE(Exists(p)) << p;
    for (const fs::path& p : c.absent) EXPECT_FALSE(Exists(p)) << p;
  }
  // The destination with or without its backslash is the same job.
  fs::remove_all(dir_ / "out");
  std::string plain = "x \"" + arc + "\" -hide -y -o" + Out() + " *";
  EXPECT_EQ(SevenZip(nullptr, plain.c_str(), nullptr, 0), 0);
  EXPECT_EQ(sevenzip::ReadFile(dir_ / "out" / "b.txt"), std::string(300000, 'b'));
}

TEST_F(SevenZipApi, ReportsEveryFileWithJobWideSizes) {
  std::string arc = Make("-mx1");
  std::string line = RuntimeLine(arc, Out(), "", {}, {});
  ASSERT_EQ(SevenZip(nullptr, line.c_str(), nullptr, 0), 0);
  EXPECT_EQ(g_reentrantResult, archiver::kErrorAlreadyRunning);
  ASSERT_FALSE(g_reports.empty());
  const uint32_t total = 5 + 300000 + 7 + 5 + 3;
  std::vector<std::string> begun;
  uint32_t lastWritten = 0;
  for (size_t i = 0; i + 1 < g_reports.size(); ++i) {
    const Report& r = g_reports[i];
    ASSERT_TRUE(r.hasInfo);
    EXPECT_EQ(r.info.dwFileSize, total);
    EXPECT_GE(r.info.dwWriteSize, lastWritten);
    lastWritten = r.info.dwWriteSize;
    if (r.state == archiver::kStateBegin) begun.push_back(r.info.szDestFileName);
  }
  EXPECT_EQ(lastWritten, total);
  EXPECT_EQ(g_reports.back().state, archiver::kStateEnd);
  EXPECT_FALSE(g_reports.back().hasInfo);
  ASSERT_EQ(begun.size(), 5u);
  for (const std::string& name : begun) {
    EXPECT_EQ(name.rfind(Out() + "\\", 0), 0u) << name;  // the full destination path
    EXPECT_TRUE(fs::exists(plat::host::HostPath(name))) << plat::GbkToUtf8(name);
  }
}

TEST_F(SevenZipApi, CancelAndErrorsGiveDistinctCodes) {
  std::string arc = Make("-mx1 -psecret");
  g_cancelAfterBegins = 1;
  std::string line = RuntimeLine(arc, Out(), "secret", {}, {});
  EXPECT_EQ(SevenZip(nullptr, line.c_str(), nullptr, 0), archiver::kErrorUserCancel);
  g_cancelAfterBegins = -1;

  EXPECT_EQ(SevenZip(nullptr, RuntimeLine(arc, Out(), "wrong", {}, {}).c_str(), nullptr, 0),
            archiver::kErrorPassword);
  EXPECT_EQ(SevenZip(nullptr, RuntimeLine((dir_ / "none.7z").string(), Out(), "", {}, {}).c_str(),
                     nullptr, 0),
            archiver::kErrorArcFileOpen);
  sevenzip::WriteFile(dir_ / "text.7z", "not an archive at all, just text");
  EXPECT_EQ(SevenZip(nullptr, RuntimeLine((dir_ / "text.7z").string(), Out(), "", {}, {}).c_str(),
                     nullptr, 0),
            archiver::kErrorNotArcFile);
  EXPECT_EQ(SevenZip(nullptr, "q \"a.7z\"", nullptr, 0), archiver::kErrorCommandName);

  std::string unknown = (dir_ / "unknown.7z").string();
  sevenzip::WriteFile(unknown, testarchive::MakeArchive({{u"u.txt", "data", false}},
                                                        testarchive::UnknownMethodId()));
  EXPECT_EQ(SevenZip(nullptr, RuntimeLine(unknown, Out(), "", {}, {}).c_str(), nullptr, 0),
            archiver::kErrorMethod);

  std::string stored = Make("-m0=Copy -mhc=off");
  Bytes bytes = sevenzip::ReadFile(stored);
  bytes[40] ^= 1;  // inside a.txt's stored data
  sevenzip::WriteFile(stored, bytes);
  EXPECT_EQ(SevenZip(nullptr, RuntimeLine(stored, Out(), "", {}, {}).c_str(), nullptr, 0),
            archiver::kErrorBrokenData);

  // A destination that is a file cannot be created.
  std::string good = Make("-mx1");
  sevenzip::WriteFile(dir_ / "blocker", "x");
  EXPECT_EQ(SevenZip(nullptr, RuntimeLine(good, (dir_ / "blocker").string(), "", {}, {}).c_str(),
                     nullptr, 0),
            archiver::kErrorCannotWrite);
}

TEST_F(SevenZipApi, OutputBufferIsCutAndTerminated) {
  std::string arc = Make("-mx1");
  std::string line = RuntimeLine(arc, Out(), "", {}, {});
  char output[8];
  std::memset(output, 'X', sizeof output);
  ASSERT_EQ(SevenZip(nullptr, line.c_str(), output, sizeof output), 0);
  EXPECT_EQ(std::strlen(output), 7u);
  char untouched = 'X';
  ASSERT_EQ(SevenZip(nullptr, line.c_str(), &untouched, 0), 0);
  EXPECT_EQ(untouched, 'X');
}

}  // namespace
