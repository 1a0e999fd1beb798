// Property pages: IPropertyPage, the framework's COlePropertyPage (a page
// built from a dialog template), and OleCreatePropertyFrame, the modal frame
// that shows a control's pages with OK, Cancel and Apply.
#pragma once

#include <atomic>

#include "platform/afx/afxwin.h"

#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

#if !defined(_WIN32)
extern const IID IID_IPropertyPage;
extern const IID IID_IPropertyPageSite;

struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;  // CoTaskMemAlloc'd
    SIZE size;          // pixels
    LPOLESTR pszDocString;
    LPOLESTR pszHelpFile;
    DWORD dwHelpContext;
};

struct IPropertyPageSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pLocaleID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pMsg) = 0;

protected:
    ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* pPageSite) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Deactivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* pPageInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE Show(UINT nCmdShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(LPCRECT pRect) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPageDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Apply() = 0;
    virtual HRESULT STDMETHODCALLTYPE Help(LPCOLESTR pszHelpDir) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pMsg) = 0;

protected:
    ~IPropertyPage() = default;
};
#endif

// A property page from dialog template idTemplate with caption string
// idCaption. It is a COM object of the module (one module lock while it
// lives); Activate creates its window, with the template's items, as a
// child of the frame's window.
class COlePropertyPage : public CDialog, public IPropertyPage {
public:
    COlePropertyPage(UINT idTemplate, UINT idCaption);
    ~COlePropertyPage() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* pPageSite) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    HRESULT STDMETHODCALLTYPE Show(UINT nCmdShow) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT pRect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR pszHelpDir) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pMsg) override;

    // The objects whose properties the page shows (not AddRef'd for the caller).
    IUnknown* const* GetObjectArray(ULONG* pnObjects) const;
    UINT m_idCaption;

private:
    void ReleaseObjects();
    std::atomic<ULONG> m_dwRef{1};
    IPropertyPageSite* m_pPageSite = nullptr;
    IUnknown** m_ppObjects = nullptr;
    ULONG m_nObjects = 0;
};

// The page exchange's last step (the framework's DDP_PostProcessing).
void DDP_PostProcessing(CDataExchange* pDX);

// Shows the pages (each made by the module's own factory of its class, or
// else through CoCreateInstance) for the objects in a modal frame captioned
// "<lpszCaption> Properties", the page's title above it, OK, Cancel and
// Apply below. OK and Apply apply every page; the frame returns when it is
// closed. E_INVALIDARG without objects or pages; the failure of the first
// page that cannot be made or activated.
HRESULT OleCreatePropertyFrame(HWND hwndOwner, UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects,
                               IUnknown** ppUnk, ULONG cPages, const CLSID* pPageClsID, LCID lcid, DWORD dwReserved,
                               LPVOID pvReserved);

// The id of the frame's Apply button.
#define ID_APPLY_NOW 0x3021
