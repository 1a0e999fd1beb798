#include "auth/AuthFlow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "auth/AuthMessages.h"
#include "crypto/MPIMask.h"
#include "crypto/MPISeal.h"
#include "platform/win/win.h"
#include "transport/HTTPTransport.h"
#include "transport/MPIPolicy.h"

namespace {

const char kFormHeaders[] = "Content-Type: application/x-www-form-urlencoded\r\n";

// URL encoding into a buffer sized to the text (every byte may take three).
std::string UrlEncoded(CMPIUtil& util, const char* text, bool* ok) {
    std::vector<char> out(std::strlen(text) * 3 + 1);
    *ok = util.URLEncoding(text, out.data(), out.size()) >= 1;
    return std::string(out.data());
}

// The position of `needle` in `text`, or -1.
long Find(const char* text, const char* needle, long from = 0) {
    const char* p = std::strstr(text + from, needle);
    return p == nullptr ? -1 : static_cast<long>(p - text);
}

}  // namespace

std::string AuthVariantText(const VARIANT* pVar) {
    if (pVar == nullptr) return std::string();
    const VARIANT* v = pVar;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr) v = v->pvarVal;
    if (v->vt == VT_BSTR) return BstrToAnsi(v->bstrVal, SysStringLen(v->bstrVal));
    if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal != nullptr) return BstrToAnsi(*v->pbstrVal, SysStringLen(*v->pbstrVal));
    return std::string();
}

int AuthComposeRequest(CVemoMPIOCXCtrl* c, CMPIUtil& util, char* pszBody, size_t bodySize) {
    if (pszBody == nullptr || bodySize == 0) return AUTH_ERROR_SEAL;
    std::memset(pszBody, 0, bodySize);
    bool ok = true;
    std::string extra = UrlEncoded(util, c->m_ExtraParams, &ok);
    int n = 0;
    if (c->m_bUseEnc == 0) {
        n = std::snprintf(pszBody, bodySize,
                          "mall_id=%s&mall_name=%s&mall_url=%s&cardnum=%s&expiry_year=%s&expiry_month=%s&totalprice=%s"
                          "&installment=%s&desc=%s&currency=%s&ExtraParams=%s&VemoMPIParam=End",
                          c->m_szMallID, c->m_szMallName, c->m_LocalURL, c->m_szCardNum, c->m_szExpiryYear,
                          c->m_szExpiryMonth, c->m_szTotalPrice, c->m_szInstallment, c->m_szDesc, c->m_szCurrency,
                          extra.c_str());
    } else {
        // The parameter list: installment before the amount, currency before
        // the description.
        char list[MPI_SEAL_MAX_TEXT + 2];
        int len = std::snprintf(list, sizeof(list), "%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s", c->m_szMallID, c->m_szMallName,
                                c->m_LocalURL, c->m_szCardNum, c->m_szExpiryYear, c->m_szExpiryMonth, c->m_szInstallment,
                                c->m_szTotalPrice, c->m_szCurrency, c->m_szDesc, extra.c_str());
        // From here on the control holds the card number masked.
        size_t card = std::strlen(c->m_szCardNum);
        if (card > 4) std::memcpy(c->m_szCardNum + card - 4, "****", 4);
        if (len < 0 || static_cast<size_t>(len) > MPI_SEAL_MAX_TEXT) {
            SecureZeroMemory(list, sizeof(list));
            return AUTH_ERROR_SEAL;
        }
        static thread_local char sealed[MPI_SEALED_MAX_SIZE];
        int s = MPISealParam(util, list, static_cast<size_t>(len), sealed, sizeof(sealed));
        SecureZeroMemory(list, sizeof(list));  // the list holds the whole card number
        if (s < 1) return AUTH_ERROR_SEAL;
        n = std::snprintf(pszBody, bodySize, "data=%s", sealed);
        SecureZeroMemory(sealed, static_cast<size_t>(s) + 1);  // the body is its only copy now
    }
    if (n < 0 || static_cast<size_t>(n) >= bodySize) {
        SecureZeroMemory(pszBody, bodySize);
        return AUTH_ERROR_SEAL;
    }
    return 0;
}

CAuthFlow::CAuthFlow(const AUTH_DIALOG_KIND& kind, IAuthDialogSite* pSite) : m_kind(kind), m_pSite(pSite) {
    m_szLogMsg[0] = '\0';
    m_szParseBuffer[0] = '\0';
}

