// Mouse input: button and motion messages of dialogs and of the controls the
// layer runs (passing through PreTranslateMessage as the message loop does),
// mouse capture, and hover and leave tracking.
#include <algorithm>
#include <cstdlib>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

HWND g_capture = nullptr;

UINT Flags(guint state) {
    UINT f = 0;
    if (state & GDK_BUTTON1_MASK) f |= MK_LBUTTON;
    if (state & GDK_BUTTON3_MASK) f |= MK_RBUTTON;
    if (state & GDK_BUTTON2_MASK) f |= MK_MBUTTON;
    if (state & GDK_SHIFT_MASK) f |= MK_SHIFT;
    if (state & GDK_CONTROL_MASK) f |= MK_CONTROL;
    return f;
}

GtkWidget* SurfaceWidget(HWND h) { return h->parent == nullptr ? h->client : h->widget; }

// The pointer in h's client coordinates; false when it is not over h.
bool PointerIn(HWND h, int* x, int* y) {
    HWND top = TopOf(h);
    GtkWidget* w = SurfaceWidget(h);
    if (top == nullptr || top->widget == nullptr || w == nullptr || !gtk_widget_get_realized(top->widget)) return false;
    GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(top->widget));
    GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
    if (pointer == nullptr) return false;
    int px = 0, py = 0;
    gdk_window_get_device_position(gtk_widget_get_window(top->widget), pointer, &px, &py, nullptr);
    int cx = 0, cy = 0;
    if (!gtk_widget_translate_coordinates(top->widget, w, px, py, &cx, &cy)) return false;
    *x = cx;
    *y = cy;
    int height = h->parent == nullptr ? std::max(0, h->cy - h->captionHeight) : h->cy;
    return cx >= 0 && cy >= 0 && cx < h->cx && cy < height;
}

gboolean HoverElapsed(gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (!Alive(h)) return G_SOURCE_REMOVE;
    h->hoverSource = 0;
    if (!(h->trackFlags & TME_HOVER)) return G_SOURCE_REMOVE;
    int x = 0, y = 0;
    if (!PointerIn(h, &x, &y)) return G_SOURCE_REMOVE;
    h->trackFlags &= ~static_cast<DWORD>(TME_HOVER);
    GdkModifierType mask = static_cast<GdkModifierType>(0);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    if (seat != nullptr && gtk_widget_get_window(TopOf(h)->widget) != nullptr)
        gdk_window_get_device_position(gtk_widget_get_window(TopOf(h)->widget), gdk_seat_get_pointer(seat), nullptr,
                                       nullptr, &mask);
    PostMessage(h, WM_MOUSEHOVER, Flags(mask), MAKELPARAM(x, y));
    return G_SOURCE_REMOVE;
}

void StartHover(HWND h, int x, int y) {
    if (h->hoverSource != 0) g_source_remove(h->hoverSource);
    h->hoverX = x;
    h->hoverY = y;
    h->hoverSource = g_timeout_add_full(G_PRIORITY_DEFAULT, std::max<DWORD>(1, h->hoverTime), HoverElapsed, h, nullptr);
}

// Through PreTranslateMessage from the window up to its top-level window,
// then to the window.
void Deliver(MSG& msg) {
    const MSG* outer = g_preTranslating;
    bool outerDispatched = g_dispatched;
    g_preTranslating = &msg;
    g_dispatched = false;
    BOOL handled = FALSE;
    for (HWND h = msg.hwnd; Alive(h) && !handled; h = h->parent)
        if (h->pWnd != nullptr && h->pWnd->PreTranslateMessage(&msg)) handled = TRUE;
    bool dispatched = g_dispatched;
    g_preTranslating = outer;
    g_dispatched = outerDispatched;
    if ((!handled || dispatched) && !Ended(msg.hwnd)) SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

gboolean OnMouse(GtkWidget* widget, GdkEvent* event, gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (!Alive(h)) return FALSE;
    bool top = h->parent == nullptr;
    // A dialog takes only what happens over its own surface.
    if (top && event->any.window != gtk_widget_get_window(widget)) return FALSE;
    if (Ended(h)) return TRUE;
    MSG msg{};
    msg.hwnd = h;
    msg.time = gdk_event_get_time(event);
    double ex = 0, ey = 0;
    gdk_event_get_coords(event, &ex, &ey);
    int x = static_cast<int>(ex), y = static_cast<int>(ey);
    HWND target = h;
    if (Alive(g_capture) && g_capture != h) {
        // Captured: the capturing window gets it, in its coordinates.
        POINT p{x, y};
        h->pWnd->ClientToScreen(&p);
        g_capture->pWnd->ScreenToClient(&p);
        x = p.x;
        y = p.y;
        target = g_capture;
        msg.hwnd = target;
    }
    switch (event->type) {
        case GDK_MOTION_NOTIFY:
            msg.message = WM_MOUSEMOVE;
            msg.wParam = Flags(event->motion.state);
            if ((target->trackFlags & TME_HOVER) && (std::abs(x - target->hoverX) > 2 || std::abs(y - target->hoverY) > 2))
                StartHover(target, x, y);
            break;
        case GDK_BUTTON_PRESS:
            if (event->button.button != 1 && event->button.button != 3) return FALSE;
            if (top && event->button.button == 1) {
                h->dragX = static_cast<int>(event->button.x_root);
                h->dragY = static_cast<int>(event->button.y_root);
            }
            msg.message = event->button.button == 1 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
            msg.wParam = Flags(event->button.state) | (event->button.button == 1 ? MK_LBUTTON : MK_RBUTTON);
            break;
        case GDK_BUTTON_RELEASE:
            if (event->button.button != 1 && event->button.button != 3) return FALSE;
            msg.message = event->button.button == 1 ? WM_LBUTTONUP : WM_RBUTTONUP;
            msg.wParam = Flags(event->button.state) & ~static_cast<UINT>(event->button.button == 1 ? MK_LBUTTON : MK_RBUTTON);
            break;
        case GDK_LEAVE_NOTIFY:
            if (event->crossing.detail != GDK_NOTIFY_INFERIOR && (h->trackFlags & TME_LEAVE) && g_capture != h) {
                CancelTracking(h);
                PostMessage(h, WM_MOUSELEAVE, 0, 0);
            }
            return FALSE;
        default:
            return FALSE;
    }
    msg.lParam = MAKELPARAM(x, y);
    Deliver(msg);
    return top ? FALSE : TRUE;
}

}  // namespace

