// The framework's URL parser, on the WinINet layer's URL cracker.
#pragma once

#include "platform/afx/afxstr.h"
#include "platform/wininet/wininet.h"

#define AFX_INET_SERVICE_FTP INTERNET_SERVICE_FTP
#define AFX_INET_SERVICE_HTTP INTERNET_SERVICE_HTTP
#define AFX_INET_SERVICE_GOPHER INTERNET_SERVICE_GOPHER
#define AFX_INET_SERVICE_UNK 0x1000
#define AFX_INET_SERVICE_FILE (AFX_INET_SERVICE_UNK + 1)
#define AFX_INET_SERVICE_HTTPS (AFX_INET_SERVICE_UNK + 11)

// Splits an absolute URL into its service type, server (host name), object
// (path with query; "/" when the URL names none) and port (explicit, or the
// scheme's default). Blanks and control characters in the path are escaped
// as "%XX", as canonicalisation does. FALSE, with the service type
// AFX_INET_SERVICE_UNK, when the URL cannot be split.
BOOL AfxParseURL(LPCTSTR pstrURL, DWORD& dwServiceType, CString& strServer, CString& strObject, INTERNET_PORT& nPort);
