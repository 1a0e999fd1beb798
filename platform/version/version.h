// File version resources.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/version/win32/version.h"
#else
#include "platform/version/posix/version.h"
#endif
