// The archiver driver over the real archiver library, bound by name through the host
// platform's library table, on archives that 7zz makes: command lines, folders, progress,
// assignment groups, and the configuration package unpacked by the package step.
#include <gtest/gtest.h>

#include <cstring>

#include "archiver/archiver.h"
#include "common/compressed_block.h"
#include "common/crypto.h"
#include "common/text.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "startup/archiver_driver.h"
#include "system/temp_names.h"
#include "package/blocks.h"
#include "startup/package.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace host = plat::host;
using sevenzip::Quote;

struct Driver : ::testing::Test {
  TestFolder folder;
  void SetUp() override {
    host::RegisterLibrary(kArchiverFileName,
                          {{"SevenZip", reinterpret_cast<void*>(&SevenZip)},
                           {"SevenZipSetOwnerWindowEx", reinterpret_cast<void*>(&SevenZipSetOwnerWindowEx)}});
    SetUpArchiver("");
    TheUnpackProgress() = UnpackProgress{};
  }
  // Writes files (GBK names) under `source` and archives them into `archive` with 7zz.
  void MakeArchive(const std::string& archive, const std::string& switches) {
    const std::string source = folder / "src";
    for (const auto& [name, data] : std::vector<std::pair<std::string, Bytes>>{
             {"readme.txt", "read me"}, {"bin\\app.exe", Bytes(70000, 'x')},
             {"文档\\说明.txt", "说明"}, {"docs\\guide.txt", "guide"}}) {
      const std::string path = source + "\\" + name;
      ASSERT_TRUE(plat::CreateDirectories(path.substr(0, path.rfind('\\'))));
      ASSERT_TRUE(plat::WriteFileBytes(path, data));
    }
    ASSERT_TRUE(sevenzip::Shell("cd " + Quote(host::HostPath(source)) + " && /usr/bin/7zz a -bd " +
                                Quote(host::HostPath(archive)) + " * " + switches));
  }
  std::string Read(const std::string& path) {
    Bytes data;
    return plat::ReadFileBytes(path, data) ? data : "<missing>";
  }
};

