// Self-registration of the VemoMPIOCX module into a fresh registry file:
// exactly the entries of a control, its type library and its property page;
// unregistration takes exactly those away; a registry that may not be
// written gives the two self-registration failures. And vemompi-regsvr,
// which drives both from the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "platform/com/posix/loader.h"
#include "platform/com/posix/regkeys.h"
#include "platform/win/posix/winmod.h"
#include "resources/VemoMPIOCX_version.h"
#include "tests/support/tempdir.h"

namespace {

const char kClsid[] = "{1176C766-9B4C-47B6-AE82-724A7FE6D23B}";
const char kPageClsid[] = "{601F0710-5859-4628-B72E-4E0D327807E8}";
const char kLibid[] = "{06396CDD-DA39-43EC-929E-C5F04083D399}";
const char kDispIid[] = "{FDB27683-0F6F-4CFA-A23A-65DF5547D31E}";
const char kEventsIid[] = "{5EE67094-8E4E-4414-8A2E-711EBAA0EEB6}";
const char kProgId[] = "VEMOMPIOCX.VemoMPIOCXCtrl.1";

std::string Text(const std::string& key, LPCSTR value = nullptr) {
    std::string text;
    if (com_layer::RegGetKeyText(HKEY_CLASSES_ROOT, key, value, &text) != ERROR_SUCCESS) return "<none>";
    return text;
}

bool KeyExists(const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::string ReadFile(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir / "registry.reg";
        setenv("VEMOMPI_REGISTRY", file.c_str(), 1);
        module = LoadLibraryA(VEMOMPI_MODULE);
        ASSERT_NE(module, nullptr) << ModuleLoadErrorText();
        reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllRegisterServer"));
        unreg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllUnregisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_NE(unreg, nullptr);
        char resolved[4096];
        ASSERT_NE(realpath(VEMOMPI_MODULE, resolved), nullptr);
        path = resolved;
    }
    void TearDown() override {
        if (module != nullptr) FreeLibrary(module);
    }
    void ReadOnly() { ASSERT_EQ(chmod(file.c_str(), 0444), 0); }
    // Puts an unrelated class into the registry, which must survive.
    void Neighbour() {
        ASSERT_EQ(com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}", nullptr,
                                           "Another Control"),
                  ERROR_SUCCESS);
    }

    TempDir dir;
    std::string file, path;
    HMODULE module = nullptr;
    LPFNREGISTERSERVER reg = nullptr, unreg = nullptr;
};

TEST_F(Registration, WritesTheControlItsTypeLibraryAndItsPage) {
    ASSERT_EQ(reg(), S_OK);
    const std::string c = std::string("CLSID\\") + kClsid;
    EXPECT_EQ(Text(c), "VemoMPIOCX Control");
    EXPECT_EQ(Text(c + "\\InprocServer32"), path) << "the module's absolute path";
    EXPECT_EQ(path[0], '/');
    EXPECT_EQ(Text(c + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Text(c + "\\ProgID"), kProgId);
    EXPECT_TRUE(KeyExists(c + "\\Control"));
    EXPECT_FALSE(KeyExists(c + "\\Insertable"));
    EXPECT_EQ(Text(c + "\\ToolboxBitmap32"), path + ", 1");
    EXPECT_EQ(Text(c + "\\MiscStatus"), "0");
    EXPECT_EQ(Text(c + "\\MiscStatus\\1"), "131473") << "0x20191";
    EXPECT_EQ(Text(c + "\\TypeLib"), kLibid);
    EXPECT_EQ(Text(c + "\\Version"), "1.0");
    EXPECT_EQ(Text(kProgId), "VemoMPIOCX Control");
    EXPECT_EQ(Text(std::string(kProgId) + "\\CLSID"), kClsid);

    const std::string t = std::string("TypeLib\\") + kLibid + "\\1.0";
    EXPECT_EQ(Text(t), "VemoMPIOCX ActiveX Control module");
    EXPECT_EQ(Text(t + "\\FLAGS"), "0");
    EXPECT_EQ(Text(t + (sizeof(void*) == 8 ? "\\0\\win64" : "\\0\\win32")), path);
    EXPECT_FALSE(KeyExists(t + "\\HELPDIR")) << "no help directory";
    for (const char* iid : {kDispIid, kEventsIid}) {
        const std::string i = std::string("Interface\\") + iid;
        EXPECT_EQ(Text(i + "\\TypeLib"), kLibid);
        EXPECT_EQ(Text(i + "\\TypeLib", "Version"), "1.0");
        EXPECT_EQ(Text(i + "\\ProxyStubClsid32"), "{00020420-0000-0000-C000-000000000046}");
    }
    EXPECT_EQ(Text(std::string("Interface\\") + kDispIid), "_DVemoMPIOCX");

    const std::string p = std::string("CLSID\\") + kPageClsid;
    EXPECT_EQ(Text(p), "VemoMPIOCX Property Page");
    EXPECT_FALSE(KeyExists(p + "\\InprocServer32")) << "the page is registered by its type name only";
    EXPECT_FALSE(KeyExists("VEMOMPIOCX.VemoMPIOCXPropPage.1"));
}

TEST_F(Registration, TwiceInARowAndBackToWhatWasThere) {
    Neighbour();
    ASSERT_EQ(reg(), S_OK);
    std::string once = ReadFile(file);
    ASSERT_EQ(reg(), S_OK);
    EXPECT_EQ(ReadFile(file), once) << "a second registration changes nothing";
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsid));
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kPageClsid));
    EXPECT_FALSE(KeyExists(kProgId));
    EXPECT_FALSE(KeyExists(std::string("TypeLib\\") + kLibid));
    EXPECT_FALSE(KeyExists(std::string("Interface\\") + kDispIid));
    EXPECT_FALSE(KeyExists(std::string("Interface\\") + kEventsIid));
    EXPECT_EQ(Text("CLSID\\{00000000-1111-2222-3333-444444444444}"), "Another Control");
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(u"VEMOMPIOCX.VemoMPIOCXCtrl.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(unreg(), S_OK) << "unregistering what is gone succeeds";
}