CAuthFlow::~CAuthFlow() {
    if (m_hThread != nullptr) CloseHandle(m_hThread);
}

bool CAuthFlow::Korean() const { return GetSystemDefaultLangID() == 1042; }

int CAuthFlow::ThreadEnded() const {
    if (m_bThreadEnd) return 1;
    return (m_pExchange && m_pExchange->m_bThreadEnd.load() == 1) ? 1 : 0;
}

void CAuthFlow::MarkCancelled() {
    if (m_pExchange) m_pExchange->m_bCancelled.store(1);
}

void CAuthFlow::CloseTransportHandles() {
    if (m_pExchange) CloseRunHandles(*m_pExchange);
}

int CAuthFlow::CancelRun() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    switch (c->m_iAuthState) {
        case STATE_INIT:
            return AUTH_ERROR_THREAD;
        case STATE_VEREQ:
            // The transport fails once its connection is gone; timer 2 then
            // ends the dialog.
            CloseTransportHandles();
            c->m_iAuthState = STATE_CANCEL;
            MarkCancelled();
            return 0;
        case STATE_TIMEOUT:
            // A worker that has not connected yet gives up before it does.
            CloseTransportHandles();
            MarkCancelled();
            return 0;
        case STATE_PAREQ:
        case STATE_CANCEL:
        case STATE_COMPLETE:
            return AUTH_ERROR_CANCEL;
        default:
            return AUTH_ERROR_THREAD;
    }
}

bool CAuthFlow::TimeOutRun() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    if (ThreadEnded() || c->m_iAuthState == STATE_CANCEL) return false;
    c->m_iAuthState = STATE_TIMEOUT;
    return true;
}

// ---------------------------------------------------------------- execute step

