#include "platform/afx/afxtestmsgbox.h"

#include "platform/afx/gtk/afxgtk.h"

namespace afxtest {

namespace {

struct Answer {
    int id;
    GtkResponseType response;
};
// The answers a message box can give and the responses its buttons carry.
const Answer kAnswers[] = {
    {IDOK, GTK_RESPONSE_OK},
    {IDCANCEL, GTK_RESPONSE_CANCEL},
};

GtkMessageDialog* BoxOf(HWND hWnd) {
    if (hWnd == nullptr || !IsWindow(hWnd) || !hWnd->messageBox) return nullptr;
    GtkWidget* w = AfxWidgetOf(hWnd);
    return w != nullptr && GTK_IS_MESSAGE_DIALOG(w) ? GTK_MESSAGE_DIALOG(w) : nullptr;
}

}  // namespace

bool GetMessageBoxState(HWND hWnd, MessageBoxState* state) {
    GtkMessageDialog* box = BoxOf(hWnd);
    if (box == nullptr || state == nullptr) return false;
    *state = MessageBoxState{};
    gchar* text = nullptr;
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    g_object_get(box, "text", &text, "message-type", &kind, nullptr);
    state->textUtf8 = text != nullptr ? text : "";
    g_free(text);
    switch (kind) {
        case GTK_MESSAGE_INFO:
            state->icon = MB_ICONINFORMATION;
            break;
        case GTK_MESSAGE_WARNING:
            state->icon = MB_ICONWARNING;
            break;
        case GTK_MESSAGE_ERROR:
            state->icon = MB_ICONERROR;
            break;
        default:
            break;
    }
    GtkWindow* win = GTK_WINDOW(box);
    const char* title = gtk_window_get_title(win);
    state->captionUtf8 = title != nullptr ? title : "";
    state->modal = gtk_window_get_modal(win);
    state->visible = gtk_widget_get_mapped(GTK_WIDGET(box));
    state->owned = gtk_window_get_transient_for(win) != nullptr;
    for (const Answer& a : kAnswers) {
        GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), a.response);
        if (button != nullptr && gtk_widget_get_visible(button)) state->buttons.push_back(a.id);
    }
    return true;
}

bool PressMessageBoxButton(HWND hWnd, int nID) {
    GtkMessageDialog* box = BoxOf(hWnd);
    if (box == nullptr) return false;
    for (const Answer& a : kAnswers) {
        if (a.id != nID) continue;
        GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), a.response);
        if (button == nullptr || !gtk_widget_get_visible(button)) return false;
        gtk_button_clicked(GTK_BUTTON(button));
        return true;
    }
    return false;
}

}  // namespace afxtest
