// Message boxes: a modal GTK message dialog with the Windows icon kinds and
// an OK button, run in a nested user-interface loop until the user answers
// (its button, Return, or its close box).
#include <string>

#include "platform/afx/gtk/afximpl.h"

using namespace afximpl;

namespace {

// The caption of a box whose caller names none, as on Windows.
const char kDefaultCaption[] = "Error";
// The framework's caption: the application's name.
const char kAppName[] = "VemoMPIOCX";

GtkMessageType KindOf(UINT uType) {
    switch (uType & 0xF0) {
        case MB_ICONINFORMATION:
            return GTK_MESSAGE_INFO;
        case MB_ICONWARNING:
            return GTK_MESSAGE_WARNING;
        case MB_ICONERROR:
            return GTK_MESSAGE_ERROR;
        default:
            return GTK_MESSAGE_OTHER;
    }
}

}  // namespace

int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    if (!AfxUiInit()) return 0;
    LPCSTR caption = lpCaption != nullptr ? lpCaption : kDefaultCaption;
    HWND owner = Alive(hWnd) ? TopOf(hWnd) : nullptr;
    std::string text = AfxAnsiToUtf8(lpText != nullptr ? lpText : "");
    GtkWidget* box = gtk_message_dialog_new(owner != nullptr ? GTK_WINDOW(owner->widget) : nullptr, GTK_DIALOG_MODAL,
                                            KindOf(uType), GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), AfxAnsiToUtf8(caption).c_str());
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);

    HWND h = NewRecord(nullptr, nullptr, 0, WS_POPUP | WS_CAPTION);
    h->widget = box;
    g_object_ref_sink(box);
    h->messageBox = true;
    h->text = caption;
    // The loop ends with the answer, or when something destroys the box
    // first. Both handlers go before the loop does: destroying the box below
    // must not reach a loop that is gone.
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    gulong onResponse = g_signal_connect_swapped(box, "response", G_CALLBACK(g_main_loop_quit), loop);
    gulong onDestroy = g_signal_connect_swapped(box, "destroy", G_CALLBACK(g_main_loop_quit), loop);
    gtk_widget_show_all(box);
    g_modal.push_back(ModalFrame{h, loop});
    g_main_loop_run(loop);
    g_modal.pop_back();
    // (A box destroyed while it ran has lost its handlers already.)
    for (gulong id : {onResponse, onDestroy})
        if (g_signal_handler_is_connected(box, id)) g_signal_handler_disconnect(box, id);
    g_main_loop_unref(loop);
    DestroyRecord(h);
    return IDOK;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND owner = g_modal.empty() ? nullptr : g_modal.back().hwnd;
    return MessageBox(owner, lpszText, kAppName, nType);
}
