// Message boxes: the system's (MessageBoxA), owned by the window that asks
// or, for AfxMessageBox, by the innermost modal dialog, with the
// application's name as caption.
#include "platform/afx/win32/afxwinimpl.h"

using namespace afxwin32;

namespace {

// The framework's caption: the application's name.
const char kAppName[] = "VemoMPIOCX";

}  // namespace

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText != nullptr ? lpszText : "", lpszCaption != nullptr ? lpszCaption : kAppName,
                         nType);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    // Owned by the innermost modal dialog, else by the thread's active
    // window (the page that holds the control).
    HWND owner = !g_modal.empty() && g_modal.back()->m_hWnd != nullptr ? g_modal.back()->m_hWnd : ::GetActiveWindow();
    return ::MessageBoxA(owner, lpszText != nullptr ? lpszText : "", kAppName, nType);
}
