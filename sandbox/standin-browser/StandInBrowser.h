// Test equipment only, Windows only: the stand-in WebBrowser control of the
// Windows tests under Wine, which has no HTML engine. Registered with a
// TreatAs under CLSID_WebBrowser, it is what CoCreateInstance(CLSID_WebBrowser)
// gives in the test prefix: an embeddable control whose Navigate2 fetches
// the page with WinINet and fires the WebBrowser control's events
// (BeforeNavigate2, NavigateComplete2, TitleChange, DocumentComplete) with
// their arguments, whose Document holds the page's text, and which posts the
// form a page submits on load, as issuer pages do. It runs no script and
// draws only the page's title and address. Never part of the module.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include <string>
#include <utility>
#include <vector>

#include "sandbox/standin-browser/StandInPage.h"
#include "sandbox/standin-browser/StandInStubs.h"

namespace standin {

// {581963E0-AB9B-4BAA-B85D-F99CFC901024}
extern const CLSID CLSID_StandInBrowser;

// The module's count of live objects and locks (DllCanUnloadNow).
void ModuleAddRef();
void ModuleRelease();
HINSTANCE ModuleInstance();

class Browser;
class Document;
class EventPoint;
struct Fetch;

// The control's windows: a message-only one for its own messages (fetch
// results, the posts on load), and the view in the site's window.
HWND CreateQueueWindow(Browser* owner);
HWND CreateViewWindow(Browser* owner, HWND parent, const RECT& rect);

// What one navigation asks for.
struct Request {
    std::string url;
    std::string method;  // "GET" or "POST"
    std::string body;
    std::string headers;  // extra request headers, CR LF separated
};

class Browser final : public StubWebBrowser2,
                public IOleObject,
                public IOleInPlaceObject,
                public IOleInPlaceActiveObject,
                public IConnectionPointContainer,
                public IProvideClassInfo2 {
public:
    Browser();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: the members the module calls by id, and their names.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

    // IWebBrowser2: what the stand-in serves; the rest answers E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                       VARIANT* Headers) override;
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                        VARIANT* Headers) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) override;
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) override;
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) override;
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) override;
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) override;
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) override;
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) override;
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent,
                                     LPCRECT lprcPosRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // IConnectionPointContainer: DWebBrowserEvents2 alone.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // IProvideClassInfo2: the default source is DWebBrowserEvents2.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD dwGuidKind, GUID* pGUID) override;

    // From the control's own windows.
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    ~Browser();
    IDispatch* Self() { return static_cast<IWebBrowser2*>(this); }
    // BeforeNavigate2 (Cancel read back), then the fetch on a thread of its own.
    HRESULT Begin(const Request& request, const VARIANT* flags, const VARIANT* target);
    void Start(const Request& request);
    void Loaded(Fetch* fetch);
    // Posts the form the page submits on load (or the cardholder's).
    void SubmitPending();
    void FireBeforeNavigate2(const Request& request, const VARIANT* flags, const VARIANT* target, bool* cancel);
    void FireUrlEvent(DISPID dispid, const std::wstring& url);
    void FireTitleChange(const std::wstring& title);
    void FireNavigateError(const std::wstring& url, long status);
    void Fire(DISPID dispid, DISPPARAMS* params);
    void DestroyWindows();

    LONG refs_ = 1;
    IOleClientSite* site_ = nullptr;
    EventPoint* events_ = nullptr;
    HWND view_ = nullptr;    // the child window in the site's window
    HWND queue_ = nullptr;   // a message-only window: fetch results, the posts on load
    SIZEL extent_{5000, 5000};
    unsigned generation_ = 0;  // of the navigation under way; older results are dropped
    bool busy_ = false;
    bool silent_ = false;
    int chained_ = 0;          // pages posted on by themselves since the last Navigate2
    Document* document_ = nullptr;
    Page page_;
    std::string pageUrl_;      // the page's address (after redirects), as bytes
    int submitForm_ = -1;      // the form to post when kSubmitTimer fires
    std::vector<std::pair<std::string, std::string>> submitFilled_;
};

}  // namespace standin
