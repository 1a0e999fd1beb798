#include "control/VemoMPIOCXCtrl.h"

#include <cstring>

#include "platform/win/win.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "transport/MPISocket.h"

namespace {

// The default title font, "Gulim", in code page 949.
const char kDefaultTitleFontName[] = "\xB1\xBC\xB8\xB2";

// Copies a text into a fixed field when it fits (at most N - 1 characters);
// otherwise leaves the field as it was. Returns whether it was stored.
template <size_t N>
bool StoreIfFits(char (&field)[N], LPCTSTR text) {
    if (text == nullptr) text = "";
    size_t len = std::strlen(text);
    if (len > N - 1) return false;
    std::memcpy(field, text, len + 1);
    return true;
}

}  // namespace

// ------------------------------------------------------------ dispatch map

#define RESULT_PROPERTY(id, member) DISP_PROPERTY_NOTIFY(id, &CVemoMPIOCXCtrl::member, &CVemoMPIOCXCtrl::OnPropertyChanged)

const AFX_DISPMAP_ENTRY CVemoMPIOCXCtrl::kDispatchMap[] = {
    RESULT_PROPERTY(1, m_Code1),
    RESULT_PROPERTY(2, m_Msg1),
    RESULT_PROPERTY(3, m_PaReq),
    RESULT_PROPERTY(4, m_AcsUrl),
    RESULT_PROPERTY(5, m_Md),
    RESULT_PROPERTY(6, m_Md64),
    RESULT_PROPERTY(7, m_Code2),
    RESULT_PROPERTY(8, m_Msg2),
    RESULT_PROPERTY(9, m_Cavv),
    RESULT_PROPERTY(10, m_Eci),
    RESULT_PROPERTY(11, m_CavvAlg),
    RESULT_PROPERTY(12, m_TermUrl),
    RESULT_PROPERTY(33, m_realPan),
    RESULT_PROPERTY(35, m_json),
    DISP_FUNCTION(13, &CVemoMPIOCXCtrl::SetForcedLocalUrl),
    DISP_FUNCTION(14, &CVemoMPIOCXCtrl::GetPAReq2),
    DISP_FUNCTION(15, &CVemoMPIOCXCtrl::SetPARes2),
    DISP_FUNCTION(16, &CVemoMPIOCXCtrl::SetTimeOut),
    DISP_FUNCTION(17, &CVemoMPIOCXCtrl::SetImageSkin),
    DISP_FUNCTION(18, &CVemoMPIOCXCtrl::SetLogLevel),
    DISP_FUNCTION(19, &CVemoMPIOCXCtrl::SetCurrency),
    DISP_FUNCTION(20, &CVemoMPIOCXCtrl::SetBackUpServer),
    DISP_FUNCTION(21, &CVemoMPIOCXCtrl::SetWaitUrl),
    DISP_FUNCTION(22, &CVemoMPIOCXCtrl::SetEncrypt),
    DISP_FUNCTION(23, &CVemoMPIOCXCtrl::SetBrowserTitle),
    DISP_FUNCTION(24, &CVemoMPIOCXCtrl::SetNormalDialog),
    DISP_FUNCTION(25, &CVemoMPIOCXCtrl::SetBrowserTitleFont),
    DISP_FUNCTION(26, &CVemoMPIOCXCtrl::SetForcedProxyEnv),
    DISP_FUNCTION(27, &CVemoMPIOCXCtrl::GetClientIPAddress),
    DISP_FUNCTION(28, &CVemoMPIOCXCtrl::GetClientProxySetting),
    DISP_FUNCTION(29, &CVemoMPIOCXCtrl::SendHTTPPost),
    DISP_FUNCTION(30, &CVemoMPIOCXCtrl::GetClientHTTPData1),
    DISP_FUNCTION(31, &CVemoMPIOCXCtrl::GetClientHTTPData2),
    DISP_FUNCTION(32, &CVemoMPIOCXCtrl::GetClientHTTPUrl),
    DISP_FUNCTION(34, &CVemoMPIOCXCtrl::SetExtraParams),
    DISP_FUNCTION(36, &CVemoMPIOCXCtrl::SetWindowSize),
    DISP_FUNCTION(DISPID_ABOUTBOX, &CVemoMPIOCXCtrl::AboutBox),
};

