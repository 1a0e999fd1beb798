#include "platform/win/posix/winmod.h"

#include <dlfcn.h>
#include <string>

namespace {
thread_local std::string t_loadError;
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    t_loadError.clear();
    if (lpLibFileName == nullptr || lpLibFileName[0] == '\0') {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* module = dlopen(lpLibFileName, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        t_loadError = why != nullptr ? why : "";
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    return static_cast<HMODULE>(module);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    t_loadError.clear();
    if (hModule == nullptr || lpProcName == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(hModule, lpProcName);
    if (symbol == nullptr) {
        const char* why = dlerror();
        t_loadError = why != nullptr ? why : "";
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    // A function's address as dlsym gives it: the POSIX way to reach an export.
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    if (hLibModule == nullptr) return FALSE;
    return dlclose(hLibModule) == 0 ? TRUE : FALSE;
}

const char* ModuleLoadErrorText() { return t_loadError.c_str(); }

BOOL IsModuleLoaded(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr) return FALSE;
    void* module = dlopen(lpLibFileName, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (module == nullptr) return FALSE;
    dlclose(module);
    return TRUE;
}
