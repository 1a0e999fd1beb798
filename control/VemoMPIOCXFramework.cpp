// The control's framework operations: property exchange, reset, class
// identity, property pages, status, the About box and its picture on the
// page.
#include "control/VemoMPIOCXApp.h"
#include "control/VemoMPIOCXCtrl.h"
#include "control/VemoMPIOCXPropPage.h"
#include "platform/afx/afxgdi.h"
#include "resources/VemoMPIOCX_tlb.h"

void CVemoMPIOCXCtrl::DoPropExchange(CPropExchange* pPX) {
    ExchangeVersion(pPX, MAKELONG(_wVerMinor, _wVerMajor));
    COleControl::DoPropExchange(pPX);
}

void CVemoMPIOCXCtrl::OnResetState() { COleControl::OnResetState(); }

HRESULT CVemoMPIOCXCtrl::GetClassID(CLSID* pClsid) {
    if (pClsid == nullptr) return E_POINTER;
    *pClsid = CLSID_VemoMPIOCX;
    return S_OK;
}

const CLSID* CVemoMPIOCXCtrl::GetPropPageIDs(ULONG& cPropPages) {
    static const CLSID kPropPages[] = {CLSID_VemoMPIOCXPropPage};
    cPropPages = sizeof(kPropPages) / sizeof(kPropPages[0]);
    return kPropPages;
}

DWORD CVemoMPIOCXCtrl::GetMiscStatus() { return _dwVemoMPIOCXOleMisc; }

void CVemoMPIOCXCtrl::AboutBox() {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::AboutBox]");
    CVemoMPIOCXAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CVemoMPIOCXCtrl::OnDraw(CDC* pdc, const CRect& rcBounds, const CRect&) {
    if (pdc == nullptr) return;
    pdc->FillRect(rcBounds, CBrush::FromHandle(reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    pdc->Ellipse(rcBounds);
}
