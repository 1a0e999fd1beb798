// Tooltips: a pop-up window with a tool's text, shown when the relayed
// mouse messages rest on a tool, hidden when the pointer leaves it, a button
// goes down, the delay runs out or the control is deactivated.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

struct CToolTipCtrl::State {
    struct Tool {
        HWND hwnd;
        UINT_PTR id;
        bool hasRect;
        RECT rect;
        CString text;
    };
    std::vector<Tool> tools;
    bool active = true;
    int current = -1;      // the tool under the pointer
    bool shown = false;
    UINT initial = 500, autopop = 5000;
    guint showSource = 0, pollSource = 0, popSource = 0;
    GtkWidget* label = nullptr;
};

namespace {

void Stop(guint* s) {
    if (*s != 0) g_source_remove(*s);
    *s = 0;
}

bool ToolRectOnScreen(const CToolTipCtrl::State::Tool& t, RECT* r) {
    if (!Alive(t.hwnd) || t.hwnd->pWnd == nullptr) return false;
    RECT c{0, 0, t.hwnd->cx, t.hwnd->cy};
    if (t.hasRect) c = t.rect;
    POINT o{0, 0};
    t.hwnd->pWnd->ClientToScreen(&o);
    *r = RECT{c.left + o.x, c.top + o.y, c.right + o.x, c.bottom + o.y};
    return true;
}

}  // namespace

CToolTipCtrl::CToolTipCtrl() : m_pState(new State) {}

CToolTipCtrl::~CToolTipCtrl() {
    Pop();
    delete m_pState;
    m_pState = nullptr;
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
    if (m_hWnd != nullptr || pParentWnd == nullptr || !Alive(pParentWnd->m_hWnd) || !AfxUiInit()) return FALSE;
    HWND h = NewRecord(this, nullptr, 0, WS_POPUP | dwStyle);
    h->kind = AFX_KIND_TOOLTIP;
    h->owner = pParentWnd->m_hWnd;
    GtkWidget* w = gtk_window_new(GTK_WINDOW_POPUP);
    g_object_ref_sink(w);
    gtk_window_set_type_hint(GTK_WINDOW(w), GDK_WINDOW_TYPE_HINT_TOOLTIP);
    HWND top = TopOf(pParentWnd->m_hWnd);
    if (top != nullptr && GTK_IS_WINDOW(top->widget)) gtk_window_set_transient_for(GTK_WINDOW(w), GTK_WINDOW(top->widget));
    m_pState->label = gtk_label_new("");
    gtk_widget_set_margin_start(m_pState->label, 4);
    gtk_widget_set_margin_end(m_pState->label, 4);
    gtk_widget_set_margin_top(m_pState->label, 2);
    gtk_widget_set_margin_bottom(m_pState->label, 2);
    gtk_container_add(GTK_CONTAINER(w), m_pState->label);
    h->widget = w;
    return TRUE;
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    if (pWnd == nullptr || !Alive(pWnd->m_hWnd) || m_hWnd == nullptr) return FALSE;
    State::Tool t{pWnd->m_hWnd, nIDTool, lpRectTool != nullptr, lpRectTool != nullptr ? *lpRectTool : RECT{},
                  CString(lpszText != nullptr && lpszText != LPSTR_TEXTCALLBACK ? lpszText : "")};
    m_pState->tools.push_back(t);
    return TRUE;
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    return AddTool(pWnd, "", lpRectTool, nIDTool);
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
    if (pWnd == nullptr) return;
    auto& v = m_pState->tools;
    Pop();
    v.erase(std::remove_if(v.begin(), v.end(), [&](const State::Tool& t) { return t.hwnd == pWnd->m_hWnd && t.id == nIDTool; }),
            v.end());
}

int CToolTipCtrl::GetToolCount() const { return static_cast<int>(m_pState->tools.size()); }

void CToolTipCtrl::GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool) const {
    str = "";
    for (const auto& t : m_pState->tools)
        if (pWnd != nullptr && t.hwnd == pWnd->m_hWnd && t.id == nIDTool) str = t.text.GetString();
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
    if (pWnd == nullptr) return;
    for (size_t i = 0; i < m_pState->tools.size(); ++i) {
        auto& t = m_pState->tools[i];
        if (t.hwnd != pWnd->m_hWnd || t.id != nIDTool) continue;
        t.text = lpszText != nullptr ? lpszText : "";
        if (m_pState->shown && m_pState->current == static_cast<int>(i) && m_pState->label != nullptr)
            gtk_label_set_text(GTK_LABEL(m_pState->label), AfxAnsiToUtf8(t.text).c_str());
    }
}

