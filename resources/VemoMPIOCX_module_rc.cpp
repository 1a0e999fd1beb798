// The dialog templates of the module's own windows: the About box and the
// property page. resources/VemoMPIOCX_rc.cpp lists them in the table.
#include "resources/VemoMPIOCX_module_rc.h"

#include "resources/VemoMPIOCX_rc.h"
#include "resources/VemoMPIOCX_version.h"

// Template 1, the About box: the control's icon, its name and version, one
// more line, and OK.
const AFX_DLGITEMTEMPLATE kAboutBoxItems[] = {
    {IDC_STATIC_ABOUT_ICON, "STATIC", "#266", WS_CHILD | WS_VISIBLE | SS_ICON, 10, 10, 20, 20},
    {IDC_STATIC_ABOUT_NAME, "STATIC", "VemoMPIOCX Control, Version " VEMOMPI_VERSION_TEXT, WS_CHILD | WS_VISIBLE | SS_LEFT, 40, 10,
     170, 8},
    {IDC_STATIC_ABOUT_LINE, "STATIC", "3-D Secure merchant plug-in client", WS_CHILD | WS_VISIBLE | SS_LEFT, 40, 25,
     170, 8},
    {IDOK_ABOUT, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 221, 7, 32, 14},
};

const AFX_DLGTEMPLATE kAboutBoxTemplate = {
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 260, 55, "About VemoMPIOCX Control", 8,
    "MS Sans Serif", kAboutBoxItems, 4,
};

// Template 200, the property page: a child window with one line of text.
const AFX_DLGITEMTEMPLATE kPropPageItems[] = {
    {IDC_STATIC_PPG_TEXT, "STATIC", "VemoMPIOCX Control has no properties to set here.",
     WS_CHILD | WS_VISIBLE | SS_LEFT, 7, 25, 229, 16},
};

const AFX_DLGTEMPLATE kPropPageTemplate = {
    DS_SETFONT | WS_CHILD, 0, 0, 0, 250, 62, "", 8, "MS Sans Serif", kPropPageItems, 1,
};