namespace afximpl {

void ConnectMouse(HWND h, GtkWidget* widget, bool) {
    gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                      GDK_BUTTON_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    for (const char* signal : {"motion-notify-event", "button-press-event", "button-release-event", "leave-notify-event"})
        g_signal_connect(widget, signal, G_CALLBACK(OnMouse), h);
}

void CancelTracking(HWND h) {
    h->trackFlags = 0;
    if (h->hoverSource != 0) g_source_remove(h->hoverSource);
    h->hoverSource = 0;
    if (g_capture == h) g_capture = nullptr;
}

}  // namespace afximpl

BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT e) {
    if (e == nullptr || e->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
    HWND h = e->hwndTrack;
    if (e->dwFlags & TME_QUERY) {
        *e = TRACKMOUSEEVENT{sizeof(TRACKMOUSEEVENT), 0, nullptr, 0};
        for (HWND w : g_windows)
            if (w->trackFlags != 0) {
                e->dwFlags = w->trackFlags;
                e->hwndTrack = w;
                e->dwHoverTime = w->hoverTime;
            }
        return TRUE;
    }
    if (!Alive(h)) return FALSE;
    DWORD kinds = e->dwFlags & (TME_HOVER | TME_LEAVE);
    if (e->dwFlags & TME_CANCEL) {
        h->trackFlags &= ~kinds;
        if (!(h->trackFlags & TME_HOVER) && h->hoverSource != 0) {
            g_source_remove(h->hoverSource);
            h->hoverSource = 0;
        }
        return TRUE;
    }
    int x = 0, y = 0;
    bool inside = PointerIn(h, &x, &y);
    if (kinds & TME_HOVER) {
        h->trackFlags |= TME_HOVER;
        h->hoverTime = e->dwHoverTime == HOVER_DEFAULT ? 400 : e->dwHoverTime;
        StartHover(h, x, y);
    }
    if (kinds & TME_LEAVE) {
        if (inside) {
            h->trackFlags |= TME_LEAVE;
        } else {
            // Not over the window: the leave notice comes at once.
            h->trackFlags &= ~static_cast<DWORD>(TME_HOVER);
            PostMessage(h, WM_MOUSELEAVE, 0, 0);
        }
    }
    return TRUE;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack) { return _TrackMouseEvent(lpEventTrack); }

HWND SetCapture(HWND hWnd) {
    HWND old = Alive(g_capture) ? g_capture : nullptr;
    g_capture = Alive(hWnd) ? hWnd : nullptr;
    return old;
}

BOOL ReleaseCapture() {
    g_capture = nullptr;
    return TRUE;
}

HWND GetCapture() { return Alive(g_capture) ? g_capture : nullptr; }

BOOL GetCursorPos(LPPOINT lpPoint) {
    if (lpPoint == nullptr || !AfxUiInit()) return FALSE;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
    if (pointer == nullptr) return FALSE;
    int x = 0, y = 0;
    gdk_device_get_position(pointer, nullptr, &x, &y);
    *lpPoint = POINT{x, y};
    return TRUE;
}

CWnd* CWnd::SetCapture() { return CWnd::FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return CWnd::FromHandle(::GetCapture()); }
