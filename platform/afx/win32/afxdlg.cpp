// Dialogs: the in-memory dialog template built from the framework's template
// data, creation (the ActiveX items through control containment), data
// exchange, the modal loop and dialog-key processing.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/afx/win32/afxwinimpl.h"

using namespace afxwin32;

namespace {

// A DLGTEMPLATEEX and its DLGITEMTEMPLATEEX records, written WORD by WORD.
class TemplateWriter {
public:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const std::wstring& s) {
        for (wchar_t c : s) Word(static_cast<WORD>(c));
        Word(0);
    }
    void AlignDword() {
        if (m_words.size() % 2 != 0) Word(0);
    }
    std::vector<WORD> Take() { return std::move(m_words); }

private:
    std::vector<WORD> m_words;
};

// The predefined classes a template names by atom.
WORD ClassAtom(LPCSTR name) {
    if (name == nullptr) return 0;
    static const struct {
        const char* name;
        WORD atom;
    } kAtoms[] = {{"BUTTON", 0x80}, {"EDIT", 0x81}, {"STATIC", 0x82}, {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84},
                  {"COMBOBOX", 0x85}};
    for (const auto& a : kAtoms)
        if (lstrcmpiA(name, a.name) == 0) return a.atom;
    return 0;
}

// The code page of a template: its language's when it is one of the
// module's resources, the system's otherwise.
UINT CodePageOf(const AFX_DLGTEMPLATE* t) {
    for (int i = 0; i < g_afxModuleResourceCount; ++i) {
        const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
        if (e.type == RT_DIALOG_ID && e.data == t) return e.lang == LANG_KOREAN_DEFAULT ? CP_KOREAN : CP_WESTERN;
    }
    return CP_ACP;
}

// The template without its ActiveX items, which control containment creates.
std::vector<WORD> BuildTemplate(const AFX_DLGTEMPLATE* t, UINT cp) {
    TemplateWriter w;
    std::vector<const AFX_DLGITEMTEMPLATE*> items;
    for (int i = 0; i < t->cItems; ++i) {
        CLSID clsid;
        if (!IsActiveXItem(t->items[i], &clsid)) items.push_back(&t->items[i]);
    }
    DWORD style = t->style;
    if (t->faceName != nullptr) style |= DS_SETFONT;
    // A modal dialog is shown once it is initialised.
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    w.Word(1);       // dlgVer
    w.Word(0xFFFF);  // signature
    w.Dword(0);      // helpID
    w.Dword(t->exStyle);
    w.Dword(style);
    w.Word(static_cast<WORD>(items.size()));
    w.Word(static_cast<WORD>(t->x));
    w.Word(static_cast<WORD>(t->y));
    w.Word(static_cast<WORD>(t->cx));
    w.Word(static_cast<WORD>(t->cy));
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(Widen(t->caption, cp));
    if (style & DS_SETFONT) {
        w.Word(t->pointSize);
        w.Word(FW_NORMAL);
        w.Word(0);  // not italic, the default character set
        w.Text(Widen(t->faceName != nullptr ? t->faceName : "System", cp));
    }
    for (const AFX_DLGITEMTEMPLATE* it : items) {
        w.AlignDword();
        w.Dword(0);  // helpID
        w.Dword(0);  // exStyle
        w.Dword(it->style | WS_CHILD);
        w.Word(static_cast<WORD>(it->x));
        w.Word(static_cast<WORD>(it->y));
        w.Word(static_cast<WORD>(it->cx));
        w.Word(static_cast<WORD>(it->cy));
        w.Dword(it->id);
        if (WORD atom = ClassAtom(it->windowClass)) {
            w.Word(0xFFFF);
            w.Word(atom);
        } else {
            w.Text(Widen(it->windowClass != nullptr ? it->windowClass : "STATIC"));
        }
        // An icon or bitmap item names its resource as "#id".
        if (it->text != nullptr && it->text[0] == '#' && std::atoi(it->text + 1) > 0) {
            w.Word(0xFFFF);
            w.Word(static_cast<WORD>(std::atoi(it->text + 1)));
        } else {
            w.Text(Widen(it->text, cp));
        }
        w.Word(0);  // no creation data
    }
    return w.Take();
}

