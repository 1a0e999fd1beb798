// TEST DOUBLE: an HTML document of a fake browser, with just what the module
// reads of one (IHTMLDocument2's URL, IHTMLDocument3's documentElement and
// the element's outerHTML). Written against the SDK's C form of the
// interfaces so that only the methods used need bodies; the others are
// null slots, which no caller of this double reaches.
#define CINTERFACE
#include <windows.h>

#include <ole2.h>
#include <mshtml.h>

#include <cstddef>

#include "tests/windows/fake_document.h"

namespace {

template <class Outer, class Inner>
Outer* OuterOf(Inner* inner, size_t offset) {
    return reinterpret_cast<Outer*>(reinterpret_cast<char*>(inner) - offset);
}

// ---------------------------------------------------------------- the root element

struct Element {
    IHTMLElement itf;
    LONG ref;
    BSTR html;
};

HRESULT STDMETHODCALLTYPE ElementQueryInterface(IHTMLElement* This, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IHTMLElement))
        return E_NOINTERFACE;
    *ppv = This;
    ++reinterpret_cast<Element*>(This)->ref;
    return S_OK;
}

ULONG STDMETHODCALLTYPE ElementAddRef(IHTMLElement* This) { return static_cast<ULONG>(++reinterpret_cast<Element*>(This)->ref); }

ULONG STDMETHODCALLTYPE ElementRelease(IHTMLElement* This) {
    auto* e = reinterpret_cast<Element*>(This);
    LONG r = --e->ref;
    if (r == 0) {
        ::SysFreeString(e->html);
        delete e;
    }
    return static_cast<ULONG>(r);
}

HRESULT STDMETHODCALLTYPE ElementOuterHTML(IHTMLElement* This, BSTR* p) {
    if (p == nullptr) return E_POINTER;
    auto* e = reinterpret_cast<Element*>(This);
    *p = ::SysAllocStringLen(e->html, ::SysStringLen(e->html));
    return S_OK;
}

IHTMLElementVtbl* ElementVtbl() {
    static IHTMLElementVtbl v = [] {
        IHTMLElementVtbl t{};
        t.QueryInterface = ElementQueryInterface;
        t.AddRef = ElementAddRef;
        t.Release = ElementRelease;
        t.get_outerHTML = ElementOuterHTML;
        return t;
    }();
    return &v;
}

// ---------------------------------------------------------------- the document

struct Document {
    IHTMLDocument2 doc2;  // also its IDispatch and IUnknown
    IHTMLDocument3 doc3;
    LONG ref;
    BSTR url;
    BSTR html;
    LONG* released;
};

Document* FromDoc3(IHTMLDocument3* p) { return OuterOf<Document>(p, offsetof(Document, doc3)); }

HRESULT DocumentQuery(Document* d, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLDocument2))
        *ppv = &d->doc2;
    else if (IsEqualIID(riid, IID_IHTMLDocument3))
        *ppv = &d->doc3;
    else
        return E_NOINTERFACE;
    ++d->ref;
    return S_OK;
}

ULONG DocumentRelease(Document* d) {
    LONG r = --d->ref;
    if (r == 0) {
        if (d->released != nullptr) ++*d->released;
        ::SysFreeString(d->url);
        ::SysFreeString(d->html);
        delete d;
    }
    return static_cast<ULONG>(r);
}

HRESULT STDMETHODCALLTYPE Doc2QueryInterface(IHTMLDocument2* This, REFIID riid, void** ppv) {
    return DocumentQuery(reinterpret_cast<Document*>(This), riid, ppv);
}
ULONG STDMETHODCALLTYPE Doc2AddRef(IHTMLDocument2* This) { return static_cast<ULONG>(++reinterpret_cast<Document*>(This)->ref); }
ULONG STDMETHODCALLTYPE Doc2Release(IHTMLDocument2* This) { return DocumentRelease(reinterpret_cast<Document*>(This)); }

HRESULT STDMETHODCALLTYPE Doc2URL(IHTMLDocument2* This, BSTR* p) {
    if (p == nullptr) return E_POINTER;
    auto* d = reinterpret_cast<Document*>(This);
    *p = ::SysAllocStringLen(d->url, ::SysStringLen(d->url));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Doc3QueryInterface(IHTMLDocument3* This, REFIID riid, void** ppv) {
    return DocumentQuery(FromDoc3(This), riid, ppv);
}
ULONG STDMETHODCALLTYPE Doc3AddRef(IHTMLDocument3* This) { return static_cast<ULONG>(++FromDoc3(This)->ref); }
ULONG STDMETHODCALLTYPE Doc3Release(IHTMLDocument3* This) { return DocumentRelease(FromDoc3(This)); }

HRESULT STDMETHODCALLTYPE Doc3DocumentElement(IHTMLDocument3* This, IHTMLElement** p) {
    if (p == nullptr) return E_POINTER;
    Document* d = FromDoc3(This);
    auto* e = new Element{{ElementVtbl()}, 1, ::SysAllocStringLen(d->html, ::SysStringLen(d->html))};
    *p = &e->itf;
    return S_OK;
}

IHTMLDocument2Vtbl* Doc2Vtbl() {
    static IHTMLDocument2Vtbl v = [] {
        IHTMLDocument2Vtbl t{};
        t.QueryInterface = Doc2QueryInterface;
        t.AddRef = Doc2AddRef;
        t.Release = Doc2Release;
        t.get_URL = Doc2URL;
        return t;
    }();
    return &v;
}

IHTMLDocument3Vtbl* Doc3Vtbl() {
    static IHTMLDocument3Vtbl v = [] {
        IHTMLDocument3Vtbl t{};
        t.QueryInterface = Doc3QueryInterface;
        t.AddRef = Doc3AddRef;
        t.Release = Doc3Release;
        t.get_documentElement = Doc3DocumentElement;
        return t;
    }();
    return &v;
}

}  // namespace

void* MakeFakeDocument(const wchar_t* url, const wchar_t* html, long* released) {
    auto* d = new Document{{Doc2Vtbl()}, {Doc3Vtbl()}, 1, ::SysAllocString(url), ::SysAllocString(html), released};
    return &d->doc2;
}
