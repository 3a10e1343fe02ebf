// The package step on the host platform, where the own program path, command line, KEY
// resource and machine shape can be set: run modes, the configuration package, payload copy,
// split volumes, clean-up, and the 32/64-bit variable values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/crypto.h"
#include "common/text.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "package/blocks.h"
#include "package/data_keys.h"
#include "startup/exit_codes.h"
#include "startup/package.h"
#include "startup/startup.h"
#include "startup/unpack_window.h"
#include "startup/variables.h"
#include "tests/support/test_folder.h"
#include "tests/unit/startup/config_fixture.h"

namespace {

namespace host = plat::host;

const Bytes kSignature = BytesOf({0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C, 0x00, 0x03});
const char kSetup[] = "C:\\Setup\\setup.exe";

// A setup file whose configuration "archive" is a stand-in: the extractor double checks the
// repaired signature and the password, then writes the fixture's files.
struct PackageFixture : ::testing::Test {
  TestFolder folder;
  RunContext context;
  std::vector<std::string> extractions;
  Bytes extraData = "";  // appended to data.ini by the extractor double

  void SetUp() override {
    host::SetModulePath(kSetup);
    host::SetCommandLine(std::string("\"") + kSetup + "\"");
    host::SetOwnResource("KEY", 250, "417");
    context.extractAll = [this](const std::string& archive, const std::string& dest,
                                const std::string& password) {
      extractions.push_back(archive + "|" + dest + "|" + password);
      EXPECT_EQ(blocks::CheckArchiveSignature(archive), 0);
      fixture::WriteConfigFolder(dest);
      if (!extraData.empty()) {
        Bytes data;
        EXPECT_TRUE(plat::ReadFileBytes(dest + "data.ini", data));
        EXPECT_TRUE(plat::WriteFileBytes(dest + "data.ini", data + extraData));
      }
      return true;
    };
  }

