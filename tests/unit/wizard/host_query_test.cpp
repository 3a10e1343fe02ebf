// The host query: what each request reads from or changes in the session.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/host_query.h"

namespace {

// A headless wizard whose controls have window handles: the last name asked for is kept, and
// every control answers the same non-zero handle.
struct HandleForm : HeadlessForm {
  HandleForm() : HeadlessForm(WizardWindowDesc()) {}
  mutable std::string asked;
  intptr_t Handle(const std::string& control) const override {
    asked = control;
    return 77;
  }
};

TEST(HostQuery, WindowsOfThePagesAndButtons) {
  struct Case {
    int request;
    intptr_t parameter;
    const char* control;  // "" = answers 0 without asking the form
  } cases[] = {
      {1001, 0, "图片框1"},     {1001, 1, "图片框6"},       {1001, 2, "图片框2"},
      {1001, 3, "图片框3"},     {1001, 4, "图片框5"},       {1001, 5, "图片框4"},
      {1001, 6, ""},            {1001, -1, ""},             {1002, 101, "上一步_按钮"},
      {1002, 102, "下一步_按钮"}, {1002, 103, "取消按钮_主窗口"}, {1002, 104, ""},
      {1002, 0, ""},
  };
  for (const Case& c : cases) {
    InstallSession session;
    HandleForm form;
    session.form = &form;
    const intptr_t answer = HostQuery(session, c.request, c.parameter, 0);
    EXPECT_EQ(answer, *c.control ? 77 : 0) << c.request << " " << c.parameter;
    EXPECT_EQ(form.asked, c.control) << c.request << " " << c.parameter;
  }
  InstallSession windowless;
  EXPECT_EQ(HostQuery(windowless, 1001, 0, 0), 0);
  EXPECT_EQ(HostQuery(windowless, 1002, 101, 0), 0);
}

// A 64-bit parameter whose low half is a sub-code is not that sub-code.
TEST(HostQuery, ParametersBeyond32BitsAreNoSubCode) {
  if (sizeof(intptr_t) < 8) GTEST_SKIP() << "every parameter is 32 bits here";
  const int64_t high = int64_t(1) << 32;
  InstallSession session;
  HandleForm form;
  session.form = &form;
  session.run.package.showSpace = true;
  EXPECT_EQ(HostQuery(session, 1002, intptr_t(high + 101), 0), 0);
  EXPECT_EQ(HostQuery(session, 1007, intptr_t(high + 1), 0), 0);
  HostQuery(session, 8888, intptr_t(high + 2), 1);
  EXPECT_FALSE(session.plugins.tickCallback);
}

TEST(HostQuery, ListsAndTextsPluginsHandIn) {
  WizardRun r;
  std::string text = "a.dll";
  auto at = [&text] { return reinterpret_cast<intptr_t>(text.c_str()); };
  EXPECT_EQ(HostQuery(r.session, 1021, at(), 0), 0);
  text = "b.dll,c.dll";
  HostQuery(r.session, 1021, at(), 0);
  EXPECT_EQ(r.session.lists.excludeList, "a.dll,b.dll,c.dll");
  HostQuery(r.session, 1022, at(), 0);
  EXPECT_EQ(r.session.lists.includeList, "b.dll,c.dll");

  text = "D:\\other\\payload.7z";
  HostQuery(r.session, 1023, at(), 0);
  text = "程序组";
  HostQuery(r.session, 1008, at(), 0);
  text.assign("changed afterwards");  // the session keeps copies
  EXPECT_EQ(r.session.alternativePayloadPath, "D:\\other\\payload.7z");
  EXPECT_EQ(r.session.programGroupOverride, "程序组");

  text = "新的脚本";
  HostQuery(r.session, 1012, at(), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(HostQuery(r.session, 1011, 0, 0)), "新的脚本");

  r.session.run.installPath = "C:\\App";
  EXPECT_STREQ(reinterpret_cast<const char*>(HostQuery(r.session, 1006, 0, 0)), "C:\\App");
  EXPECT_EQ(HostQuery(r.session, 1005, 0, 0), reinterpret_cast<intptr_t>(&r.session.finishOptions));

  HostQuery(r.session, 1004, 1, 0);
  EXPECT_EQ(r.session.run.startup.mainWindowVisible, 1);
  HostQuery(r.session, 1004, 0, 0);
  EXPECT_EQ(r.session.run.startup.mainWindowVisible, 0);

  EXPECT_EQ(HostQuery(r.session, 1021, 0, 0), 0);  // no text: nothing appended
  EXPECT_EQ(r.session.lists.excludeList, "a.dll,b.dll,c.dll");
  EXPECT_EQ(HostQuery(r.session, 4242, 1, 1), 0);
}

TEST(HostQuery, DiskSpaceAnswers) {
  WizardRun r;
  r.session.run.package.showSpace = true;
  EXPECT_EQ(HostQuery(r.session, 1007, 1, 0), 1);
  // The unit goes by the number of digits, not by the value.
  struct Case {
    int64_t bytes;
    const char* text;
  } cases[] = {{999, "999B"},           {1023, "1KB"},           {999999, "976.56KB"},
               {1000000, "0.95MB"},     {1048576, "1MB"},        {5368709120, "5GB"},
               {1099511627776, "1TB"},  {0, "0B"}};
  for (const Case& c : cases) {
    r.session.run.package.uncompressedSize = c.bytes;
    EXPECT_STREQ(reinterpret_cast<const char*>(HostQuery(r.session, 1007, 2, 0)), c.text) << c.bytes;
  }
}

TEST(HostQuery, TheTreeRebuildRoutineWorksWithoutArguments) {
  WizardRun r;
  r.session.wizard.scriptDocument =
      "\r\nTreelists\r\n｛\r\nInstall(){甲$,-1$,1$,真\r\n乙$,0$,0$,假\r\n}\r\n｝\r\n";
  auto rebuild = reinterpret_cast<int (*)()>(HostQuery(r.session, 1010, 0, 0));
  ASSERT_NE(rebuild, nullptr);
  EXPECT_EQ(rebuild(), 1);
  ASSERT_EQ(r.session.tree.items.size(), 2u);
  EXPECT_EQ(r.session.tree.items[1].text, "乙");
  EXPECT_TRUE(r.form.TreeCheck("树型框1", 0));
  EXPECT_FALSE(r.form.TreeCheck("树型框1", 1));
}

}  // namespace
