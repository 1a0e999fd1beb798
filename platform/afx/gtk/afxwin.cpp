// The window layer on GTK 3. A window handle names a record of this file;
// top-level windows are GtkWindows with a header bar as caption (so that the
// caption belongs to the window's rectangle as on Windows) and an event box
// holding a GtkFixed as client area; child windows are widgets placed in
// their parent's client area. This file keeps the records: their creation
// and end, their geometry, and the GTK events that become messages. The
// rest of the layer: afxui.cpp (helpers for platform/), afxmsg.cpp (Win32
// calls on handles), afxwnd.cpp (CWnd), afxdlg.cpp (dialogs and the modal
// loop), afxocc.cpp (control containment).
#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "platform/afx/gtk/afxgdiimpl.h"

namespace afximpl {

std::set<HWND> g_windows;
std::vector<ModalFrame> g_modal;
COccManager* g_occManager = nullptr;

// The keystroke being pre-translated, and whether it was dispatched.
const MSG* g_preTranslating = nullptr;
bool g_dispatched = false;

bool Alive(HWND h) { return h != nullptr && g_windows.count(h) != 0; }

HWND TopOf(HWND h) {
    while (h != nullptr && h->parent != nullptr) h = h->parent;
    return h;
}

bool Ended(HWND h) {
    if (!Alive(h)) return true;
    HWND top = TopOf(h);
    return top->dialog != nullptr && top->dialog->m_bEnded;
}

void ScreenSize(int* w, int* h) {
    *w = 1024;
    *h = 768;
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return;
    GdkRectangle r;
    gdk_monitor_get_geometry(monitor, &r);
    *w = r.width;
    *h = r.height;
}

void WorkAreaSize(int* w, int* h) {
    ScreenSize(w, h);
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return;
    GdkRectangle r;
    gdk_monitor_get_workarea(monitor, &r);
    if (r.width > 0 && r.height > 0) {
        *w = r.width;
        *h = r.height;
    }
}

// Applies a top-level window's record geometry to GTK.
void ApplyTopGeometry(HWND h) {
    int clientH = std::max(0, h->cy - h->captionHeight);
    gtk_widget_set_size_request(h->client, std::max(0, h->cx), clientH);
    gtk_window_move(GTK_WINDOW(h->widget), h->x, h->y);
    gtk_window_resize(GTK_WINDOW(h->widget), std::max(1, h->cx), std::max(1, h->cy));
    if (h->backing != nullptr) EnsureBacking(h);
    AfxApplyEmptyRect(h);
}

void ApplyChildGeometry(HWND h) {
    if (h->parent == nullptr || h->parent->fixed == nullptr) return;
    gtk_fixed_move(GTK_FIXED(h->parent->fixed), h->widget, h->x, h->y);
    gtk_widget_set_size_request(h->widget, std::max(0, h->cx), std::max(0, h->cy));
    InvalidateWindow(h->parent, nullptr, true);
}

void ShowText(HWND h) {
    std::string utf8 = AfxAnsiToUtf8(h->text);
    if (h->parent == nullptr) {
        gtk_window_set_title(GTK_WINDOW(h->widget), utf8.c_str());
    } else if (h->kind == AFX_KIND_STATIC || h->kind == AFX_KIND_OWNERBUTTON) {
        InvalidateWindow(h, nullptr, true);
    } else if (GTK_IS_LABEL(h->widget)) {
        gtk_label_set_text(GTK_LABEL(h->widget), utf8.c_str());
    } else if (GTK_IS_BUTTON(h->widget)) {
        gtk_button_set_label(GTK_BUTTON(h->widget), utf8.c_str());
    }
}

void ApplyIcon(HWND h) {
    HICON icon = h->iconSmall != nullptr ? h->iconSmall : h->iconBig;
    if (h->parent != nullptr) return;
    if (icon == nullptr) {
        gtk_window_set_icon(GTK_WINDOW(h->widget), nullptr);
        return;
    }
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(icon->pixbuf, h->iconSmall != nullptr ? 16 : 32,
                                                h->iconSmall != nullptr ? 16 : 32, GDK_INTERP_BILINEAR);
    gtk_window_set_icon(GTK_WINDOW(h->widget), scaled);
    g_object_unref(scaled);
}

HWND FocusWindow(HWND top) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->widget));
    HWND h = focus != nullptr ? AfxWindowOfWidget(focus) : nullptr;
    return h != nullptr ? h : top;
}

// ---------------------------------------------------------------- events from GTK

