// The .inf of the module's cabinet (VemoMPIOCX.cab): what a browser reads
// when a page's <object codebase="VemoMPIOCX.cab#version=..."> asks it to
// install the control. The class id and the version are the module's own,
// so that the browser's question "is this version of this class installed"
// and the module's version resource agree.
#include <string>

#include "resources/VemoMPIOCX_version.h"
#include "resources/tools/make_rc.h"

namespace makerc {

std::string WriteInf(const char* moduleName, const CLSID& clsid) {
    const std::string module = moduleName;
    const std::string lines[] = {
        "; Installs the VemoMPIOCX control from this cabinet.",
        "[version]",
        "signature=\"$CHICAGO$\"",
        "AdvancedINF=2.0",
        "",
        "[Add.Code]",
        module + "=" + module,
        "",
        "[" + module + "]",
        "file-win32-x86=thiscab",
        "clsid={" + GuidText(clsid) + "}",
        "FileVersion=" VEMOMPI_FILE_VERSION_COMMAS,
        "RegisterServer=yes",
    };
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

}  // namespace makerc
