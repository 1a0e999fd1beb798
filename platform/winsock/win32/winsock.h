// Winsock 2.2 from the SDK (ws2_32).
#pragma once

#include "platform/win/win.h"
#include <ws2tcpip.h>
