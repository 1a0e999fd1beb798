// The browser's read documents as the Windows control hands them out: the
// document of a finished page (IHTMLDocument2 and IHTMLDocument3, with its
// root and body elements as they were read) and the object that stands for
// a frame. Dispatch objects without members: script reaches nothing through
// them. Used by the WebBrowser control of this layer alone.
#pragma once

#include <string>
#include <utility>

#include "platform/afx/gtk/afxgtk.h"
#include "platform/browser/webkit/mshtml.h"

namespace afxbrowser {

template <class Base>
class NoMembers : public Base {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo == nullptr) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        if (pp != nullptr) *pp = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        if (ids != nullptr) *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

inline HRESULT ReturnString(const std::string& utf8, BSTR* p) {
    if (p == nullptr) return E_POINTER;
    *p = AfxUtf8ToBstr(utf8.c_str(), static_cast<int>(utf8.size()));
    return *p != nullptr ? S_OK : E_OUTOFMEMORY;
}

// An element of a read document: its HTML and text as they were read.
class HtmlElement final : public NoMembers<IHTMLElement> {
public:
    HtmlElement(std::string tag, std::string outer, std::string text)
        : tag_(std::move(tag)), outer_(std::move(outer)), text_(std::move(text)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IHTMLElement) return E_NOINTERFACE;
        *ppv = static_cast<IHTMLElement*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++ref_; }
    ULONG Release() override {
        ULONG n = --ref_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT get_tagName(BSTR* p) override { return ReturnString(tag_, p); }
    HRESULT get_outerHTML(BSTR* p) override { return ReturnString(outer_, p); }
    HRESULT get_innerText(BSTR* p) override { return ReturnString(text_, p); }

private:
    ~HtmlElement() = default;
    ULONG ref_ = 1;
    std::string tag_, outer_, text_;
};

// A completed document as it was read just before DocumentComplete.
struct DocumentText {
    std::string outerHTML, innerText, bodyHTML, bodyText, title, url;
};

class HtmlDocument final : public NoMembers<IHTMLDocument2>, public NoMembers<IHTMLDocument3> {
public:
    explicit HtmlDocument(DocumentText text) : text_(std::move(text)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument2)
            *ppv = static_cast<IHTMLDocument2*>(this);
        else if (riid == IID_IHTMLDocument3)
            *ppv = static_cast<IHTMLDocument3*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++ref_; }
    ULONG Release() override {
        ULONG n = --ref_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT get_body(IHTMLElement** p) override {
        if (p == nullptr) return E_POINTER;
        *p = new HtmlElement("BODY", text_.bodyHTML, text_.bodyText);
        return S_OK;
    }
    HRESULT get_title(BSTR* p) override { return ReturnString(text_.title, p); }
    HRESULT get_URL(BSTR* p) override { return ReturnString(text_.url, p); }
    HRESULT get_documentElement(IHTMLElement** p) override {
        if (p == nullptr) return E_POINTER;
        *p = new HtmlElement("HTML", text_.outerHTML, text_.innerText);
        return S_OK;
    }

private:
    ~HtmlDocument() = default;
    ULONG ref_ = 1;
    DocumentText text_;
};

// The object a frame's DocumentComplete names (a frame has no members here).
class FrameObject final : public NoMembers<IDispatch> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; }  // lives as long as its control
    ULONG Release() override { return 1; }
};

}  // namespace afxbrowser
