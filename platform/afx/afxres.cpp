#include "platform/afx/afxres.h"

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
