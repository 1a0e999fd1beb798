// The parts of the drawing classes tied to windows and to the module: the
// contexts of a window (CPaintDC, CClientDC, CWindowDC), the window of a
// context, and bitmaps from the module's resources.
#include "platform/afx/afxgdi.h"


CWnd* CDC::GetWindow() const {
    HWND h = m_hDC != nullptr ? ::WindowFromDC(m_hDC) : nullptr;
    return h != nullptr ? CWnd::FromHandle(h) : nullptr;
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }
BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
    HBITMAP h = ::LoadBitmapA(AfxGetResourceHandle(), lpszResourceName);
    if (h == nullptr) return FALSE;
    if (!Attach(reinterpret_cast<HGDIOBJ>(h))) {
        ::DeleteObject(h);
        return FALSE;
    }
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr) {
    if (m_hWnd != nullptr) Attach(::BeginPaint(m_hWnd, &m_ps));
}
CPaintDC::~CPaintDC() {
    if (m_hWnd == nullptr) return;
    // EndPaint ends the paint even when BeginPaint gave no context.
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr) {
    Attach(::GetDC(m_hWnd));
}
CClientDC::~CClientDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr) {
    Attach(::GetWindowDC(m_hWnd));
}
CWindowDC::~CWindowDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, Detach());
}
