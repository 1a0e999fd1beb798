// Texts that the authentication dialogs put into Msg1, in English and in
// Korean (code page 949 bytes), and the markers they look for in pages.
#pragma once

// Network or server failure, with the transport's error text.
#define AUTH_MSG_NETWORK_EN "Network or Server Error, Try Again! (%s)"
// "An error occurred while communicating with the server. Please try again in a moment!"
#define AUTH_MSG_NETWORK_KO                                                                                    \
    "\xBC\xAD\xB9\xF6\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC1\xDF \xBF\xA1\xB7\xAF\xB0\xA1 \xB9\xDF\xBB\xFD\xC7\xCF" \
    "\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9. \xC0\xE1\xBD\xC3\xC8\xC4 \xB4\xD9\xBD\xC3 \xBD\xC3\xB5\xB5\xC7\xD8 "       \
    "\xC1\xD6\xBC\xBC\xBF\xE4!  (%s)"

// A reply shorter than 16 or longer than 4095 bytes.
#define AUTH_MSG_SIZE_EN "Network or Server Error, Try Again! (Size : %d) (%s)"
#define AUTH_MSG_SIZE_KO                                                                                       \
    "\xBC\xAD\xB9\xF6\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC1\xDF \xBF\xA1\xB7\xAF\xB0\xA1 \xB9\xDF\xBB\xFD\xC7\xCF" \
    "\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9. \xC0\xE1\xBD\xC3\xC8\xC4 \xB4\xD9\xBD\xC3 \xBD\xC3\xB5\xB5\xC7\xD8 "       \
    "\xC1\xD6\xBC\xBC\xBF\xE4! (Size : %d) (%s)"

// Body tags missing or misplaced, with the positions found.
#define AUTH_MSG_TAG_EN "Network or Server Error, Try Again! (Tag invalid Error %d, %d)"
#define AUTH_MSG_TAG_KO                                                                                        \
    "\xBC\xAD\xB9\xF6\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC1\xDF \xBF\xA1\xB7\xAF\xB0\xA1 \xB9\xDF\xBB\xFD\xC7\xCF" \
    "\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9, \xC0\xE1\xBD\xC3\xC8\xC4 \xB4\xD9\xBD\xC3 \xBD\xC3\xB5\xB5\xC7\xD8 "       \
    "\xC1\xD6\xBC\xBC\xBF\xE4! (Tag invalid Error %d,%d)"

// The body does not hold six fields.
#define AUTH_MSG_PARAM_EN "Network or Server Error, Try Again! (Param Number : %d)"
#define AUTH_MSG_PARAM_KO                                                                                      \
    "\xBC\xAD\xB9\xF6\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC1\xDF \xBF\xA1\xB7\xAF\xB0\xA1 \xB9\xDF\xBB\xFD\xC7\xCF" \
    "\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9, \xC0\xE1\xBD\xC3\xC8\xC4 \xB4\xD9\xBD\xC3 \xBD\xC3\xB5\xB5\xC7\xD8 "       \
    "\xC1\xD6\xBC\xBC\xBF\xE4! (Param Number : %d)"

// Texts of the browser's own error page: "The server could not be found",
// "No page to display" (code page 949) and the English one.
#define AUTH_ERRPAGE_SERVER_NOT_FOUND_KO "\xBC\xAD\xB9\xF6\xB8\xA6 \xC3\xA3\xC1\xF6 \xB8\xF8\xC7\xCF\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9"
#define AUTH_ERRPAGE_NO_PAGE_KO "\xC7\xA5\xBD\xC3\xC7\xD2 \xC6\xE4\xC0\xCC\xC1\xF6 \xBE\xF8\xC0\xBD"
#define AUTH_ERRPAGE_CANNOT_FIND_SERVER "Cannot find server"