TEST(DriverCommandLine, ExactLinesForEveryList) {
  struct {
    const char* dest;
    const char* password;
    const char* include;
    const char* exclude;
    const char* line;
  } cases[] = {
      {"C:\\App", "", "", "", "x  \"C:\\a.7z\" -hide -y \"C:\\App\\\" * -p\"\""},
      {"C:\\App\\", "pw", "", "", "x  \"C:\\a.7z\" -hide -y \"C:\\App\\\" * -p\"pw\""},
      {"C:\\App", "pw", "a.txt,b\\*", "", "x  \"C:\\a.7z\" -hide -y \"C:\\App\\\" \"a.txt\" \"b\\*\"  -p\"pw\""},
      {"C:\\App", "", "a.txt,", "x.dll,y.dll,",
       "x  \"C:\\a.7z\" -hide -y \"C:\\App\\\" \"x.dll\" \"y.dll\"  -p\"\" * -x!\"x.dll\"  * -x!\"y.dll\" "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BuildExtractCommand("C:\\a.7z", c.dest, c.password, c.include, c.exclude), c.line);
}

TEST(DriverFolders, CreateFolderPathLevelByLevel) {
  TestFolder folder;
  EXPECT_TRUE(CreateFolderPath("C:\\One\\Two\\Three"));
  EXPECT_TRUE(plat::DirectoryExists("C:\\One\\Two\\Three"));
  EXPECT_FALSE(CreateFolderPath("C:\\Four\\Five\\"));  // the trailing "\" is an empty part...
  EXPECT_TRUE(plat::DirectoryExists("C:\\Four\\Five"));  // ...after the levels were made
  for (const char* bad : {"C:", "relative\\path", "C:\\a\\..\\b", "C:\\a\\.\\b", "CC:\\x"})
    EXPECT_FALSE(CreateFolderPath(bad)) << bad;
}

// 淺 and 擻 are 9C 5C and 94 5C in GBK: the "\" byte ends the character, it separates nothing.
TEST(DriverFolders, CreateFolderPathKeepsGbkCharactersWhole) {
  TestFolder folder;
  for (const char* path : {"C:\\淺", "C:\\数据\\擻\\淺淺"}) {
    EXPECT_TRUE(CreateFolderPath(path)) << path;
    EXPECT_TRUE(plat::DirectoryExists(path)) << path;
  }
  EXPECT_FALSE(plat::PathExists("C:\\\x9C"));  // no stray folder named by the lead byte alone
  EXPECT_FALSE(plat::PathExists("C:\\数据\\\x94"));
}

// The library goes into a folder of the run's own: whatever lies in the temp folder under its
// name (a stranger's file, read-only, in use) is neither written through nor loaded.
TEST_F(Driver, TheLibraryIsWrittenIntoAFolderOfTheRunsOwnAndHeld) {
  const std::string planted = plat::TempFolder() + kArchiverFileName;
  const Bytes image = "MZ the carried library";
  ASSERT_TRUE(plat::WriteFileBytes(planted, "MZ planted"));
  ASSERT_TRUE(plat::SetFileAttributes(planted, 0x01));
  SetUpArchiver(image);
  EXPECT_EQ(ArchiverSetUpOutcome(), kExitSuccess);
  const std::string own = ArchiverLoadFolder();
  ASSERT_FALSE(own.empty());
  EXPECT_NE(own, plat::TempFolder());
  EXPECT_EQ(own.rfind(plat::TempFolder(), 0), 0u);
  EXPECT_TRUE(IsOwnTempFolder(own));
  EXPECT_EQ(Read(own + kArchiverFileName), image);
  EXPECT_FALSE(plat::WriteFileBytes(own + kArchiverFileName, "MZ swapped"));  // held
  EXPECT_EQ(Read(planted), "MZ planted");
  (void)ExtractArchive(folder / "none.7z", folder / "out", "", nullptr, "", "");
  ASSERT_FALSE(host::LibraryLoads().empty());
  EXPECT_EQ(host::LibraryLoads().back(), own + kArchiverFileName);

  ReleaseArchiver();
  EXPECT_FALSE(plat::PathExists(own));
  EXPECT_EQ(ArchiverLoadFolder(), "");

  // No temp folder to write to: reported, and nothing to load from.
  host::SetTempFolder("C:\\NoSuchTemp\\");
  SetUpArchiver(image);
  EXPECT_EQ(ArchiverSetUpOutcome(), kExitTempWriteFailed);
  EXPECT_EQ(ArchiverLoadFolder(), "");
  SetUpArchiver("");
  EXPECT_EQ(ArchiverSetUpOutcome(), kExitSuccess);
}

// setup.exe carries the library as a compressed block: it is inflated before it is written.
// A block that does not inflate whole counts as no resource: nothing is written (so no
// cut-off library is ever loaded) and the library is looked for in the temp folder, as before.
TEST_F(Driver, TheCarriedLibraryIsInflatedAndADamagedBlockIsNeverWritten) {
  Bytes image = "MZ";
  for (int i = 0; i < 20000; ++i) image += char('A' + i % 23);
  host::SetOwnResource("ARCHIVER_DLL", 100, block::Deflate(image));
  SetUpArchiverFromResource();
  EXPECT_EQ(ArchiverSetUpOutcome(), kExitSuccess);
  const std::string own = ArchiverLoadFolder();
  ASSERT_NE(own, plat::TempFolder());
  EXPECT_EQ(Read(own + kArchiverFileName), image);
  ReleaseArchiver();

  const Bytes block = block::Deflate(image);
  Bytes flipped = block;
  flipped[block.size() / 2] = char(flipped[block.size() / 2] ^ 0x40);
  for (const Bytes& stored : {block.substr(0, block.size() / 2), flipped, image}) {
    host::SetOwnResource("ARCHIVER_DLL", 100, stored);
    SetUpArchiverFromResource();
    EXPECT_EQ(ArchiverSetUpOutcome(), kExitSuccess);
    EXPECT_EQ(ArchiverLoadFolder(), plat::TempFolder());
    EXPECT_FALSE(plat::PathExists(plat::TempFolder() + kArchiverFileName));
  }
}

TEST_F(Driver, ExtractsWithProgressIntoNewFoldersAndHonoursLists) {
  const std::string archive = folder / "payload.7z";
  MakeArchive(archive, "-mx1");
  std::vector<std::pair<std::string, int>> reports;
  auto progress = [&](const std::string& name, int percent) { reports.push_back({name, percent}); };

  const std::string dest = folder / "Program Files\\演示\\deep";
  ASSERT_TRUE(ExtractArchive(archive, dest, "", progress, "", ""));
  EXPECT_EQ(Read(dest + "\\文档\\说明.txt"), "说明");
  EXPECT_EQ(Read(dest + "\\bin\\app.exe").size(), 70000u);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), (std::pair<std::string, int>{"", 100}));  // the job's end
  for (size_t i = 1; i < reports.size(); ++i)  // job-wide sizes: never backwards
    EXPECT_GE(reports[i].second, reports[i - 1].second);

  const std::string only = folder / "only";
  ASSERT_TRUE(ExtractArchive(archive, only, "", nullptr, "readme.txt,docs,", ""));
  EXPECT_TRUE(plat::FileExists(only + "\\readme.txt"));
  EXPECT_TRUE(plat::FileExists(only + "\\docs\\guide.txt"));
  EXPECT_FALSE(plat::PathExists(only + "\\bin"));

  const std::string except = folder / "except";
  ASSERT_TRUE(ExtractArchive(archive, except, "", nullptr, "readme.txt", "bin\\app.exe,docs,"));
  EXPECT_TRUE(plat::FileExists(except + "\\readme.txt"));
  EXPECT_TRUE(plat::FileExists(except + "\\文档\\说明.txt"));
  EXPECT_FALSE(plat::PathExists(except + "\\bin\\app.exe"));
  EXPECT_FALSE(plat::PathExists(except + "\\docs\\guide.txt"));
}

