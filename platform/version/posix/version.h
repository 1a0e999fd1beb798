// File version information: the version resource (RT_VERSION) of PE files,
// 32-bit (PE32) and 64-bit (PE32+), read without loading them.
//
// The block that GetFileVersionInfoA fills holds the resource as it is in
// the file (VS_VERSIONINFO, UTF-16 texts) followed by room in which
// VerQueryValueA leaves the ANSI form of the texts asked for. Every offset
// and length read from the file or from the block is checked against the
// bounds it must lie in: a truncated or malformed file fails cleanly, and a
// part of the resource that does not fit the caller's buffer is simply
// absent.
#pragma once

#include "platform/win/win.h"

typedef UINT* PUINT;

#define RT_VERSION 16
#define VS_VERSION_INFO 1
#define VS_FFI_SIGNATURE 0xFEEF04BDL

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

// The size of the block that GetFileVersionInfoA needs for the whole
// resource, or 0 with the reason in GetLastError: ERROR_FILE_NOT_FOUND,
// ERROR_BAD_EXE_FORMAT (not a PE file, or headers out of bounds),
// ERROR_RESOURCE_DATA_NOT_FOUND (no resource section),
// ERROR_RESOURCE_TYPE_NOT_FOUND (no version resource),
// ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_INVALID_DATA (a version resource that
// is not a VS_VERSIONINFO). *lpdwHandle is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);

// Fills the block. A block smaller than the size above keeps as much of the
// resource as fits together with its room for texts (values beyond it are
// absent); one too small for the resource's header fails with
// ERROR_INSUFFICIENT_BUFFER.
BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);

// Looks a value up in a block filled by GetFileVersionInfoA:
//   "\\"                                the VS_FIXEDFILEINFO (its size in bytes)
//   "\\VarFileInfo\\Translation"        the language/code-page pairs (bytes)
//   "\\StringFileInfo\\040904B0\\Name"  a text, in the ANSI code page; *puLen
//                                       is its length in bytes with the NUL
// Names are compared without regard to the case of ASCII letters. FALSE when
// the value is absent.
BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen);
