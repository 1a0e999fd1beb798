#include "platform/afx/afxinet.h"

#include <string>

BOOL AfxParseURL(LPCTSTR pstrURL, DWORD& dwServiceType, CString& strServer, CString& strObject, INTERNET_PORT& nPort) {
    dwServiceType = AFX_INET_SERVICE_UNK;
    if (pstrURL == nullptr) return FALSE;
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof(uc);
    uc.dwHostNameLength = 1;
    uc.dwUrlPathLength = 1;
    if (!InternetCrackUrlA(pstrURL, 0, 0, &uc)) return FALSE;

    strServer = CString(uc.lpszHostName, static_cast<int>(uc.dwHostNameLength));
    std::string object;
    bool inQuery = false;
    static const char hex[] = "0123456789ABCDEF";
    for (DWORD k = 0; k < uc.dwUrlPathLength; ++k) {
        unsigned char c = static_cast<unsigned char>(uc.lpszUrlPath[k]);
        if (c == '?' || c == '#') inQuery = true;
        if (c < 0x20 || c == 0x7F || (c == ' ' && !inQuery)) {
            object += '%';
            object += hex[c >> 4];
            object += hex[c & 15];
        } else {
            object += static_cast<char>(c);
        }
    }
    if (object.empty() || object[0] != '/') object.insert(object.begin(), '/');
    strObject = object.c_str();
    nPort = uc.nPort;
    switch (uc.nScheme) {
        case INTERNET_SCHEME_HTTP:
            dwServiceType = AFX_INET_SERVICE_HTTP;
            break;
        case INTERNET_SCHEME_HTTPS:
            dwServiceType = AFX_INET_SERVICE_HTTPS;
            break;
        case INTERNET_SCHEME_FTP:
            dwServiceType = AFX_INET_SERVICE_FTP;
            break;
        default:
            break;
    }
    return TRUE;
}
