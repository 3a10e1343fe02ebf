// The uninstall engine over the host machine: a product installed into the sandbox is removed
// step by step, and nothing outside what the record names and the product's own folders goes
// with it, whatever the product name, the install folder or links inside it say.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/registry.h"
#include "tests/support/test_folder.h"
#include "tests/unit/uninstall/engine_fixture.h"
#include "uninstall/removal_safety.h"
#include "uninstall/uninstall_run.h"

namespace {

namespace c = uninstall_controls;

const char kPrograms[] =
    "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char kCommonPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kDesktop[] = "C:\\Users\\tester\\Desktop";

void Write(const std::string& path) {
  const size_t at = path.rfind('\\');
  ASSERT_TRUE(plat::CreateDirectories(path.substr(0, at)));
  ASSERT_TRUE(plat::WriteFileBytes(path, "x"));
}

void Link(const std::string& target, const std::string& link) {
  std::error_code ec;
  std::filesystem::create_directory_symlink(plat::host::HostPath(target),
                                            plat::host::HostPath(link), ec);
  ASSERT_FALSE(ec) << ec.message();
}

std::string UninstallKey(const std::string& name) { return kUninstallKeyPrefix + name; }

void WriteValue(const std::string& key, const std::string& name, plat::RegView view) {
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, key, name, view, plat::kRegSz, "v"));
}

bool HasValue(const std::string& key, const std::string& name, plat::RegView view) {
  plat::RegValue value;
  return plat::RegReadValue(plat::kLocalMachine, key, name, view, value);
}

// A product in C:\Program Files\演示软件 with its engine folder under C:\Temp\Uninstall.
struct Product {
  TestFolder sandbox;
  std::string r = "C:\\Program Files\\演示软件";
  std::string t = "C:\\Temp\\Uninstall\\演示软件";
  RecordFixture fixture;

  Product() {
    fixture.files = {r + "\\bin\\演示.exe", r + "\\数据\\说明.txt", r + "\\readme.txt",
                  r + "\\uninst.ini",    r + "\\uninst.exe",     r + "\\uninst.dat"};
    for (const std::string& f : fixture.files)
      if (f.find("uninst.ini") == std::string::npos) Write(f);
    EXPECT_TRUE(plat::CreateDirectories(t));
    Write(t + "\\uninst.exe");
  }
  void Record() {
    ASSERT_TRUE(plat::WriteFileBytes(r + "\\uninst.dat",
                                     BuildUninstDat(BuildRecord(fixture, r), fixture.copyright)));
  }
};

TEST(UninstallEngine, ConfirmationPageShowsTheProductAndItsOptions) {
  Product p;
  p.fixture.options = {{"删除配置文件", "真", "真", "[真]removedump(config)"},
                    {"隐藏的选项", "假", "假", ""},
                    {"保留存档", "真", "假", ""}};
  p.fixture.optionLayout = "150";
  p.Record();
  EngineRun run(p.r, p.t);
  run.Start();
  EXPECT_FALSE(run.session.outcome);
  EXPECT_EQ(run.form.Text(""), "演示软件1.0 卸载向导");
  EXPECT_EQ(run.form.Text(c::kTitle), "卸载 “演示软件1.0”");
  EXPECT_EQ(run.form.Text(c::kSubtitle), "从你的计算机卸载 “演示软件1.0”");
  EXPECT_EQ(run.form.Text(c::kWelcome),
            "这个向导将从你的计算机卸载“演示软件1.0”。 单击 [卸载] 开始解除安装程序。");
  EXPECT_EQ(run.form.Text(c::kFolder), p.r);
  std::string rights = "演示公司";
  for (int i = 0; i < 40; ++i) rights += "—";
  EXPECT_EQ(run.form.Text(c::kRights), rights);
  EXPECT_FALSE(run.form.Enabled(c::kRights));
  EXPECT_TRUE(run.form.Visible(""));
  EXPECT_EQ(run.form.TimerInterval(c::kTimer), 0);  // waits for the click

  ASSERT_EQ(run.session.options.size(), 3u);
  const std::string first = run.session.options[0].control;
  const std::string third = run.session.options[2].control;
  EXPECT_EQ(run.form.Text(first), "删除配置文件");
  EXPECT_TRUE(run.form.Checked(first));
  EXPECT_FALSE(run.form.Visible(run.session.options[1].control));
  EXPECT_FALSE(run.form.Checked(third));
  // From "y" down, the hidden box taking no row.
  EXPECT_EQ(run.form.GetBounds(first).top, 150);
  EXPECT_EQ(run.form.GetBounds(third).top, 174);
  EXPECT_EQ(run.form.GetBounds(third).left, 80);
  // The work folder holds the configuration bundle's four files.
  Bytes bytes;
  EXPECT_TRUE(plat::ReadFileBytes("C:\\Temp\\演示软件\\QZRDLL.db", bytes));
  EXPECT_EQ(bytes, "DLLname");
  EXPECT_TRUE(plat::FileExists(p.t + "\\uninst.ini"));

  // 取消: nothing is removed, the temp folders go.
  run.form.Fire(c::kCancelButton, FormEvent::kClick);
  EXPECT_EQ(run.session.outcome, kExitCancelled);
  EXPECT_TRUE(run.form.Closed());
  EXPECT_TRUE(plat::FileExists(p.r + "\\bin\\演示.exe"));
  EXPECT_FALSE(plat::DirectoryExists("C:\\Temp\\演示软件"));
}

