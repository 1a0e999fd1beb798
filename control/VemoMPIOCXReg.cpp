// Self-registration of the module: the type library, the control class and
// the property page class, through the two class factories.
#include "control/VemoMPIOCXApp.h"
#include "control/VemoMPIOCXCtrl.h"
#include "control/VemoMPIOCXPropPage.h"
#include "resources/VemoMPIOCX_rc.h"
#include "resources/VemoMPIOCX_tlb.h"

namespace {

IUnknown* CreateVemoMPIOCXCtrl() { return static_cast<IDispatch*>(new CVemoMPIOCXCtrl()); }

IUnknown* CreateVemoMPIOCXPropPage() { return CVemoMPIOCXPropPage::CreateObject(); }

class CVemoMPIOCXCtrlFactory : public COleObjectFactory {
public:
    CVemoMPIOCXCtrlFactory()
        : COleObjectFactory(CLSID_VemoMPIOCX, &CreateVemoMPIOCXCtrl, "VEMOMPIOCX.VemoMPIOCXCtrl.1") {}

    BOOL UpdateRegistry(BOOL bRegister) override {
        if (bRegister)
            return AfxOleRegisterControlClass(nullptr, m_clsid, m_lpszProgID, IDS_VEMOMPIOCX, IDB_VEMOMPIOCX,
                                              afxRegApartmentThreading, _dwVemoMPIOCXOleMisc, LIBID_VEMOMPIOCXLib,
                                              _wVerMajor, _wVerMinor);
        return AfxOleUnregisterClass(m_clsid, m_lpszProgID);
    }
};

class CVemoMPIOCXPropPageFactory : public COleObjectFactory {
public:
    CVemoMPIOCXPropPageFactory()
        : COleObjectFactory(CLSID_VemoMPIOCXPropPage, &CreateVemoMPIOCXPropPage, "VEMOMPIOCX.VemoMPIOCXPropPage.1") {}

    BOOL UpdateRegistry(BOOL bRegister) override {
        if (bRegister) return AfxOleRegisterPropertyPageClass(nullptr, m_clsid, IDS_VEMOMPIOCX_PPG);
        return AfxOleUnregisterClass(m_clsid, nullptr);
    }
};

CVemoMPIOCXCtrlFactory g_ctrlFactory;
CVemoMPIOCXPropPageFactory g_propPageFactory;

}  // namespace

STDAPI DllRegisterServer() {
    if (!AfxOleRegisterTypeLib(nullptr, LIBID_VEMOMPIOCXLib)) return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(TRUE)) return SELFREG_E_CLASS;
    return S_OK;
}

STDAPI DllUnregisterServer() {
    if (!AfxOleUnregisterTypeLib(LIBID_VEMOMPIOCXLib, _wVerMajor, _wVerMinor)) return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(FALSE)) return SELFREG_E_CLASS;
    return S_OK;
}
