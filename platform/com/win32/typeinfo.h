// Type information and type libraries from the SDK (oleaut32), and the
// module's type library description as data (typedesc.h).
#pragma once

#include "platform/com/com.h"
#include "platform/com/typedesc.h"
#include <oaidl.h>

// ASCII text of a name as a BSTR (names in type libraries are ASCII).
BSTR AsciiToBstr(const char* text);
