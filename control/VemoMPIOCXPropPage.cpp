#include "control/VemoMPIOCXPropPage.h"

#include <new>

#include "resources/VemoMPIOCX_rc.h"

CVemoMPIOCXPropPage::CVemoMPIOCXPropPage() : COlePropertyPage(IDD_PROPPAGE_VEMOMPIOCX, IDS_VEMOMPIOCX_PPG_CAPTION) {}

IUnknown* CVemoMPIOCXPropPage::CreateObject() {
    auto* page = new (std::nothrow) CVemoMPIOCXPropPage();
    return page != nullptr ? static_cast<IPropertyPage*>(page) : nullptr;
}

void CVemoMPIOCXPropPage::DoDataExchange(CDataExchange* pDX) { DDP_PostProcessing(pDX); }

CVemoMPIOCXAboutDlg::CVemoMPIOCXAboutDlg() : CDialog(IDD_ABOUTBOX_VEMOMPIOCX) {}
