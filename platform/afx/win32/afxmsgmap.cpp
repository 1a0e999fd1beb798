// Message maps: the default processing of the message being handled and the
// framework's default handlers (the lookup itself: afxmsgmapcore.cpp).
#include <vector>

#include "platform/afx/win32/afxwinimpl.h"

namespace {

struct CurrentMessage {
    CWnd* wnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// The messages being handled on the user-interface thread, innermost last.
std::vector<CurrentMessage> g_current;

}  // namespace

namespace afxwin32 {

MessageScope::MessageScope(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_current.push_back(CurrentMessage{wnd, message, wParam, lParam});
}
MessageScope::~MessageScope() { g_current.pop_back(); }

}  // namespace afxwin32

LRESULT CWnd::Default() {
    for (auto it = g_current.rbegin(); it != g_current.rend(); ++it)
        if (it->wnd == this) return DefWindowProc(it->message, it->wParam, it->lParam);
    return 0;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
BOOL CWnd::OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
void CWnd::OnPaletteChanged(CWnd*) { Default(); }

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    // Reflected to the control, which draws itself.
    if (lpDrawItemStruct != nullptr) {
        afxwin32::WndRecord* r = afxwin32::Find(lpDrawItemStruct->hwndItem);
        LRESULT res = 0;
        if (r != nullptr && r->pWnd != nullptr &&
            r->pWnd->OnChildNotify(WM_DRAWITEM, static_cast<WPARAM>(lpDrawItemStruct->CtlID),
                                   reinterpret_cast<LPARAM>(lpDrawItemStruct), &res))
            return;
    }
    Default();
}

void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
