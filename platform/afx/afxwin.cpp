// The window layer on GTK 3. A window handle names a record of this file;
// top-level windows are GtkWindows with a header bar as caption (so that the
// caption belongs to the window's rectangle as on Windows) and an event box
// holding a GtkFixed as client area; child windows are widgets placed in
// their parent's client area.
#include "platform/afx/afxgtk.h"
#include "platform/browser/exdisp.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

std::set<HWND> g_windows;
// Modal runs, innermost last: (window, loop).
struct ModalFrame {
    HWND hwnd;
    GMainLoop* loop;
};
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

// Applies a top-level window's record geometry to GTK.
void ApplyTopGeometry(HWND h) {
    int clientH = std::max(0, h->cy - h->captionHeight);
    gtk_widget_set_size_request(h->client, std::max(0, h->cx), clientH);
    gtk_window_move(GTK_WINDOW(h->widget), h->x, h->y);
    gtk_window_resize(GTK_WINDOW(h->widget), std::max(1, h->cx), std::max(1, h->cy));
}

void ApplyChildGeometry(HWND h) {
    if (h->parent == nullptr || h->parent->fixed == nullptr) return;
    gtk_fixed_move(GTK_FIXED(h->parent->fixed), h->widget, h->x, h->y);
    gtk_widget_set_size_request(h->widget, std::max(0, h->cx), std::max(0, h->cy));
}

void ShowText(HWND h) {
    std::string utf8 = AfxAnsiToUtf8(h->text);
    if (h->parent == nullptr) {
        gtk_window_set_title(GTK_WINDOW(h->widget), utf8.c_str());
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

// ---------------------------------------------------------------- events from GTK

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

HWND FocusWindow(HWND top) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->widget));
    HWND h = focus != nullptr ? AfxWindowOfWidget(focus) : nullptr;
    return h != nullptr ? h : top;
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
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
        // Alt+F4: the system's close command.
        SendMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    return FALSE;
}

UINT MouseFlags(guint state) {
    UINT flags = 0;
    if (state & GDK_BUTTON1_MASK) flags |= MK_LBUTTON;
    if (state & GDK_BUTTON3_MASK) flags |= MK_RBUTTON;
    if (state & GDK_BUTTON2_MASK) flags |= MK_MBUTTON;
    if (state & GDK_SHIFT_MASK) flags |= MK_SHIFT;
    if (state & GDK_CONTROL_MASK) flags |= MK_CONTROL;
    return flags;
}

gboolean OnClientButton(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (event->window == gtk_widget_get_window(widget) && event->button == 1 && Alive(h)) {
        h->dragX = static_cast<int>(event->x_root);
        h->dragY = static_cast<int>(event->y_root);
    }
    return FALSE;
}

gboolean OnClientMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
    HWND h = static_cast<HWND>(data);
    // Only moves over the dialog's own surface, not over a child window.
    if (event->window != gtk_widget_get_window(widget) || Ended(h)) return FALSE;
    SendMessage(h, WM_MOUSEMOVE, MouseFlags(event->state),
                MAKELPARAM(static_cast<int>(event->x), static_cast<int>(event->y)));
    return FALSE;
}

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
    g_signal_connect(h->client, "motion-notify-event", G_CALLBACK(OnClientMotion), h);
    g_signal_connect(h->client, "button-press-event", G_CALLBACK(OnClientButton), h);

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
    for (auto& [id, timer] : h->timers) g_source_remove(timer.source);
    h->timers.clear();
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

struct PostedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

gboolean DeliverPosted(gpointer data) {
    std::unique_ptr<PostedMessage> m(static_cast<PostedMessage*>(data));
    if (!Ended(m->hwnd)) SendMessage(m->hwnd, m->message, m->wParam, m->lParam);
    return G_SOURCE_REMOVE;
}

struct TimerTick {
    HWND hwnd;
    UINT_PTR id;
    guint source = 0;
};

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

}  // namespace

// ---------------------------------------------------------------- helpers for platform/

bool AfxUiInit() {
    static int state = 0;  // 0 not tried, 1 ready, -1 no display
    if (state == 0) {
        state = gtk_init_check(nullptr, nullptr) ? 1 : -1;
        if (state == 1) {
            // The caption is drawn by the window itself; no shadow or resize
            // border around it, so that the window's rectangle is what shows.
            GtkCssProvider* css = gtk_css_provider_new();
            gtk_css_provider_load_from_data(css,
                                            "window.afx-window decoration { margin: 0; padding: 0; border-width: 0;"
                                            " border-radius: 0; box-shadow: none; }",
                                            -1, nullptr);
            gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                      GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
            g_object_unref(css);
        }
    }
    return state == 1;
}