TEST_F(Registration, AProgIdTakenByAnotherClassStays) {
    ASSERT_EQ(reg(), S_OK);
    ASSERT_EQ(com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, std::string(kProgId) + "\\CLSID", nullptr,
                                       "{00000000-1111-2222-3333-444444444444}"),
              ERROR_SUCCESS);
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(Text(std::string(kProgId) + "\\CLSID"), "{00000000-1111-2222-3333-444444444444}");
}

TEST_F(Registration, ARegistryThatMayNotBeWrittenFailsAtTheTypeLibrary) {
    Neighbour();
    ReadOnly();
    EXPECT_EQ(reg(), SELFREG_E_TYPELIB);
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsid));
}

TEST_F(Registration, ClassesThatCannotBeWrittenFailAsClasses) {
    // The type library is in place already; the classes are not, and the
    // registry may not be changed any more.
    ASSERT_EQ(reg(), S_OK);
    ASSERT_EQ(com_layer::RegRemoveTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsid), ERROR_SUCCESS);
    ReadOnly();
    EXPECT_EQ(reg(), SELFREG_E_CLASS);
}

TEST_F(Registration, UnregisteringFromARegistryThatMayNotBeWritten) {
    ASSERT_EQ(reg(), S_OK);
    ReadOnly();
    EXPECT_EQ(unreg(), SELFREG_E_TYPELIB);
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(com_layer::RegRemoveTree(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLibid), ERROR_SUCCESS);
    for (const char* iid : {kDispIid, kEventsIid})
        ASSERT_EQ(com_layer::RegRemoveTree(HKEY_CLASSES_ROOT, std::string("Interface\\") + iid), ERROR_SUCCESS);
    ReadOnly();
    EXPECT_EQ(unreg(), SELFREG_E_CLASS) << "the type library is gone already, the classes cannot go";
    EXPECT_TRUE(KeyExists(std::string("CLSID\\") + kClsid));
}

TEST_F(Registration, TheModuleExportsOnlyTheServerEntryPoints) {
    EXPECT_NE(GetProcAddress(module, "DllGetClassObject"), nullptr);
    EXPECT_NE(GetProcAddress(module, "DllCanUnloadNow"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "AfxDllGetClassObject"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "_Z17AfxDllCanUnloadNowv"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "SysAllocString"), nullptr);
}

// ---------------------------------------------------------------- the tool

struct ToolRun {
    int exitCode = -1;
    std::string output;
};

// Runs the tool in a shell: `streams` says which of its streams are read
// ("2>&1" both, "2>/dev/null" standard output, "2>&1 >/dev/null" standard
// error); `folder`, when given, is its current folder.
ToolRun Tool(const std::string& args, const std::string& streams = "2>&1", const std::string& folder = "") {
    ToolRun r;
    std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") + std::string(VEMOMPI_REGSVR) + " " + args +
                          " " + streams;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), p)) > 0) r.output.append(buf, n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The names in a folder.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(Registration, ToolRegistersAndUnregisters) {
    ToolRun r = Tool(VEMOMPI_MODULE, "2>/dev/null");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output,
              std::string("DllRegisterServer in ") + VEMOMPI_MODULE + " succeeded. Registry file: " + file + "\n");
    EXPECT_EQ(Text(std::string("CLSID\\") + kClsid + "\\InprocServer32"), path);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"registry.reg"}) << "no lock file stays beside it";
    r = Tool(std::string("/u ") + VEMOMPI_MODULE, "2>/dev/null");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output,
              std::string("DllUnregisterServer in ") + VEMOMPI_MODULE + " succeeded. Registry file: " + file + "\n");
    EXPECT_FALSE(KeyExists(kProgId));
    EXPECT_EQ(Tool(std::string("-u ") + VEMOMPI_MODULE).exitCode, 0);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"registry.reg"});
}

