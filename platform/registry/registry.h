// The registry functions.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/registry/win32/registry.h"
#else
#include "platform/registry/posix/registry.h"
#endif
