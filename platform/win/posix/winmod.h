// Loading modules (shared libraries) at run time, as the kernel's
// LoadLibrary, GetProcAddress and FreeLibrary do.
#pragma once

#include "platform/win/win.h"

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef void (*FARPROC)();

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

// The module at this path, loaded (or referenced once more); its symbols
// stay its own. Null with ERROR_MOD_NOT_FOUND when it cannot be loaded.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
#define LoadLibrary LoadLibraryA

// An export of the module; null with ERROR_PROC_NOT_FOUND when it has none.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);

// Gives back one reference; the module is unloaded with the last.
BOOL FreeLibrary(HMODULE hLibModule);

// Why the last LoadLibraryA or GetProcAddress on this thread failed, as the
// system loader tells it (empty when it did not).
const char* ModuleLoadErrorText();

// Whether the module of this path is loaded in the process.
BOOL IsModuleLoaded(LPCSTR lpLibFileName);
