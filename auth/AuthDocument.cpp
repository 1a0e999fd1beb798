#include "auth/AuthDocument.h"

bool AuthReadDocumentHTML(CWebBrowser2& browser, IHTMLDocument2*& pDocument, BSTR* pHtml) {
    *pHtml = nullptr;
    IDispatch* disp = browser.GetDocument();
    if (disp == nullptr) return false;
    IHTMLDocument3* doc3 = nullptr;
    IHTMLElement* root = nullptr;
    bool ok = SUCCEEDED(disp->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&pDocument))) &&
              SUCCEEDED(disp->QueryInterface(IID_IHTMLDocument3, reinterpret_cast<void**>(&doc3))) &&
              SUCCEEDED(doc3->get_documentElement(&root)) && root != nullptr && SUCCEEDED(root->get_outerHTML(pHtml));
    if (root != nullptr) root->Release();
    if (doc3 != nullptr) doc3->Release();
    if (pDocument != nullptr) pDocument->Release();
    pDocument = nullptr;
    disp->Release();
    if (!ok) {
        SysFreeString(*pHtml);
        *pHtml = nullptr;
    }
    return ok;
}