  void WriteSetup(const Bytes& type, const Bytes& payload = "PAYLOAD", bool withConfig = true) {
    Bytes config = kSignature + "config";
    config[1] = 'Y';  // stored altered, as the packer does
    Bytes file = Bytes(4096, 'i') + blocks::MakeBlock(blocks::kTypeStart, type, blocks::kTypeEnd) +
                 blocks::MakeBlock(blocks::kPayloadStart, payload, blocks::kPayloadEnd);
    if (withConfig) file += blocks::MakeBlock(blocks::kConfigStart, config, blocks::kConfigEnd);
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    ASSERT_TRUE(plat::WriteFileBytes(kSetup, file));
  }
};

TEST_F(PackageFixture, RunModeFollowsThePackageType) {
  struct {
    const char* type;
    int mode;
  } cases[] = {{"qzr-1", 1}, {"qzr-2", 2}, {"qzr-9", 0}};
  for (const auto& c : cases) {
    WriteSetup(c.type);
    RunContext fresh;
    fresh.extractAll = context.extractAll;
    EXPECT_EQ(UnpackPackage(fresh), c.mode) << c.type;
  }
  plat::DeleteFile(kSetup);
  RunContext none;
  EXPECT_EQ(UnpackPackage(none), 0);
}

TEST_F(PackageFixture, InstallerPackageIsUnpackedReadAndCleanedUp) {
  WriteSetup("qzr-1");
  host::SetCommandLine(std::string("\"") + kSetup + "\" -hp /D=\"D:\\My App\" -hideend");
  ASSERT_EQ(UnpackPackage(context), 1);

  const PackageState& package = context.package;
  EXPECT_TRUE(text::StartsWith(package.workFolder, plat::TempFolder()));
  EXPECT_TRUE(text::EndsWith(package.workFolder, ".tmp\\"));
  EXPECT_EQ(package.archivePassword, crypto::Md5Hex("417"));
  ASSERT_EQ(extractions.size(), 1u);
  EXPECT_EQ(extractions[0], package.workFolder + "data.7z|" + package.workFolder + "|" +
                                package.archivePassword);
  EXPECT_EQ(package.payloadArchivePath, kSetup);  // no packing mode: the payload stays inside
  EXPECT_TRUE(package.showSpace);
  EXPECT_EQ(package.uncompressedSize, 123456789012);
  EXPECT_EQ(context.startup.installMode, keys::kModeBackground);
  EXPECT_EQ(context.startup.hideEnd, -1);
  EXPECT_EQ(context.startup.installPathOverride, "D:\\My App");
  EXPECT_EQ(context.startup.commandArgs.size(), 3u);
  // Expanded in the work folder.
  EXPECT_EQ(context.config.variableNames.size(), 10u);

  CleanUpWorkFiles(context, false);
  EXPECT_FALSE(plat::PathExists(package.workFolder));
  EXPECT_TRUE(plat::FileExists(kSetup));
}

TEST_F(PackageFixture, PayloadIsCopiedOutWithItsMarkerPrefixAndTheWindowShown) {
  WriteSetup("qzr-1", kSignature + "payload-body");
  extraData = "[Mokta软件安装配置]\r\n";  // a second main section is ignored: first one wins
  // The packing mode sits in the main section: rewrite the fixture's data.ini through the
  // double so that the copy is asked for from 0 MiB on.
  context.extractAll = [this](const std::string&, const std::string& dest, const std::string&) {
    fixture::WriteConfigFolder(dest);
    Bytes data;
    EXPECT_TRUE(plat::ReadFileBytes(dest + "data.ini", data));
    data = text::ReplaceAll(data, "软件版本=1.2", "软件版本=1.2\r\n安装包封装模式=7z-0");
    EXPECT_TRUE(plat::WriteFileBytes(dest + "data.ini", data));
    return true;
  };
  struct RecordingWindow : UnpackWindow {
    int renders = 0;
    void Render() override { ++renders; }
  } window;
  context.unpackWindow = &window;
  ASSERT_EQ(UnpackPackage(context), 1);

  const std::string copy = context.package.payloadArchivePath;
  EXPECT_TRUE(text::EndsWith(copy, ".tmp.7zsha")) << copy;
  Bytes copied;
  ASSERT_TRUE(plat::ReadFileBytes(copy, copied));
  EXPECT_EQ(copied.substr(0, 19), Bytes(blocks::kPayloadStart) + '\x01');
  EXPECT_EQ(copied.substr(19, 20), kSignature + "payload-body");
  EXPECT_GT(window.renders, 0);  // opened (the file is small: progress 0 is never shown)
  EXPECT_FALSE(window.IsOpen());

  CleanUpWorkFiles(context, true);
  EXPECT_FALSE(plat::PathExists(copy));
}

TEST_F(PackageFixture, TestModeWithoutBlocksReadsTheRunFolderAndKeepsIt) {
  ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
  ASSERT_TRUE(plat::WriteFileBytes(kSetup, Bytes(1000, 'i')));
  fixture::WriteConfigFolder("C:\\Setup\\");
  host::SetCommandLine(std::string("\"") + kSetup + "\" test");
  ASSERT_EQ(UnpackPackage(context), 1);
  EXPECT_TRUE(extractions.empty());
  EXPECT_EQ(context.package.workFolder, "C:\\Setup\\");
  EXPECT_EQ(context.package.payloadArchivePath, kSetup);
  EXPECT_EQ(context.config.variableNames.size(), 10u);
  CleanUpWorkFiles(context, true);
  EXPECT_TRUE(plat::FileExists("C:\\Setup\\data.ini"));
  EXPECT_TRUE(plat::FileExists(kSetup));
}

TEST_F(PackageFixture, ConfigurationBlockMissingLeavesNoWorkFolder) {
  WriteSetup("qzr-1", "PAYLOAD", false);
  ASSERT_EQ(UnpackPackage(context), 1);
  EXPECT_EQ(context.package.workFolder, "");
  EXPECT_EQ(context.package.archivePassword, "");
  EXPECT_TRUE(extractions.empty());
  CleanUpWorkFiles(context, true);  // nothing to delete, nothing breaks
  EXPECT_TRUE(plat::FileExists(kSetup));
}

// Without a configuration the run has nothing to install: it must end like a package whose
// configuration did not unpack, and read or write nothing in whatever folder is current.
TEST_F(PackageFixture, ConfigurationBlockMissingEndsLikeNoPackageAndWritesNothing) {
  WriteSetup("qzr-1", "PAYLOAD", false);
  const auto before = plat::ListDirectory("C:\\Setup").size();
  ASSERT_EQ(UnpackPackage(context), 1);
  EXPECT_TRUE(context.package.configUnpackFailed);
  EXPECT_EQ(ChooseRunRole(context), RunRole::kNoPackage);
  EXPECT_EQ(PackageStepOutcome(context), kExitNoPackage);
  EXPECT_TRUE(context.config.dataIni.empty());
  EXPECT_EQ(plat::ListDirectory("C:\\Setup").size(), before);
  EXPECT_FALSE(plat::FileExists("GUItext.ini"));
  EXPECT_FALSE(plat::FileExists("data.ini"));
}

// A setup file downloaded into the temp folder (or volumes beside it there) is not the run's
// to delete: only the copy it made itself goes.
TEST_F(PackageFixture, CleanUpDeletesOnlyWhatTheRunWroteEvenUnderTheTempFolder) {
  const std::string setup = plat::TempFolder() + "download\\setup.exe";
  ASSERT_TRUE(plat::CreateDirectories(plat::TempFolder() + "download"));
  ASSERT_TRUE(plat::WriteFileBytes(setup, "the setup file"));
  const std::string volume = plat::TempFolder() + "download\\Demo.001";
  ASSERT_TRUE(plat::WriteFileBytes(volume, "volume"));
  for (const std::string& payload : {setup, volume}) {
    RunContext run;
    run.package.payloadArchivePath = payload;
    CleanUpWorkFiles(run, true);
    EXPECT_TRUE(plat::FileExists(payload)) << payload;
  }
  const std::string copy = plat::TempFolder() + "1.tmp.7zsha";
  ASSERT_TRUE(plat::WriteFileBytes(copy, "copy"));
  RunContext run;
  run.package.payloadArchivePath = setup;  // a plug-in may point the payload elsewhere
  run.package.payloadCopyPath = copy;
  CleanUpWorkFiles(run, true);
  EXPECT_FALSE(plat::FileExists(copy));
  EXPECT_TRUE(plat::FileExists(setup));
}

// A full temp drive is reported as that, with its own code, not later as a damaged package;
// what was written in part is removed.
TEST_F(PackageFixture, FullTempDriveEndsWithItsOwnCodeAndLeavesNoPartialFiles) {
  struct Case {
    const char* what;
    uint64_t budgetAtStart;           // bytes the drive takes from the start
    uint64_t budgetAfterExtraction;   // and after the configuration is unpacked
  } cases[] = {
      {"the configuration archive", 4, 0},
      {"the payload copy", 1u << 30, 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteSetup("qzr-1", kSignature + Bytes(100000, 'p'));
    RunContext run;
    run.extractAll = [&c](const std::string&, const std::string& dest, const std::string&) {
      host::SetWriteBudget(std::nullopt);
      fixture::WriteConfigFolder(dest);
      Bytes data;
      EXPECT_TRUE(plat::ReadFileBytes(dest + "data.ini", data));
      data = text::ReplaceAll(data, "软件版本=1.2", "软件版本=1.2\r\n安装包封装模式=7z-0");
      EXPECT_TRUE(plat::WriteFileBytes(dest + "data.ini", data));
      host::SetWriteBudget(c.budgetAfterExtraction);
      return true;
    };
    const size_t before = plat::ListDirectory(plat::TempFolder()).size();
    const size_t messages = host::Messages().size();
    host::SetWriteBudget(c.budgetAtStart);
    UnpackPackage(run);
    host::SetWriteBudget(std::nullopt);
    EXPECT_EQ(run.package.stop, kExitTempWriteFailed);
    EXPECT_EQ(ChooseRunRole(run), RunRole::kStop);
    ASSERT_EQ(host::Messages().size(), messages + 1);
    EXPECT_EQ(host::Messages().back().text, kTempWriteFailedText);
    CleanUpWorkFiles(run, true);
    EXPECT_EQ(plat::ListDirectory(plat::TempFolder()).size(), before);
  }
}

TEST_F(PackageFixture, NoPackageReportDeletesThePayloadCopy) {
  const std::string copy = plat::TempFolder() + "2.tmp.7zsha";
  ASSERT_TRUE(plat::WriteFileBytes(copy, Bytes(5000, 'c')));
  RunContext run;
  run.package.payloadArchivePath = run.package.payloadCopyPath = copy;
  EXPECT_EQ(ReportNoPackage(run, 0), kExitNoPackage);
  EXPECT_FALSE(plat::FileExists(copy));
  ASSERT_EQ(host::Messages().size(), 1u);
  EXPECT_EQ(host::Messages()[0].text, kNoPackageText);
}

// Split volumes, with a data.ini that only holds the volume keys.
struct VolumeFixture : ::testing::Test {
  TestFolder folder;
  RunContext context;
  void Configure(const std::string& keysText) {
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    host::SetModulePath(kSetup);
    context.package.workFolder = folder.Path();
    ASSERT_TRUE(plat::WriteFileBytes(folder / "data.ini",
                                     "[Mokta软件安装配置]\r\nMokta软件名称=Demo\r\n" + keysText));
  }
  void Volume(const std::string& name, const Bytes& content) {
    ASSERT_TRUE(plat::WriteFileBytes("C:\\Setup\\" + name, content));
  }
};

TEST_F(VolumeFixture, NumberedVolumesAreUsedInPlace) {
  EXPECT_TRUE(VolumesAreNumbered({"a.7z.001", "a.7z.002"}));
  EXPECT_TRUE(VolumesAreNumbered({"single.bin"}));
  EXPECT_FALSE(VolumesAreNumbered({"a.7z.002", "a.7z.001"}));
  EXPECT_FALSE(VolumesAreNumbered({"part1.bin", "part2.bin"}));
  EXPECT_FALSE(VolumesAreNumbered({"a.001", "b"}));

  Configure("压缩分卷数=2\r\n压缩分卷文件名=d.7z.001+d.7z.002+\r\n");
  Volume("d.7z.001", "one");
  Volume("d.7z.002", "two");
  ASSERT_EQ(PrepareSplitVolumes(context), kExitSuccess);
  EXPECT_EQ(context.package.payloadArchivePath, "C:\\Setup\\d.7z.001");
}

TEST_F(VolumeFixture, OtherNamesAreJoinedByFullPathIntoOneArchive) {
  Configure("压缩分卷数=3\r\n压缩分卷文件名=part one.bin+part two.bin+last.bin+\r\n");
  Volume("part one.bin", "AAA");
  Volume("part two.bin", Bytes(5 * 1048576, 'b'));
  Volume("last.bin", "CC");
  struct RecordingWindow : UnpackWindow {
    std::vector<std::string> titles;
    void Render() override { titles.push_back(Title()); }
  } window;
  context.unpackWindow = &window;
  ASSERT_EQ(PrepareSplitVolumes(context), kExitSuccess);

  const std::string joined = context.package.payloadArchivePath;
  EXPECT_TRUE(text::EndsWith(joined, ".tmpdatas.7z")) << joined;
  EXPECT_TRUE(text::StartsWith(joined, plat::TempFolder()));
  Bytes data;
  ASSERT_TRUE(plat::ReadFileBytes(joined, data));
  EXPECT_EQ(data, "AAA" + Bytes(5 * 1048576, 'b') + "CC");
  EXPECT_NE(std::find(window.titles.begin(), window.titles.end(), "unpacking data: unzipped"),
            window.titles.end());
  EXPECT_FALSE(window.IsOpen());
  EXPECT_TRUE(host::ProcessStarts().empty());  // no cmd /c copy
}

TEST_F(VolumeFixture, VolumesNamedAfterTheProduct) {
  Configure("压缩分卷数=2\r\n分卷大小=10m\r\n");
  Volume("Demo.001", "1");
  Volume("Demo.002", "2");
  ASSERT_EQ(PrepareSplitVolumes(context), kExitSuccess);
  EXPECT_EQ(context.package.payloadArchivePath, "C:\\Setup\\Demo.001");

  Configure("压缩分卷数=2\r\n");
  ASSERT_EQ(PrepareSplitVolumes(context), kExitSuccess);
  EXPECT_EQ(context.package.payloadArchivePath, "C:\\Setup\\Demo.002");
}

TEST_F(VolumeFixture, MissingVolumeEndsTheRunWithAMessageAndItsOwnExitCode) {
  struct {
    const char* keysText;
    const char* missing;
  } cases[] = {
      {"压缩分卷数=2\r\n压缩分卷文件名=x.001+x.002\r\n", "C:\\Setup\\x.002"},
      {"压缩分卷数=3\r\n", "C:\\Setup\\Demo.003"},
      // A count far beyond the volumes on disk ends at the first one missing, not after it.
      {"压缩分卷数=2000000000\r\n", "C:\\Setup\\Demo.003"},
  };
  for (const auto& c : cases) {
    Configure(c.keysText);
    Volume("x.001", "1");
    Volume("Demo.001", "1");
    Volume("Demo.002", "2");
    size_t before = host::Messages().size();
    EXPECT_EQ(PrepareSplitVolumes(context), kExitMissingVolume);
    ASSERT_EQ(host::Messages().size(), before + 1);
    EXPECT_EQ(host::Messages().back().text, std::string("缺少分卷文件:") + c.missing);
    EXPECT_EQ(host::Messages().back().caption, "运行失败");
  }
}

// The folder variables follow the view of the process that expands them: the runtime is built
// for both bitnesses, and a 64-bit process has no Sysnative alias and finds its native folder
// in "ProgramFiles". Each shape's environment is the one Windows gives such a process.
TEST(Variables, FolderVariablesFollowTheViewOfTheProcess) {
  TestFolder folder;
  // Marker files in the native system folder and in the 32-bit one, written by the default
  // 64-bit process, which sees both folders as they are.
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Windows\\System32\\native.txt", "n"));
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Windows\\SysWOW64\\x86.txt", "x"));
  struct {
    bool windows64;
    bool process64;
    const char* system32;
    const char* programFiles;
    const char* programFilesX86;
  } cases[] = {
      {true, false, "C:\\Windows\\Sysnative", "C:\\Program Files", "C:\\Program Files (x86)"},
      {true, true, "C:\\Windows\\System32", "C:\\Program Files", "C:\\Program Files (x86)"},
      {false, false, "C:\\Windows\\System32", "C:\\Program Files", "C:\\Program Files"},
  };
  auto variable = [](const char* name) {
    std::string value;
    EXPECT_TRUE(BuiltInVariable(name, PackageState{}, "", value)) << name;
    return value;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.windows64 ? "64-bit Windows, " : "32-bit Windows, ") +
                 (c.process64 ? "64-bit process" : "32-bit process"));
    host::SetMachine(c.windows64, c.process64);
    EXPECT_EQ(variable("%System32%"), c.system32);
    EXPECT_TRUE(plat::FileExists(variable("%System32%") + "\\native.txt"))
        << "%System32% reaches the native system folder";
    EXPECT_EQ(variable("%ProgramFiles%"), c.programFiles);
    EXPECT_EQ(variable("%ProgramFiles_x86%"), c.programFilesX86);
    EXPECT_EQ(variable("%SysWoW64%"), "C:\\Windows\\SysWoW64");
    if (c.windows64) {
      EXPECT_TRUE(plat::FileExists(variable("%SysWoW64%") + "\\x86.txt"));
    }
    EXPECT_EQ(variable("%WindowsDir%"), "C:\\Windows");
    EXPECT_EQ(variable("%FONTS%"), "C:\\Windows\\Fonts");
  }
}

