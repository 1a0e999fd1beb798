// CVemoMPIOCXApp: the module object of VemoMPIOCX, and the module's
// identity: the type library's identifier and version, the control's
// version stamp.
#pragma once

#include "platform/afx/afxmod.h"
#include "resources/VemoMPIOCX_version.h"

// Version of the type library, and the control's version stamp.
const WORD _wVerMajor = VEMOMPI_VERSION_MAJOR;
const WORD _wVerMinor = VEMOMPI_VERSION_MINOR;

// Miscellaneous status of the control, written at registration and
// reported by GetMiscStatus.
const DWORD _dwVemoMPIOCXOleMisc = 0x20191;  // SETCLIENTSITEFIRST | ACTIVATEWHENVISIBLE | INSIDEOUT |
                                             // CANTLINKINSIDE | RECOMPOSEONRESIZE

class CVemoMPIOCXApp : public COleControlModule {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};
