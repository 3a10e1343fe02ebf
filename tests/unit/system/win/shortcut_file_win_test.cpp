// Real .lnk files written by CreateShortcutFile and read back through the shell's link object.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"
#include "system/shortcut_file.h"
#include "tests/support/test_folder.h"

#include <objbase.h>
#include <shldisp.h>
#include <shobjidl.h>

#include <algorithm>
#include <vector>

namespace {

std::wstring W(const std::string& gbk) {
  const std::u16string u = plat::GbkToUtf16(gbk);
  return std::wstring(u.begin(), u.end());
}

std::string G(const wchar_t* wide) {
  const std::wstring w(wide);
  return plat::Utf16ToGbk(std::u16string(w.begin(), w.end()));
}

struct LinkContents {
  std::string target, targetFromIdList, arguments, workingFolder, description, iconPath;
  int iconIndex = -1;
  int showCmd = -1;
  WORD hotkey = 0xFFFF;
};

bool ReadLink(const std::string& path, LinkContents& out) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(W(path).c_str(), STGM_READ));
  if (ok) {
    wchar_t buffer[1024];
    link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
    out.target = G(buffer);
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (SUCCEEDED(link->GetIDList(&pidl)) && pidl) {
      if (SHGetPathFromIDListW(pidl, buffer)) out.targetFromIdList = G(buffer);
      CoTaskMemFree(pidl);
    }
    link->GetArguments(buffer, 1024);
    out.arguments = G(buffer);
    link->GetWorkingDirectory(buffer, 1024);
    out.workingFolder = G(buffer);
    link->GetDescription(buffer, 1024);
    out.description = G(buffer);
    link->GetIconLocation(buffer, 1024, &out.iconIndex);
    out.iconPath = G(buffer);
    link->GetShowCmd(&out.showCmd);
    link->GetHotkey(&out.hotkey);
  }
  if (file) file->Release();
  link->Release();
  return ok;
}

class ShortcutFileWin : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
  TestFolder folder_;
};

