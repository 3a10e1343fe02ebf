// What the Win32 form puts on screen for the look and structure calls, read back from the
// windows themselves: the font a control answers to WM_GETFONT, the colours its parent answers
// to WM_CTLCOLOR*, the pixels a picture paints, the icon the window answers to WM_GETICON, the
// windows of a copied subtree, an added page, and the feedback message's answer. They need a
// display and skip without one (tests/e2e/lib/xvfb.sh gives one).
#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/win_display.h"
#include "tests/unit/ui/ui_test_samples.h"
#include "ui/win32/win32_form.h"

namespace {

using ui_samples::SampleWindow;

using test_support::CanCreateWindows;

std::wstring W(const std::string& gbk) { return test_support::Wide(gbk); }

HWND Hwnd(const Form& form, const std::string& control) {
  return reinterpret_cast<HWND>(form.Handle(control));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf{};
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  EXPECT_NE(font, nullptr);
  EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), int(sizeof lf));
  return lf;
}

// What a control's parent answers to its WM_CTLCOLOR* message: the brush's colour and the
// text and background colours it left in the device context.
struct ColourAnswer {
  HBRUSH brush = nullptr;
  COLORREF brushColour = CLR_INVALID;
  COLORREF text = CLR_INVALID;
  COLORREF back = CLR_INVALID;
};

ColourAnswer AskColours(HWND control, UINT message) {
  ColourAnswer a;
  HDC dc = CreateCompatibleDC(nullptr);
  a.brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(control), message,
                                                  reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(control)));
  LOGBRUSH lb{};
  if (a.brush && GetObjectW(a.brush, sizeof lb, &lb)) a.brushColour = lb.lbColor;
  a.text = GetTextColor(dc);
  a.back = GetBkColor(dc);
  DeleteDC(dc);
  return a;
}

// The control painted into a bitmap of its size, read pixel by pixel.
class Snapshot {
 public:
  explicit Snapshot(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    // Something no control paints, so an unpainted pixel shows.
    HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc_, &r, marker);
    DeleteObject(marker);
    printed_ = PrintWindow(hwnd, dc_, PW_CLIENTONLY) != FALSE;
  }
  ~Snapshot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  bool Printed() const { return printed_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  bool printed_ = false;
};

// Colours compared with room for a lossy JPEG.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected, int room = 0) {
  int d = std::abs(int(GetRValue(actual)) - int(GetRValue(expected))) +
          std::abs(int(GetGValue(actual)) - int(GetGValue(expected))) +
          std::abs(int(GetBValue(actual)) - int(GetBValue(expected)));
  if (d <= room) return ::testing::AssertionSuccess();
  auto rgb = [](COLORREF c) {
    return "rgb(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
  };
  return ::testing::AssertionFailure() << "got " << rgb(actual) << ", want " << rgb(expected);
}

struct Event {
  std::string control;
  FormEvent event;
  FormEventArgs args;
};

class WinFormLook : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanCreateWindows()) GTEST_SKIP() << "no display (run under tests/e2e/lib/xvfb.sh)";
    form = std::make_unique<Win32Form>(SampleWindow());
    ASSERT_TRUE(form->Valid());
    form->SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& a) {
      events.push_back({control, event, a});
      return answer ? answer(control, event, a) : intptr_t(1);
    });
  }

  std::unique_ptr<Win32Form> form;
  std::vector<Event> events;
  std::function<intptr_t(const std::string&, FormEvent, const FormEventArgs&)> answer;
};

