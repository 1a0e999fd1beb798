// The Windows modules as files, for both architectures (the x86 one cannot
// run on these machines, so this is what checks it): the PE format of the
// architecture, exactly the four exports of an in-process server with
// their plain names, imports of Windows' own DLLs only (the C++ runtime is
// linked in), and the resources the module carries (its type library, the
// version block, the dialogs). Read with the mingw-w64 objdump of each
// architecture; skipped with the reason when a build is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path BuildDir(const char* arch) {
    const char* env = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return fs::path(env != nullptr ? env : VEMOMPI_WINDOWS_BUILD) / arch;
}

std::string Capture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Arch {
    const char* dir;
    const char* tool;    // objdump of the architecture
    const char* format;  // as objdump names it
};

class WindowsModuleFile : public ::testing::TestWithParam<Arch> {};

TEST_P(WindowsModuleFile, IsAnInProcessServerOfItsArchitectureOnWindowsOwnDlls) {
    const Arch& a = GetParam();
    const fs::path module = BuildDir(a.dir) / "VemoMPIOCX.ocx";
    if (!fs::exists(module)) GTEST_SKIP() << "no " << module << " (scripts/build-windows.sh builds it)";
    if (Capture(std::string("command -v ") + a.tool).empty()) GTEST_SKIP() << "no " << a.tool;

    const std::string headers = Capture(std::string(a.tool) + " -f '" + module.string() + "'");
    EXPECT_NE(headers.find(std::string("file format ") + a.format), std::string::npos) << headers.substr(0, 300);

    const std::string pe = Capture(std::string(a.tool) + " -p '" + module.string() + "'");
    // The export table: exactly the four entry points, undecorated.
    std::set<std::string> exports;
    std::istringstream lines(pe);
    std::string line;
    std::set<std::string> imports;
    bool inExports = false;
    while (std::getline(lines, line)) {
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) inExports = true;
        else if (inExports && line.find('[') != std::string::npos && line.find(']') != std::string::npos) {
            std::string name = line.substr(line.find(']') + 1);
            name.erase(0, name.find_first_not_of(' '));
            exports.insert(name);
        } else if (inExports && line.find_first_not_of(" \t\r") == std::string::npos) {
            inExports = false;
        }
        const auto dll = line.find("DLL Name: ");
        if (dll != std::string::npos) imports.insert(Lower(line.substr(dll + 10)));
    }
    EXPECT_EQ(exports, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                              "DllUnregisterServer"}));
    const std::set<std::string> windowsOwn = {"advapi32.dll", "comctl32.dll", "gdi32.dll",    "kernel32.dll",
                                              "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "user32.dll",
                                              "version.dll",  "wininet.dll",  "ws2_32.dll",   "urlmon.dll",
                                              "shlwapi.dll",  "comdlg32.dll", "uuid.dll"};
    ASSERT_FALSE(imports.empty());
    for (const std::string& dll : imports)
        EXPECT_TRUE(windowsOwn.count(dll)) << dll << " is not one of Windows' own DLLs (a runtime left unlinked?)";
    EXPECT_TRUE(imports.count("ws2_32.dll") && imports.count("wininet.dll")) << "Winsock and WinINet are the SDK's";
}

TEST_P(WindowsModuleFile, CarriesItsTypeLibraryVersionAndDialogs) {
    const Arch& a = GetParam();
    const fs::path module = BuildDir(a.dir) / "VemoMPIOCX.ocx";
    if (!fs::exists(module)) GTEST_SKIP() << "no " << module << " (scripts/build-windows.sh builds it)";
    const std::string windres = std::string(a.tool).replace(std::string(a.tool).find("objdump"), 7, "windres");
    if (Capture("command -v " + windres).empty()) GTEST_SKIP() << "no " << windres;
    // windres reads the resource section back as a script.
    const std::string rc = Capture(windres + " -i '" + module.string() + "' -O rc 2>&1");
    EXPECT_NE(rc.find("1 \"TYPELIB\""), std::string::npos) << rc.substr(0, 400);
    EXPECT_NE(rc.find("VERSIONINFO"), std::string::npos);
    EXPECT_NE(rc.find("OLESelfRegister"), std::string::npos);
    for (const char* dialog : {"201 DIALOGEX", "264 DIALOGEX", "267 DIALOGEX"})
        EXPECT_NE(rc.find(dialog), std::string::npos) << "dialog " << dialog;
}

INSTANTIATE_TEST_SUITE_P(BothArchitectures, WindowsModuleFile,
                         ::testing::Values(Arch{"x86", "i686-w64-mingw32-objdump", "pei-i386"},
                                           Arch{"x64", "x86_64-w64-mingw32-objdump", "pei-x86-64"}),
                         [](const ::testing::TestParamInfo<Arch>& info) { return std::string(info.param.dir); });

}  // namespace
