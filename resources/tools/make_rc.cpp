// Writes the Windows module's resource script and type library source into
// the folder given as the only argument:
//
//   VemoMPIOCX.rc    icon, bitmaps, dialogs, string tables, version, TYPELIB 1
//   VemoMPIOCX.idl   the type library, for widl (which writes VemoMPIOCX.tlb)
//   VemoMPIOCX.inf   the installation file of the module's cabinet
//   icon_N.ico, bitmap_N.bmp   the pictures the script names
//
// Everything comes from the tables the Linux module compiles in, so that
// both modules carry the same resources. A build tool of the Windows build
// (cmake/windows-resources.cmake runs it).
#include <cstdio>
#include <string>

#include "platform/afx/afxres.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "resources/tools/make_rc.h"

namespace {

bool Write(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "vemompi-make-rc: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vemompi-make-rc OUTPUT-FOLDER (an absolute path)\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.empty() || dir[0] != '/') {
        std::fprintf(stderr, "vemompi-make-rc: the folder must be an absolute path\n");
        return 2;
    }
    std::string rc, idl, error;
    if (!makerc::WriteResourceScript(g_afxModuleResources, g_afxModuleResourceCount, dir, &rc, &error) ||
        !makerc::WriteIdl(g_VemoMPIOCXTypeLib, &idl, &error)) {
        std::fprintf(stderr, "vemompi-make-rc: %s\n", error.c_str());
        return 1;
    }
    const std::string inf = makerc::WriteInf("VemoMPIOCX.ocx", CLSID_VemoMPIOCX);
    return Write(dir + "/VemoMPIOCX.rc", rc) && Write(dir + "/VemoMPIOCX.idl", idl) &&
                   Write(dir + "/VemoMPIOCX.inf", inf)
               ? 0
               : 1;
}
