// Type information and type libraries.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/com/win32/typeinfo.h"
#else
#include "platform/com/posix/typeinfo.h"
#endif