TEST(UninstallEngine, RemovesWhatWasRecordedAndKeepsWhatTheUserAdded) {
  Product p;
  const std::string desktopLink = std::string(kDesktop) + "\\演示软件.lnk";
  const std::string groupLink = std::string(kPrograms) + "\\演示软件\\演示.lnk";
  Write(desktopLink);
  Write(groupLink);
  Write(std::string(kPrograms) + "\\演示软件\\卸载.lnk");  // the folder goes with its contents
  Write(std::string(kCommonPrograms) + "\\演示软件\\演示.lnk");
  p.fixture.shortcutEntries = {desktopLink + "," + groupLink + ","};
  Write(p.r + "\\用户\\我的.txt");                         // added by the user after the install
  ASSERT_TRUE(plat::CreateDirectories(p.r + "\\空目录"));  // emptied by nobody: ours to remove
  const std::string key = "SOFTWARE\\演示公司";
  WriteValue(key, "路径", plat::RegView::k32);
  WriteValue(key, "用户设置", plat::RegView::k32);  // not recorded
  WriteValue(UninstallKey("演示软件"), "DisplayName", plat::RegView::k64);
  WriteValue(UninstallKey("演示软件"), "DisplayName", plat::RegView::k32);
  WriteValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k32);
  p.fixture.registryList = "HKEY_LOCAL_MACHINE\\" + key + "\\路径$,32\r\n";
  p.Record();

  EngineRun run(p.r, p.t);
  run.Start();
  run.Press();
  EXPECT_TRUE(run.session.removalDone);
  EXPECT_EQ(run.session.removalResult, kExitSuccess);
  EXPECT_FALSE(run.session.outcome);  // the finish page waits for 完成
  EXPECT_EQ(run.form.Text(c::kTitle), "已完成卸载！");
  EXPECT_EQ(run.form.Text(c::kSubtitle), "演示软件已完成卸载，请点完成按钮~");
  EXPECT_EQ(run.form.Text(c::kUninstallButton), "完成");
  EXPECT_TRUE(run.form.Enabled(c::kUninstallButton));
  EXPECT_EQ(run.form.Progress(c::kProgress), 100);
  EXPECT_TRUE(run.form.Visible(c::kSteps));
  EXPECT_FALSE(run.form.Visible(c::kWelcome));

  for (const std::string& f : p.fixture.files) EXPECT_FALSE(plat::FileExists(f)) << f;
  EXPECT_FALSE(plat::DirectoryExists(p.r + "\\bin"));
  EXPECT_FALSE(plat::DirectoryExists(p.r + "\\空目录"));
  EXPECT_TRUE(plat::FileExists(p.r + "\\用户\\我的.txt"));
  EXPECT_FALSE(plat::FileExists(desktopLink));
  EXPECT_FALSE(plat::DirectoryExists(std::string(kPrograms) + "\\演示软件"));
  EXPECT_FALSE(plat::DirectoryExists(std::string(kCommonPrograms) + "\\演示软件"));
  EXPECT_FALSE(
      plat::RegKeyExists(plat::kLocalMachine, UninstallKey("演示软件"), plat::RegView::k64));
  EXPECT_FALSE(
      plat::RegKeyExists(plat::kLocalMachine, UninstallKey("演示软件"), plat::RegView::k32));
  EXPECT_TRUE(HasValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k32));
  EXPECT_FALSE(HasValue(key, "路径", plat::RegView::k32));
  EXPECT_TRUE(HasValue(key, "用户设置", plat::RegView::k32));

  EXPECT_TRUE(run.HasStatus("正在获取所需要的卸载信息中"));
  EXPECT_TRUE(run.HasStatus("删除文件: " + desktopLink));
  EXPECT_TRUE(run.HasStatus("删除文件: " + p.r + "\\readme.txt"));
  EXPECT_TRUE(run.HasStatus("删除注册项: " + UninstallKey("演示软件")));
  EXPECT_TRUE(run.HasStatus("删除注册项: HKEY_LOCAL_MACHINE\\" + key + "\\路径"));
  EXPECT_TRUE(run.HasStatus("获取剩余目录信息"));
  EXPECT_TRUE(run.HasStatus("删除目录: " + p.r + "\\bin"));
  EXPECT_EQ(run.form.Text(c::kStep), run.form.ListRows(c::kSteps).back());

  run.Press();  // 完成
  EXPECT_EQ(run.session.outcome, kExitSuccess);
  EXPECT_TRUE(run.form.Closed());
  EXPECT_FALSE(plat::DirectoryExists(p.t));
  EXPECT_FALSE(plat::DirectoryExists("C:\\Temp\\演示软件"));
  EXPECT_TRUE(plat::DirectoryExists(p.r));  // the user's file is still in it
}

