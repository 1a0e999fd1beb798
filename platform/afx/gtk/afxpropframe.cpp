// OleCreatePropertyFrame: a modal frame that shows property pages for a set
// of objects, with OK, Cancel and Apply.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/afx/gtk/afximpl.h"
#include "platform/afx/afxmod.h"
#include "platform/afx/afxpage.h"
#include "platform/com/posix/loader.h"

using namespace afximpl;

namespace {

// The frame's layout, in dialog units of its template (8-point "MS Sans
// Serif"): a margin, the page's title, the page, a row of buttons.
constexpr int kMargin = 7;
constexpr int kTitleHeight = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 6;

// The frame's site for its pages; it asks nothing of them.
class CFramePageSite final : public IPropertyPageSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
            *ppvObject = static_cast<IPropertyPageSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_dwRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_dwRef; }  // lives on the frame's stack
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pLocaleID) override {
        if (pLocaleID == nullptr) return E_POINTER;
        *pLocaleID = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** ppUnk) override {
        if (ppUnk != nullptr) *ppUnk = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    ULONG m_dwRef = 1;
};

class CPropertyFrame : public CDialog {
public:
    CPropertyFrame(std::vector<IPropertyPage*> pages, std::vector<std::string> titles, ULONG cObjects, IUnknown** ppUnk)
        : m_pages(std::move(pages)), m_titles(std::move(titles)), m_cObjects(cObjects), m_ppUnk(ppUnk) {}

    std::vector<AFX_DLGITEMTEMPLATE> m_items;
    AFX_DLGTEMPLATE m_template{};
    std::string m_caption;
    RECT m_pageRect{};
    HRESULT m_hrActivate = S_OK;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (IPropertyPage* page : m_pages) {
            page->SetPageSite(&m_site);
            page->SetObjects(m_cObjects, m_ppUnk);
        }
        // The first page shows; with one page per frame in this module the
        // frame has no tabs.
        m_hrActivate = m_pages[0]->Activate(m_hWnd, &m_pageRect, TRUE);
        if (FAILED(m_hrActivate)) {
            EndDialog(IDCANCEL);
            return TRUE;
        }
        m_pages[0]->Show(SW_SHOW);
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDOK:
                ApplyAll();
                EndDialog(IDOK);
                return TRUE;
            case ID_APPLY_NOW:
                ApplyAll();
                return TRUE;
            default:
                return CDialog::OnCommand(wParam, lParam);
        }
    }
    void OnDestroy() override {
        for (IPropertyPage* page : m_pages) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->SetPageSite(nullptr);
        }
        CDialog::OnDestroy();
    }

private:
    void ApplyAll() {
        for (IPropertyPage* page : m_pages) page->Apply();
    }
    std::vector<IPropertyPage*> m_pages;
    std::vector<std::string> m_titles;
    ULONG m_cObjects;
    IUnknown** m_ppUnk;
    CFramePageSite m_site;
};

std::string Utf16ToAnsi(LPCOLESTR text) { return text != nullptr ? AfxUtf8ToAnsi(AfxUtf16ToUtf8(text).c_str()) : ""; }

HRESULT CreatePage(REFCLSID clsid, IPropertyPage** ppPage) {
    // A page of this module comes from its own factory, so that it lives in
    // the module's window layer; others through COM.
    if (COleObjectFactory* factory = COleObjectFactory::Find(clsid))
        return factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(ppPage));
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, reinterpret_cast<void**>(ppPage));
}

}  // namespace

HRESULT OleCreatePropertyFrame(HWND hwndOwner, UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects,
                               IUnknown** ppUnk, ULONG cPages, const CLSID* pPageClsID, LCID, DWORD, LPVOID) {
    if (cObjects == 0 || ppUnk == nullptr || cPages == 0 || pPageClsID == nullptr) return E_INVALIDARG;
    std::vector<IPropertyPage*> pages;
    std::vector<std::string> titles;
    SIZE pageSize{0, 0};
    HRESULT hr = S_OK;
    for (ULONG i = 0; i < cPages && SUCCEEDED(hr); ++i) {
        IPropertyPage* page = nullptr;
        hr = CreatePage(pPageClsID[i], &page);
        if (FAILED(hr)) break;
        pages.push_back(page);
        PROPPAGEINFO info{};
        hr = page->GetPageInfo(&info);
        if (SUCCEEDED(hr)) {
            titles.push_back(Utf16ToAnsi(info.pszTitle));
            pageSize.cx = std::max(pageSize.cx, info.size.cx);
            pageSize.cy = std::max(pageSize.cy, info.size.cy);
        }
        CoTaskMemFree(info.pszTitle);
        CoTaskMemFree(info.pszDocString);
        CoTaskMemFree(info.pszHelpFile);
    }
    if (SUCCEEDED(hr)) {
        CPropertyFrame frame(pages, titles, cObjects, ppUnk);
        frame.m_caption = Utf16ToAnsi(lpszCaption) + " Properties";
        AFX_DLGTEMPLATE& t = frame.m_template;
        t.faceName = "MS Sans Serif";
        t.pointSize = 8;
        // The page's size in the frame's dialog units.
        int bx = 0, by = 0;
        AfxDialogBaseUnits(&t, &bx, &by);
        int pageCx = static_cast<int>((pageSize.cx * 4 + bx - 1) / bx);
        int pageCy = static_cast<int>((pageSize.cy * 8 + by - 1) / by);
        int buttonsCx = 3 * kButtonWidth + 2 * kButtonGap;
        int cx = std::max(pageCx, buttonsCx) + 2 * kMargin;
        int pageTop = kMargin + kTitleHeight;
        int buttonTop = pageTop + pageCy + kMargin;
        int cy = buttonTop + kButtonHeight + kMargin;
        t.style = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.x = static_cast<SHORT>(x);
        t.y = static_cast<SHORT>(y);
        t.cx = static_cast<SHORT>(cx);
        t.cy = static_cast<SHORT>(cy);
        t.caption = frame.m_caption.c_str();
        int left = cx - kMargin - buttonsCx;
        auto button = [&](WORD id, LPCSTR text, int index) {
            frame.m_items.push_back(AFX_DLGITEMTEMPLATE{
                id, "BUTTON", text,
                static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : 0)),
                static_cast<SHORT>(left + index * (kButtonWidth + kButtonGap)), static_cast<SHORT>(buttonTop),
                kButtonWidth, kButtonHeight});
        };
        frame.m_items.push_back(AFX_DLGITEMTEMPLATE{0xFFFF, "STATIC", titles.empty() ? "" : titles[0].c_str(),
                                                    static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_LEFT), kMargin, kMargin,
                                                    static_cast<SHORT>(cx - 2 * kMargin), kTitleHeight});
        button(IDOK, "OK", 0);
        button(IDCANCEL, "Cancel", 1);
        button(ID_APPLY_NOW, "Apply", 2);
        t.items = frame.m_items.data();
        t.cItems = static_cast<int>(frame.m_items.size());
        frame.m_pageRect = RECT{AfxDluToPixelsX(&t, kMargin), AfxDluToPixelsY(&t, pageTop),
                                AfxDluToPixelsX(&t, kMargin) + pageSize.cx, AfxDluToPixelsY(&t, pageTop) + pageSize.cy};
        frame.InitModalIndirect(&t, hwndOwner != nullptr ? CWnd::FromHandle(hwndOwner) : nullptr);
        INT_PTR result = frame.DoModal();
        hr = result == -1 ? E_FAIL : frame.m_hrActivate;
    }
    for (IPropertyPage* page : pages) page->Release();
    return hr;
}
