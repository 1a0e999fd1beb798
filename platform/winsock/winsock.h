// Winsock 2.2.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/winsock/win32/winsock.h"
#else
#include "platform/winsock/posix/winsock.h"
#endif
