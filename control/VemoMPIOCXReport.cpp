// SendHTTPPost: the report post of the control.
#include <cstring>
#include <new>

#include "control/VemoMPIOCXCtrl.h"
#include "transport/VemoMPIAutoReportDialog.h"

namespace {

// The longest argument a report takes.
constexpr size_t kMaxArgument = 4095;

bool TooLong(LPCTSTR text) { return text != nullptr && std::strlen(text) > kMaxArgument; }

}  // namespace

LONG CVemoMPIOCXCtrl::SendHTTPPost(LPCTSTR Url, SHORT Encrypt, LPCTSTR Param1, LPCTSTR Param2, LPCTSTR Param3) {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::SendHTTPPost] Start");
    // An over-long argument is refused at once: nothing is posted and no
    // dialog shows.
    if (TooLong(Url) || TooLong(Param1) || TooLong(Param2) || TooLong(Param3)) return 0;

    // The administrators' policy, read afresh: a page whose site is not
    // allowed, or an address that is not https under StrictTransport, gets
    // the result of two failed attempts, and nothing is posted.
    bool bStrict = false;
    if (CheckNetworkPolicy(Url != nullptr ? Url : "", &bStrict) != POLICY_ALLOWED) {
        m_Util.WriteLog("[CVemoMPIOCXCtrl::SendHTTPPost] refused by the policy");
        return REPORT_RESULT_FAIL;
    }

    LONG nRet = 0;
    CVemoMPIAutoReportDialog* pDlg = new (std::nothrow) CVemoMPIAutoReportDialog(nullptr);
    if (pDlg != nullptr) {
        pDlg->m_bStrictTransport = bStrict;
        // A report whose body would not fit is refused the same way; one
        // that cannot go sealed as asked is refused as undelivered (-100).
        int nPrepared = pDlg->SetPostData(Url, Encrypt, Param1, Param2, Param3);
        if (nPrepared == 1) nRet = static_cast<LONG>(pDlg->DoModal());
        else if (nPrepared < 0) nRet = nPrepared;
        delete pDlg;
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SendHTTPPost] nRet:%d", static_cast<int>(nRet));
    return nRet;
}
