// Win32 implementation of platform.h (files); being filled in.
#include "platform/platform.h"
