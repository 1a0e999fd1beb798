// vemompi-regsvr: registers an in-process server module, as regsvr32 does.
//
//   vemompi-regsvr MODULE          calls the module's DllRegisterServer
//   vemompi-regsvr /u MODULE       calls its DllUnregisterServer (-u too)
//   vemompi-regsvr --help          the usage, on standard output
//   vemompi-regsvr --version       the tool's name and the module's version
//
// A MODULE named without a folder is looked for in the current folder
// first, as regsvr32 finds it, then where the system loader looks.
//
// Prints one line saying what it did: on success, on standard output, the
// module (its full path) and the registry file written; on failure, on
// standard error, the module and the reason (no such module, the loader's
// reason, the missing entry point, or the HRESULT in hexadecimal with, when
// the registry file is the cause, that file and why: permission denied, not
// a registry file).
//
// Exit codes: 0 the call answered S_OK (and --help, --version); 1 bad
// arguments or an unknown option (the usage goes to standard error); 3 the
// module cannot be loaded; 4 it lacks the entry point; 5 the call failed.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com/posix/loader.h"
#include "platform/registry/registry.h"
#include "platform/win/posix/winmod.h"
#include "tools/ToolOptions.h"

namespace {

const char kTool[] = "vemompi-regsvr";
const char kUsage[] =
    "usage: vemompi-regsvr [/u | -u] MODULE\n"
    "       vemompi-regsvr --help | --version\n"
    "Registers the in-process server MODULE (DllRegisterServer) in the registry file\n"
    "(VEMOMPI_REGISTRY), or unregisters it with /u (DllUnregisterServer). A MODULE\n"
    "without a folder is looked for in the current folder first.\n"
    "Exit codes: 0 done, 1 bad arguments, 3 the module cannot be loaded, 4 no such\n"
    "entry point, 5 the call failed.\n";

bool IsFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The path to load: a name without a folder that names a file in the
// current folder becomes that file's full path; anything else stays.
std::string ModulePath(const char* given) {
    std::string path = given;
    if (path.find('/') != std::string::npos || !IsFile(path)) return path;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof(cwd)) == nullptr) return "./" + path;
    std::string dir = cwd;
    return (dir == "/" ? dir : dir + "/") + path;
}

// Why the module could not be loaded.
std::string LoadFailure(const std::string& path) {
    bool bare = path.find('/') == std::string::npos;
    struct stat st;
    if (!bare && stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return "no such module";
        return std::strerror(errno);
    }
    if (!bare && S_ISDIR(st.st_mode)) return "a folder, not a module";
    const char* why = ModuleLoadErrorText();
    std::string text = why != nullptr && why[0] != '\0' ? why : "the loader refused it";
    if (bare && text.find("No such file") != std::string::npos)
        return "no such module (not in the current folder, nor where the loader looks)";
    return text;
}

std::string RegistryFile() {
    DWORD n = RegGetRegistryFileA(nullptr, 0);
    if (n == 0) return std::string();
    std::string file(n + 1, '\0');
    RegGetRegistryFileA(file.data(), n + 1);
    file.resize(n);
    return file;
}

// When the registry file is why the call failed: the file and the reason;
// empty otherwise.
std::string RegistryProblem() {
    std::string file = RegistryFile();
    if (file.empty()) return "no registry file (set VEMOMPI_REGISTRY)";
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_ALL_ACCESS, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    if (rc == ERROR_ACCESS_DENIED) return "registry file " + file + ": permission denied";
    if (rc == ERROR_REGISTRY_CORRUPT) return "registry file " + file + ": not a registry file";
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* given = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        int answered = tooloptions::AnswerCommon(a, kTool, kUsage);
        if (answered >= 0) return answered;
        if (std::strcmp(a, "/u") == 0 || std::strcmp(a, "-u") == 0 || std::strcmp(a, "/U") == 0 ||
            std::strcmp(a, "-U") == 0)
            unregister = true;
        else if (a[0] == '-' || a[0] == '\0' || given != nullptr)
            return tooloptions::Refuse(kTool, kUsage, a, 1);
        else
            given = a;
    }
    if (given == nullptr) return tooloptions::Refuse(kTool, kUsage, nullptr, 1);

    std::string path = ModulePath(given);
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "LoadLibrary(\"%s\") failed: %s\n", path.c_str(), LoadFailure(path).c_str());
        return 3;
    }
    auto fn = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, entry));
    if (fn == nullptr) {
        std::fprintf(stderr, "%s was not found in %s.\n", entry, path.c_str());
        FreeLibrary(module);
        return 4;
    }
    HRESULT hr = fn();
    FreeLibrary(module);
    if (hr != S_OK) {
        std::string problem = RegistryProblem();
        std::fprintf(stderr, "%s in %s failed. Return code was: 0x%08X%s%s\n", entry, path.c_str(),
                     static_cast<unsigned>(hr), problem.empty() ? "" : " (", problem.empty() ? "" : (problem + ")").c_str());
        return 5;
    }
    std::printf("%s in %s succeeded. Registry file: %s\n", entry, path.c_str(), RegistryFile().c_str());
    return 0;
}
