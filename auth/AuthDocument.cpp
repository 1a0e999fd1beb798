#include "auth/AuthDocument.h"

#include <string>

#include "platform/afx/afxstr.h"

namespace {

// A web page's address: its scheme is http or https, in any case.
bool IsWebPageAddress(BSTR url) {
    std::string text = BstrToAnsi(url, SysStringLen(url));
    size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::string scheme = text.substr(0, colon);
    for (char& ch : scheme) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    return scheme == "http" || scheme == "https";
}

}  // namespace

bool AuthReadDocumentHTML(CWebBrowser2& browser, IHTMLDocument2*& pDocument, BSTR* pHtml) {
    *pHtml = nullptr;
    IDispatch* disp = browser.GetDocument();
    if (disp == nullptr) return false;
    IHTMLDocument3* doc3 = nullptr;
    IHTMLElement* root = nullptr;
    // Only a web page's document is read: whatever its address says, a
    // document of another scheme (a file, data) is no result page.
    BSTR url = nullptr;
    bool ok = SUCCEEDED(disp->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&pDocument))) &&
              SUCCEEDED(pDocument->get_URL(&url)) && url != nullptr && IsWebPageAddress(url) &&
              SUCCEEDED(disp->QueryInterface(IID_IHTMLDocument3, reinterpret_cast<void**>(&doc3))) &&
              SUCCEEDED(doc3->get_documentElement(&root)) && root != nullptr && SUCCEEDED(root->get_outerHTML(pHtml));
    SysFreeString(url);
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
