// Placement and showing of top-level windows beyond what CWnd's geometry
// calls do: centring, and the empty window that shows nothing.
#include <algorithm>

#include "platform/afx/gtk/afximpl.h"

using namespace afximpl;

namespace {

bool Empty(HWND h) { return h->cx <= 0 || h->cy <= 0; }

}  // namespace

void afximpl::AfxShowTopLevel(HWND h, bool show) {
    if (!Alive(h) || h->parent != nullptr) return;
    if (!show) {
        h->hiddenEmpty = false;
        gtk_widget_hide(h->widget);
        return;
    }
    // A window whose rectangle is empty shows nothing, as on Windows; it
    // appears once it is given a size.
    if (Empty(h)) {
        h->hiddenEmpty = true;
        gtk_widget_hide(h->widget);
        return;
    }
    h->hiddenEmpty = false;
    gtk_widget_show_all(h->widget);
}

void afximpl::AfxApplyEmptyRect(HWND h) {
    if (!Alive(h) || h->parent != nullptr) return;
    if (Empty(h)) {
        if (gtk_widget_get_visible(h->widget)) AfxShowTopLevel(h, true);
    } else if (h->hiddenEmpty) {
        AfxShowTopLevel(h, true);
    }
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    if (!Alive(m_hWnd)) return;
    HWND h = m_hWnd;
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    HWND owner = nullptr;
    if (pAlternateOwner != nullptr && Alive(pAlternateOwner->m_hWnd)) {
        owner = TopOf(pAlternateOwner->m_hWnd);
    } else if (h->parent == nullptr) {
        GtkWindow* over = gtk_window_get_transient_for(GTK_WINDOW(h->widget));
        owner = over != nullptr ? AfxWindowOfWidget(GTK_WIDGET(over)) : nullptr;
    }
    if (h->parent != nullptr) {
        // A child centres in its parent's client area.
        RECT client;
        h->parent->pWnd->GetClientRect(&client);
        MoveWindow((client.right - h->cx) / 2, (client.bottom - h->cy) / 2, h->cx, h->cy);
        return;
    }
    if (owner != nullptr && owner != h) {
        areaX = owner->x;
        areaY = owner->y;
        areaW = owner->cx;
        areaH = owner->cy;
    } else {
        ScreenSize(&areaW, &areaH);
    }
    int x = areaX + (areaW - h->cx) / 2;
    int y = areaY + (areaH - h->cy) / 2;
    // Kept on the screen, its top-left corner first.
    int screenW = 0, screenH = 0;
    ScreenSize(&screenW, &screenH);
    x = std::max(0, std::min(x, screenW - h->cx));
    y = std::max(0, std::min(y, screenH - h->cy));
    MoveWindow(x, y, h->cx, h->cy);
}
