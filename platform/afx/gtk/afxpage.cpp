// COlePropertyPage on GTK: its window, built from its dialog template as a
// child window of the frame that shows it (the rest is in ../afxpage.cpp).
#include "platform/afx/afxpage.h"

#include <cstring>
#include <string>

#include "platform/afx/gtk/afximpl.h"

using namespace afximpl;

// {B196B28D-BAB4-101A-B69C-00AA00341D07}
const IID IID_IPropertyPage = {0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28C-BAB4-101A-B69C-00AA00341D07}
const IID IID_IPropertyPageSite = {0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

HRESULT COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
    if (pRect == nullptr) return E_POINTER;
    if (!Alive(hWndParent) || hWndParent->fixed == nullptr || m_lpDialogTemplate == nullptr) return E_INVALIDARG;
    if (m_hWnd != nullptr) return E_UNEXPECTED;
    GtkWidget* area = gtk_fixed_new();
    HWND h = CreateChild(hWndParent, this, area, 0, WS_CHILD | WS_VISIBLE, *pRect);
    h->fixed = area;
    if (!CreateDialogItems(this, h, m_lpDialogTemplate)) {
        Deactivate();
        return E_FAIL;
    }
    gtk_widget_show_all(area);
    OnInitDialog();
    return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
    if (!Alive(m_hWnd)) return S_OK;
    // The page's widget leaves the frame with its record.
    GtkWidget* widget = m_hWnd->widget;
    g_object_ref(widget);
    DestroyRecord(m_hWnd);
    gtk_widget_destroy(widget);
    g_object_unref(widget);
    return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    if (pPageInfo == nullptr) return E_POINTER;
    std::memset(pPageInfo, 0, sizeof(*pPageInfo));
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    char caption[256];
    AfxLoadString(m_idCaption, caption, sizeof(caption));
    std::string utf8 = AfxAnsiToUtf8(caption);
    BSTR wide = AfxUtf8ToBstr(utf8.c_str());
    UINT len = SysStringLen(wide);
    pPageInfo->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc((len + 1) * sizeof(OLECHAR)));
    if (pPageInfo->pszTitle != nullptr) {
        if (len > 0) std::memcpy(pPageInfo->pszTitle, wide, len * sizeof(OLECHAR));
        pPageInfo->pszTitle[len] = 0;
    }
    SysFreeString(wide);
    if (m_lpDialogTemplate != nullptr) {
        pPageInfo->size.cx = AfxDluToPixelsX(m_lpDialogTemplate, m_lpDialogTemplate->cx);
        pPageInfo->size.cy = AfxDluToPixelsY(m_lpDialogTemplate, m_lpDialogTemplate->cy);
    }
    return pPageInfo->pszTitle != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT COlePropertyPage::Show(UINT nCmdShow) {
    if (!Alive(m_hWnd)) return E_UNEXPECTED;
    ShowWindow(static_cast<int>(nCmdShow));
    return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT pRect) {
    if (pRect == nullptr) return E_POINTER;
    if (!Alive(m_hWnd)) return E_UNEXPECTED;
    MoveWindow(pRect);
    return S_OK;
}

HRESULT COlePropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }
