// Texts of the module's string table, in English and in Korean (code page
// 949), for resources/VemoMPIOCX_rc.cpp.
#pragma once

// String 201: the warning shown when the system's SSL provider offers only
// export-grade (40-bit) encryption.
#define IDS_SSL_WARNING_TEXT_EN \
    "Warning : Your Browser can not support 128BIT SSL. Please update your browser's SSL level. "
// "The browser does not support 128-bit SSL.  Depending on the card issuer
// the authentication window may not be shown correctly", two line breaks,
// "See the following web address : " and the browser maker's download page.
#define IDS_SSL_WARNING_TEXT_KO                                                                                     \
    "\xBA\xEA\xB6\xF3\xBF\xEC\xC0\xFA\xB0\xA1 128\xBA\xF1\xC6\xAE SSL\xC0\xBB \xC1\xF6\xBF\xF8\xC7\xCF\xC1\xF6 "    \
    "\xBE\xCA\xBD\xC0\xB4\xCF\xB4\xD9.  \xC4\xAB\xB5\xE5\xBB\xE7\xBF\xA1 \xB5\xFB\xB6\xF3 \xC0\xCE\xC1\xF5 "       \
    "\xC3\xA2\xC0\xCC \xC1\xA4\xBB\xF3\xC0\xFB\xC0\xB8\xB7\xCE \xC7\xA5\xBD\xC3\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBB " \
    "\xBC\xF6 \xC0\xD6\xBD\xC0\xB4\xCF\xB4\xD9"                                                                   \
    "\n\n"                                                                                                         \
    "\xB4\xD9\xC0\xBD \xC0\xA5 \xC1\xD6\xBC\xD2\xB8\xA6 \xC2\xFC\xB0\xED\xC7\xCF\xBC\xBC\xBF\xE4 : "               \
    "https://www.microsoft.com/ko-kr/download/internet-explorer.aspx"
