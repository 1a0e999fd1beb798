// Windows and their objects: the binding of window handles to CWnd objects
// (each bound window is subclassed with AfxWndProc), the routing of its
// messages through the message maps, the default processing (the window's
// procedure from before), and the framework-owned objects of unbound
// windows.
#include <map>
#include <memory>
#include <string>

#include "platform/afx/win32/afxwinimpl.h"

namespace afxwin32 {

namespace {

struct Binding {
    WndRecord record;
    std::unique_ptr<CWnd> owned;  // the framework-owned object, if any (kept until the window goes)
};

// Every window the framework knows, by handle.
std::map<HWND, Binding>& Bindings() {
    static auto* bindings = new std::map<HWND, Binding>;
    return *bindings;
}

// Dialogs whose modal run ended.
std::set<HWND>& EndedWindows() {
    static auto* ended = new std::set<HWND>;
    return *ended;
}

void Unbind(HWND h) {
    auto it = Bindings().find(h);
    if (it == Bindings().end()) return;
    Binding b = std::move(it->second);
    Bindings().erase(it);
    EndedWindows().erase(h);
    if (b.record.pWnd != nullptr && b.record.pWnd->m_hWnd == h) b.record.pWnd->m_hWnd = nullptr;
    // b.owned goes here, with the window.
}

// WM_CREATE reaches the handlers with the ANSI form of its record (the
// framework speaks the ANSI code page); the default processing gets the
// system's own record back.
struct CreateTranslation {
    const CREATESTRUCTA* ansi;
    LPARAM original;
};
std::vector<CreateTranslation> g_creates;

// Routes a window of this process through AfxWndProc.
void Subclass(HWND h, WndRecord* r) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid != ::GetCurrentProcessId()) return;
    ::SetLastError(0);
    LONG_PTR before = ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
    if (before != 0 || ::GetLastError() == 0) r->oldProc = reinterpret_cast<WNDPROC>(before);
}

}  // namespace

LPARAM OriginalCreateParam(UINT message, LPARAM lParam) {
    if (message != WM_CREATE) return lParam;
    for (const CreateTranslation& t : g_creates)
        if (reinterpret_cast<LPARAM>(t.ansi) == lParam) return t.original;
    return lParam;
}

std::vector<CDialog*> g_modal;
COccManager* g_occManager = nullptr;

WndRecord* Find(HWND h) {
    if (h == nullptr) return nullptr;
    auto it = Bindings().find(h);
    return it != Bindings().end() ? &it->second.record : nullptr;
}

bool Bind(CWnd* pWnd, HWND h, bool ownsObject, bool subclass) {
    if (pWnd == nullptr || h == nullptr || !::IsWindow(h)) return false;
    auto it = Bindings().find(h);
    if (it != Bindings().end()) {
        // A framework-owned object gives way to the member that binds the
        // window; it lives on (unbound) until the window goes.
        Binding& b = it->second;
        if (b.owned == nullptr || b.record.pWnd != b.owned.get()) return false;
        CWnd* before = b.owned.get();
        pWnd->m_pCtrlSite = before->m_pCtrlSite;
        if (pWnd->m_pCtrlSite != nullptr) pWnd->m_pCtrlSite->m_pWndCtrl = pWnd;
        before->m_pCtrlSite = nullptr;
        before->m_hWnd = nullptr;
        b.record.pWnd = pWnd;
        b.record.temporary = false;
        pWnd->m_hWnd = h;
        if (subclass && b.record.oldProc == nullptr) Subclass(h, &b.record);
        return true;
    }
    Binding b;
    b.record.pWnd = pWnd;
    if (ownsObject) b.owned.reset(pWnd);
    if (subclass) Subclass(h, &b.record);
    pWnd->m_hWnd = h;
    Bindings().emplace(h, std::move(b));
    return true;
}

void Adopt(HWND h, CWnd* pWnd) {
    auto it = Bindings().find(h);
    if (it != Bindings().end() && it->second.record.pWnd == pWnd && it->second.owned == nullptr)
        it->second.owned.reset(pWnd);
}

void SweepTemporaries() {
    for (auto it = Bindings().begin(); it != Bindings().end();) {
        if (!::IsWindow(it->first) && it->second.record.temporary) {
            CWnd* w = it->second.record.pWnd;
            if (w != nullptr) {
                w->m_hWnd = nullptr;
                delete w->m_pCtrlCont;
                w->m_pCtrlCont = nullptr;
            }
            it = Bindings().erase(it);
        } else {
            ++it;
        }
    }
}

HWND TopOf(HWND h) {
    HWND root = h != nullptr ? ::GetAncestor(h, GA_ROOT) : nullptr;
    return root != nullptr ? root : h;
}

bool Ended(HWND h) {
    if (EndedWindows().empty() || h == nullptr) return false;
    return EndedWindows().count(h) != 0 || EndedWindows().count(TopOf(h)) != 0;
}

void MarkEnded(HWND h) { EndedWindows().insert(h); }

