// Win32 calls on window handles: sending, posting and dispatching
// messages, message boxes, icons from the module resources.
#include <map>
#include <memory>
#include <string>

#include "platform/afx/afximpl.h"

using namespace afximpl;

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

