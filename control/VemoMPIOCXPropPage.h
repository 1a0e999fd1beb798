// CVemoMPIOCXPropPage: the control's one property page, "General", on
// dialog template 200. It shows a line of text and exchanges no property.
#pragma once

#include "platform/afx/afxpage.h"

class CVemoMPIOCXPropPage : public COlePropertyPage {
public:
    CVemoMPIOCXPropPage();

    // A new page for the class factory (one reference for the caller).
    static IUnknown* CreateObject();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

// The About box: template 1, the control's icon, its name and version, one
// more line, and OK.
class CVemoMPIOCXAboutDlg : public CDialog {
public:
    CVemoMPIOCXAboutDlg();
};
