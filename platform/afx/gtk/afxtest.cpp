#include "platform/afx/afxtest.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <webkit2/webkit2.h>

#include <cstring>

#include "platform/afx/gtk/afxgdiimpl.h"

namespace afxtest {

namespace {

Display* XDisplayOf() {
    if (!AfxUiInit()) return nullptr;
    GdkDisplay* d = gdk_display_get_default();
    if (d == nullptr || !GDK_IS_X11_DISPLAY(d)) return nullptr;
    return GDK_DISPLAY_XDISPLAY(d);
}

void Flush() {
    Display* x = XDisplayOf();
    if (x != nullptr) XSync(x, False);
}

struct Posted {
    std::function<void()> fn;
};

gboolean RunPosted(gpointer data) {
    auto* p = static_cast<Posted*>(data);
    p->fn();
    delete p;
    return G_SOURCE_REMOVE;
}

}  // namespace

bool HaveDisplay() { return AfxUiInit(); }

HWND ActiveModal() { return AfxInnermostModal(); }

void SendCloseRequest(HWND hWnd) {
    GtkWidget* w = AfxWidgetOf(hWnd);
    if (w == nullptr || !gtk_widget_get_realized(w)) return;
    GdkEvent* ev = gdk_event_new(GDK_DELETE);
    ev->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    ev->any.send_event = TRUE;
    gtk_main_do_event(ev);
    gdk_event_free(ev);
}

bool GetWindowState(HWND hWnd, WindowState* s) {
    GtkWidget* w = AfxWidgetOf(hWnd);
    if (w == nullptr || !GTK_IS_WINDOW(w) || s == nullptr) return false;
    *s = WindowState{};
    GtkWindow* win = GTK_WINDOW(w);
    if (gtk_widget_get_realized(w)) {
        gdk_window_get_root_origin(gtk_widget_get_window(w), &s->x, &s->y);
        s->width = gdk_window_get_width(gtk_widget_get_window(w));
        s->height = gdk_window_get_height(gtk_widget_get_window(w));
    }
    if (hWnd->client != nullptr) {
        s->clientWidth = gtk_widget_get_allocated_width(hWnd->client);
        s->clientHeight = gtk_widget_get_allocated_height(hWnd->client);
    }
    const char* title = gtk_window_get_title(win);
    s->captionUtf8 = title != nullptr ? title : "";
    s->visible = gtk_widget_get_mapped(w);
    s->modal = gtk_window_get_modal(win);
    s->decorated = hWnd->headerBar != nullptr && gtk_widget_get_mapped(hWnd->headerBar);
    GdkPixbuf* icon = gtk_window_get_icon(win);
    if (icon != nullptr) {
        s->iconWidth = gdk_pixbuf_get_width(icon);
        s->iconHeight = gdk_pixbuf_get_height(icon);
    }
    return true;
}

bool GetChildAllocation(HWND hWnd, RECT* rect) {
    GtkWidget* w = AfxWidgetOf(hWnd);
    if (w == nullptr || rect == nullptr || hWnd->parent == nullptr) return false;
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    GtkAllocation p;
    gtk_widget_get_allocation(hWnd->parent->fixed, &p);
    *rect = RECT{a.x - p.x, a.y - p.y, a.x - p.x + a.width, a.y - p.y + a.height};
    return true;
}

void Post(std::function<void()> fn, unsigned delayMs) {
    auto* p = new Posted{std::move(fn)};
    if (delayMs == 0)
        g_idle_add(RunPosted, p);
    else
        g_timeout_add(delayMs, RunPosted, p);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() >= end) return done();
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
    }
    return true;
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

bool FocusWindow(HWND hWnd) {
    GtkWidget* w = AfxWidgetOf(AfxTopLevelOf(hWnd));
    Display* x = XDisplayOf();
    if (w == nullptr || x == nullptr || !gtk_widget_get_realized(w)) return false;
    XSetInputFocus(x, GDK_WINDOW_XID(gtk_widget_get_window(w)), RevertToParent, CurrentTime);
    Flush();
    return PumpUntil([w] { return gtk_window_is_active(GTK_WINDOW(w)) != FALSE; }, 2000);
}

