// The result capture's read of the browser's page, shared by the two
// authentication dialogs.
#pragma once

#include "platform/browser/mshtml.h"
#include "ui/WebBrowser2.h"

// Reads the outerHTML of the document element of the page the browser
// shows. pDocument is the dialog's document member: it holds the page's
// IHTMLDocument2 while the read runs and is null again afterwards. False,
// with *pHtml null, when the browser has no document, when its document is
// not a web page's (an address of another scheme than http or https), or
// when the read fails.
bool AuthReadDocumentHTML(CWebBrowser2& browser, IHTMLDocument2*& pDocument, BSTR* pHtml);