std::string AfxAnsiToUtf8(LPCSTR text) {
    if (text == nullptr || *text == '\0') return std::string();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return std::string();
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    return AfxUtf16ToUtf8(wide.c_str(), n - 1);
}

std::string AfxUtf16ToUtf8(const OLECHAR* text, int length) {
    if (text == nullptr) return std::string();
    glong len = length < 0 ? -1 : length;
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text), len, nullptr, nullptr, nullptr);
    if (utf8 == nullptr) return std::string();
    std::string result(utf8);
    g_free(utf8);
    return result;
}

BSTR AfxUtf8ToBstr(const char* utf8, int length) {
    if (utf8 == nullptr) return SysAllocStringLen(nullptr, 0);
    glong written = 0;
    gunichar2* wide = g_utf8_to_utf16(utf8, length, nullptr, &written, nullptr);
    if (wide == nullptr) return SysAllocStringLen(nullptr, 0);
    BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide), static_cast<UINT>(written));
    g_free(wide);
    return b;
}

std::string AfxUtf8ToAnsi(const char* utf8) {
    BSTR b = AfxUtf8ToBstr(utf8);
    std::string ansi = BstrToAnsi(b, SysStringLen(b));
    SysFreeString(b);
    return ansi;
}

GtkWidget* AfxWidgetOf(HWND hWnd) { return Alive(hWnd) ? hWnd->widget : nullptr; }

HWND AfxWindowOfWidget(GtkWidget* widget) {
    for (GtkWidget* w = widget; w != nullptr; w = gtk_widget_get_parent(w)) {
        HWND h = static_cast<HWND>(g_object_get_data(G_OBJECT(w), "afx-hwnd"));
        if (Alive(h)) return h;
        if (GTK_IS_WINDOW(w)) {
            for (HWND t : g_windows)
                if (t->parent == nullptr && t->widget == w) return t;
        }
    }
    return nullptr;
}

HWND AfxTopLevelOf(HWND hWnd) { return Alive(hWnd) ? TopOf(hWnd) : nullptr; }

bool AfxWindowEnded(HWND hWnd) { return Ended(hWnd); }

UINT AfxVirtualKeyOf(const GdkEventKey* event) {
    guint k = gdk_keyval_to_upper(event->keyval);
    if (k >= 'A' && k <= 'Z') return k;
    if (k >= '0' && k <= '9') return k;
    if (k >= GDK_KEY_F1 && k <= GDK_KEY_F24) return VK_F1 + (k - GDK_KEY_F1);
    switch (k) {
        case GDK_KEY_Escape:
            return VK_ESCAPE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            return VK_RETURN;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return VK_TAB;
        case GDK_KEY_BackSpace:
            return VK_BACK;
        case GDK_KEY_space:
            return VK_SPACE;
        case GDK_KEY_Delete:
            return VK_DELETE;
        case GDK_KEY_Left:
            return VK_LEFT;
        case GDK_KEY_Right:
            return VK_RIGHT;
        case GDK_KEY_Up:
            return VK_UP;
        case GDK_KEY_Down:
            return VK_DOWN;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return VK_SHIFT;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R:
            return VK_CONTROL;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
            return VK_MENU;
        case GDK_KEY_Menu:
            return VK_APPS;
        default:
            return event->hardware_keycode;  // no Windows equivalent the module looks at
    }
}

LPARAM AfxKeyLParamOf(const GdkEventKey* event) {
    DWORD l = 1;  // repeat count
    l |= static_cast<DWORD>(event->hardware_keycode & 0xff) << 16;
    if (event->state & GDK_MOD1_MASK) l |= 1u << 29;
    if (event->type == GDK_KEY_RELEASE) l |= (1u << 30) | (1u << 31);
    return static_cast<LPARAM>(l);
}

// ---------------------------------------------------------------- Win32 calls

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Alive(hWnd) || hWnd->pWnd == nullptr) return 0;
    return hWnd->pWnd->WindowProc(message, wParam, lParam);
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Alive(hWnd)) return FALSE;
    g_idle_add_full(G_PRIORITY_DEFAULT, DeliverPosted, new PostedMessage{hWnd, message, wParam, lParam}, nullptr);
    return TRUE;
}