TEST_F(WinFormLook, AControlsFontIsOwnedByTheFormSharedAndReadableFromTheControl) {
  const int dpi = ScreenDpi();
  LOGFONTW standard = FontOf(Hwnd(*form, "标题"));
  EXPECT_STREQ(standard.lfFaceName, L"SimSun");
  EXPECT_EQ(standard.lfHeight, -MulDiv(9, dpi, 72));
  EXPECT_EQ(form->Font("标题"), FontSpec{});

  const struct {
    const char* control;
    FontSpec font;
    const wchar_t* face;
  } cases[] = {
      {"标题", {"宋体", 12, true}, nullptr},
      {"路径", {"", 14, false}, L"SimSun"},  // "" is the standard face
      {"选项", {"黑体", 0, true}, nullptr},  // below 1 point: the standard size
      {"树", {"Tahoma", 10, false}, nullptr},
      {"备用组", {"宋体", 11, false}, nullptr},  // a host of the form's own class
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    form->SetFont(c.control, c.font);
    EXPECT_EQ(form->Font(c.control), c.font);
    LOGFONTW lf = FontOf(Hwnd(*form, c.control));
    EXPECT_EQ(std::wstring(lf.lfFaceName), c.face ? std::wstring(c.face) : W(c.font.face));
    EXPECT_EQ(lf.lfHeight, -MulDiv(c.font.points < 1 ? 9 : c.font.points, dpi, 72));
    EXPECT_EQ(lf.lfWeight, c.font.bold ? FW_BOLD : FW_NORMAL);
  }
  // One GDI font per distinct font: the same font twice is one object; another is another.
  form->SetFont("按钮", {"宋体", 12, true});
  HGDIOBJ shared = reinterpret_cast<HGDIOBJ>(SendMessageW(Hwnd(*form, "按钮"), WM_GETFONT, 0, 0));
  EXPECT_EQ(shared, reinterpret_cast<HGDIOBJ>(SendMessageW(Hwnd(*form, "标题"), WM_GETFONT, 0, 0)));
  EXPECT_NE(shared, reinterpret_cast<HGDIOBJ>(SendMessageW(Hwnd(*form, "树"), WM_GETFONT, 0, 0)));
  // The form's fonts go with the form, after its windows.
  form.reset();
  LOGFONTW gone{};
  EXPECT_EQ(GetObjectW(shared, sizeof gone, &gone), 0);
}

