// The dressed wizard on the host platform: the folder page's browser, free space and space
// display, the skin pictures of the work folder, and the hover over the component tree.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/component_view.h"
#include "wizard/disk_space.h"
#include "wizard/skins.h"

namespace {

using plat::host::FolderBrowserTitles;
using plat::host::Messages;
using plat::host::QueueFolderAnswer;

constexpr char kPathEdit[] = "安装路径_编辑框";
constexpr char kFree[] = "标签_可用空间";
constexpr char kNeeded[] = "标签_所需空间";

struct FolderPage : ::testing::Test {
  TestFolder folder;
  WizardRun run;
  void SetUp() override {
    plat::host::AddDrive('D');
    run.form.SetText(kPathEdit, "C:\\Old");
    run.session.run.installPath = "C:\\Old";
  }
  void Browse() { run.form.Fire("浏览目录", FormEvent::kClick); }
};

TEST_F(FolderPage, BrowsingPutsTheFolderAndTheAppendNameIntoTheEditBox) {
  struct Case {
    const char* chosen;
    bool append;
    const char* name;
    const char* shown;
  } cases[] = {
      {"d:\\Apps\\", false, "Demo", "D:\\Apps"},  // normalised: drive upper-cased, "\" dropped
      {"C:\\Apps", true, "Demo", "C:\\Apps\\Demo"},
      {"C:\\", true, "Demo", "C:\\Demo"},
      {"C:\\Apps", true, "", "C:\\Apps"},         // no name: nothing appended
      {"C:\\Apps", false, "Demo", "C:\\Apps"},
  };
  plat::host::SetFreeDiskBytes(int64_t{3} << 30);
  for (const Case& c : cases) {
    run.session.wizard.autoAppend = c.append;
    run.session.wizard.browseAppend = c.name;
    QueueFolderAnswer(c.chosen);
    Browse();
    EXPECT_EQ(run.form.Text(kPathEdit), c.shown) << c.chosen;
    EXPECT_EQ(run.session.run.installPath, c.shown) << c.chosen;
    EXPECT_EQ(run.form.Text(kFree), "可用空间: 3GB") << c.chosen;
  }
  EXPECT_EQ(FolderBrowserTitles(), std::vector<std::string>(std::size(cases), "请选择安装目录"));
}

TEST_F(FolderPage, CancelOrABrokenRuleChangesNothing) {
  run.session.wizard.pathRules.ch = "真";
  const std::string before = run.form.Text(kFree);
  QueueFolderAnswer("");  // Cancel
  Browse();
  QueueFolderAnswer("C:\\软件");  // breaks "ch"
  Browse();
  EXPECT_EQ(run.form.Text(kPathEdit), "C:\\Old");
  EXPECT_EQ(run.session.run.installPath, "C:\\Old");
  EXPECT_EQ(run.form.Text(kFree), before);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "选择的路径含有中文字符，请重新选择");
}

TEST_F(FolderPage, SpaceDisplayFillsTheTemplatesAndMovesThePanel) {
  struct Case {
    bool show;
    const char* needed;
    const char* free;
    const char* neededShown;
    const char* freeShown;
  } cases[] = {
      {true, "所需空间: %Default%", "可用空间: %Default%", "所需空间: 1.13MB", "可用空间: 2GB"},
      {true, "需要 %Default% (%Default%)", "no placeholder", "需要 1.13MB (%Default%)",
       "no placeholder"},
      {false, "所需空间: %Default%", "可用空间: %Default%", "所需空间: %Default%",
       "可用空间: %Default%"},
  };
  plat::host::SetFreeDiskBytes(int64_t{2} << 30);
  for (const Case& c : cases) {
    WizardRun r;
    r.session.run.package.showSpace = c.show;
    r.session.run.package.uncompressedSize = 1179648;
    r.session.run.installPath = "C:\\App";
    r.form.SetText(kNeeded, c.needed);
    r.form.SetText(kFree, c.free);
    ShowDiskSpace(r.session);
    EXPECT_EQ(r.form.Text(kNeeded), c.neededShown) << c.needed;
    EXPECT_EQ(r.form.Text(kFree), c.freeShown) << c.free;
    EXPECT_EQ(r.form.Visible("外形框_显示空间"), c.show);
    EXPECT_EQ(r.form.GetBounds("分组框_目标文件夹").top, c.show ? 171 : 206);
    EXPECT_EQ(r.form.GetBounds("外形框_显示空间").top, c.show ? 241 : 136);
  }
}

TEST_F(FolderPage, BrowsingRefillsThePackagersFreeSpaceTemplate) {
  run.session.run.package.showSpace = true;
  run.form.SetText(kFree, "剩余 %Default%");
  plat::host::SetFreeDiskBytes(int64_t{5} << 30);
  ShowDiskSpace(run.session);
  EXPECT_EQ(run.form.Text(kFree), "剩余 5GB");
  plat::host::SetFreeDiskBytes(1152 * 1024);
  QueueFolderAnswer("D:\\Games");
  Browse();
  EXPECT_EQ(run.form.Text(kFree), "剩余 1.13MB");
}

