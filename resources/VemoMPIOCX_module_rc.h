// The dialog templates of the About box and the property page
// (resources/VemoMPIOCX_module_rc.cpp), for the resource table.
#pragma once

#include "platform/afx/afxres.h"

// The OK button of the About box (IDOK).
#define IDOK_ABOUT 1

extern const AFX_DLGTEMPLATE kAboutBoxTemplate;
extern const AFX_DLGTEMPLATE kPropPageTemplate;