int CAuthFlow::AuthThreadProcessExecute() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessExecute] Start", m_kind.pszClassName);
    if (m_hThread != nullptr) CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_dwThreadID = 0;

    char body[4096];
    if (AuthComposeRequest(c, m_Util, body, sizeof(body)) != 0) {
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessExecute] Error Seed Encoding",
                 m_kind.pszClassName);
        m_pSite->AuthEndDialog(AUTH_ERROR_SEAL);
        return 1;
    }

    HTTP_THREAD_PARAM* param = m_kind.pParam;
    std::memset(param->szUrl, 0, sizeof(param->szUrl));
    std::strncpy(param->szUrl, c->m_szServerUrl, sizeof(param->szUrl) - 1);
    param->bPostRequest = 1;
    std::memset(param->szPostData, 0, sizeof(param->szPostData));
    std::memcpy(param->szPostData, body, sizeof(body));
    SecureZeroMemory(body, sizeof(body));

    // The transport: the machine's proxy settings decide unless the page
    // forced one (1: socket, any other non-zero value: WinINet).
    m_bUseProxy = m_Util.IsProxyEnv();
    if (c->m_nForcedProxyEnv != 0) m_bUseProxy = c->m_nForcedProxyEnv != 1 ? 1 : 0;
    // The StrictTransport policy takes WinINet, whatever the machine or the
    // page says: the socket transport would send an https address's data in
    // clear text.
    if (c->m_bStrictTransport != 0) m_bUseProxy = 1;
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessExecute] %s", m_kind.pszClassName,
             m_bUseProxy ? "Use Proxy!" : "Not Use Proxy!");

    // A fresh exchange: empty reply and error text, thread not ended.
    m_pExchange = std::make_shared<CHTTPExchange>();
    m_bThreadEnd = 0;
    // A cancel or a time-out (a time-out of 0 ms fires first) that came
    // before the worker started has nothing to close: no worker is started,
    // and the parse step reports the cancel or the time-out at its next tick.
    if (c->m_iAuthState == STATE_CANCEL || c->m_iAuthState == STATE_TIMEOUT) {
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessExecute] Ended before the start",
                 m_kind.pszClassName);
        m_bThreadEnd = 1;
        SecureZeroMemory(param->szPostData, sizeof(param->szPostData));
        return 0;
    }
    auto* start = new HTTP_THREAD_START{*param, m_pExchange, c->m_bStrictTransport != 0};
    // The worker's copy is the only one the request needs from here on.
    SecureZeroMemory(param->szPostData, sizeof(param->szPostData));
    m_hThread = CreateThread(nullptr, 0, m_bUseProxy == 1 ? m_kind.pfnWininet : m_kind.pfnSocket, start, 0, &m_dwThreadID);
    if (m_hThread == nullptr) {
        SecureZeroMemory(start->param.szPostData, sizeof(start->param.szPostData));
        delete start;
        m_bThreadEnd = 1;
        m_pSite->AuthEndDialog(AUTH_ERROR_THREAD);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- parse step

int CAuthFlow::AuthThreadProcessParse() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    static const CHTTPExchange kNothing;
    const CHTTPExchange& x = m_pExchange ? *m_pExchange : kNothing;
    // The reply text as the transport left it, for GetClientHTTPData1.
    if (x.m_bClientHTTPData1) c->m_strClientHTTPData1 = x.m_strClientHTTPData1;

    if (c->m_iAuthState == STATE_CANCEL) return AUTH_ERROR_CANCEL;
    if (c->m_iAuthState == STATE_TIMEOUT) return AUTH_ERROR_TIMEOUT;
    if (c->m_iAuthState != STATE_VEREQ) return AUTH_ERROR_THREAD;
    c->m_iAuthState = STATE_PAREQ;
    bool ko = Korean();

    if (x.m_szHTTPLastErrorMessage[0] != '\0') {
        c->m_Msg1.Format(ko ? AUTH_MSG_NETWORK_KO : AUTH_MSG_NETWORK_EN, x.m_szHTTPLastErrorMessage);
        return AUTH_ERROR_NETWORK;
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessParse] m_szHTTPLastErrorMessage PASS",
             m_kind.pszClassName);

    const char* reply = x.m_szHTTPRecvData;
    int n = static_cast<int>(strnlen(reply, sizeof(x.m_szHTTPRecvData) - 1));
    if (n < AUTH_REPLY_MIN || n > AUTH_REPLY_MAX) {
        c->m_Msg1.Format(ko ? AUTH_MSG_SIZE_KO : AUTH_MSG_SIZE_EN, n, x.m_szHTTPLastErrorMessage);
        return AUTH_ERROR_NETWORK;
    }

    // Tags are found in an upper-cased copy; the last of each counts.
    std::memset(m_szParseBuffer, 0, sizeof(m_szParseBuffer));
    for (int i = 0; i < n; ++i) {
        char ch = reply[i];
        m_szParseBuffer[i] = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
    }
    int open = 0, close = 0;
    for (int i = 0; i <= n - 7; ++i) {
        if (std::memcmp(m_szParseBuffer + i, "<BODY>", 6) == 0) open = i;
        if (std::memcmp(m_szParseBuffer + i, "</BODY", 6) == 0) close = i;
    }
    if (!(open > 0 && close > 0 && open < close && open < 4096 && close < 4096)) {
        c->m_Msg1.Format(ko ? AUTH_MSG_TAG_KO : AUTH_MSG_TAG_EN, open, close);
        return AUTH_ERROR_TAG;
    }

    // The body as received, split at runs of "|" like a C tokenizer.
    std::string body(reply + open + 6, static_cast<size_t>(close - open - 6));
    std::vector<std::string> fields;
    int count = 0;
    for (size_t i = 0; i < body.size();) {
        size_t j = body.find('|', i);
        if (j == std::string::npos) j = body.size();
        if (j > i) {
            if (fields.size() < 6) fields.push_back(body.substr(i, j - i));
            ++count;
        }
        i = j + 1;
    }
    if (count != 6) {
        c->m_Msg1.Format(ko ? AUTH_MSG_PARAM_KO : AUTH_MSG_PARAM_EN, count);
        return AUTH_ERROR_PARAM_NUMBER;
    }

    c->m_Code1 = fields[0].c_str();
    c->m_Msg1 = fields[1].c_str();
    if (fields[0] != "0") {
        // A refusal ends the dialog with the code's number. A code that reads
        // as 0 ("00", " 0", letters) is still a refusal and must not look
        // like success to the page, so it ends as a server error instead.
        int code = std::atoi(fields[0].c_str());
        m_pSite->AuthEndDialog(code != 0 ? code : AUTH_ERROR_NETWORK);
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessParse] SERVER RET PASS", m_kind.pszClassName);

    c->m_PaReq = fields[2].c_str();
    c->m_AcsUrl = fields[3].c_str();
    c->m_Md = fields[4].c_str();
    std::vector<char> md64(fields[4].size() / 3 * 4 + 8);
    m_Util.EncodeBase64(md64.data(), reinterpret_cast<const unsigned char*>(fields[4].data()),
                        static_cast<int>(fields[4].size()), md64.size());
    c->m_Md64 = md64.data();
    c->m_TermUrl = fields[5].c_str();

    // Under the StrictTransport policy the cardholder is handed to the ACS
    // only over https, and the ACS is told to return the result only to an
    // https address: otherwise no hand-off, and the dialog ends with 11002
    // and the policy named in Msg1 (a refusal by the server keeps its own
    // code, only the hand-off is left out).
    if (c->m_bStrictTransport != 0) {
        bool bAcs = MPIIsHttpsUrl(c->m_AcsUrl);
        if (!bAcs || !MPIIsHttpsUrl(c->m_TermUrl)) {
            MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s::AuthThreadProcessParse] %s", m_kind.pszClassName,
                     bAcs ? MPI_POLICY_MSG_TERM_HTTPS_EN : MPI_POLICY_MSG_ACS_HTTPS_EN);
            if (fields[0] != "0") return 0;
            if (ko)
                c->m_Msg1 = bAcs ? MPI_POLICY_MSG_TERM_HTTPS_KO : MPI_POLICY_MSG_ACS_HTTPS_KO;
            else
                c->m_Msg1 = bAcs ? MPI_POLICY_MSG_TERM_HTTPS_EN : MPI_POLICY_MSG_ACS_HTTPS_EN;
            return AUTH_ERROR_NETWORK;
        }
    }

    HandOff(c->m_PaReq, c->m_TermUrl, c->m_Md, c->m_AcsUrl);
    return 0;
}

