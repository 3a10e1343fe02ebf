// The access lists that elevated runs give their folders, read back from the system. Under
// Wine the process counts as elevated (an administrator's token), so these run as an elevated
// install would.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/platform.h"
#include "system/folders.h"
#include "system/temp_names.h"
#include "tests/support/test_folder.h"

namespace {

struct Access {
  bool readable = false;   // the list could be read
  bool isProtected = false;  // nothing inherited from the parent
  std::string owner;
  std::map<std::string, DWORD> allowed;  // SID text -> mask, allow entries only
  int denied = 0;
};

std::string SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return "?";
  std::string out;
  for (LPWSTR c = text; *c; ++c) out += char(*c);
  LocalFree(text);
  return out;
}

Access ReadAccess(const std::string& folder) {
  Access access;
  const std::u16string wide = plat::GbkToUtf16(folder);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(wide.c_str()), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return access;
  access.readable = true;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision))
    access.isProtected = (control & SE_DACL_PROTECTED) != 0;
  if (owner) access.owner = SidText(owner);
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const ACE_HEADER* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      // Inherit-only entries (CREATOR OWNER) say what children get, not the folder.
      if (header->AceFlags & INHERIT_ONLY_ACE) continue;
      access.allowed[SidText(&allowed->SidStart)] |= allowed->Mask;
    } else {
      ++access.denied;
    }
  }
  LocalFree(descriptor);
  return access;
}

// Wine answers the set calls with success but keeps no access list on this machine's files:
// a read-back shows the one it makes up from the Unix mode (the user as owner, not protected).
// There the lists are printed and only the calls are checked; Windows keeps them.
bool KeptByThisSystem(const Access& access, const char* what) {
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (!wine || access.isProtected) return true;
  std::printf("note: Wine did not keep the access list of %s (read back: owner %s,", what,
              access.owner.c_str());
  for (const auto& [sid, mask] : access.allowed) std::printf(" %s:%08lx", sid.c_str(), mask);
  std::printf(")\n");
  return false;
}

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kOwnerRights[] = "S-1-3-4";
constexpr char kUsers[] = "S-1-5-32-545";

TEST(FolderAccess, TheProcessCountsAsElevatedUnderWine) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size));
  CloseHandle(token);
  EXPECT_NE(elevation.TokenIsElevated, 0u);
  EXPECT_TRUE(IsUserAnAdmin());
  EXPECT_TRUE(plat::IsElevated());
}

TEST(FolderAccess, AFreshFolderOfAnElevatedRunIsPrivate) {
  TestFolder folder;
  ASSERT_TRUE(plat::CreateFreshDirectory(folder / "own"));
  const Access access = ReadAccess(folder / "own");
  ASSERT_TRUE(access.readable);
  if (!KeptByThisSystem(access, "a fresh folder")) return;
  EXPECT_TRUE(access.isProtected);
  EXPECT_EQ(access.owner, kAdministrators);
  EXPECT_EQ(access.allowed.size(), 3u);
  EXPECT_EQ(access.allowed.count(kSystem), 1u);
  EXPECT_EQ(access.allowed.count(kAdministrators), 1u);
  EXPECT_EQ(access.allowed.count(kOwnerRights), 1u);
  for (const auto& [sid, mask] : access.allowed)
    EXPECT_EQ(mask & FILE_ALL_ACCESS, DWORD(FILE_ALL_ACCESS)) << sid;
  EXPECT_EQ(access.denied, 0);

  // The generated own folders of a run (work folder, 7-zip32.dll's) are made the same way.
  const std::string own = CreateOwnTempFolder(folder.Path());
  ASSERT_FALSE(own.empty());
  const Access ownAccess = ReadAccess(own);
  EXPECT_TRUE(ownAccess.isProtected);
  EXPECT_EQ(ownAccess.allowed.size(), 3u);
  EXPECT_EQ(ownAccess.allowed.count(kUsers), 0u);
  EXPECT_TRUE(RemoveOwnTempFolder(own));
}

TEST(FolderAccess, AnInstallFolderOutsideProgramFilesGetsTheProgramFolderList) {
  TestFolder folder;
  const std::string top = folder / "Apps";
  ASSERT_TRUE(PrepareInstallFolder(top + "\\Vendor\\Product"));
  const Access access = ReadAccess(top);
  ASSERT_TRUE(access.readable);
  if (!KeptByThisSystem(access, "an install folder")) return;
  EXPECT_TRUE(access.isProtected);
  EXPECT_EQ(access.allowed.count(kSystem), 1u);
  EXPECT_EQ(access.allowed.count(kAdministrators), 1u);
  ASSERT_EQ(access.allowed.count(kUsers), 1u);
  const DWORD users = access.allowed.at(kUsers);
  EXPECT_EQ(users & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC), 0u);
  EXPECT_EQ(users & FILE_GENERIC_READ, DWORD(FILE_GENERIC_READ));
  EXPECT_EQ(users & FILE_EXECUTE, DWORD(FILE_EXECUTE));
  // The levels below inherit it.
  const Access below = ReadAccess(top + "\\Vendor\\Product");
  EXPECT_FALSE(below.isProtected);
  EXPECT_EQ(below.allowed.count(kUsers), 1u);

  // A folder that existed keeps its own list; so does one inside Program Files.
  ASSERT_TRUE(plat::CreateDirectory(folder / "Existing"));
  const Access before = ReadAccess(folder / "Existing");
  ASSERT_TRUE(PrepareInstallFolder(folder / "Existing"));
  EXPECT_EQ(ReadAccess(folder / "Existing").allowed, before.allowed);
  EXPECT_TRUE(IsUnderProgramFiles(plat::GetEnv("ProgramFiles") + "\\Vendor"));
  EXPECT_FALSE(IsUnderProgramFiles(plat::GetEnv("ProgramFiles") + "X\\Vendor"));
}

}  // namespace