TEST_F(Registration, ToolFindsANameWithoutAFolderInTheCurrentFolder) {
    // As regsvr32 does: "vemompi-regsvr VemoMPIOCX.so" in the module's folder.
    std::string folder = dir / "module";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    std::string copy = folder + "/VemoMPIOCX.so";
    ASSERT_EQ(std::system(("cp '" + std::string(VEMOMPI_MODULE) + "' '" + copy + "'").c_str()), 0);
    ToolRun r = Tool("VemoMPIOCX.so", "2>&1", folder);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "DllRegisterServer in " + copy + " succeeded. Registry file: " + file + "\n");
    EXPECT_EQ(Text(std::string("CLSID\\") + kClsid + "\\InprocServer32"), copy) << "the full path is registered";
    r = Tool("/u VemoMPIOCX.so", "2>&1", folder);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_FALSE(KeyExists(kProgId));

    r = Tool("NoSuchModule.so", "2>&1", folder);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "LoadLibrary(\"NoSuchModule.so\") failed: no such module (not in the current folder, nor "
                        "where the loader looks)\n");
}

TEST_F(Registration, ToolReportsFailuresWithTheirFileAndReason) {
    Neighbour();
    ReadOnly();
    ToolRun r = Tool(VEMOMPI_MODULE, "2>&1 >/dev/null");
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.output, std::string("DllRegisterServer in ") + VEMOMPI_MODULE +
                            " failed. Return code was: 0x80040200 (registry file " + file + ": permission denied)\n");
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fputs("not a registry\n", f);
        std::fclose(f);
    }
    r = Tool(VEMOMPI_MODULE, "2>&1 >/dev/null");
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.output, std::string("DllRegisterServer in ") + VEMOMPI_MODULE +
                            " failed. Return code was: 0x80040200 (registry file " + file + ": not a registry file)\n");
    EXPECT_EQ(ReadFile(file), "not a registry\n") << "left as it was";

    r = Tool((dir / "missing.so"));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "LoadLibrary(\"" + (dir / "missing.so") + "\") failed: no such module\n");
    // A file that is no module: the loader's reason, on one line.
    std::string junk = dir / "junk.so";
    if (FILE* f = std::fopen(junk.c_str(), "wb")) {
        std::fputs("junk", f);
        std::fclose(f);
    }
    r = Tool(junk);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output.rfind("LoadLibrary(\"" + junk + "\") failed: ", 0), 0u) << r.output;
    EXPECT_NE(r.output.find("too short"), std::string::npos) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1);
    r = Tool("libm.so.6");
    EXPECT_EQ(r.exitCode, 4) << "a library that is no server";
    EXPECT_EQ(r.output, "DllRegisterServer was not found in libm.so.6.\n");
    EXPECT_EQ(Tool("").exitCode, 1);
    EXPECT_EQ(Tool("a b").exitCode, 1);
}

TEST_F(Registration, ToolAnswersHelpAndVersionAndRefusesUnknownOptions) {
    for (const char* help : {"--help", "-h"}) {
        ToolRun out = Tool(help, "2>/dev/null");
        EXPECT_EQ(out.exitCode, 0) << help;
        EXPECT_EQ(out.output.rfind("usage: vemompi-regsvr [/u | -u] MODULE\n", 0), 0u) << out.output;
        EXPECT_EQ(Tool(help, "2>&1 >/dev/null").output, "") << "nothing on standard error";
    }
    ToolRun v = Tool("--version", "2>/dev/null");
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.output, std::string("vemompi-regsvr ") + VEMOMPI_VERSION_TEXT + "\n");
    EXPECT_EQ(v.output, "vemompi-regsvr 1.0\n");
    for (const char* unknown : {"--bogus", "-x", "--help=1"}) {
        ToolRun out = Tool(std::string(unknown) + " " + VEMOMPI_MODULE, "2>/dev/null");
        EXPECT_EQ(out.exitCode, 1) << unknown;
        EXPECT_EQ(out.output, "") << "nothing on standard output";
        ToolRun err = Tool(std::string(unknown) + " " + VEMOMPI_MODULE, "2>&1 >/dev/null");
        EXPECT_NE(err.output.find("usage: vemompi-regsvr"), std::string::npos) << err.output;
    }
    EXPECT_FALSE(KeyExists(kProgId)) << "nothing was registered";
    EXPECT_EQ(Tool("", "2>&1 >/dev/null").output.find("usage: vemompi-regsvr"), 0u);
}

}  // namespace
