// The few names of our own beside the SDK on Windows.
#include "platform/win/win.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

// Windows Error Reporting neither asks nor collects a report for this
// process: the crash dialog is off (SEM_NOGPFAULTERRORBOX) and the
// program is excluded from reporting for the current user, so no dump of
// its memory is written by it. A debugger, or a dump that another program
// takes, is not prevented.
BOOL VemoDisableCoreDumps() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p != 0; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    // Through wer.dll, which the system may lack.
    HMODULE wer = LoadLibraryExW(L"wer.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (wer == nullptr) return FALSE;
    using ExcludeFn = HRESULT(WINAPI*)(PCWSTR, BOOL);
    auto exclude = reinterpret_cast<ExcludeFn>(reinterpret_cast<void*>(GetProcAddress(wer, "WerAddExcludedApplication")));
    BOOL done = exclude != nullptr && SUCCEEDED(exclude(name, FALSE)) ? TRUE : FALSE;
    FreeLibrary(wer);
    return done;
}

void VemoSetBinaryStdio() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}
