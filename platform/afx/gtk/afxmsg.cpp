// Win32 calls on window handles: sending, posting and dispatching
// messages, icons from the module resources (message boxes: afxmsgbox.cpp).
#include <map>
#include <memory>
#include <string>

#include "platform/afx/gtk/afximpl.h"

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