void CToolTipCtrl::Activate(BOOL bActivate) {
    m_pState->active = bActivate != FALSE;
    if (!m_pState->active) Pop();
}

void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime) {
    if (iTime == TTDT_INITIAL) m_pState->initial = dwDuration;
    else if (iTime == TTDT_AUTOPOP) m_pState->autopop = dwDuration;
    else if (iTime == TTDT_AUTOMATIC) SetDelayTime(dwDuration);
}

void CToolTipCtrl::SetDelayTime(UINT nDelay) {
    m_pState->initial = nDelay;
    m_pState->autopop = nDelay * 10;
}

void CToolTipCtrl::Pop() {
    if (m_pState == nullptr) return;
    Stop(&m_pState->showSource);
    Stop(&m_pState->pollSource);
    Stop(&m_pState->popSource);
    m_pState->shown = false;
    m_pState->current = -1;
    if (Alive(m_hWnd) && m_hWnd->widget != nullptr) gtk_widget_hide(m_hWnd->widget);
}

void CToolTipCtrl::RelayEvent(LPMSG lpMsg) {
    if (lpMsg == nullptr || !Alive(m_hWnd) || !m_pState->active) return;
    State& s = *m_pState;
    switch (lpMsg->message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            Pop();
            return;
        case WM_MOUSEMOVE:
            break;
        default:
            return;
    }
    CPoint p(lpMsg->lParam);
    int found = -1;
    for (size_t i = 0; i < s.tools.size(); ++i) {
        const auto& t = s.tools[i];
        if (t.hwnd != lpMsg->hwnd || !Alive(t.hwnd)) continue;
        RECT r = t.hasRect ? t.rect : RECT{0, 0, t.hwnd->cx, t.hwnd->cy};
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) found = static_cast<int>(i);
    }
    if (found == s.current && (s.shown || s.showSource != 0)) return;
    Pop();
    if (found < 0) return;
    s.current = found;
    auto show = [](gpointer data) -> gboolean {
        auto* self = static_cast<CToolTipCtrl*>(data);
        State& st = *self->m_pState;
        st.showSource = 0;
        if (!Alive(self->m_hWnd) || st.current < 0 || st.current >= static_cast<int>(st.tools.size()))
            return G_SOURCE_REMOVE;
        const auto& t = st.tools[static_cast<size_t>(st.current)];
        RECT r;
        POINT cur{0, 0};
        if (!ToolRectOnScreen(t, &r) || !GetCursorPos(&cur) || t.text.GetLength() == 0) return G_SOURCE_REMOVE;
        gtk_label_set_text(GTK_LABEL(st.label), AfxAnsiToUtf8(t.text).c_str());
        gtk_window_move(GTK_WINDOW(self->m_hWnd->widget), cur.x, cur.y + 20);
        gtk_widget_show_all(self->m_hWnd->widget);
        st.shown = true;
        // Hidden again once the pointer leaves the tool, or after a while.
        st.pollSource = g_timeout_add(100, [](gpointer d) -> gboolean {
            auto* me = static_cast<CToolTipCtrl*>(d);
            State& ss = *me->m_pState;
            RECT rr;
            POINT c{0, 0};
            if (ss.current < 0 || !ToolRectOnScreen(ss.tools[static_cast<size_t>(ss.current)], &rr) || !GetCursorPos(&c) ||
                c.x < rr.left || c.x >= rr.right || c.y < rr.top || c.y >= rr.bottom) {
                ss.pollSource = 0;
                me->Pop();
                return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
        }, self);
        st.popSource = g_timeout_add(std::max<UINT>(1, st.autopop), [](gpointer d) -> gboolean {
            auto* me = static_cast<CToolTipCtrl*>(d);
            me->m_pState->popSource = 0;
            int keep = me->m_pState->current;
            me->Pop();
            me->m_pState->current = keep;  // no new show until the pointer moves to another tool
            me->m_pState->showSource = 0;
            return G_SOURCE_REMOVE;
        }, self);
        return G_SOURCE_REMOVE;
    };
    s.showSource = g_timeout_add(std::max<UINT>(1, s.initial), show, this);
}
