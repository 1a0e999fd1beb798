// CVemoMPIOCXCtrl: the control that a merchant's checkout page embeds and
// drives from script. It owns the settings given through the setters, the
// purchase data of the running authentication, the authentication state and
// the result properties. The authentication dialogs and the transports read
// and write these fields directly through their pointer to the control.
#pragma once

#include "crypto/MPIUtil.h"
#include "platform/afx/afxctl.h"

// Authentication states held in m_iAuthState.
#define STATE_INIT 0
#define STATE_VEREQ 1
#define STATE_PAREQ 2
#define STATE_CANCEL 3
#define STATE_TIMEOUT 4
#define STATE_COMPLETE 5

class CVemoMPIOCXCtrl : public COleControl {
public:
    CVemoMPIOCXCtrl();
    ~CVemoMPIOCXCtrl() override;

    // ------------------------------------------------------------ scripting methods
    LONG SetForcedLocalUrl(LPCTSTR Url);
    LONG SetPARes2(LPCTSTR _Code, LPCTSTR _Msg, LPCTSTR _Cavv, LPCTSTR _Md, LPCTSTR _Eci, LPCTSTR _CavvAlg);
    LONG SetTimeOut(LONG _TimeOut);
    LONG SetImageSkin(SHORT _X, SHORT _Y, LPCTSTR _SkinImagePath);
    LONG SetLogLevel(SHORT _LogLevel);
    LONG SetCurrency(LPCTSTR _Currency);
    LONG SetBackUpServer(LONG _TimeOut, LPCTSTR _Url);
    LONG SetWaitUrl(LPCTSTR _Url);
    LONG SetEncrypt(SHORT _bUseEnc);
    LONG SetBrowserTitle(SHORT _UseTitle);
    LONG SetNormalDialog(SHORT _bUseNormal);
    LONG SetBrowserTitleFont(SHORT _iFontSize, LPCTSTR _szFontName);
    LONG SetForcedProxyEnv(SHORT _bUseProxy);
    BSTR GetClientHTTPData1();
    BSTR GetClientHTTPData2();
    BSTR GetClientHTTPUrl();
    LONG SetExtraParams(LPCTSTR params);
    LONG SetWindowSize(SHORT width, SHORT height);

    // Change handler of the fourteen result properties.
    void OnPropertyChanged();

    // ------------------------------------------------------------ fields, in declaration order
    CMPIUtil m_Util;
    char m_szLogMsg[10240];
    char m_LocalURL[1024];
    int m_nForcedProxyEnv;
    int m_nSocketInitError;
    int m_bUseWindowSize;
    int m_nWindowWidth;
    int m_nWindowHeight;
    CString m_strClientHTTPData1;
    CString m_strClientHTTPData2;
    CString m_strClientHTTPUrl;
    char m_szMallID[24];
    char m_szMallName[128];
    char m_szCardNum[48];
    char m_szExpiryYear[1024];
    char m_szExpiryMonth[1024];
    char m_szTotalPrice[48];
    char m_szInstallment[24];
    char m_szDesc[1024];
    char m_ExtraParams[1024];
    int m_nTimeOut;
    char m_szServerUrl[1024];
    int m_nPrimaryTimeOut;
    char m_szPrimaryUrl[1024];
    int m_nBackUpTimeOut;
    char m_szBackUpUrl[1024];
    int m_nSkinX;
    int m_nSkinY;
    char m_szWaitUrl[1024];
    char m_szSkinImagePath[1024];
    int m_nLogLevel;
    char m_szCurrency[4];
    int m_bUseNormal;
    int m_nTitleFontSize;
    char m_szTitleFontName[64];
    int m_iAuthState;
    int m_bUseEnc;
    int m_bUseTitle;
    CString m_Code1, m_Msg1, m_PaReq, m_AcsUrl, m_Md, m_Md64, m_Code2, m_Msg2, m_Cavv, m_Eci, m_CavvAlg, m_TermUrl,
        m_realPan, m_json;

    static const AFX_DISPMAP_ENTRY kDispatchMap[];
    static const int kDispatchMapCount;

protected:
    const TypeInterfaceDesc& GetDispatchDesc() const override;
    const AFX_DISPMAP_ENTRY* GetDispatchMap(int* pCount) const override;
};
