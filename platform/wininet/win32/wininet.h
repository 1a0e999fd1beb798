// WinINet from the SDK (wininet.dll).
#pragma once

#include "platform/win/win.h"
#include <wininet.h>
