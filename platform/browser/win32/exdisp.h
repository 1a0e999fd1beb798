// The WebBrowser control's interfaces from the SDK.
#pragma once

#include "platform/com/olectl.h"
#include <exdisp.h>
#include <exdispid.h>

// Dispatch ids of IWebBrowser2's members that the module calls by id.
#ifndef DISPID_NAVIGATE2
#define DISPID_NAVIGATE2 500
#endif
#ifndef DISPID_DOCUMENT
#define DISPID_DOCUMENT 203
#endif
