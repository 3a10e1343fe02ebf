// uninst.exe: starts the uninstall engine kept beside it. The engine arrives with the uninstall
// work; until then the launcher only carries its resources and ends.
#include "platform/win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // First of all, as in setup.exe: nothing beside the program or in the current folder loads.
  plat::win::RestrictLibrarySearch();
  return 0;
}