TEST(Variables, QuickLaunchAndNamesOfOtherParts) {
  TestFolder folder;
  std::string value;
  EXPECT_FALSE(BuiltInVariable("%Default%", PackageState{}, "", value));
  host::SetWindowsVersion(5, 1);
  ASSERT_TRUE(BuiltInVariable("%QuickLaunch%", PackageState{}, "", value));
  EXPECT_TRUE(text::EndsWith(value, "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch"));
}

TEST(Variables, LastInstallFolderIsReadThroughThe64BitViewOnBothBitnesses) {
  TestFolder folder;
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示软件";
  const std::string dataIni = "[Mokta软件安装配置]\r\nMokta软件名称=演示软件\r\n";
  for (bool process64 : {false, true}) {
    host::SetMachine(true, process64);
    plat::RegDeleteKeyTree(plat::kLocalMachine, key, plat::RegView::k64);
    plat::RegDeleteKeyTree(plat::kLocalMachine, key, plat::RegView::k32);
    ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, key, "InstallLocation", plat::RegView::k64,
                                    plat::kRegSz, Bytes("D:\\Old\0", 7)));
    std::string value;
    ASSERT_TRUE(BuiltInVariable("%LastInPath%", PackageState{}, dataIni, value));
    EXPECT_EQ(value, "D:\\Old") << process64;
  }
  // GetReg falls back to the 32-bit view.
  host::SetMachine(true, false);
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\Vendor", "Dir", plat::RegView::k32,
                                  plat::kRegSz, Bytes("E:\\Only32\0", 10)));
  EXPECT_EQ(ResolveGetReg("GetReg(HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Dir)"), "E:\\Only32");
}

