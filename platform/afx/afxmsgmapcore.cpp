// Message maps: the lookup through a class's map and its bases' maps, and
// the root of every chain (CWnd's empty map). The same on every platform.
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
