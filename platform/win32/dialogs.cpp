// Win32 implementation of platform.h (dialogs); being filled in.
#include "platform/platform.h"