// ---------------------------------------------------------------- hand-off

void CAuthFlow::HandOff(const CString& paReq, const CString& termUrl, const CString& md, const CString& acsUrl) {
    bool ok1 = true, ok2 = true, ok3 = true;
    std::string form = "PaReq=" + UrlEncoded(m_Util, paReq, &ok1);
    form += "&TermUrl=" + UrlEncoded(m_Util, termUrl, &ok2);
    form += "&MD=" + UrlEncoded(m_Util, md, &ok3);
    const char* extra = m_pVemoMPIOCXCtrl->m_ExtraParams;
    if (extra[0] != '\0') {
        form += "&";
        form += extra;
    }

    VARIANT post, headers, url, empty;
    VariantInit(&empty);
    VariantInit(&headers);
    VariantInit(&url);
    HRESULT hr = m_Util.MakePostData(form.c_str(), &post);
    if (!ok1 || !ok2 || !ok3 || FAILED(hr))
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CMPICtl::get_PAReq2] GetPostData Error %s", form.c_str());
    headers.vt = VT_BSTR;
    headers.bstrVal = AnsiToBstr(kFormHeaders);
    url.vt = VT_BSTR;
    url.bstrVal = AnsiToBstr(acsUrl);
    VARIANT flags = empty, target = empty;
    m_pSite->AuthNavigate2(&url, &flags, &target, &post, &headers);
    VariantClear(&headers);
    VariantClear(&url);
    VariantClear(&post);
}

// ---------------------------------------------------------------- browser events

void CAuthFlow::OnBeforeNavigate2(const VARIANT* pUrl) {
    std::snprintf(m_szLogMsg, sizeof(m_szLogMsg), "[%s] OnBeforeNavigate2ExplorerAuth Url: %s", m_kind.pszClassName,
                  AuthVariantText(pUrl).c_str());
    MPIDebugOutput(m_szLogMsg);
}

void CAuthFlow::OnDocumentComplete(const VARIANT* pUrl) {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    std::string url = AuthVariantText(pUrl);
    c->m_strClientHTTPUrl = url.c_str();
    if (Find(url.c_str(), "MPI") <= 0 || Find(url.c_str(), "VerifyPARes") <= 0) return;
    // Under the StrictTransport policy a result page that did not come over
    // https is not read: anyone on the way could have written it. The
    // dialog ends with 12004 (no result record taken); GetClientHTTPUrl
    // tells the address.
    if (c->m_bStrictTransport != 0 && !MPIIsHttpsUrl(url.c_str())) {
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s] StrictTransport: result page not https",
                 m_kind.pszClassName);
        m_pSite->AuthEndDialog(AUTH_ERROR_NO_RECORD);
        return;
    }

    BSTR html = nullptr;
    if (!m_pSite->AuthGetDocumentHTML(&html)) {
        m_pSite->AuthEndDialog(AUTH_ERROR_NO_DOCUMENT);
        return;
    }
    std::string page = BstrToAnsi(html, SysStringLen(html));
    SysFreeString(html);
    // The whole page stays readable by script; the record is looked for in
    // the first 8095 bytes.
    c->m_strClientHTTPData2 = page.c_str();
    if (page.size() > AUTH_PAGE_TEXT_SIZE - 1) page.resize(AUTH_PAGE_TEXT_SIZE - 1);
    page.resize(std::strlen(page.c_str()));

    int result = CaptureResult(page);
    if (result < 0) return;  // the browser's error page: the dialog stays open
    if (result != AUTH_RESULT_SUCCESS) {
        m_pSite->AuthEndDialog(result);
        return;
    }
    c->m_iAuthState = STATE_COMPLETE;
    for (UINT id = TIMER_EVENT_AUTH_EXECUTE; id <= TIMER_EVENT_VEREQ_TIMEOUT; ++id) m_pSite->AuthKillTimer(id);
    Sleep(100);
    m_pSite->AuthEndDialog(AUTH_RESULT_SUCCESS);
}

