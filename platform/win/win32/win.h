// Windows: the SDK is the platform. This adds the few names of our own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Winsock 2 before windows.h, which would otherwise bring the old winsock.h.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

#define LANG_KOREAN_DEFAULT ((LANGID)0x0412)  // 1042
#define LANG_ENGLISH_US ((LANGID)0x0409)      // 1033

#define CP_KOREAN 949
#define CP_WESTERN 1252

// Keeps this process's memory out of crash dumps (Windows Error Reporting's
// dialog and dump are turned off for it). For the tools that handle card
// data. Returns TRUE when it took effect.
BOOL VemoDisableCoreDumps();
// Puts standard input and output in binary mode (no CR LF translation, no
// end of input at ^Z), for tools that pass bytes through.
void VemoSetBinaryStdio();
