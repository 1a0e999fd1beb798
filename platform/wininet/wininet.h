// WinINet: the Internet functions and their error numbers.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/wininet/win32/wininet.h"
#else
#include "platform/wininet/posix/wininet.h"
#endif
