// Helpers of the window layer for the rest of platform/: GTK start-up,
// text conversions, window lookup and key translation.
#include <gdk/gdkkeysyms.h>

#include <cstdlib>
#include <string>

#include "platform/afx/gtk/afximpl.h"

using namespace afximpl;

// ---------------------------------------------------------------- helpers for platform/

bool AfxUiInit() {
    static int state = 0;  // 0 not tried, 1 ready, -1 no display
    if (state == 0) {
        // Nothing of a session is left on disk: settings stay in memory
        // instead of dconf's user database, and the GL driver keeps no shader
        // cache. Set before the toolkit starts, so that the browser's own
        // processes inherit them; a value the user set is kept.
        setenv("GSETTINGS_BACKEND", "memory", 0);
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
        // Windows are drawn in software: each keeps its pixels in an image
        // surface. Painted through the toolkit's GL path, a dialog run from
        // a page's call showed as a black rectangle in the screen's picture
        // (xwd's, which takes each window by its visual and colour map)
        // while its own pixels were right; without GL the screen's picture
        // is what the window holds. The browser draws its pages in software
        // too.
        setenv("GDK_GL", "disable", 0);
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

