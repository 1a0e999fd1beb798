// IObjectSafety: safety options of a control.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/com/win32/objsafe.h"
#else
#include "platform/com/posix/objsafe.h"
#endif