namespace {


gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (!Ended(h)) ::SendMessage(h, WM_CLOSE, 0, 0);
    return TRUE;  // the window goes only when its owner destroys it
}

gboolean OnConfigureEvent(GtkWidget* widget, GdkEventConfigure*, gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (!Alive(h) || !gtk_widget_get_realized(widget)) return FALSE;
    int x = 0, y = 0;
    gdk_window_get_root_origin(gtk_widget_get_window(widget), &x, &y);
    h->x = x;
    h->y = y;
    return FALSE;
}

gboolean OnKeyEvent(GtkWidget*, GdkEventKey* event, gpointer data) {
    HWND top = static_cast<HWND>(data);
    if (Ended(top)) return TRUE;
    bool down = event->type == GDK_KEY_PRESS;
    bool alt = (event->state & GDK_MOD1_MASK) != 0;
    MSG msg{};
    msg.hwnd = FocusWindow(top);
    msg.message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    msg.wParam = AfxVirtualKeyOf(event);
    msg.lParam = AfxKeyLParamOf(event);
    msg.time = event->time;

    const MSG* outer = g_preTranslating;
    bool outerDispatched = g_dispatched;
    g_preTranslating = &msg;
    g_dispatched = false;
    BOOL handled = FALSE;
    for (HWND h = msg.hwnd; Alive(h) && !handled; h = h->parent) {
        if (h->pWnd != nullptr && h->pWnd->PreTranslateMessage(&msg)) handled = TRUE;
    }
    bool dispatched = g_dispatched;
    g_preTranslating = outer;
    g_dispatched = outerDispatched;

    if (handled) return dispatched ? FALSE : TRUE;
    if (Ended(top)) return TRUE;
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (top->style & WS_SYSMENU)) {
        // Alt+F4: the system menu's close command.
        SendMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    return FALSE;
}

gboolean OnActiveChanged(GtkWidget*, GParamSpec*, gpointer data) {
    HWND h = static_cast<HWND>(data);
    // A window that becomes active may realise its palette.
    if (Alive(h) && !Ended(h) && gtk_window_is_active(GTK_WINDOW(h->widget)))
        SendMessage(h, WM_QUERYNEWPALETTE, 0, 0);
    return FALSE;
}

}  // namespace

// ---------------------------------------------------------------- creation

HWND NewRecord(CWnd* pWnd, HWND parent, UINT id, DWORD style) {
    HWND h = new HWND__();
    h->parent = parent;
    h->id = id;
    h->style = style;
    if (pWnd == nullptr) {
        h->ownedWnd = std::make_unique<CWnd>();
        pWnd = h->ownedWnd.get();
    }
    h->pWnd = pWnd;
    pWnd->m_hWnd = h;
    g_windows.insert(h);
    if (parent != nullptr) parent->children.push_back(h);
    return h;
}

HWND CreateTopLevel(CWnd* pWnd, const AFX_DLGTEMPLATE* t, HWND owner) {
    HWND h = NewRecord(pWnd, nullptr, 0, t->style);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    h->widget = window;
    g_object_ref_sink(window);
    gtk_style_context_add_class(gtk_widget_get_style_context(window), "afx-window");
    gtk_window_set_resizable(GTK_WINDOW(window), (t->style & WS_THICKFRAME) != 0);
    if (owner != nullptr && owner->widget != nullptr)
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(owner->widget));
    if ((t->style & WS_CAPTION) == WS_CAPTION) {
        GtkWidget* bar = gtk_header_bar_new();
        h->headerBar = bar;
        gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), (t->style & WS_SYSMENU) != 0);
        gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(bar), (t->style & WS_MINIMIZEBOX) != 0
                                                                      ? "icon:minimize,close"
                                                                      : "icon:close");
        gtk_window_set_titlebar(GTK_WINDOW(window), bar);
        gtk_widget_show(bar);
    } else {
        gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    }
    h->client = gtk_event_box_new();
    gtk_widget_add_events(h->client, GDK_POINTER_MOTION_MASK | GDK_BUTTON_MOTION_MASK | GDK_BUTTON_PRESS_MASK);
    h->fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(h->client), h->fixed);
    gtk_container_add(GTK_CONTAINER(window), h->client);

    g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), h);
    g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigureEvent), h);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyEvent), h);
    g_signal_connect(window, "key-release-event", G_CALLBACK(OnKeyEvent), h);
    g_signal_connect(window, "notify::is-active", G_CALLBACK(OnActiveChanged), h);
    h->kind = AFX_KIND_DIALOG;
    ConnectMouse(h, h->client, true);

    if (h->headerBar != nullptr) {
        int minH = 0, natH = 0;
        gtk_widget_get_preferred_height(h->headerBar, &minH, &natH);
        h->captionHeight = natH;
    }
    int clientW = AfxDluToPixelsX(t, t->cx);
    int clientH = AfxDluToPixelsY(t, t->cy);
    h->cx = clientW;
    h->cy = clientH + h->captionHeight;
    int screenW = 0, screenH = 0;
    ScreenSize(&screenW, &screenH);
    h->x = std::max(0, (screenW - h->cx) / 2);
    h->y = std::max(0, (screenH - h->cy) / 2);
    ApplyTopGeometry(h);
    h->ownFont = CreateTemplateFont(t);
    ConnectPainting(h);
    h->text = t->caption != nullptr ? t->caption : "";
    ShowText(h);
    return h;
}