TEST(UninstallEngine, HandsTheResultToTheLauncherBeforeItsFileGoes) {
  Product p;
  p.Record();
  EngineRun run(p.r, p.t, {"-jp", "-hideend", "/uninst-launcher:4242"});
  bool seen = false;
  plat::host::SetEventSignalHandler([&](const std::string& name) {
    seen = true;
    EXPECT_EQ(name, "Local\\uninst-result-4242");
    Bytes result;
    EXPECT_TRUE(plat::ReadFileBytes(p.t + "\\uninst.result", result));
    EXPECT_EQ(result, "0");
    EXPECT_FALSE(plat::FileExists(p.r + "\\bin\\演示.exe"));  // the removal is over
    EXPECT_TRUE(plat::FileExists(p.r + "\\uninst.exe"));      // the launcher still runs
    EXPECT_FALSE(plat::DeleteFile(p.t + "\\uninst.lock"));    // held by the engine
    EXPECT_TRUE(plat::host::ProcessWaits().empty());
  });
  run.Start();
  EXPECT_EQ(run.session.runFlags, 3);  // the launcher argument is no switch and was dropped
  EXPECT_EQ(run.session.launcherArguments, (std::vector<std::string>{"-jp", "-hideend"}));
  run.form.TickTimers();
  plat::host::SetEventSignalHandler(nullptr);
  EXPECT_TRUE(seen);
  ASSERT_EQ(plat::host::ProcessWaits().size(), 1u);
  EXPECT_EQ(plat::host::ProcessWaits()[0].first, 4242u);
  EXPECT_EQ(plat::host::ProcessWaits()[0].second, 15000u);
  EXPECT_EQ(run.session.outcome, kExitSuccess);  // hideend: ends by itself
  EXPECT_FALSE(plat::FileExists(p.r + "\\uninst.exe"));
  EXPECT_FALSE(plat::DirectoryExists(p.r));
  EXPECT_FALSE(plat::DirectoryExists(p.t));
}

TEST(UninstallEngine, TheEngineFolderGoesAfterTheEngineEnds) {
  Product p;
  p.Record();
  // The engine runs from its copy in T: that file cannot go while the process lives.
  plat::File running = plat::File::Open(p.t + "\\uninst.exe", plat::OpenMode::kRead);
  ASSERT_TRUE(running.IsOpen());
  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitSuccess);
  EXPECT_TRUE(plat::FileExists(p.t + "\\uninst.exe"));
  EXPECT_FALSE(plat::FileExists(p.t + "\\uninst.ini"));
  EXPECT_EQ(plat::host::FoldersRemovedAfterExit(), std::vector<std::string>{p.t});
}

