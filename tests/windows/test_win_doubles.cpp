// TEST DOUBLES, for the window layer's tests only: the few symbols of the
// drawing layer (CDC, CGdiObject, CFont), of the module (its resource
// handle and table) that the window layer refers to, in their simplest
// form over the SDK. The module links the real ones.
#include "platform/afx/afxwin.h"

// ---- the module (resources as data: none here; the resource handle is the
// test program's)
const AFX_RESOURCE_ENTRY g_afxModuleResources[] = {{0, 0, 0, nullptr, 0}};
const int g_afxModuleResourceCount = 0;
const AFX_RESOURCE_ENTRY* AfxFindModuleResource(WORD, WORD) { return nullptr; }
HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleW(nullptr); }
HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleW(nullptr); }

// ---- the drawing layer
CGdiObject::~CGdiObject() { DeleteObject(); }
BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = hObject;
    return TRUE;
}
BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    BOOL ok = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return ok;
}
CFont* CFont::FromHandle(HFONT) { return nullptr; }

CDC::~CDC() = default;
BOOL CDC::Attach(HDC hDC) {
    m_hDC = m_hAttribDC = hDC;
    return hDC != nullptr;
}
HDC CDC::Detach() {
    HDC h = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return h;
}
int CDC::SaveDC() { return ::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int n) { return ::RestoreDC(m_hDC, n); }
