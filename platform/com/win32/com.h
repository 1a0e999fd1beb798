// COM and OLE Automation from the SDK (ole32, oleaut32).
#pragma once

#include "platform/win/win.h"
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