TEST_F(Driver, FailuresAreReportedWithTheLibrarysCode) {
  const std::string archive = folder / "secret.7z";
  MakeArchive(archive, "-pright -mhe=on");
  EXPECT_FALSE(ExtractArchive(archive, folder / "out", "wrong", nullptr, "", ""));
  EXPECT_TRUE(IsPasswordError(ArchiverLastResult()));
  EXPECT_TRUE(ExtractArchive(archive, folder / "out", "right", nullptr, "", ""));
  EXPECT_FALSE(ExtractArchive(folder / "absent.7z", folder / "out", "", nullptr, "", ""));
  EXPECT_EQ(ArchiverLastResult(), archiver::kErrorArcFileOpen);
}

TEST_F(Driver, AssignmentGroupsGoToTheirFoldersAndAreExcludedFromTheMainExtraction) {
  const std::string archive = folder / "payload.7z";
  MakeArchive(archive, "");
  const std::string install = folder / "App";
  const std::string assignments =
      "%InstallPath%\\附件,-1\r\nreadme.txt,0\r\n" + folder.Path() + "Docs,-1\r\ndocs\\guide.txt,0\r\n";
  std::string excludeList;
  std::vector<int> overall;
  UnpackProgress& state = TheUnpackProgress();
  state.setBar = [&](int position) { overall.push_back(position); return position; };
  ASSERT_TRUE(ExtractAssignedFiles(assignments, install, archive, "", OnUnpackProgress, excludeList));
  EXPECT_EQ(excludeList, "readme.txt,docs\\guide.txt,");
  EXPECT_EQ(state.groupCount, 2);
  EXPECT_TRUE(plat::FileExists(install + "\\附件\\readme.txt"));
  EXPECT_TRUE(plat::FileExists(folder / "Docs\\docs\\guide.txt"));
  // Two groups: the first reaches a third of the bar, the second two thirds.
  ASSERT_FALSE(overall.empty());
  EXPECT_EQ(overall.back(), 66);

  ASSERT_TRUE(ExtractArchive(archive, install, "", OnUnpackProgress, "", excludeList));
  EXPECT_FALSE(plat::FileExists(install + "\\readme.txt"));
  EXPECT_TRUE(plat::FileExists(install + "\\bin\\app.exe"));
  EXPECT_TRUE(text::Contains(state.installedFileList, install + "\\附件\\readme.txt\r\n"));
  EXPECT_TRUE(text::Contains(state.installedFileList, install + "\\bin\\app.exe\r\n"));
}