TEST_F(FolderPage, FreeSpaceOfAMissingDriveOrATypedPath) {
  EXPECT_EQ(FreeSpaceText("Q:\\Nowhere"), "-1KB");  // the query fails
  plat::host::SetFreeDiskBytes(1023);               // less than one whole KiB
  EXPECT_EQ(FreeSpaceText("C:\\App"), "0B");
  EXPECT_EQ(FreeSpaceText(""), "0B");               // the current drive
  // Beyond 2 TiB the count stays positive.
  plat::host::SetFreeDiskBytes(int64_t{3} << 40);
  EXPECT_EQ(FreeSpaceText("C:\\App"), "3TB");
  // Typing a destination does not touch the label.
  const std::string before = run.form.Text(kFree);
  run.form.SetText(kPathEdit, "C:\\Typed");
  EXPECT_EQ(run.form.Text(kFree), before);
}

// A PNG and a JPEG signature are enough for the form to tell them apart.
const Bytes kPng("\x89PNG\r\n\x1a\n....", 12);
const Bytes kJpeg("\xFF\xD8\xFF\xE0....", 8);

TEST(SkinPictures, ReadFromTheWorkFolderAndPutOnTheirBoxes) {
  TestFolder folder;
  ASSERT_TRUE(plat::WriteFileBytes(folder / "界面图片.jpg", kPng));  // a PNG whatever its name
  ASSERT_TRUE(plat::WriteFileBytes(folder / "界面小图片.jpg", kJpeg));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "界面大图片.jpg", kJpeg));
  WizardRun r;
  r.session.run.package.workFolder = folder.Path();
  ReadSkinPictures(r.session);
  EXPECT_TRUE(r.session.wizard.skin.installing.empty());
  EXPECT_EQ(r.session.wizard.skin.large, kJpeg);
  ApplySkinPictures(r.session);
  for (const char* box : {"图片框1", "图片框4"}) {
    EXPECT_EQ(r.form.Picture(box), kPng) << box;
    EXPECT_EQ(r.form.GetPictureFit(box), PictureFit::kStretch) << box;
  }
  for (const char* box : {"图片框2", "图片框3", "图片框5", "图片框6", "备用_图片框"}) {
    EXPECT_EQ(r.form.Picture(box), kJpeg) << box;
    EXPECT_EQ(r.form.GetPictureFit(box), PictureFit::kNatural) << box;
  }
  // No installing picture: the list keeps its place.
  ShowInstallPicture(r.session);
  EXPECT_TRUE(r.form.Visible("超级列表框"));
  EXPECT_FALSE(r.form.Visible("图片框_界面安装时图片"));
}

TEST(SkinPictures, TheInstallingPictureTakesTheListsPlace) {
  for (const Bytes& picture : {kPng, kJpeg}) {
    WizardRun r;
    r.session.wizard.skin.installing = picture;
    ShowInstallPicture(r.session);
    EXPECT_EQ(r.form.Picture("图片框_界面安装时图片"), picture);
    EXPECT_EQ(r.form.GetPictureFit("图片框_界面安装时图片"),
              picture == kPng ? PictureFit::kStretch : PictureFit::kNatural);
    EXPECT_TRUE(r.form.Visible("图片框_界面安装时图片"));
    EXPECT_FALSE(r.form.Visible("超级列表框"));
  }
}

TEST(Hover, TheItemUnderTheMouseIsSelectedAndDescribed) {
  WizardRun r;
  ShowComponentTree(r.form, "树型框1", r.session.tree);
  r.form.Fire("树型框1", FormEvent::kTreeMouseMove, {1, 0});
  EXPECT_EQ(r.form.SelectedTreeItem("树型框1"), 1);
  EXPECT_EQ(r.form.Text("提示"), "安装完该软件后将应用主程序增加至桌面快捷方式");
  // Off the items nothing changes; off the tree, on the page, the description goes.
  r.form.Fire("树型框1", FormEvent::kTreeMouseMove, {-1, 0});
  EXPECT_EQ(r.form.SelectedTreeItem("树型框1"), 1);
  r.form.Fire("外形框I_3", FormEvent::kPageMouseMove, {2, 0});
  EXPECT_EQ(r.form.Text("提示"), "");
}

TEST(TaskbarProgress, MirrorsTheBarWhileTheInstallRunsWhenAsked) {
  for (bool asked : {false, true}) {
    TestFolder folder;
    WizardRun r;
    r.UseTestMode();
    r.session.wizard.taskbarProgress = asked;
    r.form.SetText(kPathEdit, "C:\\App");
    std::vector<std::string> during;
    r.form.onPump = [&] { during.push_back(r.form.MirroredProgress()); };
    ASSERT_TRUE(StartInstall(r.session, "", false));
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during.back(), asked ? "进度条1" : "") << asked;
    EXPECT_EQ(r.form.MirroredProgress(), "") << asked;
  }
}

}  // namespace