// The dialog being created: the first window the creation makes is bound to
// it before its first message (WM_NCCREATE, WM_CREATE reach its handlers).
CDialog* g_creating = nullptr;
HHOOK g_creationHook = nullptr;

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_creating != nullptr) {
        CDialog* d = g_creating;
        g_creating = nullptr;
        Bind(d, reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(g_creationHook, code, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Every message of the modal loop passes the PreTranslateMessage of its
// window and of the windows that contain it; TRUE when one took it.
bool PreTranslate(MSG* msg) {
    for (HWND h = msg->hwnd; h != nullptr;) {
        WndRecord* r = Find(h);
        if (r != nullptr && r->pWnd != nullptr && r->pWnd->PreTranslateMessage(msg)) return true;
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
        h = ::GetParent(h);
    }
    return false;
}

// A top-level dialog in pixels: its client area and its items as the
// framework's base units give them, the window centred in the work area of
// its monitor. The system's dialog manager measured the template with the
// font it found, whose metrics differ between systems (Wine's "System" is
// 7 by 14 pixels where Windows' is 8 by 16), while the dialogs are drawn
// over bitmaps of the size the framework's units give.
void LayOutInPixels(HWND h, const AFX_DLGTEMPLATE* t) {
    DWORD style = static_cast<DWORD>(::GetWindowLongW(h, GWL_STYLE));
    if (style & WS_CHILD) return;
    for (int i = 0; i < t->cItems; ++i) {
        HWND item = ::GetDlgItem(h, static_cast<int>(t->items[i].id));
        if (item == nullptr) continue;
        RECT r = AfxItemPixels(t, t->items[i]);
        ::SetWindowPos(item, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame{0, 0, AfxDluToPixelsX(t, t->cx), AfxDluToPixelsY(t, t->cy)};
    ::AdjustWindowRectEx(&frame, style, FALSE, static_cast<DWORD>(::GetWindowLongW(h, GWL_EXSTYLE)));
    int cx = frame.right - frame.left, cy = frame.bottom - frame.top;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    RECT work{0, 0, cx, cy};
    if (::GetMonitorInfoW(::MonitorFromWindow(h, MONITOR_DEFAULTTOPRIMARY), &mi)) work = mi.rcWork;
    int x = work.left + std::max(0L, static_cast<LONG>(work.right - work.left - cx) / 2);
    int y = work.top + std::max(0L, static_cast<LONG>(work.bottom - work.top - cy) / 2);
    ::SetWindowPos(h, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ---------------------------------------------------------------- data exchange

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX == nullptr || rControl.m_hWnd != nullptr) return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd)) {
        OutputDebugStringA("[DDX_Control] no such dialog item");
    }
}

// ---------------------------------------------------------------- dialogs

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_DIALOG_ID, static_cast<WORD>(nIDTemplate));
    m_lpDialogTemplate = res != nullptr ? static_cast<const AFX_DLGTEMPLATE*>(res->data) : nullptr;
}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) DestroyWindow();
}

BOOL CDialog::InitModalIndirect(const AFX_DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd) {
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal() {
    if (m_lpDialogTemplate == nullptr || m_hWnd != nullptr || g_creating != nullptr) return -1;
    std::vector<WORD> tmpl = BuildTemplate(m_lpDialogTemplate, CodePageOf(m_lpDialogTemplate));
    HWND owner = m_pParentWnd != nullptr && m_pParentWnd->m_hWnd != nullptr ? TopOf(m_pParentWnd->m_hWnd) : nullptr;
    if (owner == nullptr && !g_modal.empty() && g_modal.back()->m_hWnd != nullptr) owner = g_modal.back()->m_hWnd;
    m_nModalResult = -1;
    m_bEnded = FALSE;

    g_creating = this;
    g_creationHook = ::SetWindowsHookExW(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
    HWND h = g_creationHook != nullptr
                 ? ::CreateDialogIndirectParamW(AfxGetResourceHandle(),
                                                reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()), owner, DialogProc,
                                                reinterpret_cast<LPARAM>(this))
                 : nullptr;
    if (g_creationHook != nullptr) ::UnhookWindowsHookEx(g_creationHook);
    g_creationHook = nullptr;
    g_creating = nullptr;
    if (h == nullptr || m_hWnd != h) {
        OutputDebugStringA("[CDialog::DoModal] the dialog could not be created");
        if (h != nullptr) ::DestroyWindow(h);
        m_hWnd = nullptr;
        return -1;
    }

    // The owner takes no input while the dialog runs.
    bool ownerDisabled = owner != nullptr && ::IsWindowEnabled(owner) && !::EnableWindow(owner, FALSE);
    g_modal.push_back(this);
    if (!m_bEnded) {
        ::ShowWindow(h, SW_SHOW);
        ::UpdateWindow(h);
    }
    while (!m_bEnded) {
        MSG msg;
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The thread is to end: the quit goes on to the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (PreTranslate(&msg)) continue;
        if (m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    g_modal.erase(std::remove(g_modal.begin(), g_modal.end(), this), g_modal.end());
    if (ownerDisabled) ::EnableWindow(owner, TRUE);
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The owner becomes active again before the dialog goes.
        if (owner != nullptr && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
        DestroyWindow();
    }
    if (g_modal.empty()) SweepTemporaries();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    m_nModalResult = nResult;
    if (m_bEnded) return;
    m_bEnded = TRUE;
    if (WndRecord* r = Find(m_hWnd)) {
        for (UINT_PTR id : r->timers) ::KillTimer(m_hWnd, id);
        r->timers.clear();
    }
    MarkEnded(m_hWnd);
    // Wakes the modal loop should it be waiting.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (m_hWnd == nullptr) return FALSE;
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
    if (message == WM_INITDIALOG) {
        // The ActiveX items first, so that data exchange finds them.
        if (m_lpDialogTemplate != nullptr) {
            LayOutInPixels(m_hWnd, m_lpDialogTemplate);
            CreateActiveXItems(this, m_lpDialogTemplate);
        }
        return OnInitDialog();
    }
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