TEST(UninstallEngine, RunModes) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* mode;
    bool visible;
    bool startsByItself;
    bool endsByItself;
  };
  const Case cases[] = {
      {"hp", {"-hp"}, "", false, true, true},
      {"后台卸载", {}, "后台卸载", false, true, true},
      {"jp", {"-jp"}, "", true, true, false},
      {"直接卸载", {}, "直接卸载", true, true, false},
      {"jp + hideend", {"-jp", "-hideend"}, "", true, true, true},
  };
  for (const Case& c : cases) {
    Product p;
    p.fixture.mode = c.mode;
    p.Record();
    EngineRun run(p.r, p.t, c.arguments);
    run.Start();
    EXPECT_EQ(run.form.Visible(""), c.visible) << c.label;
    EXPECT_FALSE(run.session.removalDone) << c.label;
    run.form.TickTimers();
    EXPECT_EQ(run.session.removalDone, c.startsByItself) << c.label;
    EXPECT_EQ(run.session.outcome.has_value(), c.endsByItself) << c.label;
    EXPECT_FALSE(plat::FileExists(p.r + "\\readme.txt")) << c.label;
    if (!c.endsByItself) {
      run.Press();
      EXPECT_EQ(run.session.outcome, kExitSuccess) << c.label;
    }
  }
}

TEST(UninstallEngine, MissingRecordEndsWithItsOwnCode) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    bool writeDat;
    size_t messages;
  };
  const Case cases[] = {
      {"no uninst.dat", {"R", "T", "卸载"}, false, 1},
      {"no uninst.dat, background", {"R", "T", "卸载", "-hp"}, false, 0},
      {"uninst.dat without its record", {"R", "T", "卸载"}, true, 1},
      {"no engine arguments", {}, false, 0},
  };
  for (const Case& c : cases) {
    Product p;
    if (c.writeDat) {
      ASSERT_TRUE(plat::WriteFileBytes(p.r + "\\uninst.dat", "MZ{nothing"));
    }
    EngineRun run(p.r, p.t);
    run.session.arguments.clear();
    for (const std::string& a : c.arguments)
      run.session.arguments.push_back(a == "R" ? p.r : a == "T" ? p.t : a);
    run.Start();
    EXPECT_EQ(run.session.outcome, kExitUninstallDataMissing) << c.label;
    EXPECT_TRUE(run.form.Closed()) << c.label;
    ASSERT_EQ(plat::host::Messages().size(), c.messages) << c.label;
    if (c.messages) {
      EXPECT_EQ(plat::host::Messages()[0].text, "卸载数据丢失，无法启动卸载程序！");
    }
    EXPECT_TRUE(plat::FileExists(p.r + "\\readme.txt")) << c.label;
  }
}

// Names that would widen a deletion: Programs + name would be the whole Programs menu, the
// Uninstall key the whole list, %TEMP% + name the temp folder or a folder elsewhere.
TEST(UninstallEngine, DangerousProductNamesDeleteNothingOutsideTheProduct) {
  for (const char* name : {"", "..", "a\\b", ".", "C:"}) {
    Product p;
    p.fixture.name = name;
    p.Record();
    const std::vector<std::string> sentinels = {
        std::string(kPrograms) + "\\别的软件\\别的.lnk",
        std::string(kPrograms) + "\\散放.lnk",
        std::string(kCommonPrograms) + "\\别的软件\\别的.lnk",
        std::string(kDesktop) + "\\别的.lnk",
        std::string(kDesktop) + "\\.lnk",
        "C:\\Temp\\别的.txt",
        "C:\\Temp\\a\\b\\内容.txt",
        "C:\\Program Files\\别的软件\\别的.exe",
        "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\a\\b\\x.lnk",
    };
    for (const std::string& s : sentinels) Write(s);
    WriteValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k64);
    WriteValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k32);

    EngineRun run(p.r, p.t, {"-jp", "-hideend"});
    run.Start();
    run.form.TickTimers();
    EXPECT_EQ(run.session.outcome, kExitSuccess) << name;
    for (const std::string& s : sentinels) EXPECT_TRUE(plat::FileExists(s)) << name << ": " << s;
    EXPECT_TRUE(HasValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k64)) << name;
    EXPECT_TRUE(HasValue(UninstallKey("别的软件"), "DisplayName", plat::RegView::k32)) << name;
    EXPECT_TRUE(plat::DirectoryExists(kPrograms)) << name;
    EXPECT_TRUE(plat::DirectoryExists("C:\\Temp")) << name;
    EXPECT_TRUE(run.HasStatusContaining("软件名称不是单个文件夹名，跳过: ")) << name;
    // The product's own recorded files still go.
    EXPECT_FALSE(plat::FileExists(p.r + "\\readme.txt")) << name;
  }
}