const int CVemoMPIOCXCtrl::kDispatchMapCount = static_cast<int>(sizeof(kDispatchMap) / sizeof(kDispatchMap[0]));

const TypeInterfaceDesc& CVemoMPIOCXCtrl::GetDispatchDesc() const { return g_DVemoMPIOCXDesc; }

const AFX_DISPMAP_ENTRY* CVemoMPIOCXCtrl::GetDispatchMap(int* pCount) const {
    *pCount = kDispatchMapCount;
    return kDispatchMap;
}

// ------------------------------------------------------------ life cycle

void CVemoMPIOCXCtrl::ClearPurchaseData() {
    std::memset(m_szMallID, 0, sizeof(m_szMallID));
    std::memset(m_szMallName, 0, sizeof(m_szMallName));
    std::memset(m_szCardNum, 0, sizeof(m_szCardNum));
    std::memset(m_szExpiryYear, 0, sizeof(m_szExpiryYear));
    std::memset(m_szExpiryMonth, 0, sizeof(m_szExpiryMonth));
    std::memset(m_szTotalPrice, 0, sizeof(m_szTotalPrice));
    std::memset(m_szInstallment, 0, sizeof(m_szInstallment));
    std::memset(m_szDesc, 0, sizeof(m_szDesc));
}

void CVemoMPIOCXCtrl::WipeCardData() {
    SecureZeroMemory(m_szCardNum, sizeof(m_szCardNum));
    SecureZeroMemory(m_szExpiryYear, sizeof(m_szExpiryYear));
    SecureZeroMemory(m_szExpiryMonth, sizeof(m_szExpiryMonth));
}

CVemoMPIOCXCtrl::CVemoMPIOCXCtrl() {
    InitializeIIDs(&DIID__DVemoMPIOCX, &DIID__DVemoMPIOCXEvents);

    m_iAuthState = STATE_INIT;
    std::memset(m_ExtraParams, 0, sizeof(m_ExtraParams));
    std::memset(m_LocalURL, 0, sizeof(m_LocalURL));
    m_nForcedProxyEnv = 0;
    m_bUseWindowSize = 0;
    m_nWindowWidth = 0;
    m_nWindowHeight = 0;
    m_nTimeOut = 25000;
    m_nPrimaryTimeOut = 25000;
    m_nBackUpTimeOut = 25000;
    std::memset(m_szServerUrl, 0, sizeof(m_szServerUrl));
    std::memset(m_szPrimaryUrl, 0, sizeof(m_szPrimaryUrl));
    std::memset(m_szBackUpUrl, 0, sizeof(m_szBackUpUrl));
    m_nSkinX = 0;
    m_nSkinY = 0;
    std::memset(m_szWaitUrl, 0, sizeof(m_szWaitUrl));
    m_bDefaultWaitUrl = FALSE;
    std::memset(m_szSkinImagePath, 0, sizeof(m_szSkinImagePath));
    m_nLogLevel = 1;
    std::strcpy(m_szCurrency, "KRW");
    m_bUseEnc = 1;
    m_bUseTitle = 1;
    m_bUseNormal = 0;
    m_nTitleFontSize = 12;
    std::memset(m_szTitleFontName, 0, sizeof(m_szTitleFontName));
    std::strcpy(m_szTitleFontName, kDefaultTitleFontName);
    // The purchase-data stores are cleared by each authentication before use;
    // they start cleared too, so that nothing uninitialised is ever read.
    ClearPurchaseData();
    m_szLogMsg[0] = '\0';

    m_Util.WriteLog("");
    m_Util.WriteLog("");
    m_Util.WriteLog("=================================================================");
    m_Util.WriteLog("[CVemoMPIOCXCtrl::CVemoMPIOCXCtrl] Start");

    CMPISocket socketInit;
    m_nSocketInitError = socketInit.SocketInit();
    if (m_nSocketInitError != 0) m_Util.WriteLog("[CVemoMPIOCXCtrl::CVemoMPIOCXCtrl] Socket init Error!");
}

CVemoMPIOCXCtrl::~CVemoMPIOCXCtrl() {
    WipeCardData();
    // Ends the use of Winsock that construction (or a later retry) started.
    // A control whose start-up never succeeded owes no clean-up, and must not
    // end another control's use of the library.
    if (m_nSocketInitError == 0) {
        CMPISocket socketClose;
        socketClose.SocketClose(0);
    }
    m_Util.WriteLog("[CVemoMPIOCXCtrl::~CVemoMPIOCXCtrl]");
    m_Util.WriteLog("=================================================================");
}