BOOL TranslateMessage(const MSG*) { return TRUE; }

LRESULT DispatchMessage(const MSG* lpMsg) {
    if (lpMsg == nullptr) return 0;
    if (lpMsg == g_preTranslating) {
        g_dispatched = true;  // the key event goes on to its window
        return 0;
    }
    return SendMessage(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL IsWindow(HWND hWnd) { return Alive(hWnd) ? TRUE : FALSE; }

int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    if (!AfxUiInit()) return 0;
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    switch (uType & 0xF0) {
        case MB_ICONINFORMATION:
            kind = GTK_MESSAGE_INFO;
            break;
        case MB_ICONWARNING:
            kind = GTK_MESSAGE_WARNING;
            break;
        case MB_ICONERROR:
            kind = GTK_MESSAGE_ERROR;
            break;
        default:
            break;
    }
    HWND owner = Alive(hWnd) ? TopOf(hWnd) : nullptr;
    std::string text = AfxAnsiToUtf8(lpText);
    GtkWidget* box = gtk_message_dialog_new(owner != nullptr ? GTK_WINDOW(owner->widget) : nullptr, GTK_DIALOG_MODAL,
                                            kind, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), AfxAnsiToUtf8(lpCaption != nullptr ? lpCaption : "Error").c_str());

    HWND h = NewRecord(nullptr, nullptr, 0, WS_POPUP | WS_CAPTION);
    h->widget = box;
    g_object_ref_sink(box);
    h->messageBox = true;
    h->text = lpCaption != nullptr ? lpCaption : "Error";
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_signal_connect_swapped(box, "response", G_CALLBACK(g_main_loop_quit), loop);
    g_signal_connect_swapped(box, "destroy", G_CALLBACK(g_main_loop_quit), loop);
    gtk_widget_show_all(box);
    g_modal.push_back(ModalFrame{h, loop});
    g_main_loop_run(loop);
    g_modal.pop_back();
    g_main_loop_unref(loop);
    DestroyRecord(h);
    return IDOK;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND owner = g_modal.empty() ? nullptr : g_modal.back().hwnd;
    return MessageBox(owner, lpszText, "VemoMPIOCX", nType);
}

HINSTANCE AfxGetResourceHandle() {
    static int module;
    return reinterpret_cast<HINSTANCE>(&module);
}
HINSTANCE AfxGetInstanceHandle() { return AfxGetResourceHandle(); }

HICON LoadIcon(HINSTANCE, LPCSTR lpIconName) {
    if (!IS_INTRESOURCE(lpIconName)) return nullptr;
    WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpIconName));
    // Icons are shared: loaded once, kept for the life of the process.
    static auto* loaded = new std::map<WORD, HICON>;
    auto it = loaded->find(id);
    if (it != loaded->end()) return it->second;
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_GROUP_ICON_ID, id);
    if (res == nullptr) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GdkPixbuf* pixbuf = nullptr;
    if (gdk_pixbuf_loader_write(loader, static_cast<const guchar*>(res->data), res->size, nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf != nullptr) g_object_ref(pixbuf);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    if (pixbuf == nullptr) return nullptr;
    HICON icon = new HICON__{pixbuf};
    (*loaded)[id] = icon;
    return icon;
}

