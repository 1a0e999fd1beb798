// Test equipment only, Windows only: the stand-in WebBrowser control's
// document and its elements (see StandInDocument.h).
#include "sandbox/standin-browser/StandInDocument.h"

#include <utility>

#include "sandbox/standin-browser/StandInBrowser.h"

namespace standin {

namespace {

HRESULT Text(const std::wstring& text, BSTR* p) {
    if (p == nullptr) return E_POINTER;
    *p = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *p != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// ---------------------------------------------------------------- element

Element::Element(std::wstring tag, std::wstring html) : tag_(std::move(tag)), html_(std::move(html)) {
    ModuleAddRef();
}

Element::~Element() { ModuleRelease(); }

HRESULT Element::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLElement))
        *ppv = static_cast<IHTMLElement*>(this);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Element::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG Element::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT Element::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT Element::get_tagName(BSTR* p) { return Text(tag_, p); }
HRESULT Element::get_outerHTML(BSTR* p) { return Text(html_, p); }
HRESULT Element::get_innerHTML(BSTR* p) { return Text(html_, p); }

// ---------------------------------------------------------------- document

Document::Document(std::wstring url, std::wstring title, std::wstring html, std::wstring body)
    : url_(std::move(url)), title_(std::move(title)), html_(std::move(html)), body_(std::move(body)) {
    ModuleAddRef();
}

Document::~Document() { ModuleRelease(); }

HRESULT Document::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLDocument) ||
        IsEqualIID(riid, IID_IHTMLDocument2))
        *ppv = static_cast<IHTMLDocument2*>(this);
    else if (IsEqualIID(riid, IID_IHTMLDocument3))
        *ppv = static_cast<IHTMLDocument3*>(this);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Document::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG Document::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT Document::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT Document::get_title(BSTR* p) { return Text(title_, p); }
HRESULT Document::get_URL(BSTR* p) { return Text(url_, p); }
HRESULT Document::get_readyState(BSTR* p) { return Text(L"complete", p); }

HRESULT Document::get_body(IHTMLElement** p) {
    if (p == nullptr) return E_POINTER;
    *p = new Element(L"BODY", body_);
    return S_OK;
}

HRESULT Document::get_documentElement(IHTMLElement** p) {
    if (p == nullptr) return E_POINTER;
    *p = new Element(L"HTML", html_);
    return S_OK;
}

}  // namespace standin
