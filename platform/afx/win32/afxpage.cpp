// COlePropertyPage on Windows: its window is a modeless dialog made from
// the page's dialog template resource, a child of the window the frame
// gives Activate; the page's object receives its messages through
// WindowProc (the rest of the page is in ../afxpage.cpp).
#include "platform/afx/afxpage.h"

#include <cstring>

#include "platform/afx/afxgdi.h"
#include "platform/afx/win32/afxdlgsize.h"

namespace {

// The messages the page's handlers see; the dialog manager does the rest.
bool RoutedToPage(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_COMMAND:
            // OK and Cancel are the frame's: the page never ends as a dialog.
            return LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL;
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_DRAWITEM:
        case WM_TIMER:
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<COlePropertyPage*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        page->m_hWnd = hWnd;
        return page->OnInitDialog();
    }
    auto* page = reinterpret_cast<COlePropertyPage*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (page == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        page->m_hWnd = nullptr;
        return FALSE;
    }
    if (!RoutedToPage(message, wParam)) return FALSE;
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, page->WindowProc(message, wParam, lParam));
    return TRUE;
}

}  // namespace

HRESULT COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
    if (pRect == nullptr) return E_POINTER;
    if (hWndParent == nullptr || !::IsWindow(hWndParent)) return E_INVALIDARG;
    if (m_hWnd != nullptr) return E_UNEXPECTED;
    HWND h = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_idTemplate), hWndParent, PageDialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (h == nullptr) return E_FAIL;
    ::SetWindowPos(h, nullptr, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
    if (m_hWnd == nullptr) return S_OK;
    HWND h = m_hWnd;
    ::DestroyWindow(h);  // WM_NCDESTROY clears m_hWnd
    m_hWnd = nullptr;
    return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    if (pPageInfo == nullptr) return E_POINTER;
    std::memset(pPageInfo, 0, sizeof(*pPageInfo));
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    char caption[256] = {};
    AfxLoadString(m_idCaption, caption, sizeof(caption));
    int n = ::MultiByteToWideChar(CP_ACP, 0, caption, -1, nullptr, 0);
    if (n <= 0) n = 1;
    pPageInfo->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(static_cast<SIZE_T>(n) * sizeof(OLECHAR)));
    if (pPageInfo->pszTitle == nullptr) return E_OUTOFMEMORY;
    pPageInfo->pszTitle[0] = 0;
    ::MultiByteToWideChar(CP_ACP, 0, caption, -1, pPageInfo->pszTitle, n);
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(m_idTemplate), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = res != nullptr ? ::LoadResource(module, res) : nullptr;
    const auto* data = loaded != nullptr ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!AfxDialogTemplatePixelSize(data, res != nullptr ? ::SizeofResource(module, res) : 0, &pPageInfo->size)) {
        pPageInfo->size = SIZE{0, 0};
    }
    return S_OK;
}

HRESULT COlePropertyPage::Show(UINT nCmdShow) {
    if (m_hWnd == nullptr) return E_UNEXPECTED;
    ::ShowWindow(m_hWnd, static_cast<int>(nCmdShow));
    return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT pRect) {
    if (pRect == nullptr) return E_POINTER;
    if (m_hWnd == nullptr) return E_UNEXPECTED;
    ::MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, TRUE);
    return S_OK;
}

// Tab and the arrow keys move between the page's controls.
HRESULT COlePropertyPage::TranslateAccelerator(MSG* pMsg) {
    if (pMsg == nullptr) return E_POINTER;
    if (m_hWnd == nullptr) return S_FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg) ? S_OK : S_FALSE;
}