TEST_F(WinFormLook, ColoursAreAnsweredByTheParentForThatControlOnly) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ColourAnswer before = AskColours(Hwnd(*form, "标题"), WM_CTLCOLORSTATIC);
  EXPECT_NE(before.brushColour, RGB(0, 128, 0));

  form->SetTextColour("标题", RGB(255, 0, 0));
  form->SetBackColour("标题", RGB(0, 128, 0));
  form->SetBackColour("路径", RGB(0, 128, 0));
  form->SetTextColour("选项", RGB(0, 0, 255));
  EXPECT_EQ(form->TextColour("标题"), RGB(255, 0, 0));
  EXPECT_EQ(form->BackColour("标题"), RGB(0, 128, 0));
  EXPECT_EQ(form->ButtonFaceColour(), face);

  ColourAnswer label = AskColours(Hwnd(*form, "标题"), WM_CTLCOLORSTATIC);
  EXPECT_EQ(label.brushColour, RGB(0, 128, 0));
  EXPECT_EQ(label.text, RGB(255, 0, 0));
  EXPECT_EQ(label.back, RGB(0, 128, 0));
  // The same colour elsewhere is the same brush; an edit box asks with WM_CTLCOLOREDIT.
  ColourAnswer edit = AskColours(Hwnd(*form, "路径"), WM_CTLCOLOREDIT);
  EXPECT_EQ(edit.brush, label.brush);
  EXPECT_EQ(edit.text, GetSysColor(COLOR_WINDOWTEXT));
  // Text colour alone keeps the system's background.
  ColourAnswer box = AskColours(Hwnd(*form, "选项"), WM_CTLCOLORSTATIC);
  EXPECT_EQ(box.text, RGB(0, 0, 255));
  EXPECT_EQ(box.back, face);
  // A neighbour without colours is not touched.
  form->AddControl({"邻居", ControlKind::kLabel, "页0", 10, 210, 50, 16, "邻居"});
  ColourAnswer neighbour = AskColours(Hwnd(*form, "邻居"), WM_CTLCOLORSTATIC);
  EXPECT_NE(neighbour.brush, label.brush);
  EXPECT_NE(neighbour.text, RGB(255, 0, 0));

  // Back to the system's colours.
  form->SetTextColour("标题", kSystemColour);
  form->SetBackColour("标题", kSystemColour);
  ColourAnswer reset = AskColours(Hwnd(*form, "标题"), WM_CTLCOLORSTATIC);
  EXPECT_NE(reset.brush, label.brush);
  EXPECT_NE(reset.text, RGB(255, 0, 0));

  // Trees and lists take theirs by their own messages.
  form->SetTextColour("树", RGB(10, 20, 30));
  form->SetBackColour("树", RGB(200, 210, 220));
  EXPECT_EQ(SendMessageW(Hwnd(*form, "树"), TVM_GETTEXTCOLOR, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(SendMessageW(Hwnd(*form, "树"), TVM_GETBKCOLOR, 0, 0), RGB(200, 210, 220));
  form->SetBackColour("列表", RGB(200, 210, 220));
  EXPECT_EQ(SendMessageW(Hwnd(*form, "列表"), LVM_GETBKCOLOR, 0, 0), RGB(200, 210, 220));

  // A panel paints its own background.
  form->SetBackColour("备用框", RGB(250, 240, 10));
  HWND panel = Hwnd(*form, "备用框");
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_TRUE(SendMessageW(panel, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(250, 240, 10));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);

  // A control without a background of its own lies on its host's colour; its own wins.
  form->SetBackColour("页0", RGB(1, 2, 3));
  ColourAnswer onPage = AskColours(Hwnd(*form, "邻居"), WM_CTLCOLORSTATIC);
  EXPECT_EQ(onPage.brushColour, RGB(1, 2, 3));
  EXPECT_EQ(onPage.back, RGB(1, 2, 3));
  EXPECT_EQ(AskColours(Hwnd(*form, "标题"), WM_CTLCOLORSTATIC).back, RGB(1, 2, 3));
  form->SetBackColour("标题", RGB(0, 128, 0));
  EXPECT_EQ(AskColours(Hwnd(*form, "标题"), WM_CTLCOLORSTATIC).back, RGB(0, 128, 0));
}

TEST_F(WinFormLook, PicturesOfEveryKindPaintAtNaturalSizeOverTheBackground) {
  form->SetVisible("", true);
  const COLORREF back = RGB(0x33, 0x66, 0x99);
  form->SetBackColour("图片", back);
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0);
  const struct {
    const char* what;
    Bytes bytes;
    COLORREF left, right;
    int room;
  } cases[] = {
      {"bmp", ui_samples::BmpHalves(red, blue), red, blue, 0},
      {"gif", ui_samples::AsBytes(ui_samples::kGifRedBlue), red, blue, 0},
      {"jpeg", ui_samples::AsBytes(ui_samples::kJpegRedBlue), red, blue, 60},
      {"png with alpha", ui_samples::AsBytes(ui_samples::kPngGreenClear), green, back, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(form->SetPicture("图片", c.bytes));
    EXPECT_EQ(form->Picture("图片"), c.bytes);
    Snapshot shot(Hwnd(*form, "图片"));
    ASSERT_TRUE(shot.Printed());
    EXPECT_TRUE(Near(shot.At(2, 8), c.left, c.room));
    EXPECT_TRUE(Near(shot.At(13, 8), c.right, c.room));
    // The control (40 x 30) is larger than the picture: the rest is background.
    EXPECT_TRUE(Near(shot.At(30, 8), back));
    EXPECT_TRUE(Near(shot.At(8, 24), back));
  }

  // A clone shows the same picture; bytes that are no picture show the background alone.
  ASSERT_TRUE(form->CloneControl("图片", "图片2"));
  EXPECT_TRUE(Near(Snapshot(Hwnd(*form, "图片2")).At(2, 8), green));
  EXPECT_FALSE(form->SetPicture("图片", "GIF89a and then nothing"));
  EXPECT_TRUE(Near(Snapshot(Hwnd(*form, "图片")).At(2, 8), back));
  EXPECT_TRUE(form->SetPicture("图片", ""));
  EXPECT_FALSE(form->SetPicture("标题", ui_samples::AsBytes(ui_samples::kGifRedBlue)));
}

TEST_F(WinFormLook, TheWindowIconComesFromAnIcoFileInBothSizes) {
  HWND window = Hwnd(*form, "");
  ASSERT_TRUE(form->SetWindowIcon(ui_samples::IconFile({16, 32, 48}, RGB(0, 200, 0))));
  auto sizeOf = [](HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return int(bm.bmWidth);
  };
  HICON big = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
  HICON small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  EXPECT_EQ(sizeOf(big), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(sizeOf(small), GetSystemMetrics(SM_CXSMICON));

  EXPECT_FALSE(form->SetWindowIcon(ui_samples::AsBytes(ui_samples::kPngGreenClear)));
  EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  ICONINFO info{};
  EXPECT_FALSE(GetIconInfo(big, &info));  // the replaced icon was the form's to destroy
  EXPECT_TRUE(form->SetWindowIcon(ui_samples::IconFile({32}, RGB(0, 0, 200))));
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);  // scaled from the one image
  EXPECT_TRUE(form->SetWindowIcon(""));
  EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(WinFormLook, ASubtreeCopiedIntoAnAddedPageIsOnScreenWhenThatPageIs) {
  form->SetVisible("", true);
  form->SetFont("备用标签", {"宋体", 12, false});
  form->SetTag("备用组", "组的标记");
  const int page = form->AddPage();
  EXPECT_EQ(page, 2);
  EXPECT_EQ(form->PageCount(), 3);
  ASSERT_TRUE(form->CloneControlInto("备用框", "页2", {"页面", page, "_页2"}));
  for (const char* name : {"页2", "备用标签_页2", "备用组_页2", "备用图片_页2"})
    ASSERT_NE(Hwnd(*form, name), nullptr) << name;
  EXPECT_EQ(GetParent(Hwnd(*form, "页2")), Hwnd(*form, "页面"));
  EXPECT_EQ(GetParent(Hwnd(*form, "备用标签_页2")), Hwnd(*form, "页2"));
  EXPECT_EQ(GetParent(Hwnd(*form, "备用图片_页2")), Hwnd(*form, "备用组_页2"));
  RECT model{}, copy{};
  GetWindowRect(Hwnd(*form, "备用图片"), &model);
  GetWindowRect(Hwnd(*form, "备用图片_页2"), &copy);
  MapWindowPoints(nullptr, Hwnd(*form, "备用组"), reinterpret_cast<POINT*>(&model), 2);
  MapWindowPoints(nullptr, Hwnd(*form, "备用组_页2"), reinterpret_cast<POINT*>(&copy), 2);
  EXPECT_TRUE(EqualRect(&model, &copy));
  EXPECT_EQ(form->Text("备用标签_页2"), "备用的传递消息");
  EXPECT_EQ(FontOf(Hwnd(*form, "备用标签_页2")).lfHeight, FontOf(Hwnd(*form, "备用标签")).lfHeight);
  EXPECT_EQ(form->Tag("备用组_页2"), "组的标记");
  EXPECT_FALSE(IsWindowVisible(Hwnd(*form, "页2")));  // page 0 is current

  form->SetCurrentPage(page);
  EXPECT_EQ(form->CurrentPage(), page);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().event, FormEvent::kPageChanged);
  EXPECT_EQ(events.back().args.index, page);
  EXPECT_TRUE(IsWindowVisible(Hwnd(*form, "页2")));
  EXPECT_TRUE(IsWindowVisible(Hwnd(*form, "备用标签_页2")));
  EXPECT_FALSE(IsWindowVisible(Hwnd(*form, "页0")));
  form->SetCurrentPage(0);
  EXPECT_FALSE(IsWindowVisible(Hwnd(*form, "页2")));

  // A host copied alone is an empty window in its new parent.
  ASSERT_TRUE(form->CloneControlInto("备用框", "外框", {"页面", -1, "", false}));
  EXPECT_EQ(GetParent(Hwnd(*form, "外框")), Hwnd(*form, "页面"));
  EXPECT_EQ(GetWindow(Hwnd(*form, "外框"), GW_CHILD), nullptr);

  // Refused copies make no windows.
  EXPECT_FALSE(form->CloneControlInto("备用框", "又一页", {"页面", page, "_页2"}));
  EXPECT_FALSE(form->CloneControlInto("备用框", "又一页", {"备用组", -1, "_x"}));
  EXPECT_FALSE(form->CloneControlInto("备用框", "又一页", {"页面", page + 1, "_x"}));
  EXPECT_FALSE(form->Has("又一页"));
  EXPECT_EQ(form->Handle("备用标签_x"), 0);
}

TEST_F(WinFormLook, TheFeedbackMessageReachesTheHandlerAndItsIntegerComesBack) {
  HWND label = Hwnd(*form, "备用标签");
  // A plug-in finds the label by its caption.
  EXPECT_EQ(FindWindowExW(Hwnd(*form, "备用框"), nullptr, L"Static", W("备用的传递消息").c_str()),
            label);
  int local = 0;
  const intptr_t address = reinterpret_cast<intptr_t>(&local);
  answer = [&](const std::string&, FormEvent event, const FormEventArgs& a) -> intptr_t {
    if (event != FormEvent::kFeedback) return 1;
    if (a.index == 1001) return address;
    return a.index == 1009 ? -1 : a.value * 2;
  };
  EXPECT_EQ(SendMessageW(label, kFeedbackMessage, 1007, 21), 42);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].control, "备用标签");
  EXPECT_EQ(events[0].event, FormEvent::kFeedback);
  EXPECT_EQ(events[0].args.index, 1007);
  EXPECT_EQ(events[0].args.value, 21);
  EXPECT_EQ(SendMessageW(label, kFeedbackMessage, 1001, 0), address);
  EXPECT_EQ(SendMessageW(label, kFeedbackMessage, 1009, address), -1);
  EXPECT_EQ(events.back().args.value, address);  // the value word arrives whole

  // Labels made later answer it too; other controls do not raise the event.
  ASSERT_TRUE(form->CloneControl("备用标签", "备用标签2"));
  EXPECT_EQ(SendMessageW(Hwnd(*form, "备用标签2"), kFeedbackMessage, 5, 4), 8);
  EXPECT_EQ(events.back().control, "备用标签2");
  const size_t before = events.size();
  EXPECT_EQ(SendMessageW(Hwnd(*form, "按钮"), kFeedbackMessage, 5, 4), 0);
  EXPECT_EQ(SendMessageW(Hwnd(*form, "备用框"), kFeedbackMessage, 5, 4), 0);
  EXPECT_EQ(events.size(), before);

  // A handler that ends the form answers 0.
  answer = [&](const std::string&, FormEvent, const FormEventArgs&) -> intptr_t {
    form.reset();
    return 99;
  };
  EXPECT_EQ(SendMessageW(label, kFeedbackMessage, 1, 1), 0);
  EXPECT_FALSE(IsWindow(label));
}

TEST_F(WinFormLook, TagsStayOnTheirControlAndAddedControlsAreRealWindows) {
  form->SetTag("", "窗口");
  form->SetTagNumber("按钮", 12345);
  EXPECT_EQ(form->Tag(""), "窗口");
  EXPECT_EQ(form->TagNumber("按钮"), 12345);
  EXPECT_EQ(form->Tag("标题"), "");

  ASSERT_TRUE(form->AddControl({"新标签", ControlKind::kLabel, "备用组", 4, 4, 60, 16, "新的"}));
  HWND added = Hwnd(*form, "新标签");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(GetParent(added), Hwnd(*form, "备用组"));
  EXPECT_EQ(form->Text("新标签"), "新的");
  EXPECT_EQ(form->NameOf(reinterpret_cast<intptr_t>(added)), "新标签");
  EXPECT_FALSE(form->AddControl({"新标签", ControlKind::kLabel, "", 0, 0, 1, 1, ""}));
  EXPECT_FALSE(form->AddControl({"孤儿", ControlKind::kLabel, "没有", 0, 0, 1, 1, ""}));
  EXPECT_FALSE(form->AddControl({"标签里的", ControlKind::kLabel, "新标签", 0, 0, 1, 1, ""}));
}

}  // namespace
