// OLE controls from the SDK: pictures, fonts, property pages, connection points.
#pragma once

#include "platform/com/com.h"
#include <ocidl.h>
#include <olectl.h>