TEST(UnpackWindowTexts, ProgressRefreshAndJoining) {
  UnpackWindow window;
  window.ShowProgress(40);  // not open: nothing
  EXPECT_FALSE(window.Visible());
  window.Open();
  window.ShowProgress(0);  // 0 is ignored
  EXPECT_FALSE(window.Visible());
  window.ShowProgress(42);
  EXPECT_TRUE(window.Visible());
  EXPECT_EQ(window.TimerInterval(), 200);
  EXPECT_EQ(window.Title(), "unpacking data: 42%");
  EXPECT_EQ(window.Label(), "Please wait while Setup is\r\n\r\n   upacking data: 42%");
  window.Close();
  window.Open();
  window.ShowJoining();
  EXPECT_EQ(window.Title(), "unpacking data: unzipped");
  EXPECT_EQ(window.Label(), "Please wait while Setup is\r\n\r\n   upacking data: unzipped");
}

// The dispatch of setup.exe after the package step: one role for every way the step can end.
TEST(RunRoles, EveryPackageStepResultHasItsRole) {
  struct Case {
    const char* what;
    int runMode;
    bool configFailed;
    ExitCode stop;
    std::vector<std::string> args;
    RunRole role;
  } cases[] = {
      {"installer", kRunModeInstaller, false, kExitSuccess, {}, RunRole::kInstaller},
      {"installer, -hp", kRunModeInstaller, false, kExitSuccess, {"-hp"}, RunRole::kInstaller},
      {"configuration failed", kRunModeInstaller, true, kExitSuccess, {}, RunRole::kNoPackage},
      {"no package", kRunModeNone, false, kExitSuccess, {}, RunRole::kNoPackage},
      {"missing volume", kRunModeInstaller, false, kExitMissingVolume, {}, RunRole::kStop},
      {"temp folder full", kRunModeInstaller, false, kExitTempWriteFailed, {}, RunRole::kStop},
      {"uninstaller copy", kRunModeUninstaller, false, kExitSuccess, {"R", "T"}, RunRole::kUninstaller},
      {"uninstaller copy, no argument", kRunModeUninstaller, false, kExitSuccess, {},
       RunRole::kUninstaller},
      // Exactly one argument shows the wizard window, as the installer does.
      {"uninstaller copy, one argument", kRunModeUninstaller, false, kExitSuccess, {"x"},
       RunRole::kInstaller},
  };
  for (const Case& c : cases) {
    RunContext context;
    context.startup.runMode = c.runMode;
    context.startup.commandArgs = c.args;
    context.package.configUnpackFailed = c.configFailed;
    context.package.stop = c.stop;
    EXPECT_EQ(ChooseRunRole(context), c.role) << c.what;
    const ExitCode expected = c.stop != kExitSuccess ? c.stop
                              : c.role == RunRole::kNoPackage ? kExitNoPackage
                                                              : kExitSuccess;
    EXPECT_EQ(PackageStepOutcome(context), expected) << c.what;
  }
}

}  // namespace