TEST_F(ShortcutFileWin, WritesEveryPropertyAndReadsItBack) {
  const std::string install = folder_ / "程序";
  ASSERT_TRUE(plat::CreateDirectories(install));
  std::string target = install + "\\app.exe";
  ASSERT_TRUE(plat::WriteFileBytes(target, "MZ"));
  std::string link = folder_ / "演示快捷方式";
  ASSERT_TRUE(CreateShortcutFile(link, target, "/s \"C:\\a b\"", install + "\\app.ico,2", 7,
                                 "演示说明", std::string("CTRL+ALT+A")));
  EXPECT_EQ(link, folder_ / "演示快捷方式.lnk");
  ASSERT_TRUE(plat::FileExists(link));

  LinkContents got;
  ASSERT_TRUE(ReadLink(link, got));
  // Wine keeps the raw path of a link in the ANSI code page, so a Chinese folder reads back as
  // "?"; the item list holds the real path.
  EXPECT_EQ(got.targetFromIdList, target);
  EXPECT_EQ(got.arguments, "/s \"C:\\a b\"");
  EXPECT_EQ(got.workingFolder, install + "\\");
  EXPECT_EQ(got.description, "演示说明");
  EXPECT_EQ(got.iconPath, install + "\\app.ico");
  EXPECT_EQ(got.iconIndex, 2);
  // Wine's link object reads every show command back as 1; the file header holds what was
  // stored (ShowCommand at 0x3C of the link header).
  Bytes bytes;
  ASSERT_TRUE(plat::ReadFileBytes(link, bytes));
  ASSERT_GT(bytes.size(), 0x40u);
  EXPECT_EQ(uint8_t(bytes[0x3C]), 7);
  EXPECT_EQ(got.hotkey, WORD('A' | ((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8)));
}

TEST_F(ShortcutFileWin, DefaultsAndReplacingAnExistingLink) {
  std::string target = folder_ / "a.exe";
  ASSERT_TRUE(plat::WriteFileBytes(target, "MZ"));
  std::string link = folder_ / "A.LNK";
  ASSERT_TRUE(plat::WriteFileBytes(link, "not a link"));
  ASSERT_TRUE(CreateShortcutFile(link, target, ""));
  EXPECT_EQ(link, folder_ / "A.LNK");
  LinkContents got;
  ASSERT_TRUE(ReadLink(link, got));
  EXPECT_EQ(got.target, target);
  EXPECT_EQ(got.targetFromIdList, target);
  EXPECT_EQ(got.workingFolder, folder_.Path());
  EXPECT_EQ(got.iconPath, target);
  EXPECT_EQ(got.iconIndex, 0);
  EXPECT_EQ(got.hotkey, 0);
}

TEST_F(ShortcutFileWin, TargetWithoutFolderWritesNothing) {
  std::string target = "a.exe";
  std::string link = folder_ / "bare";
  EXPECT_FALSE(CreateShortcutFile(link, target, ""));
  EXPECT_FALSE(plat::PathExists(link));
}

// The captions of the shell verbs of `folder`\`file`, as "Shell.Application" lists them.
std::vector<std::wstring> VerbNames(const std::string& folder, const std::string& file) {
  std::vector<std::wstring> names;
  IShellDispatch* shell = nullptr;
  if (FAILED(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                              reinterpret_cast<void**>(&shell))))
    return names;
  VARIANT where;
  VariantInit(&where);
  where.vt = VT_BSTR;
  where.bstrVal = SysAllocString(W(folder).c_str());
  Folder* space = nullptr;
  FolderItem* item = nullptr;
  FolderItemVerbs* verbs = nullptr;
  BSTR name = SysAllocString(W(file).c_str());
  long count = 0;
  if (SUCCEEDED(shell->NameSpace(where, &space)) && space &&
      SUCCEEDED(space->ParseName(name, &item)) && item && SUCCEEDED(item->Verbs(&verbs)) &&
      verbs && SUCCEEDED(verbs->get_Count(&count))) {
    for (long i = 0; i < count; ++i) {
      VARIANT index;
      VariantInit(&index);
      index.vt = VT_I4;
      index.lVal = i;
      FolderItemVerb* verb = nullptr;
      BSTR caption = nullptr;
      if (SUCCEEDED(verbs->Item(index, &verb)) && verb && SUCCEEDED(verb->get_Name(&caption)))
        names.push_back(caption ? caption : L"");
      SysFreeString(caption);
      if (verb) verb->Release();
    }
  }
  SysFreeString(name);
  VariantClear(&where);
  if (verbs) verbs->Release();
  if (item) item->Release();
  if (space) space->Release();
  shell->Release();
  return names;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : plat::ListDirectory(folder)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ShortcutFileWin, PinWithoutMatchingVerbDoesNothing) {
  const std::string exe = folder_ / "a.exe";
  ASSERT_TRUE(plat::WriteFileBytes(exe, "MZ"));
  // The premise: Wine's shell offers no verb with the system's pin or unpin caption.
  for (UINT id : {5386u, 5387u}) {
    wchar_t caption[256] = {};
    if (HMODULE shell32 = LoadLibraryW(L"Shell32.dll")) {
      LoadStringW(shell32, id, caption, 256);
      FreeLibrary(shell32);
    }
    for (const std::wstring& verb : VerbNames(folder_.Path(), "a.exe"))
      ASSERT_TRUE(caption[0] == 0 || verb != caption) << id;
  }
  const std::string pinned = plat::GetEnv("APPDATA") +
                             "\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar";
  const std::vector<std::string> pinnedBefore = Listing(pinned);

  SetTaskbarPin(folder_.Path(), "a.exe", true);
  SetTaskbarPin(folder_.Path(), "a.exe", false);
  SetTaskbarPin(folder_.Path(), "missing.exe", false);
  SetTaskbarPin(folder_ / "no such folder", "a.exe", true);

  // No verb ran: the folder holds its one file unchanged, nothing was pinned, and the
  // caller's COM apartment is still there (the call balanced its own initialisation).
  EXPECT_EQ(Listing(folder_.Path()), std::vector<std::string>{"a.exe"});
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(exe, content));
  EXPECT_EQ(content, "MZ");
  EXPECT_EQ(Listing(pinned), pinnedBefore);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  CoUninitialize();
}

}  // namespace
