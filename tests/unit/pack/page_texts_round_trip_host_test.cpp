// GUItext.ini from the project to the wizard: what setup-pack stores is what the wizard shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/package_cipher.h"
#include "platform/platform.h"
#include "ui/headless_form.h"
#include "tools/pack/page_texts.h"
#include "wizard/page_texts.h"
#include "wizard/window_tables.h"

namespace {

TEST(PageTextsRoundTrip, StoredTextsDressTheWizard) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "guitext-round-trip.ini";
  // Project files are UTF-8; this build's literals are GBK.
  std::ofstream(file, std::ios::binary) << plat::GbkToUtf8(
         "; comment\n"
         "窗口标题=%ProductName% 安装\n"
         "欢迎0=<font黑体,14,真,9109504,16777215/>欢迎 %ProductName% %Version%\n"
         "完成1=第一行\\n第二行\n"
         "目录5=<font,9,,32768,15790320/>所需空间: %Default%\\n可用空间: %Default%\n"
         "背景=1,2,3,4,5,6,7,8,9,10,11,15790320\n"
         "按钮=上一步(&P),我接受(&I),下一步(&N),安装(&I),取消(&C),完成(&F)\n");
  ProjectText text;
  ASSERT_EQ(ReadProjectText(file.string(), text), "");
  ASSERT_EQ(CheckPageTexts(text), "");
  const Bytes stored = StorePageTexts(text, {{"%ProductName%", "演示软件"}, {"%Version%", "1.0"}});
  std::filesystem::remove(file);

  HeadlessForm form(WizardWindowDesc());
  InstallSession session;
  session.form = &form;
  // What start-up's configuration step holds: the file deciphered.
  session.run.config.guiText = cipher::Decipher(stored, cipher::PassPhrase::kGuiText);
  ApplyPageTexts(session);
  EXPECT_EQ(form.Text(""), "演示软件 安装");
  EXPECT_EQ(form.Text("编辑框_欢迎0"), "欢迎 演示软件 1.0");
  EXPECT_EQ(form.Font("编辑框_欢迎0"), (FontSpec{"黑体", 14, true}));
  EXPECT_EQ(form.TextColour("编辑框_欢迎0"), 9109504u);
  EXPECT_EQ(form.Text("编辑框_完成1"), "第一行\r\n第二行");
  EXPECT_EQ(form.Text("标签_所需空间"), "所需空间: %Default%");
  EXPECT_EQ(form.Text("标签_可用空间"), "可用空间: %Default%");
  EXPECT_EQ(form.BackColour("标签_可用空间"), form.ButtonFaceColour());
  EXPECT_EQ(form.BackColour("外形框I_6"), form.ButtonFaceColour());
  EXPECT_EQ(session.wizard.buttonCaptions[5], "完成(&F)");
}

}  // namespace
