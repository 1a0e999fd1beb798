// The registry functions from the SDK (advapi32).
#pragma once

#include "platform/win/win.h"
#include <winreg.h>