// ------------------------------------------------------------ setters

LONG CVemoMPIOCXCtrl::SetForcedLocalUrl(LPCTSTR Url) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetForcedLocalUrl] %s", Url);
    StoreIfFits(m_LocalURL, Url);
    return 0;
}

LONG CVemoMPIOCXCtrl::SetPARes2(LPCTSTR, LPCTSTR, LPCTSTR, LPCTSTR, LPCTSTR, LPCTSTR) {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::SetPARes2]");
    return 0;
}

LONG CVemoMPIOCXCtrl::SetTimeOut(LONG _TimeOut) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetTimeOut] %ld", static_cast<long>(_TimeOut));
    m_nPrimaryTimeOut = _TimeOut;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetImageSkin(SHORT _X, SHORT _Y, LPCTSTR _SkinImagePath) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetImageSkin] %d, %d, %s", _X, _Y,
             _SkinImagePath);
    if (StoreIfFits(m_szSkinImagePath, _SkinImagePath)) {
        m_nSkinX = _X;
        m_nSkinY = _Y;
    }
    return 0;
}

LONG CVemoMPIOCXCtrl::SetLogLevel(SHORT _LogLevel) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetLogLevel] %d", _LogLevel);
    m_nLogLevel = _LogLevel;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetCurrency(LPCTSTR _Currency) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetCurrency] %s", _Currency);
    StoreIfFits(m_szCurrency, _Currency);
    return 0;
}

LONG CVemoMPIOCXCtrl::SetBackUpServer(LONG _TimeOut, LPCTSTR _Url) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetBackUpServer] %ld, %s", static_cast<long>(_TimeOut), _Url);
    if (StoreIfFits(m_szBackUpUrl, _Url)) m_nBackUpTimeOut = _TimeOut;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetWaitUrl(LPCTSTR _Url) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetWaitUrl] %s", _Url);
    if (StoreIfFits(m_szWaitUrl, _Url)) m_bDefaultWaitUrl = FALSE;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetEncrypt(SHORT _bUseEnc) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetEncrypt] %d", _bUseEnc);
    m_bUseEnc = _bUseEnc;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetBrowserTitle(SHORT _UseTitle) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetBrowserTitle] %d", _UseTitle);
    m_bUseTitle = _UseTitle;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetNormalDialog(SHORT _bUseNormal) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetNormalDialog] %d", _bUseNormal);
    m_bUseNormal = _bUseNormal;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetBrowserTitleFont(SHORT _iFontSize, LPCTSTR _szFontName) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetBrowserTitleFont] %d, %s", _iFontSize,
             _szFontName);
    if (StoreIfFits(m_szTitleFontName, _szFontName)) m_nTitleFontSize = _iFontSize;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetForcedProxyEnv(SHORT _bUseProxy) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetForcedProxyEnv] %d", _bUseProxy);
    m_nForcedProxyEnv = _bUseProxy;
    return 0;
}

LONG CVemoMPIOCXCtrl::SetExtraParams(LPCTSTR params) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetExtraParams] %s", params);
    return StoreIfFits(m_ExtraParams, params) ? 0 : -1;
}

LONG CVemoMPIOCXCtrl::SetWindowSize(SHORT width, SHORT height) {
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::SetWindowSize] %d, %d", width, height);
    m_nWindowWidth = width;
    m_nWindowHeight = height;
    m_bUseWindowSize = 1;
    return 0;
}

// ------------------------------------------------------------ getters and properties

BSTR CVemoMPIOCXCtrl::GetClientHTTPData1() {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetClientHTTPData1]");
    return m_strClientHTTPData1.AllocSysString();
}

BSTR CVemoMPIOCXCtrl::GetClientHTTPData2() {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetClientHTTPData2]");
    return m_strClientHTTPData2.AllocSysString();
}

BSTR CVemoMPIOCXCtrl::GetClientHTTPUrl() {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetClientHTTPUrl]");
    return m_strClientHTTPUrl.AllocSysString();
}

void CVemoMPIOCXCtrl::OnPropertyChanged() { SetModifiedFlag(); }
