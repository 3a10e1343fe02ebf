// setup.exe: the installer runtime's entry. Everything lives in the libraries; this file only
// wires the run context to the real platform and ends with the run's exit code.
#include <windows.h>

#include "startup/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return int(RunSetup()); }