// An install folder that is a system or profile folder: the recorded files go, nothing else,
// and neither the folder nor the empty folders in it.
TEST(UninstallEngine, SystemAndProfileFoldersAreNeverRemovedAsTheInstallFolder) {
  for (const char* folder :
       {"C:\\", "C:\\Windows", "C:\\Program Files", "C:\\Users", "C:\\Users\\tester",
        "C:\\Users\\tester\\Desktop", "C:\\Temp", "C:\\ProgramData"}) {
    TestFolder sandbox;
    const std::string r = folder;
    const std::string base = r.back() == '\\' ? r : r + "\\";
    const std::string t = "C:\\Temp\\Uninstall\\演示软件";
    RecordFixture fixture;
    fixture.files = {base + "演示.exe"};
    Write(base + "演示.exe");
    ASSERT_TRUE(plat::CreateDirectories(base + "别人的空目录"));
    ASSERT_TRUE(plat::CreateDirectories(t));
    ASSERT_TRUE(
        plat::WriteFileBytes(base + "uninst.dat", BuildUninstDat(BuildRecord(fixture, r), "")));
    EngineRun run(r, t, {"-hp"});
    run.Start();
    run.form.TickTimers();
    EXPECT_EQ(run.session.outcome, kExitSuccess) << folder;
    EXPECT_FALSE(plat::FileExists(base + "演示.exe")) << folder;
    EXPECT_TRUE(plat::DirectoryExists(base + "别人的空目录")) << folder;
    EXPECT_TRUE(plat::DirectoryExists(r)) << folder;
    EXPECT_TRUE(run.HasStatusContaining("安装目录是系统或用户文件夹，保留: ")) << folder;
  }
}

// A junction or symbolic link in the install folder goes as a link; a recorded path that runs
// through one is not followed, and is reported as left.
TEST(UninstallEngine, LinksAreRemovedAsLinksAndNeverFollowed) {
  Product p;
  const std::string outside = "C:\\Data\\别处";
  Write(outside + "\\重要.txt");
  Write(outside + "\\子目录\\深处.txt");
  Link(outside, p.r + "\\链接");
  Link(outside, std::string(kPrograms) + "\\演示软件");  // the program group is a link too
  p.fixture.files.push_back(p.r + "\\链接\\重要.txt");
  p.Record();

  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitNotAllRemoved);
  EXPECT_TRUE(plat::FileExists(outside + "\\重要.txt"));
  EXPECT_TRUE(plat::FileExists(outside + "\\子目录\\深处.txt"));
  EXPECT_EQ(plat::GetFileAttributes(p.r + "\\链接"), 0xFFFFFFFFu);
  EXPECT_EQ(plat::GetFileAttributes(std::string(kPrograms) + "\\演示软件"), 0xFFFFFFFFu);
  EXPECT_TRUE(run.HasStatus("未能删除: " + p.r + "\\链接\\重要.txt"));
  EXPECT_FALSE(plat::DirectoryExists(p.r));  // emptied of everything, the link included
}

