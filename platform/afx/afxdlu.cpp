// Dialog units to pixels, with the framework's base units of a template's
// font: the same on every platform, whatever fonts the system has.
#include <cstring>

#include "platform/afx/afxres.h"
#include "platform/afx/afxwin.h"

void AfxDialogBaseUnits(const AFX_DLGTEMPLATE* tmpl, int* baseX, int* baseY) {
    // The System font's average character is 8 by 16 pixels, that of 8-point
    // "MS Sans Serif" 6 by 13; the templates of the module use no other font.
    if (tmpl != nullptr && tmpl->faceName != nullptr && std::strcmp(tmpl->faceName, "MS Sans Serif") == 0 &&
        tmpl->pointSize == 8) {
        *baseX = 6;
        *baseY = 13;
        return;
    }
    *baseX = 8;
    *baseY = 16;
}

int AfxDluToPixelsX(const AFX_DLGTEMPLATE* tmpl, int dlu) {
    int bx = 0, by = 0;
    AfxDialogBaseUnits(tmpl, &bx, &by);
    return dlu * bx / 4;
}

int AfxDluToPixelsY(const AFX_DLGTEMPLATE* tmpl, int dlu) {
    int bx = 0, by = 0;
    AfxDialogBaseUnits(tmpl, &bx, &by);
    return dlu * by / 8;
}

RECT AfxItemPixels(const AFX_DLGTEMPLATE* tmpl, const AFX_DLGITEMTEMPLATE& item) {
    return RECT{AfxDluToPixelsX(tmpl, item.x), AfxDluToPixelsY(tmpl, item.y), AfxDluToPixelsX(tmpl, item.x + item.cx),
                AfxDluToPixelsY(tmpl, item.y + item.cy)};
}
