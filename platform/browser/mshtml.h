// The browser control's interfaces (mshtml.h): the system's WebBrowser on
// Windows (win32/), WebKitGTK behind the same interfaces on POSIX (webkit/).
#pragma once

#if defined(_WIN32)
#include "platform/browser/win32/mshtml.h"
#else
#include "platform/browser/webkit/mshtml.h"
#endif