TEST(UninstallEngine, KeptNamesOfTheOptionCommandsSurvive) {
  Product p;
  Write(p.r + "\\数据\\存档\\一.sav");
  Write(p.r + "\\数据2\\二.txt");
  Write(p.r + "\\config.ini");
  p.fixture.files.push_back(p.r + "\\数据\\存档\\一.sav");
  p.fixture.files.push_back(p.r + "\\数据2\\二.txt");
  p.fixture.files.push_back(p.r + "\\config.ini");
  p.fixture.options = {{"保留存档", "真", "真", "[真]removedump(数据,CONFIG.INI)"}};
  p.Record();

  EngineRun run(p.r, p.t, {"-jp", "-hideend"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitSuccess);
  EXPECT_TRUE(plat::FileExists(p.r + "\\数据\\存档\\一.sav"));
  EXPECT_TRUE(plat::FileExists(p.r + "\\数据\\说明.txt"));
  EXPECT_TRUE(plat::FileExists(p.r + "\\config.ini"));      // letter case does not matter
  EXPECT_FALSE(plat::FileExists(p.r + "\\数据2\\二.txt"));  // a longer name is another folder
  EXPECT_FALSE(plat::DirectoryExists(p.r + "\\数据2"));
  EXPECT_FALSE(plat::FileExists(p.r + "\\readme.txt"));
}

TEST(UninstallEngine, UntickedOptionRunsItsFalseLines) {
  Product p;
  p.fixture.options = {{"保留", "真", "假", "[假]removedump(readme.txt)&&[真]removedump(bin)"}};
  p.Record();
  EngineRun run(p.r, p.t, {"-jp", "-hideend"});
  run.Start();
  run.form.TickTimers();
  EXPECT_TRUE(plat::FileExists(p.r + "\\readme.txt"));
  EXPECT_FALSE(plat::FileExists(p.r + "\\bin\\演示.exe"));
}

TEST(FilterKeptFiles, FolderAndFileCandidates) {
  TestFolder sandbox;
  const std::string r = "C:\\App";
  ASSERT_TRUE(plat::CreateDirectories(r + "\\save"));
  const std::vector<std::string> files = {r + "\\save\\a.sav", r + "\\saves\\b.sav", r + "\\a.ini",
                                          "c:\\App\\SAVE\\c.sav", r + "\\b.ini"};
  EXPECT_EQ(FilterKeptFiles(files, {"save", "A.INI"}, r),
            (std::vector<std::string>{r + "\\saves\\b.sav", r + "\\b.ini"}));
  EXPECT_EQ(FilterKeptFiles(files, {""}, r), files);  // an empty entry keeps nothing
  EXPECT_EQ(FilterKeptFiles(files, {}, r), files);
}

TEST(UninstallEngine, EmptyRegistryListDeletesOnlyTheUninstallKey) {
  Product p;
  WriteValue(UninstallKey("演示软件"), "DisplayName", plat::RegView::k64);
  WriteValue("SOFTWARE\\演示公司", "路径", plat::RegView::k32);
  WriteValue("SOFTWARE\\演示公司", "路径", plat::RegView::k64);
  p.fixture.registryList = "\x01\x02\x03";
  p.Record();
  std::vector<plat::host::RegistrySnapshotEntry> before;
  for (const auto& e : plat::host::RegistrySnapshot())
    if (e.key.find("演示软件") == std::string::npos) before.push_back(e);

  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitSuccess);
  EXPECT_FALSE(
      plat::RegKeyExists(plat::kLocalMachine, UninstallKey("演示软件"), plat::RegView::k64));
  const auto after = plat::host::RegistrySnapshot();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].key, before[i].key);
    EXPECT_EQ(after[i].name, before[i].name);
  }
}

TEST(DeleteRegistryPath, BothViewsValuesAndKeys) {
  TestFolder sandbox;
  const std::string key = "SOFTWARE\\演示公司";
  WriteValue(key, "v", plat::RegView::k64);
  WriteValue(key, "v", plat::RegView::k32);
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, key + "\\v", "64"));
  EXPECT_FALSE(HasValue(key, "v", plat::RegView::k64));
  EXPECT_TRUE(HasValue(key, "v", plat::RegView::k32));
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, key + "\\v", "32"));
  EXPECT_FALSE(HasValue(key, "v", plat::RegView::k32));
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, key + "\\absent", "32"));

  // A key path: its default value goes; the key only when nothing else is in it.
  const std::string empty = key + "\\空键";
  const std::string shared = key + "\\共用键";
  WriteValue(empty, "", plat::RegView::k64);
  WriteValue(shared, "", plat::RegView::k64);
  WriteValue(shared, "别人的", plat::RegView::k64);
  WriteValue(key + "\\有子键\\子", "x", plat::RegView::k64);
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, empty + "\\", "64"));
  EXPECT_FALSE(plat::RegKeyExists(plat::kLocalMachine, empty, plat::RegView::k64));
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, shared + "\\", "64"));
  EXPECT_FALSE(HasValue(shared, "", plat::RegView::k64));
  EXPECT_TRUE(HasValue(shared, "别人的", plat::RegView::k64));
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, key + "\\有子键\\", "64"));
  EXPECT_TRUE(HasValue(key + "\\有子键\\子", "x", plat::RegView::k64));
  // A key path names no value: a value called like the key stays.
  WriteValue(key, "同名", plat::RegView::k64);
  WriteValue(key + "\\同名", "", plat::RegView::k64);
  EXPECT_TRUE(DeleteRegistryPath(plat::kLocalMachine, key + "\\同名\\", "64"));
  EXPECT_TRUE(HasValue(key, "同名", plat::RegView::k64));
}

