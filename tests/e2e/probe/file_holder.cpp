// Holds a file open the way a running program holds its data file: read access, sharing reads
// only, so nobody may write, rename or delete it meanwhile. Used by tests/e2e/rollback_e2e.sh.
//   file_holder.exe PATH MARK SECONDS
// Writes MARK (an empty file) once the handle is open, then waits SECONDS and exits 0;
// exit code 1 when PATH cannot be opened. The path is taken in the ANSI code page (the test
// uses ASCII names).
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  HANDLE markFile = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (markFile != INVALID_HANDLE_VALUE) CloseHandle(markFile);
  Sleep(DWORD(std::atoi(argv[3])) * 1000);
  CloseHandle(held);
  return 0;
}
