#include "platform/afx/afxres.h"

#include <cstring>

const AFX_RESOURCE_ENTRY* AfxFindModuleResource(WORD type, WORD id) {
    const LANGID preferred[] = {GetSystemDefaultLangID(), LANG_ENGLISH_US};
    for (LANGID lang : preferred) {
        for (int i = 0; i < g_afxModuleResourceCount; ++i) {
            const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
            if (e.type == type && e.id == id && e.lang == lang) return &e;
        }
    }
    for (int i = 0; i < g_afxModuleResourceCount; ++i) {
        const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
        if (e.type == type && e.id == id) return &e;
    }
    return nullptr;
}

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