HWND CreateChild(HWND parent, CWnd* pWnd, GtkWidget* widget, UINT id, DWORD style, const RECT& r) {
    HWND h = NewRecord(pWnd, parent, id, style);
    h->widget = widget;
    g_object_ref_sink(widget);
    g_object_set_data(G_OBJECT(widget), "afx-hwnd", h);
    h->x = r.left;
    h->y = r.top;
    h->cx = r.right - r.left;
    h->cy = r.bottom - r.top;
    gtk_fixed_put(GTK_FIXED(parent->fixed), widget, h->x, h->y);
    gtk_widget_set_size_request(widget, std::max(0, h->cx), std::max(0, h->cy));
    if (style & WS_VISIBLE) gtk_widget_show(widget);
    return h;
}

void DestroyRecord(HWND h) {
    if (!Alive(h)) return;
    // Children first (their sites are destroyed with the container below).
    std::vector<HWND> children = h->children;
    for (HWND c : children) DestroyRecord(c);
    // Windows it owns (tooltips) go with it.
    std::vector<HWND> owned;
    for (HWND w : g_windows)
        if (w->owner == h) owned.push_back(w);
    for (HWND w : owned) DestroyRecord(w);
    for (auto& [id, timer] : h->timers) g_source_remove(timer.source);
    h->timers.clear();
    CancelTracking(h);
    if (h->parent != nullptr) InvalidateWindow(h->parent, nullptr, true);
    FreePaintState(h);
    if (h->parent != nullptr) {
        auto& siblings = h->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
    }
    if (h->pWnd != nullptr) {
        if (h->pWnd->m_pCtrlCont != nullptr) {
            delete h->pWnd->m_pCtrlCont;
            h->pWnd->m_pCtrlCont = nullptr;
        }
        if (h->pWnd->m_pCtrlSite != nullptr) h->pWnd->m_pCtrlSite->m_pWndCtrl = nullptr;
        h->pWnd->m_hWnd = nullptr;
        h->pWnd->m_pCtrlSite = nullptr;
    }
    g_windows.erase(h);
    if (h->widget != nullptr) {
        if (h->parent == nullptr) gtk_widget_destroy(h->widget);
        g_object_unref(h->widget);
    }
    delete h;
}

gboolean DeliverPosted(gpointer data) {
    std::unique_ptr<PostedMessage> m(static_cast<PostedMessage*>(data));
    if (!Ended(m->hwnd)) SendMessage(m->hwnd, m->message, m->wParam, m->lParam);
    return G_SOURCE_REMOVE;
}

gboolean DeliverTimer(gpointer data) {
    TimerTick* tick = static_cast<TimerTick*>(data);
    HWND h = tick->hwnd;
    if (!Alive(h)) return G_SOURCE_REMOVE;
    auto it = h->timers.find(tick->id);
    if (it == h->timers.end() || it->second.source != tick->source) return G_SOURCE_REMOVE;
    if (Ended(h)) return G_SOURCE_CONTINUE;
    TIMERPROC proc = it->second.proc;
    if (proc != nullptr)
        proc(h, WM_TIMER, tick->id, GetTickCount());
    else
        SendMessage(h, WM_TIMER, tick->id, 0);
    // Still the same timer? (The handler may have killed or restarted it.)
    if (!Alive(h)) return G_SOURCE_REMOVE;
    it = h->timers.find(tick->id);
    return it != h->timers.end() && it->second.source == tick->source ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void FreeTimerTick(gpointer data) { delete static_cast<TimerTick*>(data); }

}  // namespace afximpl
