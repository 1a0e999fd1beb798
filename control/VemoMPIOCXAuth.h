// The authentication entry of the control (GetPAReq2): its fixed addresses
// and texts, the argument limits, and how it runs the two dialogs.
#pragma once

#include <new>

#include "control/VemoMPIOCXCtrl.h"

// Result codes GetPAReq2 adds to those of the dialogs.
#define GETPAREQ_ERROR_ARGUMENT 11005
#define GETPAREQ_ERROR_WINSOCK 11007
// The administrators' policy refuses the call (see VemoMPIOCXPolicy.cpp):
// the code of a failed exchange with the MPI server, since none may start.
#define GETPAREQ_ERROR_POLICY 11002

// The wait page shown until the enrollment exchange is over, unless the page
// set one: the MPI service's own, at this path on the host (and port) of the
// MPI address given to GetPAReq2 (MakeDefaultWaitUrl).
#define DEFAULT_WAIT_PATH "/VemoMPI/Wait.html"
// The wait page when the MPI address names no host to take it from: an empty
// page, which asks nothing of the network.
#define NO_WAIT_URL "about:blank"

// The merchant site named in the request when the host page's address cannot
// be found (a site that does not exist; not the file placeholder).
#define UNKNOWN_SITE_URL "http://unknown-merchant.vemompi.example"

// The argument failure text in Msg1, in English and in Korean (code page 949).
#define GETPAREQ_MSG_ARGUMENT_EN "Error : Input Parameter invalid"
// "Error : invalid input"
#define GETPAREQ_MSG_ARGUMENT_KO "\xBF\xA1\xB7\xAF : \xC0\xD4\xB7\xC2\xB0\xAA \xBF\xC0\xB7\xF9"

// The longest value each argument may have. The merchant id, card number
// and amount are admitted only as far as their stores hold them (23, 47 and
// 47 characters), and so is the description (1023); a longer value is
// refused like any other bad argument.
#define GETPAREQ_MAX_ID 23
#define GETPAREQ_MAX_NAME 64
#define GETPAREQ_MAX_PAN 47
#define GETPAREQ_MAX_EXPIRY_YEAR 4
#define GETPAREQ_MAX_EXPIRY_MONTH 2
#define GETPAREQ_MAX_AMOUNT 47
#define GETPAREQ_MAX_INSTALLMENT 4
#define GETPAREQ_MAX_DESC 1023
#define GETPAREQ_MAX_URL 1023

// The default wait page for an MPI address: its scheme (in lower case), its
// host and its port as given (an IPv6 address in its brackets), then
// DEFAULT_WAIT_PATH. A user name or password, the path, query and fragment of
// the address are left out. An "http" address gives a plain-HTTP wait page;
// an "https" one keeps its scheme and port, so that the page comes from
// where the MPI service answers, over the same protection as the exchange.
// Writes NO_WAIT_URL instead when the address is not an absolute http or
// https address with a host, or when the result would not fit the nSize
// bytes of pszOut (NUL included). Returns FALSE when it wrote NO_WAIT_URL
// (or, with nSize too small for that too, nothing).
BOOL MakeDefaultWaitUrl(const char* pszServerUrl, char* pszOut, size_t nSize);

// Creates an authentication dialog of class T on the heap with no parent
// window, hands it the control, runs it modally and destroys it. Returns the
// modal result unchanged, or 0 when the dialog could not be created.
template <class T>
LONG RunAuthDialog(CVemoMPIOCXCtrl* pCtrl) {
    T* pDialog = new (std::nothrow) T(nullptr);
    if (pDialog == nullptr) return 0;
    pDialog->SetControl(pCtrl);
    LONG nResult = static_cast<LONG>(pDialog->DoModal());
    delete pDialog;
    return nResult;
}

// Runs the skinned dialog (the default) by RunAuthDialog; the plain one runs
// after SetNormalDialog with a non-zero value.
LONG RunAuthZKSkinDialog(CVemoMPIOCXCtrl* pCtrl);
LONG RunAuthNormalDialog(CVemoMPIOCXCtrl* pCtrl);
