// Test equipment only, Windows only: the document of the stand-in WebBrowser
// control (see StandInBrowser.h): IHTMLDocument2 (title, URL, body) and
// IHTMLDocument3 (documentElement, whose outerHTML is the page's text as it
// arrived); everything else answers E_NOTIMPL.
#pragma once

#include <windows.h>

#include <string>

#include "sandbox/standin-browser/StandInStubs.h"

namespace standin {

class Element final : public StubHTMLElement {
public:
    Element(std::wstring tag, std::wstring html);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_innerHTML(BSTR* p) override;

private:
    ~Element();
    LONG refs_ = 1;
    std::wstring tag_, html_;
};

class Document final : public StubHTMLDocument2, public StubHTMLDocument3 {
public:
    Document(std::wstring url, std::wstring title, std::wstring html, std::wstring body);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    // IHTMLDocument2
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override;
    // IHTMLDocument3
    HRESULT STDMETHODCALLTYPE get_documentElement(IHTMLElement** p) override;

    const std::wstring& Title() const { return title_; }
    const std::wstring& Url() const { return url_; }

private:
    ~Document();
    LONG refs_ = 1;
    std::wstring url_, title_, html_, body_;
};

}  // namespace standin
