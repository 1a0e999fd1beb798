// The HTML document's interfaces and the document host UI handler from the SDK.
#pragma once

#include "platform/browser/win32/exdisp.h"
#include <mshtml.h>
#include <mshtmhst.h>