bool PressKey(const char* keysym, const char* modifiers) {
    Display* x = XDisplayOf();
    if (x == nullptr) return false;
    KeySym sym = XStringToKeysym(keysym);
    KeyCode code = sym != NoSymbol ? XKeysymToKeycode(x, sym) : 0;
    if (code == 0) return false;
    std::string mods = modifiers != nullptr ? modifiers : "";
    std::vector<KeyCode> held;
    if (mods.find("shift") != std::string::npos) held.push_back(XKeysymToKeycode(x, XK_Shift_L));
    if (mods.find("control") != std::string::npos) held.push_back(XKeysymToKeycode(x, XK_Control_L));
    if (mods.find("alt") != std::string::npos) held.push_back(XKeysymToKeycode(x, XK_Alt_L));
    for (KeyCode k : held) XTestFakeKeyEvent(x, k, True, CurrentTime);
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    for (auto it = held.rbegin(); it != held.rend(); ++it) XTestFakeKeyEvent(x, *it, False, CurrentTime);
    Flush();
    Pump(50);
    return true;
}

bool MovePointer(int screenX, int screenY) {
    Display* x = XDisplayOf();
    if (x == nullptr) return false;
    XTestFakeMotionEvent(x, -1, screenX, screenY, CurrentTime);
    Flush();
    Pump(30);
    return true;
}

bool PointerButton(int button, bool press) {
    Display* x = XDisplayOf();
    if (x == nullptr) return false;
    XTestFakeButtonEvent(x, static_cast<unsigned>(button), press ? True : False, CurrentTime);
    Flush();
    Pump(30);
    return true;
}

bool Snapshot(HWND hWnd, const char* pngPath) {
    GtkWidget* w = AfxWidgetOf(AfxTopLevelOf(hWnd));
    if (w == nullptr || !gtk_widget_get_realized(w)) return false;
    GdkWindow* gw = gtk_widget_get_window(w);
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gw, 0, 0, gdk_window_get_width(gw), gdk_window_get_height(gw));
    if (pixbuf == nullptr) return false;
    gboolean ok = gdk_pixbuf_save(pixbuf, pngPath, "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return ok != FALSE;
}

std::string EvaluateInBrowser(HWND hBrowser, const char* script, int timeoutMs) {
    GtkWidget* w = AfxWidgetOf(hBrowser);
    if (w == nullptr || !WEBKIT_IS_WEB_VIEW(w)) return std::string();
    struct Result {
        bool done = false;
        std::string text;
    };
    auto* result = new Result;
    webkit_web_view_evaluate_javascript(
        WEBKIT_WEB_VIEW(w), script, -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            JSCValue* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr);
            if (v != nullptr) {
                char* s = jsc_value_to_string(v);
                r->text = s != nullptr ? s : "";
                g_free(s);
                g_object_unref(v);
            }
            r->done = true;
        },
        result);
    bool done = PumpUntil([result] { return result->done; }, timeoutMs);
    std::string text = result->text;
    if (done) delete result;  // otherwise the late callback still needs it
    return text;
}

int OpenPopupMenus() {
    int n = 0;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l != nullptr; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        if (gtk_window_get_window_type(GTK_WINDOW(w)) == GTK_WINDOW_POPUP && gtk_widget_get_mapped(w)) {
            GtkWidget* child = gtk_bin_get_child(GTK_BIN(w));
            if (child != nullptr && GTK_IS_MENU(child)) ++n;
        }
    }
    g_list_free(all);
    return n;
}

std::string ToolTipText(HWND hToolTip) {
    if (!IsWindow(hToolTip) || hToolTip->kind != AFX_KIND_TOOLTIP || !gtk_widget_get_visible(hToolTip->widget))
        return std::string();
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(hToolTip->widget));
    return label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : std::string();
}

int UnknownGlyphs(HFONT hFont, const char* utf8) {
    auto* f = afximpl::GdiAs<afximpl::FontObject>(hFont, OBJ_FONT);
    if (f == nullptr || utf8 == nullptr) return -1;
    PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* l = pango_layout_new(c);
    pango_layout_set_font_description(l, f->desc);
    pango_layout_set_text(l, utf8, -1);
    int n = pango_layout_get_unknown_glyphs_count(l);
    g_object_unref(l);
    g_object_unref(c);
    return n;
}

bool SaveImage(const char* path, const char* type, int w, int h, const std::function<COLORREF(int, int)>& pixel) {
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    if (p == nullptr) return false;
    guchar* px = gdk_pixbuf_get_pixels(p);
    int stride = gdk_pixbuf_get_rowstride(p);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = pixel(x, y);
            guchar* d = px + y * stride + x * 3;
            d[0] = GetRValue(c);
            d[1] = GetGValue(c);
            d[2] = GetBValue(c);
        }
    gboolean ok = strcmp(type, "jpeg") == 0 ? gdk_pixbuf_save(p, path, type, nullptr, "quality", "100", nullptr)
                                             : gdk_pixbuf_save(p, path, type, nullptr, nullptr);
    g_object_unref(p);
    return ok != FALSE;
}

}  // namespace afxtest