TEST_F(Driver, PackageStepUnpacksARealConfigurationPackage) {
  // The configuration package as the packer makes it: 7z with encrypted headers, password
  // MD5 of the KEY resource, second signature byte altered.
  const std::string source = folder / "cfg";
  ASSERT_TRUE(plat::CreateDirectories(source));
  ASSERT_TRUE(plat::WriteFileBytes(source + "\\data.ini",
                                   "[Mokta软件安装配置]\r\nMokta软件名称=真包\r\n选择框_显示空间=真\r\n压缩原大小=42\r\n"));
  ASSERT_TRUE(plat::WriteFileBytes(source + "\\variable.ini", "[%ProductName%]\r\n数据=\r\n"));
  const std::string archive = folder / "data.7z";
  ASSERT_TRUE(sevenzip::Shell("cd " + Quote(host::HostPath(source)) + " && /usr/bin/7zz a -bd -mhe=on -p" +
                              crypto::Md5Hex("731") + " " + Quote(host::HostPath(archive)) + " *"));
  Bytes config;
  ASSERT_TRUE(plat::ReadFileBytes(archive, config));
  config[1] = '\x7B';
  ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
  ASSERT_TRUE(plat::WriteFileBytes(
      "C:\\Setup\\setup.exe", Bytes(2048, 'i') + blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd) +
                                  blocks::MakeBlock(blocks::kConfigStart, config, blocks::kConfigEnd)));
  host::SetModulePath("C:\\Setup\\setup.exe");
  host::SetOwnResource("KEY", 250, "731");

  RunContext context;
  context.extractAll = [](const std::string& a, const std::string& d, const std::string& p) {
    return ExtractArchive(a, d, p, nullptr, "", "");
  };
  ASSERT_EQ(UnpackPackage(context), 1);
  EXPECT_FALSE(context.package.configUnpackFailed);
  EXPECT_TRUE(context.package.showSpace);
  EXPECT_EQ(context.package.uncompressedSize, 42);
  EXPECT_EQ(context.config.variableNames, std::vector<std::string>{"%ProductName%"});

  // Another key: the password is wrong and the run says so.
  host::SetOwnResource("KEY", 250, "732");
  RunContext wrongKey;
  wrongKey.extractAll = context.extractAll;
  ASSERT_EQ(UnpackPackage(wrongKey), 1);
  EXPECT_TRUE(wrongKey.package.configUnpackFailed);
  EXPECT_TRUE(IsPasswordError(ArchiverLastResult()));
}

TEST(UnpackProgressRules, FileListStatusLineAndOverallPercentage) {
  UnpackProgress& p = TheUnpackProgress();
  p = UnpackProgress{};
  std::vector<std::string> lines;
  std::vector<int> bar;
  p.installPath = "C:\\App";
  p.statusTemplate = "正在解压: %Default%";
  p.showStatusLine = [&](const std::string& line) { lines.push_back(line); };
  p.setBar = [&](int position) { bar.push_back(position); return position; };

  OnUnpackProgress("C:\\App\\a.txt", 10);   // the first report: listed, no status line
  OnUnpackProgress("C:\\App\\a.txt", 20);   // same file: bar moves, nothing listed
  OnUnpackProgress("C:\\App\\b\\c.txt", 15);  // below the last percentage: bar stays
  OnUnpackProgress("D:\\Else\\d.txt", 30);  // outside the install folder: shown in full
  OnUnpackProgress("", 100);                // the job's end
  EXPECT_EQ(p.installedFileList, "C:\\App\\a.txt\r\nC:\\App\\b\\c.txt\r\nD:\\Else\\d.txt\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"正在解压: b\\c.txt", "正在解压: D:\\Else\\d.txt"}));
  EXPECT_EQ(bar, (std::vector<int>{10, 20, 30, 100}));

  // One assignment group: 50 % of a file is 25 % overall, a finished file 50 %.
  p.lastPercent = 0;
  p.groupCount = 1;
  p.groupIndex = 1;
  bar.clear();
  OnUnpackProgress("C:\\App\\e.txt", 50);
  OnUnpackProgress("C:\\App\\e.txt", 100);
  EXPECT_EQ(bar, (std::vector<int>{25, 50}));
}

TEST(UnpackProgressRules, RecordsArePercentagesOfTheJob) {
  UnpackProgress& p = TheUnpackProgress();
  p = UnpackProgress{};
  std::vector<std::pair<std::string, int>> got;
  p.callback = [&](const std::string& name, int percent) { got.push_back({name, percent}); };
  archiver::ExtractingInfoEx info{};
  std::strcpy(info.szDestFileName, "C:\\App\\x.bin");
  struct {
    uint32_t size, written;
    int percent;
  } cases[] = {{200, 50, 25}, {0xFFFFFFFFu, 500, 50}, {0, 0, 100}};
  for (const auto& c : cases) {
    info.dwFileSize = c.size;
    info.dwWriteSize = c.written;
    EXPECT_TRUE(ArchiverCallback(nullptr, 0, archiver::kStateInProcess, &info));
    EXPECT_EQ(got.back(), (std::pair<std::string, int>{"C:\\App\\x.bin", c.percent}));
  }
  EXPECT_TRUE(ArchiverCallback(nullptr, 0, archiver::kStateEnd, nullptr));
  EXPECT_EQ(got.back(), (std::pair<std::string, int>{"", 100}));
  p.callback = nullptr;
  EXPECT_TRUE(ArchiverCallback(nullptr, 0, archiver::kStateInProcess, &info));
  EXPECT_EQ(got.size(), 4u);
}

}  // namespace
