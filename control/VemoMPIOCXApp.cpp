// The module object, which starts as the module is loaded, and the class
// object exports of the module.
#include "control/VemoMPIOCXApp.h"

#include "ui/CustomOccManager.h"

CVemoMPIOCXApp theApp;

// Runs InitInstance as the module is loaded (after theApp, defined above it
// in this file), and ExitInstance as it is unloaded.
static AFX_MODULE_START s_moduleStart;

BOOL CVemoMPIOCXApp::InitInstance() {
    BOOL bInit = COleControlModule::InitInstance();
    if (bInit) {
        // Every browser control that the module's dialogs host is sited by
        // the module's own site, with its own UI handler.
        AfxEnableControlContainer(new CCustomOccManager);
    }
    return bInit;
}

int CVemoMPIOCXApp::ExitInstance() { return COleControlModule::ExitInstance(); }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) { return AfxDllGetClassObject(rclsid, riid, ppv); }

STDAPI DllCanUnloadNow() { return AfxDllCanUnloadNow(); }
