// Test equipment only, Windows only: the stand-in WebBrowser control as an
// embedded object: its client site, in-place activation in the site's
// window, its windows and their messages (see StandInBrowser.h).
#include <string>

#include "sandbox/standin-browser/StandInBrowser.h"
#include "sandbox/standin-browser/StandInDocument.h"
#include "sandbox/standin-browser/StandInFetch.h"

namespace standin {

namespace {

const wchar_t kViewClass[] = L"VemoMPIStandInBrowserView";
const wchar_t kQueueClass[] = L"VemoMPIStandInBrowserQueue";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Browser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (owner != nullptr) return owner->OnMessage(hwnd, msg, wParam, lParam);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterClasses() {
    static bool done = false;
    if (done) return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kViewClass;
    bool view = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kQueueClass;
    bool queue = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    done = view && queue;
    return done;
}

}  // namespace

HWND CreateQueueWindow(Browser* owner) {
    if (!RegisterClasses()) return nullptr;
    return CreateWindowExW(0, kQueueClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), owner);
}

HWND CreateViewWindow(Browser* owner, HWND parent, const RECT& rect) {
    if (!RegisterClasses()) return nullptr;
    return CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect.left,
                           rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, ModuleInstance(),
                           owner);
}

void Browser::DestroyWindows() {
    for (HWND* w : {&view_, &queue_}) {
        if (*w == nullptr) continue;
        SetWindowLongPtrW(*w, GWLP_USERDATA, 0);
        if (*w == queue_) {
            KillTimer(queue_, 1);
            // Fetch results still queued are let go.
            MSG msg;
            while (PeekMessageW(&msg, queue_, kFetchedMessage, kFetchedMessage, PM_REMOVE))
                delete reinterpret_cast<Fetch*>(msg.lParam);
        }
        DestroyWindow(*w);
        *w = nullptr;
    }
}

LRESULT Browser::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == queue_ && msg == kFetchedMessage) {
        Loaded(reinterpret_cast<Fetch*>(lParam));
        return 0;
    }
    if (hwnd == queue_ && msg == WM_TIMER && wParam == 1) {
        SubmitPending();
        return 0;
    }
    if (hwnd == view_ && msg == WM_PAINT) {
        // The page's title and address, plainly: no HTML engine here.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (document_ != nullptr) {
            std::wstring text = document_->Title() + L"\n" + document_->Url();
            InflateRect(&rc, -8, -8);
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_LEFT | DT_TOP | DT_WORDBREAK);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- IOleObject

HRESULT Browser::SetClientSite(IOleClientSite* pClientSite) {
    if (pClientSite != nullptr) pClientSite->AddRef();
    if (site_ != nullptr) site_->Release();
    site_ = pClientSite;
    if (queue_ == nullptr) queue_ = CreateQueueWindow(this);
    return S_OK;
}

HRESULT Browser::GetClientSite(IOleClientSite** ppClientSite) {
    if (ppClientSite == nullptr) return E_POINTER;
    *ppClientSite = site_;
    if (site_ != nullptr) site_->AddRef();
    return S_OK;
}

HRESULT Browser::Close(DWORD) {
    Stop();
    InPlaceDeactivate();
    return S_OK;
}

HRESULT Browser::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent, LPCRECT lprcPosRect) {
    if (iVerb == OLEIVERB_HIDE) {
        if (view_ != nullptr) ShowWindow(view_, SW_HIDE);
        return S_OK;
    }
    if (iVerb != OLEIVERB_INPLACEACTIVATE && iVerb != OLEIVERB_SHOW && iVerb != OLEIVERB_UIACTIVATE &&
        iVerb != OLEIVERB_PRIMARY)
        return OLEOBJ_S_INVALIDVERB;
    IOleClientSite* site = pActiveSite != nullptr ? pActiveSite : site_;
    IOleInPlaceSite* inPlace = nullptr;
    if (site != nullptr) site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace));
    HWND parent = hwndParent;
    RECT pos{0, 0, 0, 0};
    if (lprcPosRect != nullptr) pos = *lprcPosRect;
    if (inPlace != nullptr && view_ == nullptr) {
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        inPlace->OnInPlaceActivate();
    }
    if (inPlace != nullptr) {
        HWND w = nullptr;
        if (SUCCEEDED(inPlace->GetWindow(&w)) && w != nullptr) parent = w;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        RECT posRect, clipRect;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        if (SUCCEEDED(inPlace->GetWindowContext(&frame, &doc, &posRect, &clipRect, &info))) pos = posRect;
        if (frame != nullptr) frame->Release();
        if (doc != nullptr) doc->Release();
    }
    HRESULT hr = S_OK;
    if (view_ == nullptr) {
        view_ = parent != nullptr ? CreateViewWindow(this, parent, pos) : nullptr;
        if (view_ == nullptr) hr = E_FAIL;
    } else {
        SetWindowPos(view_, nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (SUCCEEDED(hr) && iVerb != OLEIVERB_INPLACEACTIVATE) ShowWindow(view_, SW_SHOWNA);
    if (inPlace != nullptr) inPlace->Release();
    return hr;
}

HRESULT Browser::GetUserClassID(CLSID* pClsid) {
    if (pClsid == nullptr) return E_POINTER;
    *pClsid = CLSID_WebBrowser;  // what it stands in for
    return S_OK;
}

HRESULT Browser::SetExtent(DWORD, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    extent_ = *psizel;
    return S_OK;
}

HRESULT Browser::GetExtent(DWORD, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    *psizel = extent_;
    return S_OK;
}

HRESULT Browser::GetMiscStatus(DWORD, DWORD* pdwStatus) {
    if (pdwStatus == nullptr) return E_POINTER;
    *pdwStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                 OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

// ---------------------------------------------------------------- in place

HRESULT Browser::GetWindow(HWND* phwnd) {
    if (phwnd == nullptr) return E_POINTER;
    *phwnd = view_;
    return view_ != nullptr ? S_OK : E_FAIL;
}

HRESULT Browser::InPlaceDeactivate() {
    if (view_ == nullptr) return S_OK;
    SetWindowLongPtrW(view_, GWLP_USERDATA, 0);
    DestroyWindow(view_);
    view_ = nullptr;
    IOleInPlaceSite* inPlace = nullptr;
    if (site_ != nullptr && SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->OnInPlaceDeactivate();
        inPlace->Release();
    }
    return S_OK;
}

HRESULT Browser::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
    if (lprcPosRect == nullptr) return E_POINTER;
    if (view_ != nullptr)
        SetWindowPos(view_, nullptr, lprcPosRect->left, lprcPosRect->top, lprcPosRect->right - lprcPosRect->left,
                     lprcPosRect->bottom - lprcPosRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

}  // namespace standin
