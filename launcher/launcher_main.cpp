// uninst.exe: starts the uninstall engine kept beside it. The engine arrives with the uninstall
// work; until then the launcher only carries its resources and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