LRESULT CALLBACK AfxWndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    WndRecord* r = Find(h);
    if (r == nullptr) return ::DefWindowProcW(h, message, wParam, lParam);
    WNDPROC old = r->oldProc;
    if (message == WM_NCDESTROY) {
        LRESULT res = old != nullptr ? ::CallWindowProcW(old, h, message, wParam, lParam)
                                     : ::DefWindowProcW(h, message, wParam, lParam);
        Unbind(h);
        return res;
    }
    // After EndDialog the dialog's handlers see nothing but WM_DESTROY; its
    // timers no longer fire.
    if (r->pWnd == nullptr || (message != WM_DESTROY && Ended(h))) {
        if (message == WM_TIMER) return 0;
        return old != nullptr ? ::CallWindowProcW(old, h, message, wParam, lParam)
                              : ::DefWindowProcW(h, message, wParam, lParam);
    }
    if (message == WM_CREATE && lParam != 0) {
        const auto* cw = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        std::string name = IS_INTRESOURCE(cw->lpszName) ? std::string() : Narrow(cw->lpszName);
        std::string cls = IS_INTRESOURCE(cw->lpszClass) ? std::string() : Narrow(cw->lpszClass);
        CREATESTRUCTA ca{cw->lpCreateParams, cw->hInstance, cw->hMenu, cw->hwndParent, cw->cy, cw->cx, cw->y, cw->x,
                         cw->style, nullptr, nullptr, cw->dwExStyle};
        ca.lpszName = IS_INTRESOURCE(cw->lpszName) ? reinterpret_cast<LPCSTR>(cw->lpszName) : name.c_str();
        ca.lpszClass = IS_INTRESOURCE(cw->lpszClass) ? reinterpret_cast<LPCSTR>(cw->lpszClass) : cls.c_str();
        g_creates.push_back(CreateTranslation{&ca, lParam});
        LRESULT res = r->pWnd->WindowProc(message, wParam, reinterpret_cast<LPARAM>(&ca));
        g_creates.pop_back();
        return res;
    }
    LRESULT res = r->pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_DESTROY) {
        // The controls the window contains go with it, before their
        // windows do.
        r = Find(h);
        if (r != nullptr && r->pWnd != nullptr && r->pWnd->m_pCtrlCont != nullptr) {
            COleControlContainer* cont = r->pWnd->m_pCtrlCont;
            r->pWnd->m_pCtrlCont = nullptr;
            delete cont;
        }
    }
    return res;
}

std::wstring Widen(LPCSTR s, UINT codePage) {
    if (s == nullptr || *s == '\0') return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, s, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, s, -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

std::string Narrow(const wchar_t* s, int len, UINT codePage) {
    if (s == nullptr || len == 0) return std::string();
    int n = ::WideCharToMultiByte(codePage, 0, s, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string a(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, s, len, a.data(), n, nullptr, nullptr);
    if (len < 0) a.resize(static_cast<size_t>(n - 1));
    return a;
}

}  // namespace afxwin32

using namespace afxwin32;

// ---------------------------------------------------------------- CWnd

CWnd::CWnd() = default;

CWnd::~CWnd() {
    WndRecord* r = Find(m_hWnd);
    if (r == nullptr || r->pWnd != this) return;
    HWND h = m_hWnd;
    if (m_pCtrlSite != nullptr) m_pCtrlSite->m_pWndCtrl = nullptr;
    // The window no longer reaches this object: its procedure from before
    // comes back, and a top-level window goes with its object (an item
    // stays with its dialog, unbound).
    if (r->oldProc != nullptr &&
        ::GetWindowLongPtrW(h, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&AfxWndProc))
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(r->oldProc));
    auto it = Bindings().find(h);
    if (it->second.owned.get() == this) (void)it->second.owned.release();  // being deleted already
    Unbind(h);
    if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) ::DestroyWindow(h);
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr || !::IsWindow(hWnd)) return nullptr;
    WndRecord* r = Find(hWnd);
    if (r != nullptr && r->pWnd != nullptr) return r->pWnd;
    SweepTemporaries();
    auto* w = new CWnd();
    if (!Bind(w, hWnd, true, false)) {
        delete w;
        return nullptr;
    }
    Find(hWnd)->temporary = true;
    return w;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

// A window that holds a control lets the control see its keystrokes first.
BOOL CWnd::PreTranslateMessage(MSG* pMsg) { return PreTranslateControlInput(m_pCtrlSite, pMsg); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageScope scope(this, message, wParam, lParam);
    // The class's message map first (commands go through OnCommand).
    LRESULT result = 0;
    if (message != WM_COMMAND && AfxDispatchMessageMap(this, message, wParam, lParam, &result)) return result;
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
        case WM_DRAWITEM:
            OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
            return TRUE;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_hWnd == nullptr) return 0;
    WndRecord* r = Find(m_hWnd);
    lParam = OriginalCreateParam(message, lParam);
    if (r != nullptr && r->oldProc != nullptr) return ::CallWindowProcW(r->oldProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    return AfxDispatchMessageMap(this, WM_COMMAND, wParam, lParam, nullptr);
}

CWnd* afxcore::BoundWindow(HWND hWnd) {
    afxwin32::WndRecord* r = afxwin32::Find(hWnd);
    return r != nullptr ? r->pWnd : nullptr;
}