// ---------------------------------------------------------------- CWnd

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (Alive(m_hWnd) && m_hWnd->pWnd == this) {
        if (m_hWnd->parent == nullptr) {
            DestroyRecord(m_hWnd);
        } else {
            m_hWnd->pWnd = nullptr;  // the item stays with its dialog, unbound
            if (m_pCtrlSite != nullptr) m_pCtrlSite->m_pWndCtrl = nullptr;
        }
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) { return Alive(hWnd) ? hWnd->pWnd : nullptr; }

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID) {
    if (pParentWnd == nullptr || !Alive(pParentWnd->m_hWnd) || g_occManager == nullptr || m_hWnd != nullptr)
        return FALSE;
    if (pParentWnd->m_pCtrlCont == nullptr) pParentWnd->m_pCtrlCont = g_occManager->CreateContainer(pParentWnd);
    if (pParentWnd->m_pCtrlCont == nullptr) return FALSE;
    COleControlSite* site = g_occManager->CreateSite(pParentWnd->m_pCtrlCont);
    if (site == nullptr) return FALSE;
    if (FAILED(site->CreateControl(this, clsid, lpszWindowName, dwStyle, rect, nID))) {
        delete site;
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!Alive(m_hWnd)) return FALSE;
    HWND h = m_hWnd;
    ::SendMessage(h, WM_DESTROY, 0, 0);
    if (h->parent == nullptr && g_windows.count(h) != 0) {
        for (auto& [id, timer] : h->timers) g_source_remove(timer.source);
        h->timers.clear();
        gtk_widget_hide(h->widget);
    }
    DestroyRecord(h);
    return TRUE;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
    if (!Alive(m_hWnd)) return;
    m_hWnd->x = x;
    m_hWnd->y = y;
    m_hWnd->cx = nWidth;
    m_hWnd->cy = nHeight;
    if (m_hWnd->parent == nullptr)
        ApplyTopGeometry(m_hWnd);
    else
        ApplyChildGeometry(m_hWnd);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect != nullptr)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags) {
    if (!Alive(m_hWnd)) return FALSE;
    int nx = (nFlags & SWP_NOMOVE) ? m_hWnd->x : x;
    int ny = (nFlags & SWP_NOMOVE) ? m_hWnd->y : y;
    int ncx = (nFlags & SWP_NOSIZE) ? m_hWnd->cx : cx;
    int ncy = (nFlags & SWP_NOSIZE) ? m_hWnd->cy : cy;
    MoveWindow(nx, ny, ncx, ncy);
    if (nFlags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
    if (nFlags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    *lpRect = RECT{0, 0, 0, 0};
    if (!Alive(m_hWnd)) return;
    POINT origin{m_hWnd->x, m_hWnd->y};
    if (m_hWnd->parent != nullptr) {
        origin = POINT{0, 0};
        m_hWnd->parent->pWnd->ClientToScreen(&origin);
        origin.x += m_hWnd->x;
        origin.y += m_hWnd->y;
    }
    *lpRect = RECT{origin.x, origin.y, origin.x + m_hWnd->cx, origin.y + m_hWnd->cy};
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    *lpRect = RECT{0, 0, 0, 0};
    if (!Alive(m_hWnd)) return;
    int h = m_hWnd->parent == nullptr ? std::max(0, m_hWnd->cy - m_hWnd->captionHeight) : m_hWnd->cy;
    *lpRect = RECT{0, 0, m_hWnd->cx, h};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    if (lpPoint == nullptr || !Alive(m_hWnd)) return;
    RECT r;
    if (m_hWnd->parent == nullptr) {
        lpPoint->x += m_hWnd->x;
        lpPoint->y += m_hWnd->y + m_hWnd->captionHeight;
    } else {
        GetWindowRect(&r);
        lpPoint->x += r.left;
        lpPoint->y += r.top;
    }
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    if (lpPoint == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(&origin);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(&origin);
    lpRect->left -= origin.x;
    lpRect->right -= origin.x;
    lpRect->top -= origin.y;
    lpRect->bottom -= origin.y;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (!Alive(m_hWnd)) return FALSE;
    BOOL was = IsWindowVisible();
    if (nCmdShow == SW_HIDE) {
        gtk_widget_hide(m_hWnd->widget);
        m_hWnd->style &= ~WS_VISIBLE;
    } else {
        gtk_widget_show_all(m_hWnd->widget);
        m_hWnd->style |= WS_VISIBLE;
    }
    return was;
}

BOOL CWnd::IsWindowVisible() const {
    return Alive(m_hWnd) && gtk_widget_get_visible(m_hWnd->widget) ? TRUE : FALSE;
}

void CWnd::SetWindowText(LPCSTR lpszString) {
    if (!Alive(m_hWnd)) return;
    m_hWnd->text = lpszString != nullptr ? lpszString : "";
    ShowText(m_hWnd);
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    if (lpszStringBuf == nullptr || nMaxCount <= 0) return 0;
    lpszStringBuf[0] = '\0';
    if (!Alive(m_hWnd)) return 0;
    lstrcpynA(lpszStringBuf, m_hWnd->text, nMaxCount);
    return lstrlenA(lpszStringBuf);
}

void CWnd::GetWindowText(CString& rString) const { rString = Alive(m_hWnd) ? m_hWnd->text.GetString() : ""; }

int CWnd::GetWindowTextLength() const { return Alive(m_hWnd) ? m_hWnd->text.GetLength() : 0; }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    if (!Alive(m_hWnd)) return nullptr;
    return bBigIcon ? m_hWnd->iconBig : m_hWnd->iconSmall;
}

DWORD CWnd::GetStyle() const { return Alive(m_hWnd) ? m_hWnd->style : 0; }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
    if (!Alive(m_hWnd)) return FALSE;
    DWORD before = m_hWnd->style;
    m_hWnd->style = (before & ~dwRemove) | dwAdd;
    if (m_hWnd->headerBar != nullptr)
        gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(m_hWnd->headerBar), (m_hWnd->style & WS_SYSMENU) != 0);
    return before != m_hWnd->style;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!Alive(m_hWnd)) return nullptr;
    for (HWND c : m_hWnd->children)
        if (c->id == static_cast<UINT>(nID)) {
            if (c->pWnd == nullptr) {
                c->ownedWnd = std::make_unique<CWnd>();
                c->pWnd = c->ownedWnd.get();
                c->pWnd->m_hWnd = c;
            }
            return c->pWnd;
        }
    return nullptr;
}