TEST(UninstallEngine, ProgramGroupOverrideFolderIsRemovedToo) {
  Product p;
  p.fixture.programGroup = "演示公司\\演示组";
  Write(std::string(kPrograms) + "\\演示软件\\a.lnk");
  Write(std::string(kPrograms) + "\\演示公司\\演示组\\b.lnk");
  Write(std::string(kPrograms) + "\\演示公司\\别的组\\c.lnk");
  p.Record();
  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_FALSE(plat::DirectoryExists(std::string(kPrograms) + "\\演示软件"));
  EXPECT_FALSE(plat::DirectoryExists(std::string(kPrograms) + "\\演示公司\\演示组"));
  EXPECT_TRUE(plat::FileExists(std::string(kPrograms) + "\\演示公司\\别的组\\c.lnk"));

  for (const char* group : {"..", "..\\..", "a\\..\\..", "C:\\Windows"}) {
    Product q;
    q.fixture.programGroup = group;
    q.Record();
    Write(std::string(kPrograms) + "\\留下.lnk");
    EngineRun again(q.r, q.t, {"-hp"});
    again.Start();
    again.form.TickTimers();
    EXPECT_TRUE(plat::FileExists(std::string(kPrograms) + "\\留下.lnk")) << group;
    EXPECT_TRUE(plat::DirectoryExists("C:\\Windows")) << group;
  }
}

TEST(UninstallEngine, UninstallCommandsRunBeforeTheRemoval) {
  Product p;
  p.fixture.commands = {{"假", "bin\\清理.exe /s", "真", "真"},
                     {"真", "**%InstallPath%\\bin\\外部.exe** /q", "假", "假"}};
  p.Record();
  bool filesThere = false;
  plat::host::SetProcessHandler([&](const plat::host::ProcessRecord&) {
    filesThere = plat::FileExists(p.r + "\\bin\\演示.exe");
    return 0u;
  });
  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  plat::host::SetProcessHandler(nullptr);
  EXPECT_TRUE(filesThere);
  const auto& starts = plat::host::ProcessStarts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].commandLine, "open|" + p.r + "\\bin\\清理.exe|/s");
  EXPECT_TRUE(starts[0].options.hidden);
  EXPECT_TRUE(starts[0].options.wait);
  EXPECT_EQ(starts[1].commandLine, "open|" + p.r + "\\bin\\外部.exe|/q");
  EXPECT_FALSE(starts[1].options.wait);
}

TEST(UninstallEngine, EngineFolderOutsideTheUninstallTempFolderIsNotDeleted) {
  Product p;
  p.Record();
  const std::string t = "C:\\Users\\tester\\Documents";
  Write(t + "\\论文.doc");
  EngineRun run(p.r, t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitSuccess);
  EXPECT_TRUE(plat::FileExists(t + "\\论文.doc"));
  EXPECT_FALSE(plat::FileExists(t + "\\uninst.ini"));
  EXPECT_TRUE(run.HasStatusContaining("卸载临时目录不在"));
}

TEST(UninstallEngine, AFileThatStaysIsListedAndGivesItsCode) {
  Product p;
  p.Record();
  plat::File inUse = plat::File::Open(p.r + "\\readme.txt", plat::OpenMode::kRead);
  ASSERT_TRUE(inUse.IsOpen());
  EngineRun run(p.r, p.t, {"-hp"});
  run.Start();
  run.form.TickTimers();
  EXPECT_EQ(run.session.outcome, kExitNotAllRemoved);
  EXPECT_TRUE(run.HasStatus("未能删除: " + p.r + "\\readme.txt"));
  EXPECT_TRUE(plat::DirectoryExists(p.r));
  EXPECT_FALSE(plat::FileExists(p.r + "\\bin\\演示.exe"));
}

}  // namespace

