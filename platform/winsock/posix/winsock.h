// Winsock 2.2 as the subsystems see it: the calls, types, constants and
// error numbers of the Windows API.
#pragma once

#include "platform/winsock/posix/winsock_api.h"

using namespace winsock_layer;  // NOLINT: the Winsock API lives in the global namespace on Windows

#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#define AF_INET winsock_layer::WSL_AF_INET
#define SOCK_STREAM winsock_layer::WSL_SOCK_STREAM
#define IPPROTO_TCP winsock_layer::WSL_IPPROTO_TCP
#define SOL_SOCKET winsock_layer::WSL_SOL_SOCKET
#define SO_LINGER winsock_layer::WSL_SO_LINGER
#define SO_SNDTIMEO winsock_layer::WSL_SO_SNDTIMEO
#define SO_RCVTIMEO winsock_layer::WSL_SO_RCVTIMEO
#define INADDR_NONE winsock_layer::WSL_INADDR_NONE
#define h_addr h_addr_list[0]