int CWnd::GetDlgCtrlID() const { return Alive(m_hWnd) ? static_cast<int>(m_hWnd->id) : 0; }

CWnd* CWnd::GetParent() const { return Alive(m_hWnd) && m_hWnd->parent != nullptr ? m_hWnd->parent->pWnd : nullptr; }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr || !Alive(pParent->m_hWnd) || m_hWnd != nullptr) return FALSE;
    for (HWND c : pParent->m_hWnd->children) {
        if (c->id != nID) continue;
        COleControlSite* site = c->pWnd != nullptr ? c->pWnd->m_pCtrlSite : nullptr;
        if (c->pWnd != nullptr) {
            c->pWnd->m_hWnd = nullptr;
            c->pWnd->m_pCtrlSite = nullptr;
        }
        c->pWnd = this;
        m_hWnd = c;
        m_pCtrlSite = site;
        if (site != nullptr) site->m_pWndCtrl = this;
        return TRUE;
    }
    return FALSE;
}

CWnd* CWnd::SetFocus() {
    CWnd* before = GetFocus();
    if (Alive(m_hWnd)) gtk_widget_grab_focus(m_hWnd->widget);
    return before;
}

CWnd* CWnd::GetFocus() {
    for (HWND h : g_windows) {
        if (h->parent != nullptr || h->messageBox || !gtk_window_is_active(GTK_WINDOW(h->widget))) continue;
        HWND f = FocusWindow(h);
        return f->pWnd;
    }
    return nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    if (!Alive(m_hWnd) || Ended(m_hWnd) || nIDEvent == 0) return 0;
    KillTimer(nIDEvent);
    UINT interval = std::max<UINT>(nElapse, USER_TIMER_MINIMUM);
    auto* tick = new TimerTick{m_hWnd, nIDEvent};
    tick->source = g_timeout_add_full(G_PRIORITY_DEFAULT, interval, DeliverTimer, tick, FreeTimerTick);
    m_hWnd->timers[nIDEvent] = HWND__::Timer{tick->source, lpfnTimer};
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    if (!Alive(m_hWnd)) return FALSE;
    auto it = m_hWnd->timers.find(nIDEvent);
    if (it == m_hWnd->timers.end()) return FALSE;
    g_source_remove(it->second.source);
    m_hWnd->timers.erase(it);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    if (m_pCtrlSite != nullptr) {
        m_pCtrlSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } else {
        OutputDebugStringA("[CWnd::InvokeHelper] the window holds no control");
        if (vtRet == VT_DISPATCH && pvRet != nullptr) *static_cast<IDispatch**>(pvRet) = nullptr;
    }
    va_end(args);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wParam), CPoint(lParam));
            return 0;
        case WM_COMMAND:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Alive(m_hWnd)) return 0;
    HWND h = m_hWnd;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) return ::SendMessage(TopOf(h), WM_CLOSE, 0, 0);
            return 0;
        case WM_SETTEXT:
            SetWindowText(reinterpret_cast<LPCSTR>(lParam));
            return TRUE;
        case WM_SETICON: {
            HICON* slot = wParam == ICON_BIG ? &h->iconBig : &h->iconSmall;
            HICON before = *slot;
            *slot = reinterpret_cast<HICON>(lParam);
            ApplyIcon(h);
            return reinterpret_cast<LRESULT>(before);
        }
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCAPTION && h->parent == nullptr && gtk_widget_get_realized(h->widget)) {
                // Dragging by the caption: the window follows the pointer
                // while the left button stays down.
                GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(h->widget));
                GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
                int x = 0, y = 0;
                if (pointer != nullptr) gdk_device_get_position(pointer, nullptr, &x, &y);
                // As on Windows the drag starts where the button went down,
                // even if the pointer moved on before this message came.
                GdkModifierType mask = static_cast<GdkModifierType>(0);
                if (pointer != nullptr)
                    gdk_window_get_device_position(gtk_widget_get_window(h->widget), pointer, nullptr, nullptr, &mask);
                if ((mask & GDK_BUTTON1_MASK) && h->dragX >= 0) {
                    x = h->dragX;
                    y = h->dragY;
                }
                gtk_window_begin_move_drag(GTK_WINDOW(h->widget), 1, x, y, GDK_CURRENT_TIME);
            }
            return 0;
        default:
            return 0;
    }
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::OnClose() { DefWindowProc(WM_CLOSE, 0, 0); }
void CWnd::OnTimer(UINT_PTR nIDEvent) { DefWindowProc(WM_TIMER, nIDEvent, 0); }
void CWnd::OnMouseMove(UINT nFlags, CPoint point) { DefWindowProc(WM_MOUSEMOVE, nFlags, MAKELPARAM(point.x, point.y)); }
BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }

// ---------------------------------------------------------------- dialogs

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX == nullptr || rControl.m_hWnd != nullptr) return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd)) {
        OutputDebugStringA("[DDX_Control] no such dialog item");
    }
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_DIALOG_ID, static_cast<WORD>(nIDTemplate));
    m_lpDialogTemplate = res != nullptr ? static_cast<const AFX_DLGTEMPLATE*>(res->data) : nullptr;
}

CDialog::~CDialog() {
    if (Alive(m_hWnd)) DestroyRecord(m_hWnd);
}

BOOL CDialog::InitModalIndirect(const AFX_DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd) {
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal() {
    if (m_lpDialogTemplate == nullptr || m_hWnd != nullptr || !AfxUiInit()) return -1;
    const AFX_DLGTEMPLATE* t = m_lpDialogTemplate;
    m_nModalResult = -1;
    m_bEnded = FALSE;
    HWND owner = m_pParentWnd != nullptr && Alive(m_pParentWnd->m_hWnd) ? TopOf(m_pParentWnd->m_hWnd) : nullptr;
    HWND h = CreateTopLevel(this, t, owner);
    h->dialog = this;

    CREATESTRUCT cs{};
    cs.cx = h->cx;
    cs.cy = h->cy;
    cs.x = h->x;
    cs.y = h->y;
    cs.style = static_cast<LONG>(t->style);
    cs.lpszName = t->caption;
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow();
        return -1;
    }
    // The template's items.
    bool itemsOk = true;
    for (int i = 0; i < t->cItems && itemsOk; ++i) {
        const AFX_DLGITEMTEMPLATE& it = t->items[i];
        RECT r{AfxDluToPixelsX(t, it.x), AfxDluToPixelsY(t, it.y), AfxDluToPixelsX(t, it.x + it.cx),
               AfxDluToPixelsY(t, it.y + it.cy)};
        GUID clsid;
        if (it.windowClass != nullptr && it.windowClass[0] == '{' && GuidFromString(it.windowClass, &clsid)) {
            auto* item = new CWnd();  // replaced by the member that DDX binds
            itemsOk = item->CreateControl(clsid, it.text, it.style, r, this, it.id) != FALSE;
            if (itemsOk && Alive(item->m_hWnd)) {
                HWND c = item->m_hWnd;
                c->ownedWnd.reset(item);
            } else {
                delete item;
            }
        } else {
            GtkWidget* widget = nullptr;
            std::string text = AfxAnsiToUtf8(it.text);
            if (it.windowClass != nullptr && g_ascii_strcasecmp(it.windowClass, "BUTTON") == 0)
                widget = gtk_button_new_with_label(text.c_str());
            else
                widget = gtk_label_new(text.c_str());
            HWND c = CreateChild(h, nullptr, widget, it.id, it.style, r);
            c->text = it.text != nullptr ? it.text : "";
        }
    }
    if (!itemsOk) {
        OutputDebugStringA("[CDialog::DoModal] a control of the template could not be created");
        DestroyWindow();
        return -1;
    }
    BOOL setFocus = static_cast<BOOL>(SendMessage(WM_INITDIALOG, 0, 0));
    if (!m_bEnded && Alive(h)) {
        gtk_window_set_modal(GTK_WINDOW(h->widget), TRUE);
        // A modal dialog is shown once initialised, as the modal loop does.
        gtk_widget_show_all(h->widget);
        h->style |= WS_VISIBLE;
        if (setFocus) {
            for (HWND c : h->children)
                if (c->style & WS_TABSTOP) {
                    gtk_widget_grab_focus(c->widget);
                    break;
                }
        }
        GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
        g_modal.push_back(ModalFrame{h, loop});
        if (!m_bEnded) g_main_loop_run(loop);
        g_modal.erase(std::remove_if(g_modal.begin(), g_modal.end(), [&](const ModalFrame& f) { return f.loop == loop; }),
                      g_modal.end());
        g_main_loop_unref(loop);
    }
    if (Alive(m_hWnd)) DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    if (!Alive(m_hWnd)) return;
    m_nModalResult = nResult;
    if (m_bEnded) return;
    m_bEnded = TRUE;
    for (auto& [id, timer] : m_hWnd->timers) g_source_remove(timer.source);
    m_hWnd->timers.clear();
    for (const ModalFrame& f : g_modal)
        if (f.hwnd == m_hWnd) g_main_loop_quit(f.loop);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (!Alive(m_hWnd)) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg == nullptr || pMsg->message != WM_KEYDOWN) return FALSE;
    if (pMsg->wParam == VK_ESCAPE) {
        SendMessage(WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    if (pMsg->wParam == VK_RETURN) {
        SendMessage(WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    return FALSE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        SendMessage(WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (message == WM_INITDIALOG) return OnInitDialog();
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

// ---------------------------------------------------------------- control containment

struct COleControlContainer::SiteList {
    std::vector<COleControlSite*> sites;
};

COleControlContainer::COleControlContainer(CWnd* pWnd) : m_pWnd(pWnd), m_pSites(new SiteList) {}

COleControlContainer::~COleControlContainer() {
    for (COleControlSite* site : m_pSites->sites) {
        site->m_pCtrlCont = nullptr;
        if (site->m_pWndCtrl != nullptr) site->m_pWndCtrl->m_pCtrlSite = nullptr;
        delete site;
    }
    delete m_pSites;
}

COleControlSite* COleControlContainer::FindItem(UINT nID) const {
    for (COleControlSite* site : m_pSites->sites)
        if (site->m_nID == nID) return site;
    return nullptr;
}

COleControlSite::COleControlSite(COleControlContainer* pCtrlCont) : m_pCtrlCont(pCtrlCont) {}

COleControlSite::~COleControlSite() {
    delete m_pPlatformControl;
    m_pPlatformControl = nullptr;
    m_pObject = nullptr;
    if (m_pCtrlCont != nullptr) {
        auto& sites = m_pCtrlCont->m_pSites->sites;
        sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
    }
}

HRESULT COleControlSite::ExternalQueryInterface(const IID* iid, LPVOID* ppvObj) {
    if (iid == nullptr || ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    IUnknown* itf = GetInterfaceHook(*iid);
    if (itf == nullptr) return E_NOINTERFACE;
    itf->AddRef();
    *ppvObj = itf;
    return S_OK;
}

ULONG COleControlSite::ExternalAddRef() { return ++m_dwRef; }

ULONG COleControlSite::ExternalRelease() {
    // The container owns the site; the count only tracks the interfaces
    // handed out.
    return m_dwRef > 1 ? --m_dwRef : 1;
}

HRESULT COleControlSite::CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle,
                                       const RECT& rect, UINT nID) {
    if (m_pCtrlCont == nullptr || pWndCtrl == nullptr || !Alive(m_pCtrlCont->m_pWnd->m_hWnd)) return E_UNEXPECTED;
    m_clsid = clsid;
    m_nID = nID;
    if (clsid == CLSID_WebBrowser) {
        m_pPlatformControl = AfxCreateWebBrowserControl(this);
    }
    if (m_pPlatformControl == nullptr) return REGDB_E_CLASSNOTREG;
    m_pObject = m_pPlatformControl->GetDispatch();
    m_pCtrlCont->m_pSites->sites.push_back(this);
    HWND h = CreateChild(m_pCtrlCont->m_pWnd->m_hWnd, pWndCtrl, m_pPlatformControl->GetWidget(), nID,
                         dwStyle | WS_VISIBLE, rect);
    h->text = lpszWindowName != nullptr ? lpszWindowName : "";
    m_hWnd = h;
    m_pWndCtrl = pWndCtrl;
    pWndCtrl->m_pCtrlSite = this;
    return S_OK;
}

void COleControlSite::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                                    va_list argList) {
    std::vector<VARIANTARG> args;
    std::vector<BSTR> temporaries;
    const BYTE* p = pbParamInfo != nullptr ? pbParamInfo : reinterpret_cast<const BYTE*>("");
    for (; *p != 0; ++p) {
        VARIANTARG v;
        VariantInit(&v);
        switch (*p) {
            case 0x02:
                v.vt = VT_I2;
                v.iVal = static_cast<SHORT>(va_arg(argList, int));
                break;
            case 0x03:
                v.vt = VT_I4;
                v.lVal = va_arg(argList, LONG);
                break;
            case 0x08: {
                v.vt = VT_BSTR;
                v.bstrVal = AnsiToBstr(va_arg(argList, LPCSTR));
                temporaries.push_back(v.bstrVal);
                break;
            }
            case 0x09:
                v.vt = VT_DISPATCH;
                v.pdispVal = va_arg(argList, IDispatch*);
                break;
            case 0x0B:
                v.vt = VT_BOOL;
                v.boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case 0x0C:
                v = *va_arg(argList, const VARIANT*);
                break;
            case 0x4C:
                v.vt = VT_VARIANT | VT_BYREF;
                v.pvarVal = va_arg(argList, VARIANT*);
                break;
            default:
                OutputDebugStringA("[COleControlSite::InvokeHelperV] unsupported parameter type");
                break;
        }
        args.push_back(v);
    }
    std::reverse(args.begin(), args.end());
    DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        dp.rgdispidNamedArgs = &put;
        dp.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_pObject != nullptr
                     ? m_pObject->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                         vtRet != VT_EMPTY ? &result : nullptr, nullptr, nullptr)
                     : E_UNEXPECTED;
    for (BSTR b : temporaries) SysFreeString(b);
    if (FAILED(hr)) OutputDebugStringA("[COleControlSite::InvokeHelperV] the control refused the call");
    if (pvRet == nullptr) {
        VariantClear(&result);
        return;
    }
    switch (vtRet) {
        case VT_DISPATCH:
            *static_cast<IDispatch**>(pvRet) = SUCCEEDED(hr) && result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
            if (!(SUCCEEDED(hr) && result.vt == VT_DISPATCH)) VariantClear(&result);
            return;  // the caller releases the interface
        case VT_BSTR:
            *static_cast<CString*>(pvRet) =
                SUCCEEDED(hr) && result.vt == VT_BSTR ? BstrToAnsi(result.bstrVal, SysStringLen(result.bstrVal)).c_str()
                                                       : "";
            break;
        case VT_I4:
            *static_cast<LONG*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_I4 ? result.lVal : 0;
            break;
        case VT_BOOL:
            *static_cast<BOOL*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
            break;
        default:
            break;
    }
    VariantClear(&result);
}

BOOL COleControlSite::FireEvent(DISPID dispid, DISPPARAMS* pParams) {
    if (m_pCtrlCont == nullptr || m_pCtrlCont->m_pWnd == nullptr) return FALSE;
    CWnd* target = m_pCtrlCont->m_pWnd;
    if (Ended(target->m_hWnd)) return FALSE;
    const AFX_EVENTSINKMAP* map = target->GetEventSinkMap();
    if (map == nullptr) return FALSE;
    for (int i = 0; i < map->nCount; ++i) {
        const AFX_EVENTSINKMAP_ENTRY& e = map->lpEntries[i];
        if (e.nCtlID == m_nID && e.dispid == dispid) {
            if (!e.pfnCall(target, pParams)) OutputDebugStringA("[COleControlSite::FireEvent] event arguments do not fit the sink");
            return TRUE;
        }
    }
    return FALSE;
}

COccManager::~COccManager() = default;

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) { return new COleControlSite(pCtrlCont); }

COleControlContainer* COccManager::CreateContainer(CWnd* pWnd) { return new COleControlContainer(pWnd); }

void AfxEnableControlContainer(COccManager* pOccManager) {
    if (pOccManager == nullptr) pOccManager = new COccManager;
    // The framework owns the manager from now on; one installed before is
    // replaced (its sites live on with their containers).
    if (g_occManager != pOccManager) delete g_occManager;
    g_occManager = pOccManager;
}

HWND AfxInnermostModal() { return g_modal.empty() ? nullptr : g_modal.back().hwnd; }
