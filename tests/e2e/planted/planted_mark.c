/* A stand-in for a file an attacker leaves in a download folder, named like a system DLL or a
   system program. Loaded or started, it leaves "<its own file name>.mark" beside itself; the
   test then fails on that file. The program exits 0 so that nothing else gives it away. */
#include <windows.h>

static void LeaveMark(HMODULE self) {
  wchar_t path[MAX_PATH + 8];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  lstrcatW(path, L".mark");
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

#ifdef PLANTED_PROGRAM
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)previous, (void)line, (void)show;
  LeaveMark(instance);
  return 0;
}
#else
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(instance);
  return TRUE;
}
#endif
