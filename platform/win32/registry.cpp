// Win32 implementation of platform.h (registry); being filled in.
#include "platform/platform.h"
