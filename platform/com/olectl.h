// OLE controls: pictures, fonts, property pages, connection points.
// One header, two implementations: the SDK's own on Windows (win32/),
// a layer of our own on POSIX systems (posix/).
#pragma once

#if defined(_WIN32)
#include "platform/com/win32/olectl.h"
#else
#include "platform/com/posix/olectl.h"
#endif
