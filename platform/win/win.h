// Win32 base types, error numbers, threads, national language and files.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/win/win32/win.h"
#else
#include "platform/win/posix/win.h"
#endif
