// OLE from the SDK: monikers, client sites, in-place activation.
#pragma once

#include "platform/com/com.h"
#include <oleidl.h>
#include <urlmon.h>
