// The browser control's interfaces (exdisp.h): the system's WebBrowser on
// Windows (win32/), WebKitGTK behind the same interfaces on POSIX (webkit/).
#pragma once

#if defined(_WIN32)
#include "platform/browser/win32/exdisp.h"
#else
#include "platform/browser/webkit/exdisp.h"
#endif