namespace {

// The launcher appends 10 MiB of zeros to the engine copy; the package step must still see
// the uninstaller type, and the scan stops at the type block instead of reading on.
TEST(UninstallEngine, PaddedEngineCopyIsStillAnUninstaller) {
  Product p;
  p.Record();
  Bytes copy;
  ASSERT_TRUE(plat::ReadFileBytes(p.r + "\\uninst.dat", copy));
  copy.append(size_t(package::kEngineCopyPadding), '\0');
  ASSERT_TRUE(plat::WriteFileBytes(p.t + "\\uninst.exe", copy));
  EXPECT_EQ(blocks::ReadPackageType(p.t + "\\uninst.exe"), package::kUninstallerType);
}

}  // namespace

namespace {

// Without a window to show, only a run that starts by itself can remove anything.
TEST(RunUninstallerCopy, WithoutAWindow) {
  struct Case {
    const char* label;
    std::vector<std::string> extra;
    ExitCode code;
    bool removed;
  };
  const Case cases[] = {
      {"hp", {"-hp"}, kExitSuccess, true},
      {"jp: the finish page cannot wait", {"-jp"}, kExitSuccess, true},
      {"the confirmation page cannot be shown", {}, kExitNoWizard, false},
  };
  for (const Case& c : cases) {
    Product p;
    p.Record();
    RunContext context;
    context.startup.commandArgs = {p.r, p.t, "卸载"};
    for (const std::string& a : c.extra) context.startup.commandArgs.push_back(a);
    HeadlessForm form(UninstallWindowDesc());
    EXPECT_EQ(RunUninstallerCopy(context, form, false, nullptr), c.code) << c.label;
    EXPECT_EQ(!plat::FileExists(p.r + "\\readme.txt"), c.removed) << c.label;
    EXPECT_TRUE(form.Closed()) << c.label;
  }
}

}  // namespace

namespace {

TEST(RemovalSafety, WhatCountsAsTheEnginesFolderAndAsProtected) {
  TestFolder sandbox;
  struct Case {
    const char* path;
    bool engineFolder;
    bool protectedFolder;
  };
  const Case cases[] = {
      {"C:\\Temp\\Uninstall\\演示软件", true, false},
      {"c:\\temp\\uninstall\\演示软件\\", true, false},
      {"C:\\Temp\\Uninstall", false, false},
      {"C:\\Temp\\Uninstall\\..\\..\\Users", false, true},
      {"C:\\Temp\\Uninstall\\.\\x", false, true},
      {"C:\\Temp\\别的", false, false},
      {"Temp\\Uninstall\\x", false, true},
      {"", false, true},
      {"C:\\", false, true},
      {"C:", false, true},
      {"C:\\Temp", false, true},
      {"C:\\Users", false, true},
      {"C:\\Users\\tester\\Documents", false, true},
      {"C:\\Users\\tester\\Documents\\我的软件", false, false},
      {"C:\\Program Files (x86)", false, true},
      {"C:\\Program Files\\演示软件", false, false},
      {"C:\\Windows\\System32", false, true},
      {"D:\\Games", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsEngineFolderAllowed(c.path), c.engineFolder) << c.path;
    EXPECT_EQ(IsProtectedFolder(c.path), c.protectedFolder) << c.path;
  }
}

TEST(RemovalSafety, LinksOnTheWayDown) {
  TestFolder sandbox;
  Write("C:\\Data\\file.txt");
  ASSERT_TRUE(plat::CreateDirectories("C:\\App\\real"));
  Link("C:\\Data", "C:\\App\\real\\link");
  EXPECT_TRUE(PassesThroughLink("C:\\App\\real\\link\\file.txt", "C:\\App"));
  EXPECT_FALSE(PassesThroughLink("C:\\App\\real\\other.txt", "C:\\App"));
  EXPECT_FALSE(PassesThroughLink("C:\\App\\real\\link", "C:\\App"));  // the link itself
  EXPECT_TRUE(RemoveTreeNoFollow("C:\\App\\real\\link"));
  EXPECT_TRUE(plat::FileExists("C:\\Data\\file.txt"));
}

}  // namespace
