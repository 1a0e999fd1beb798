// File version resources from the SDK (version.dll).
#pragma once

#include "platform/win/win.h"
#include <winver.h>
