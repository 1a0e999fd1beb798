// Win32 base types, error numbers and the small set of kernel and
// national-language calls the subsystems use, implemented on POSIX.
#pragma once

#include <cstddef>
#include <cstdint>

// Calling conventions: Windows' stdcall on x86; nothing here.
#ifndef WINAPI
#define WINAPI
#endif
#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

// ---------------------------------------------------------------- types

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef char16_t WCHAR;  // UTF-16 code unit, as on Windows
typedef char16_t OLECHAR;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef WORD LANGID;
typedef DWORD LCID;
typedef int32_t HRESULT;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef const char* LPCTSTR;
typedef char* LPTSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAKEWORD(lo, hi) ((WORD)(((BYTE)(lo)) | (((WORD)((BYTE)(hi))) << 8)))
#define LOBYTE(w) ((BYTE)(((DWORD)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD)(w)) >> 8) & 0xff))
#define LOWORD(l) ((WORD)(((DWORD)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD)(l)) >> 16) & 0xffff))
#define MAKELONG(lo, hi) ((LONG)(((WORD)(lo)) | (((DWORD)((WORD)(hi))) << 16)))

// ---------------------------------------------------------------- errors

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_INVALID_DATA 13L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BADKEY 1010L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_REGISTRY_CORRUPT 1015L
#define ERROR_KEY_DELETED 1018L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

void SetLastError(DWORD dwErrCode);
DWORD GetLastError();

// ---------------------------------------------------------------- threads

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

// Starts a worker thread at once. The thread is detached: nothing ever joins
// it, and the returned handle only names it. The handle must be released with
// CloseHandle; closing it does not affect the thread.
HANDLE CreateThread(void* lpThreadAttributes, size_t dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId);
BOOL CloseHandle(HANDLE hObject);
DWORD GetCurrentThreadId();
void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();

// Debugger output: standard error when VEMOMPI_DEBUG is set, nowhere otherwise.
void OutputDebugStringA(LPCSTR lpOutputString);

// ---------------------------------------------------------------- secrets in memory

// Fills cnt bytes at ptr with zeros, in a way the optimiser never removes,
// however dead the buffer is afterwards: for buffers that held a card
// number, an expiry date or a sealed text. Returns ptr. (On Windows the
// SDK's own.)
void* SecureZeroMemory(void* ptr, size_t cnt);

// Keeps this process's memory out of core dumps: no core file (RLIMIT_CORE
// 0) and not dumpable. For the tools that handle card data. Returns TRUE
// when both took effect.
BOOL VemoDisableCoreDumps();
// Puts standard input and output in binary mode, for tools that pass bytes
// through: nothing to do on POSIX systems, where they always are.
void VemoSetBinaryStdio();

// ---------------------------------------------------------------- language and code pages

#define LANG_KOREAN_DEFAULT ((LANGID)0x0412)  // 1042
#define LANG_ENGLISH_US ((LANGID)0x0409)      // 1033

// The system language from LC_ALL, LC_MESSAGES and LANG (the first one set):
// 1042 when it starts with "ko", 1033 otherwise.
LANGID GetSystemDefaultLangID();
LANGID GetUserDefaultLangID();

#define CP_ACP 0
#define CP_UTF8 65001
#define CP_KOREAN 949
#define CP_WESTERN 1252

// The ANSI code page: 949 on a Korean system, 1252 otherwise.
UINT GetACP();

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

// As on Windows: cbMultiByte / cchWideChar of -1 means "NUL-terminated, the
// NUL included"; an output size of 0 asks for the size needed. Characters the
// code page cannot hold become "?" (lpUsedDefaultChar reports it); bytes that
// are not valid in the code page become U+FFFD, except the five undefined
// bytes of code page 1252, which map to the C1 controls as on Windows.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar);

// ---------------------------------------------------------------- strings

int lstrlenA(LPCSTR lpString);
int lstrlenW(LPCWSTR lpString);
// Copies at most iMaxLength - 1 characters and always terminates.
LPSTR lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);

// ---------------------------------------------------------------- files and directories

#define MAX_PATH 260

// File names given to the platform layers use the Windows separator "\"
// (or "/"); both name the same directory levels.

// The system directory: the value of VEMOMPI_SYSTEM_DIR, or
// "/usr/lib/vemompi/system32" when the variable is unset or empty, without a
// trailing separator, in the ANSI code page. As on Windows: returns the
// length copied (NUL not counted); when the buffer is too small, returns the
// size needed (NUL counted) and leaves the buffer as it was; 0 on failure.
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
