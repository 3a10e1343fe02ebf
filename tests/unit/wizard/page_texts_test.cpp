// The page texts of GUItext.ini: the font markup, the colour and caption lists, and every key
// dressing its control on a headless wizard.
#include <gtest/gtest.h>

#include "common/keyed_store.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/page_texts.h"

namespace {

constexpr Rgb kFace = 0xF0F0F0;  // the headless form's button face

TEST(FontMarkup, FieldsDefaultsAndPlacement) {
  struct Case {
    const char* what;
    std::string value;
    FontSpec font;
    Rgb text, back;
    std::string shown;
  } cases[] = {
      {"all five fields", "<font黑体,12,真,255,15790320/>安装", {"黑体", 12, true}, 255, kFace, "安装"},
      {"no markup", "欢迎", {"", 9, false}, 0, 0xFFFFFF, "欢迎"},
      {"empty fields", "<font,,,,/>文字", {"", 9, false}, 0, 0xFFFFFF, "文字"},
      {"fewer fields", "<font宋体,14/>文字", {"宋体", 14, false}, 0, 0xFFFFFF, "文字"},
      {"anywhere in the value", "前<font,10,假,65280,0/>后", {"", 10, false}, 65280, 0, "前后"},
      {"no numbers read as 0", "<font,big,1,red,blue/>x", {"", 0, false}, 0, 0, "x"},
      {"only the first markup", "<font,11,,,/>a<font,20,,,/>b", {"", 11, false}, 0, 0xFFFFFF,
       "a<font,20,,,/>b"},
      {"no closing: shown as written", "<font,12,真 text", {"", 9, false}, 0, 0xFFFFFF,
       "<font,12,真 text"},
      {"line breaks kept", "<font,9,,,/>一\r\n二", {"", 9, false}, 0, 0xFFFFFF, "一\r\n二"},
      {"colour wider than 24 bits", "<font,,,4294967295,16777216/>x", {"", 9, false}, 0xFFFFFF,
       0, "x"},
  };
  for (const Case& c : cases) {
    const StyledText s = ParseStyledText(c.value, kFace);
    EXPECT_EQ(s.font, c.font) << c.what;
    EXPECT_EQ(s.textColour, c.text) << c.what;
    EXPECT_EQ(s.backColour, c.back) << c.what;
    EXPECT_EQ(s.text, c.shown) << c.what;
  }
}

TEST(ColourList, TwelveColoursButtonFaceReplaced) {
  const auto few = ParseColourList("255,15790320,,x", kFace);
  EXPECT_EQ(few[0], 255u);
  EXPECT_EQ(few[1], kFace);
  for (size_t i = 2; i < 12; ++i) EXPECT_EQ(few[i], 0u) << i;  // missing or no number: black

  const auto many = ParseColourList("1,2,3,4,5,6,7,8,9,10,11,12,13,14", kFace);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(many[i], i + 1) << i;
  // Inside a longer number the button-face text is replaced too, as the rule says.
  EXPECT_EQ(ParseColourList("157903200", 7)[0], 70u);
}

TEST(ButtonCaptions, ExactlySix) {
  EXPECT_EQ(ParseButtonCaptions("后退,接受,继续,开始"),
            (std::array<std::string, 6>{"后退", "接受", "继续", "开始", "", ""}));
  EXPECT_EQ(ParseButtonCaptions("1,2,3,4,5,6,7,8"),
            (std::array<std::string, 6>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(ParseButtonCaptions(""), (std::array<std::string, 6>{}));
}

// A wizard whose GUItext.ini holds `items` as enciphered keyed items, the packer's form.
struct Dressed : WizardRun {
  explicit Dressed(std::initializer_list<std::pair<const char*, std::string>> items) {
    for (const auto& [key, value] : items) AppendKeyedItem(session.run.config.guiText, key, value, true);
  }
};

TEST(PageTexts, EveryLabelKeyStylesAndTextsItsControl) {
  const std::pair<const char*, const char*> labels[] = {
      {"欢迎0", "编辑框_欢迎0"}, {"欢迎1", "编辑框_欢迎1"}, {"协议0", "编辑框_协议0"},
      {"协议1", "编辑框_协议1"}, {"协议2", "编辑框_协议2"}, {"协议3", "编辑框_协议3"},
      {"组件0", "编辑框_组件0"}, {"组件1", "编辑框_组件1"}, {"组件2", "编辑框_组件2"},
      {"组件3", "编辑框_组件3"}, {"目录0", "编辑框_目录0"}, {"目录1", "编辑框_目录1"},
      {"目录2", "编辑框_目录2"}, {"安装0", "编辑框_安装0"}, {"安装1", "编辑框_安装1"},
      {"完成0", "编辑框_完成0"}, {"完成1", "编辑框_完成1"}, {"组件4", "编辑框_组件4"},
      {"目录3", "编辑框_目录3"},
  };
  WizardRun r;
  int size = 10;
  for (const auto& [key, control] : labels)
    AppendKeyedItem(r.session.run.config.guiText, key,
                    "<font黑体," + std::to_string(size++) + ",真,255,15790320/>" + key + "的文字", true);
  ApplyPageTexts(r.session);
  size = 10;
  for (const auto& [key, control] : labels) {
    EXPECT_EQ(r.form.Text(control), std::string(key) + "的文字") << control;
    EXPECT_EQ(r.form.Font(control), (FontSpec{"黑体", size++, true})) << control;
    EXPECT_EQ(r.form.TextColour(control), 255u) << control;
    EXPECT_EQ(r.form.BackColour(control), kFace) << control;
  }
}

TEST(PageTexts, CaptionsListsAndSpecialKeys) {
  Dressed r({{"窗口标题", "<font,12,,,/>演示 安装"},  // used as it stands
             {"背景", "1,2,3,4,5,6,7,8,9,10"},
             {"树框", "<font楷体,11,,128,65535/>never shown"},
             {"组件5", "<font,10,,8421504,/>not the hint's text"},
             {"目录4", "选择..."},
             {"协议4", "我同意"},
             {"目录5", "<font,9,,255,/>需要 %Default%\r\n剩余 %Default%"},
             {"安装2", "详细信息"},
             {"安装3", "解压 %Default%,快捷方式 %Default%"},
             {"安装s", "<font,10,真,0,15790320/>ignored"},
             {"按钮", "后退,接受,继续,开始"}});
  r.form.SetText("提示", "描述");
  ApplyPageTexts(r.session);

  EXPECT_EQ(r.form.Text(""), "<font,12,,,/>演示 安装");
  // The twelve panels in order; the four header pictures take their band's colour.
  const char* panels[] = {"外形框1", "外形框I_1", "外形框6", "外形框I_2", "外形框3", "外形框I_3",
                          "外形框4", "外形框I_4", "外形框5", "外形框I_5", "外形框2", "外形框I_6"};
  for (size_t i = 0; i < 12; ++i)
    EXPECT_EQ(r.form.BackColour(panels[i]), i < 10 ? i + 1 : 0u) << panels[i];
  EXPECT_EQ(r.form.BackColour("图片框6"), 3u);
  EXPECT_EQ(r.form.BackColour("图片框2"), 5u);
  EXPECT_EQ(r.form.BackColour("图片框3"), 7u);
  EXPECT_EQ(r.form.BackColour("图片框5"), 9u);

  EXPECT_EQ(r.form.Font("树型框1"), (FontSpec{"楷体", 11, false}));
  EXPECT_EQ(r.form.TextColour("树型框1"), 128u);
  EXPECT_EQ(r.form.BackColour("树型框1"), 65535u);
  EXPECT_EQ(r.form.Tag("提示"), "no");
  EXPECT_EQ(r.form.Text("提示"), "描述");
  EXPECT_EQ(r.form.TextColour("提示"), 8421504u);
  EXPECT_EQ(r.form.Font("提示").points, 10);

  EXPECT_EQ(r.form.Text("浏览目录"), "选择...");
  EXPECT_EQ(r.form.Text("选择框_条款"), "我同意");
  EXPECT_EQ(r.form.Text("标签_所需空间"), "需要 %Default%");
  EXPECT_EQ(r.form.Text("标签_可用空间"), "剩余 %Default%");
  EXPECT_EQ(r.form.TextColour("标签_所需空间"), 255u);
  EXPECT_EQ(r.form.TextColour("标签_可用空间"), 255u);
  EXPECT_EQ(r.form.Text("按钮_显示细节"), "详细信息");
  EXPECT_EQ(r.session.wizard.stepCaptions,
            (std::vector<std::string>{"解压 %Default%", "快捷方式 %Default%"}));
  EXPECT_EQ(r.form.Text("解压_标签"), "Waiting……");
  EXPECT_EQ(r.form.Font("解压_标签"), (FontSpec{"", 10, true}));
  EXPECT_EQ(r.form.BackColour("解压_标签"), kFace);
  EXPECT_EQ(r.session.wizard.buttonCaptions,
            (std::array<std::string, 6>{"后退", "接受", "继续", "开始", "", ""}));
  EXPECT_EQ(r.form.Text("取消按钮_主窗口"), "");
}

TEST(PageTexts, MissingFileKeyOrLineLeavesTheBuiltInLook) {
  // No GUItext.ini: nothing changes but the Cancel caption, which is the built-in one.
  WizardRun none;
  const FontSpec standard{"", 9, false};
  ApplyPageTexts(none.session);
  EXPECT_EQ(none.form.Text(""), "Mokta软件版本-安装向导");
  EXPECT_EQ(none.form.Text("编辑框_欢迎0"), "欢迎使用 Mokta软件 版本-安装向导");
  EXPECT_EQ(none.form.Font("编辑框_欢迎0"), standard);
  EXPECT_EQ(none.form.BackColour("外形框I_1"), kSystemColour);
  EXPECT_EQ(none.form.Text("浏览目录"), "浏览目录...");
  EXPECT_EQ(none.form.Text("标签_可用空间"), "可用空间: XXGB");
  EXPECT_EQ(none.form.Text("取消按钮_主窗口"), "取消(&C)");
  EXPECT_EQ(none.session.wizard.buttonCaptions[5], "完成(&F)");

  // One key set: only its control changes; a one-line 目录5 empties the free-space template.
  Dressed some({{"欢迎1", "正文"}, {"目录5", "需要 %Default%"}, {"安装0", ""}});
  ApplyPageTexts(some.session);
  EXPECT_EQ(some.form.Text("编辑框_欢迎1"), "正文");
  EXPECT_EQ(some.form.Font("编辑框_欢迎1"), standard);
  EXPECT_EQ(some.form.TextColour("编辑框_欢迎1"), 0u);
  EXPECT_EQ(some.form.BackColour("编辑框_欢迎1"), 0xFFFFFFu);
  EXPECT_EQ(some.form.Text("编辑框_欢迎0"), "欢迎使用 Mokta软件 版本-安装向导");
  EXPECT_EQ(some.form.Text("编辑框_安装0"), "正在安装");  // an empty value counts as unset
  EXPECT_EQ(some.form.Text("标签_所需空间"), "需要 %Default%");
  EXPECT_EQ(some.form.Text("标签_可用空间"), "");
}

TEST(PageTexts, PlainIniTextIsAFallback) {
  WizardRun r;
  r.session.run.config.guiText = "[界面]\r\n欢迎0=<font,14,真,,/>旧式文字\r\n按钮=a,b,c,d,e,f\r\n";
  ApplyPageTexts(r.session);
  EXPECT_EQ(r.form.Text("编辑框_欢迎0"), "旧式文字");
  EXPECT_EQ(r.form.Font("编辑框_欢迎0").points, 14);
  EXPECT_EQ(r.session.wizard.buttonCaptions[3], "d");
}

}  // namespace
