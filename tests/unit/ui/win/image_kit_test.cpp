// The image-control kit on real windows: one subclass per parent, the colour answers for
// managed children only, and where a picture box puts its image.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include "tests/support/win_display.h"
#include "tests/unit/ui/ui_test_samples.h"
#include "ui/win32/gdi_picture.h"
#include "ui/win32/image_kit.h"

namespace {

// The parent's own procedure: counts the colour questions it is asked and answers with a
// brush of its own.
int g_parentColourQuestions = 0;
HBRUSH g_parentBrush = nullptr;

LRESULT CALLBACK TestParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT) {
    ++g_parentColourQuestions;
    return reinterpret_cast<LRESULT>(g_parentBrush);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class ImageKit : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
    WNDCLASSW cls{};
    cls.lpfnWndProc = TestParentProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = L"ImageKitTestParent";
    RegisterClassW(&cls);
    g_parentBrush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    g_parentColourQuestions = 0;
    parent = CreateWindowExW(0, L"ImageKitTestParent", L"kit", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                             0, 0, 200, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    if (parent) DestroyWindow(parent);
  }
  HWND Child(int x) {
    return CreateWindowExW(0, L"Static", L"x", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, 0, 40,
                           20, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  static intptr_t I(HWND h) { return reinterpret_cast<intptr_t>(h); }

  HWND parent = nullptr;
};

TEST_F(ImageKit, AParentIsSubclassedOnceHoweverManyChildrenAttach) {
  EXPECT_FALSE(image_kit::Attach(0, image_kit::kTransparentEdit));
  HWND a = Child(0), b = Child(50);
  ASSERT_TRUE(image_kit::Attach(I(a), image_kit::kTransparentEdit));
  const LONG_PTR subclassed = GetWindowLongPtrW(parent, GWLP_WNDPROC);
  EXPECT_NE(subclassed, reinterpret_cast<LONG_PTR>(TestParentProc));
  EXPECT_EQ(GetPropW(parent, L"PngControl_WndProc"), reinterpret_cast<HANDLE>(TestParentProc));
  ASSERT_TRUE(image_kit::Attach(I(b), image_kit::kPictureBox));
  EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), subclassed);
  EXPECT_EQ(GetPropW(parent, L"PngControl_WndProc"), reinterpret_cast<HANDLE>(TestParentProc));
  // The styles the kit needs for transparency.
  EXPECT_FALSE(GetWindowLongPtrW(a, GWL_STYLE) & WS_CLIPSIBLINGS);
  EXPECT_TRUE(GetWindowLongPtrW(a, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_FALSE(GetWindowLongPtrW(parent, GWL_STYLE) & WS_CLIPCHILDREN);
  EXPECT_EQ(image_kit::TypeOf(I(a)), image_kit::kTransparentEdit);
  EXPECT_EQ(image_kit::TypeOf(I(b)), image_kit::kPictureBox);
  wchar_t text[64] = {};
  GetWindowTextW(b, text, 64);
  EXPECT_EQ(std::wstring(text), test_support::Wide("彗星真彩控件.图片框"));
}

TEST_F(ImageKit, ColourQuestionsOfStrangersReachTheParentsOwnProcedure) {
  HWND stranger = Child(0), edit = Child(50);
  ASSERT_TRUE(image_kit::Attach(I(edit), image_kit::kTransparentEdit));
  image_kit::SetTextColour(I(edit), RGB(200, 10, 20));
  HDC dc = CreateCompatibleDC(nullptr);
  for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT}) {
    g_parentColourQuestions = 0;
    EXPECT_EQ(SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), I(stranger)),
              reinterpret_cast<LRESULT>(g_parentBrush));
    EXPECT_EQ(g_parentColourQuestions, 1);
    // A managed child: transparent, in its own colour, and the old procedure is not asked.
    SetBkMode(dc, OPAQUE);
    EXPECT_EQ(SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), I(edit)),
              reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(g_parentColourQuestions, 1);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(GetTextColor(dc), RGB(200, 10, 20));
  }
  DeleteDC(dc);
}

TEST_F(ImageKit, PictureBoxPlacesItsImageAndFitNeverEnlarges) {
  ASSERT_TRUE(StartGdiPlus());
  const GdiPicture red = GdiPicture::Decode(ui_samples::BmpHalves(RGB(255, 0, 0), RGB(255, 0, 0)));  // 16 x 16
  ASSERT_TRUE(red.Valid());
  HWND box = reinterpret_cast<HWND>(image_kit::CreatePictureBox(I(parent), 10, 10, 64, 64));
  ASSERT_NE(box, nullptr);
  image_kit::SetBackImage(I(box), &red);
  struct Case {
    int backType;
    POINT inside, outside;  // a point the image covers, one it must not
  } cases[] = {
      {image_kit::kFit, {32, 32}, {10, 32}},      // centred at 16 x 16: 24..39
      {image_kit::kStretch, {2, 60}, {-1, -1}},   // everywhere
      {image_kit::kNatural, {4, 4}, {30, 30}},    // top-left 16 x 16
  };
  for (const Case& c : cases) {
    image_kit::SetBackType(I(box), c.backType);
    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(box);
    EXPECT_EQ(GetPixel(dc, c.inside.x, c.inside.y), RGB(255, 0, 0)) << c.backType;
    if (c.outside.x >= 0)
      EXPECT_EQ(GetPixel(dc, c.outside.x, c.outside.y), RGB(255, 255, 255)) << c.backType;
    ReleaseDC(box, dc);
  }
  // With no image at all only the captured background shows.
  image_kit::SetBackImage(I(box), nullptr);
  RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HDC dc = GetDC(box);
  EXPECT_EQ(GetPixel(dc, 32, 32), RGB(255, 255, 255));
  ReleaseDC(box, dc);
  EXPECT_NE(GetPropW(box, L"PngControl_CacheBitmap"), nullptr);
}

TEST_F(ImageKit, OneSharedToolTipWindow) {
  HWND a = Child(0), b = Child(50);
  image_kit::SetToolTip(I(a), "第一", false);
  image_kit::SetToolTip(I(b), "第二", true);
  image_kit::SetToolTip(I(a), "第一改", false);  // replaced, not added again
  EXPECT_NE(GetPropW(a, L"Comet_ToolTips"), nullptr);
  EXPECT_NE(GetPropW(b, L"Comet_ToolTips"), nullptr);
  HWND tip = FindWindowW(TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 1024);
}

}  // namespace