// Reads the result record and the JSON object of a result page into the
// control's properties. Returns 0, a failure code, or -1 for the browser's
// own error page (timers stopped, the dialog stays open).
int CAuthFlow::CaptureResult(const std::string& pageText) {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    const char* text = pageText.c_str();
    if (pageText.size() < 20) return AUTH_ERROR_PAGE_TOO_SHORT;
    if (Find(text, AUTH_ERRPAGE_SERVER_NOT_FOUND_KO) > 0 || Find(text, AUTH_ERRPAGE_NO_PAGE_KO) > 0 ||
        Find(text, AUTH_ERRPAGE_CANNOT_FIND_SERVER) > 0) {
        for (UINT id = TIMER_EVENT_AUTH_EXECUTE; id <= TIMER_EVENT_VEREQ_TIMEOUT; ++id) m_pSite->AuthKillTimer(id);
        return -1;
    }

    long p = Find(text, ">('");
    long q = p < 0 ? -1 : Find(text, "')", p);
    if (p < 0 || q < 0) {
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s] View Source\n[%s]", m_kind.pszClassName, text);
        return AUTH_ERROR_NO_RECORD;
    }
    // The record: from the quote after ">(" through the closing "')".
    char record[AUTH_RECORD_SIZE + 1] = {0};
    size_t take = static_cast<size_t>(q - p) < AUTH_RECORD_SIZE ? static_cast<size_t>(q - p) : AUTH_RECORD_SIZE;
    std::memcpy(record, text + p + 2, take);

    std::string slots[8];
    int used = 0;
    for (size_t i = 0; record[i] != '\0' && used < 8;) {
        size_t j = i;
        while (record[j] != '\0' && record[j] != '\'' && record[j] != ',') ++j;
        if (j > i) {
            std::string piece(record + i, j - i);
            if (piece != " ") {
                // Card numbers and cryptograms reach the debugger masked,
                // whichever slot they fall into.
                std::snprintf(m_szLogMsg, sizeof(m_szLogMsg), "[%s] Result[%d] %s", m_kind.pszClassName, used + 1,
                              piece.c_str());
                MPIDebugOutput(m_szLogMsg);
                slots[used++] = piece;
            }
        }
        i = record[j] == '\0' ? j : j + 1;
    }
    for (int i = 0; i < 4; ++i) {
        if (slots[i].empty() || slots[i].size() > AUTH_SLOT_SIZE) {
            MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[%s] View Source\n[%s]", m_kind.pszClassName, text);
            return AUTH_ERROR_RECORD_FIELDS;
        }
    }

    // The page's JSON object, from its "{" through the first "}".
    long a = Find(text, "{");
    if (a > 0) {
        long b = Find(text, "}", a);
        if (b >= 0) {
            size_t len = static_cast<size_t>(b - a + 1);
            if (len > AUTH_SLOT_SIZE - 1) len = AUTH_SLOT_SIZE - 1;
            slots[7] = pageText.substr(static_cast<size_t>(a), len);
        }
    }

    c->m_Code2 = slots[0].c_str();
    c->m_Msg2 = slots[1].c_str();
    c->m_Cavv = slots[2].c_str();
    c->m_Md = slots[3].c_str();
    c->m_Eci = slots[4].c_str();
    c->m_CavvAlg = slots[5].c_str();
    c->m_realPan = slots[6].c_str();
    c->m_json = slots[7].c_str();
    return AUTH_RESULT_SUCCESS;
}
