// Dialogs: creation from a template, data exchange, the modal loop and
// dialog-key processing.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

// ---------------------------------------------------------------- template items

namespace {

// A push button's click is its command to the window it sits in.
void OnButtonClicked(GtkButton* button, gpointer) {
    HWND c = AfxWindowOfWidget(GTK_WIDGET(button));
    if (c == nullptr || c->parent == nullptr || Ended(c)) return;
    SendMessage(c->parent, WM_COMMAND, MAKEWPARAM(c->id, BN_CLICKED), reinterpret_cast<LPARAM>(c));
}

// The picture of an icon item: its text names the icon resource ("#266").
GtkWidget* IconWidget(LPCSTR text, int cx, int cy) {
    GtkWidget* image = gtk_image_new();
    if (text == nullptr || text[0] != '#') return image;
    HICON icon = LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(std::atoi(text + 1)));
    if (icon == nullptr || icon->pixbuf == nullptr) return image;
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(icon->pixbuf, std::max(1, cx), std::max(1, cy), GDK_INTERP_BILINEAR);
    if (scaled != nullptr) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), scaled);
        g_object_unref(scaled);
    }
    return image;
}

}  // namespace

bool afximpl::CreateDialogItems(CWnd* pOwner, HWND h, const AFX_DLGTEMPLATE* t) {
    bool itemsOk = true;
    for (int i = 0; i < t->cItems && itemsOk; ++i) {
        const AFX_DLGITEMTEMPLATE& it = t->items[i];
        RECT r = AfxItemPixels(t, it);
        GUID clsid;
        if (it.windowClass != nullptr && it.windowClass[0] == '{' && GuidFromString(it.windowClass, &clsid)) {
            auto* item = new CWnd();  // replaced by the member that DDX binds
            itemsOk = item->CreateControl(clsid, it.text, it.style, r, pOwner, it.id) != FALSE;
            if (itemsOk && Alive(item->m_hWnd)) {
                HWND c = item->m_hWnd;
                c->ownedWnd.reset(item);
            } else {
                delete item;
            }
        } else if ((it.style & 0xF) == SS_ICON && it.windowClass != nullptr &&
                   g_ascii_strcasecmp(it.windowClass, "STATIC") == 0) {
            HWND c = CreateControlWindow(h, nullptr, it.windowClass, "", it.style, r, it.id);
            itemsOk = c != nullptr;
            if (itemsOk && GTK_IS_FIXED(c->widget)) {
                GtkWidget* image = IconWidget(it.text, r.right - r.left, r.bottom - r.top);
                gtk_fixed_put(GTK_FIXED(c->widget), image, 0, 0);
                gtk_widget_show(image);
            }
        } else {
            HWND c = CreateControlWindow(h, nullptr, it.windowClass, it.text, it.style, r, it.id);
            itemsOk = c != nullptr;
            // A push button's click is its command.
            if (itemsOk && GTK_IS_BUTTON(c->widget))
                g_signal_connect(c->widget, "clicked", G_CALLBACK(OnButtonClicked), nullptr);
        }
    }
    return itemsOk;
}

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
    bool itemsOk = CreateDialogItems(this, h, t);
    if (!itemsOk) {
        OutputDebugStringA("[CDialog::DoModal] a control of the template could not be created");
        DestroyWindow();
        return -1;
    }
    BOOL setFocus = static_cast<BOOL>(SendMessage(WM_INITDIALOG, 0, 0));
    if (!m_bEnded && Alive(h)) {
        gtk_window_set_modal(GTK_WINDOW(h->widget), TRUE);
        // A modal dialog is shown once initialised, as the modal loop does.
        AfxShowTopLevel(h, true);
        h->style |= WS_VISIBLE;
        for (HWND c : h->children)
            if (!(c->style & WS_VISIBLE)) gtk_widget_hide(c->widget);
        ::UpdateWindow(h);
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

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
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

