// The headless form keeps what the program sets (fonts, colours, pictures, tags, the icon),
// copies subtrees, grows pages and plays the feedback event, so the wizard's and the
// uninstall window's logic can be tested natively against the same contract as the windows.
#include "ui/headless_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/ui/ui_test_samples.h"

namespace {

using ui_samples::SampleWindow;

struct Seen {
  std::string control;
  FormEvent event;
  FormEventArgs args;
};

TEST(HeadlessFormLook, FontsColoursAndTagsArePerControlWithTheirDefaults) {
  HeadlessForm form(SampleWindow());
  EXPECT_EQ(form.Font("标题"), (FontSpec{"", 9, false}));
  EXPECT_EQ(form.TextColour("标题"), kSystemColour);
  EXPECT_EQ(form.BackColour("标题"), kSystemColour);
  EXPECT_EQ(form.Tag("标题"), "");

  form.SetFont("标题", {"微软雅黑", 12, true});
  form.SetTextColour("标题", 0x0000FF);
  form.SetBackColour("标题", form.ButtonFaceColour());
  form.SetTag("标题", "no");
  form.SetTag("", "窗口的");
  form.SetTagNumber("路径", -42);
  EXPECT_EQ(form.Font("标题"), (FontSpec{"微软雅黑", 12, true}));
  EXPECT_EQ(form.TextColour("标题"), 0x0000FFu);
  EXPECT_EQ(form.BackColour("标题"), 0xF0F0F0u);
  EXPECT_EQ(form.Tag("标题"), "no");
  EXPECT_EQ(form.Tag(""), "窗口的");
  EXPECT_EQ(form.TagNumber("路径"), -42);
  EXPECT_EQ(form.TagNumber("标题"), 0);  // not a number
  // Only the control set changes.
  EXPECT_EQ(form.Font("路径"), FontSpec{});
  EXPECT_EQ(form.TextColour("路径"), kSystemColour);

  // A missing control takes nothing and reads as the defaults.
  form.SetFont("没有", {"宋体", 20, true});
  form.SetTag("没有", "x");
  EXPECT_EQ(form.Font("没有"), FontSpec{});
  EXPECT_EQ(form.Tag("没有"), "");
}

TEST(HeadlessFormLook, PicturesAreRecordedAndJudgedByTheirFirstBytes) {
  HeadlessForm form(SampleWindow());
  const struct {
    const char* what;
    Bytes bytes;
    bool shown;
  } cases[] = {
      {"jpeg", ui_samples::AsBytes(ui_samples::kJpegRedBlue), true},
      {"gif", ui_samples::AsBytes(ui_samples::kGifRedBlue), true},
      {"png", ui_samples::AsBytes(ui_samples::kPngGreenClear), true},
      {"bmp", ui_samples::BmpHalves(0x0000FF, 0xFF0000), true},
      {"text named .jpg", "not a picture at all", false},
      {"a lone BM", "BM", false},
      {"empty clears", "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(form.SetPicture("图片", c.bytes), c.shown);
    EXPECT_EQ(form.Picture("图片"), c.bytes);
  }
  // Only picture controls take pictures.
  EXPECT_FALSE(form.SetPicture("标题", ui_samples::AsBytes(ui_samples::kGifRedBlue)));
  EXPECT_EQ(form.Picture("标题"), "");
}

TEST(HeadlessFormLook, TheWindowIconMustBeAnIconFile) {
  HeadlessForm form(SampleWindow());
  const Bytes icon = ui_samples::IconFile({16, 32}, 0x00FF00);
  EXPECT_TRUE(form.SetWindowIcon(icon));
  EXPECT_EQ(form.WindowIcon(), icon);
  EXPECT_FALSE(form.SetWindowIcon(ui_samples::AsBytes(ui_samples::kPngGreenClear)));
  EXPECT_TRUE(form.SetWindowIcon(""));
  EXPECT_EQ(form.WindowIcon(), "");
}

TEST(HeadlessFormLook, TheWindowMovesAndResizesLikeAControl) {
  HeadlessForm form(SampleWindow());
  EXPECT_EQ(form.GetBounds("").width, 420);
  form.SetBounds("", {40, 30, 503, 363});
  form.SetBounds("标题", {1, 2, 3, 4});
  EXPECT_EQ(form.GetBounds("").left, 40);
  EXPECT_EQ(form.GetBounds("").height, 363);
  EXPECT_EQ(form.GetBounds("标题").top, 2);
}

TEST(HeadlessFormClone, ACloneLooksLikeItsTemplateButStartsWithoutItsState) {
  HeadlessForm form(SampleWindow());
  form.SetFont("选项", {"黑体", 10, true});
  form.SetBackColour("选项", 0x123456);
  form.SetTag("选项", "7");
  form.SetText("选项", "运行说明");
  form.SetChecked("选项", true);
  form.SetEnabled("选项", false);
  ASSERT_TRUE(form.CloneControl("选项", "选项2"));
  EXPECT_EQ(form.Font("选项2"), (FontSpec{"黑体", 10, true}));
  EXPECT_EQ(form.BackColour("选项2"), 0x123456u);
  EXPECT_EQ(form.Tag("选项2"), "7");
  EXPECT_EQ(form.Text("选项2"), "运行说明");
  EXPECT_FALSE(form.Enabled("选项2"));
  EXPECT_FALSE(form.Checked("选项2"));
  EXPECT_EQ(form.ParentOf("选项2"), "页0");

  form.SetProgress("进度", 60);
  ASSERT_TRUE(form.CloneControl("进度", "进度2"));
  EXPECT_EQ(form.Progress("进度2"), 0);
}

TEST(HeadlessFormClone, ASubtreeGoesIntoAnotherParentWithSuffixedNames) {
  HeadlessForm form(SampleWindow());
  form.SetPicture("备用图片", ui_samples::AsBytes(ui_samples::kGifRedBlue));
  ASSERT_TRUE(form.CloneControlInto("备用框", "插件页", {"页1", -1, "_1"}));
  const std::vector<std::string> names = form.ControlNames();
  const std::vector<std::string> added(names.end() - 4, names.end());
  EXPECT_EQ(added, (std::vector<std::string>{"插件页", "备用标签_1", "备用组_1", "备用图片_1"}));
  EXPECT_EQ(form.ParentOf("插件页"), "页1");
  EXPECT_EQ(form.ParentOf("备用标签_1"), "插件页");
  EXPECT_EQ(form.ParentOf("备用组_1"), "插件页");
  EXPECT_EQ(form.ParentOf("备用图片_1"), "备用组_1");
  EXPECT_EQ(form.GetBounds("插件页").left, 10);  // the template's place, in the new parent
  EXPECT_EQ(form.Text("备用标签_1"), "备用的传递消息");
  EXPECT_EQ(form.Picture("备用图片_1"), ui_samples::AsBytes(ui_samples::kGifRedBlue));
  EXPECT_EQ(form.KindOf("备用组_1"), ControlKind::kGroupBox);
  // A second copy of the same subtree needs a suffix of its own.
  EXPECT_FALSE(form.CloneControlInto("备用框", "插件页2", {"页1", -1, "_1"}));
  EXPECT_TRUE(form.CloneControlInto("备用框", "插件页2", {"", -1, "_2"}));
  EXPECT_EQ(form.ParentOf("插件页2"), "");
}

TEST(HeadlessFormClone, ARefusedCopyCreatesNothing) {
  const struct {
    const char* what;
    const char* from;
    const char* name;
    CloneTarget target;
  } cases[] = {
      {"missing template", "没有", "新", {"页0", -1, "_1"}},
      {"empty template", "", "新", {"页0", -1, "_1"}},
      {"empty name", "备用框", "", {"页0", -1, "_1"}},
      {"name taken", "备用框", "标题", {"页0", -1, "_1"}},
      {"missing parent", "备用框", "新", {"没有", -1, "_1"}},
      {"a label as parent", "标题", "新", {"备用标签", -1, "_1"}},
      {"into itself", "备用框", "新", {"备用框", -1, "_1"}},
      {"into its own child", "备用框", "新", {"备用组", -1, "_1"}},
      {"children without a suffix", "备用框", "新", {"页0", -1, ""}},
      {"a child's new name is the copy's", "备用框", "备用标签_1", {"页0", -1, "_1"}},
      {"page that does not exist", "备用框", "新", {"页面", 2, "_1"}},
      {"page outside the container", "备用框", "新", {"页0", 1, "_1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HeadlessForm form(SampleWindow());
    const size_t before = form.ControlNames().size();
    EXPECT_FALSE(form.CloneControlInto(c.from, c.name, c.target));
    EXPECT_EQ(form.ControlNames().size(), before);
  }
  // A lone control needs no suffix, nor does a host copied without its children.
  HeadlessForm form(SampleWindow());
  EXPECT_TRUE(form.CloneControlInto("标题", "标题2", {"备用框", -1, ""}));
  EXPECT_EQ(form.ParentOf("标题2"), "备用框");
  const size_t before = form.ControlNames().size();
  EXPECT_TRUE(form.CloneControlInto("备用框", "外框", {"页面", -1, "", false}));
  EXPECT_EQ(form.ControlNames().size(), before + 1);
  EXPECT_EQ(form.ParentOf("外框"), "页面");
  EXPECT_EQ(form.PageOf("外框"), -1);
}

TEST(HeadlessFormPages, AnAddedPageTakesABodyAndBecomesCurrent) {
  HeadlessForm form(SampleWindow());
  std::vector<Seen> seen;
  form.SetHandler([&](const std::string& control, FormEvent event, const FormEventArgs& a) {
    seen.push_back({control, event, a});
    return 1;
  });
  EXPECT_EQ(form.PageCount(), 2);
  form.SetCurrentPage(2);
  EXPECT_EQ(form.CurrentPage(), 0);  // no such page yet
  EXPECT_TRUE(seen.empty());

  EXPECT_EQ(form.AddPage(), 2);
  EXPECT_EQ(form.PageCount(), 3);
  EXPECT_TRUE(seen.empty());  // adding is not switching
  ASSERT_TRUE(form.CloneControlInto("备用框", "页2", {"页面", 2, "_页2"}));
  EXPECT_EQ(form.PageOf("页2"), 2);
  EXPECT_EQ(form.PageOf("备用标签_页2"), -1);
  EXPECT_TRUE(form.AddControl({"页2的标签", ControlKind::kLabel, "页2", 5, 5, 50, 16, "说明"}));
  EXPECT_EQ(form.ParentOf("页2的标签"), "页2");
  form.SetCurrentPage(2);
  EXPECT_EQ(form.CurrentPage(), 2);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].control, "页面");
  EXPECT_EQ(seen[0].event, FormEvent::kPageChanged);
  EXPECT_EQ(seen[0].args.index, 2);

  EXPECT_FALSE(form.AddControl({"页2的标签", ControlKind::kLabel, "页2", 0, 0, 1, 1, ""}));
  EXPECT_FALSE(form.AddControl({"孤儿", ControlKind::kLabel, "没有", 0, 0, 1, 1, ""}));
  EXPECT_FALSE(form.AddControl({"页9", ControlKind::kPanel, "页面", 0, 0, 1, 1, "", true, 9}));

  WindowDesc flat;
  flat.controls = {{"标签", ControlKind::kLabel, "", 0, 0, 10, 10, ""}};
  HeadlessForm noPages(flat);
  EXPECT_EQ(noPages.AddPage(), -1);
  EXPECT_EQ(noPages.PageCount(), 0);
}

TEST(HeadlessFormFeedback, TheHandlersIntegerIsTheAnswer) {
  HeadlessForm form(SampleWindow());
  EXPECT_EQ(form.Fire("备用标签", FormEvent::kFeedback, {1007, 0, 5}), 0);  // no handler
  EXPECT_EQ(form.Fire("", FormEvent::kMayClose), 1);

  std::vector<Seen> seen;
  const intptr_t address = reinterpret_cast<intptr_t>(&seen);
  form.SetHandler([&](const std::string& control, FormEvent event, const FormEventArgs& a) {
    seen.push_back({control, event, a});
    return event == FormEvent::kFeedback ? a.value + 1 : 0;
  });
  EXPECT_EQ(form.Fire("备用标签", FormEvent::kFeedback, {1001, 0, address}), address + 1);
  EXPECT_EQ(form.Fire("备用标签", FormEvent::kFeedback, {1009, 0, -2}), -1);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].control, "备用标签");
  EXPECT_EQ(seen[0].args.index, 1001);
  EXPECT_EQ(seen[0].args.value, address);
  // A handler answering false still refuses a close.
  form.SetHandler([](const std::string&, FormEvent, const FormEventArgs&) { return false; });
  EXPECT_EQ(form.Fire("", FormEvent::kMayClose), 0);
}

}  // namespace
