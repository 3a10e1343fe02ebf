// Win32 implementation of platform.h (codec); being filled in.
#include "platform/platform.h"
