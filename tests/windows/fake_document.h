// TEST DOUBLE: the document of the fake browser (fake_document.cpp).
#pragma once

// A new document with one reference: its IDispatch (IUnknown, IHTMLDocument2
// and IHTMLDocument3 by QueryInterface), at address url, whose root
// element's outerHTML is html. *released (when given) counts the documents
// that went.
void* MakeFakeDocument(const wchar_t* url, const wchar_t* html, long* released);
