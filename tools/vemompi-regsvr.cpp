// vemompi-regsvr: registers an in-process server module, as regsvr32 does.
//
//   vemompi-regsvr MODULE          calls the module's DllRegisterServer
//   vemompi-regsvr /u MODULE       calls its DllUnregisterServer (-u too)
//
// Prints one line saying what it did (with the HRESULT in hexadecimal when
// the call failed). Exit codes: 0 the call answered S_OK, 1 bad arguments,
// 3 the module cannot be loaded, 4 it lacks the entry point, 5 the call
// failed.
#include <cstdio>
#include <cstring>

#include "platform/com/loader.h"
#include "platform/win/winmod.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: vemompi-regsvr [/u | -u] MODULE\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "/u") == 0 || std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "/U") == 0 ||
            std::strcmp(argv[i], "-U") == 0)
            unregister = true;
        else if (path == nullptr)
            path = argv[i];
        else
            return Usage();
    }
    if (path == nullptr) return Usage();

    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) {
        std::fprintf(stderr, "LoadLibrary(\"%s\") failed: %s\n", path, ModuleLoadErrorText());
        return 3;
    }
    auto fn = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, entry));
    if (fn == nullptr) {
        std::fprintf(stderr, "%s was not found in %s.\n", entry, path);
        FreeLibrary(module);
        return 4;
    }
    HRESULT hr = fn();
    FreeLibrary(module);
    if (hr != S_OK) {
        std::fprintf(stderr, "%s in %s failed. Return code was: 0x%08X\n", entry, path, static_cast<unsigned>(hr));
        return 5;
    }
    std::printf("%s in %s succeeded.\n", entry, path);
    return 0;
}
