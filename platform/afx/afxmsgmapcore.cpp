// Message maps: the lookup through a class's map and its bases' maps, the
// root of every chain (CWnd's empty map), the default processing of the
// message being handled and the framework's default handlers. The same on
// every platform.
#include <vector>

#include "platform/afx/afxmsgcore.h"
#include "platform/afx/afxwin.h"

namespace {

bool Matches(const AFX_MSGMAP_ENTRY& e, UINT message) {
    if (e.nMessage == WM_CTLCOLOR) return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    return e.nMessage == message;
}

}  // namespace

BOOL AfxDispatchMessageMap(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (pWnd == nullptr) return FALSE;
    for (const AFX_MSGMAP* map = pWnd->GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e != nullptr && e->pfn != nullptr; ++e) {
            if (!Matches(*e, message)) continue;
            if (message == WM_COMMAND) {
                UINT id = LOWORD(wParam);
                if (e->nCode != HIWORD(wParam) || id < e->nID || id > e->nLastID) continue;
            }
            LRESULT r = e->pfn(pWnd, message, wParam, lParam);
            if (pResult != nullptr) *pResult = r;
            return TRUE;
        }
        if (map->pfnGetBaseMap == nullptr) break;
        const AFX_MSGMAP* base = map->pfnGetBaseMap();
        if (base == map) break;
    }
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

// ---------------------------------------------------------------- default processing

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

namespace afxcore {

MessageScope::MessageScope(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_current.push_back(CurrentMessage{wnd, message, wParam, lParam});
}
MessageScope::~MessageScope() { g_current.pop_back(); }

}  // namespace afxcore

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
        CWnd* item = afxcore::BoundWindow(lpDrawItemStruct->hwndItem);
        LRESULT r = 0;
        if (item != nullptr && item->OnChildNotify(WM_DRAWITEM, static_cast<WPARAM>(lpDrawItemStruct->CtlID),
                                                   reinterpret_cast<LPARAM>(lpDrawItemStruct), &r))
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
