// IObjectSafety from the SDK.
#pragma once

#include "platform/com/com.h"
#include <objsafe.h>
