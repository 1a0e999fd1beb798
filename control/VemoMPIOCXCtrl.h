// CVemoMPIOCXCtrl: the control that a merchant's checkout page embeds and
// drives from script. It owns the settings given through the setters, the
// purchase data of the running authentication, the authentication state and
// the result properties. The authentication dialogs and the transports read
// and write these fields directly through their pointer to the control.
#pragma once

#include <string>

#include "crypto/MPIUtil.h"
#include "platform/afx/afxctl.h"
#include "platform/com/objsafe.h"

// Authentication states held in m_iAuthState.
#define STATE_INIT 0
#define STATE_VEREQ 1
#define STATE_PAREQ 2
#define STATE_CANCEL 3
#define STATE_TIMEOUT 4
#define STATE_COMPLETE 5

// The site address given for a page that the browser loaded from a file.
#define LOCAL_FILE_SITE_URL "http://local-file.vemompi.example"

// Size of the output that GetIWebPointer_Url fills unless told otherwise:
// that of m_LocalURL.
#define LOCAL_URL_SIZE 1024

// Answers of CheckNetworkPolicy.
#define POLICY_ALLOWED 0
#define POLICY_SITE_REFUSED 1
#define POLICY_HTTPS_REFUSED 2

class CVemoMPIOCXCtrl : public COleControl {
public:
    CVemoMPIOCXCtrl();
    ~CVemoMPIOCXCtrl() override;

    // ------------------------------------------------------------ scripting methods
    LONG SetForcedLocalUrl(LPCTSTR Url);
    LONG GetPAReq2(LPCTSTR _ID, LPCTSTR _Name, LPCTSTR _Pan, LPCTSTR _Expiry_Year, LPCTSTR _Expiry_Month,
                   LPCTSTR _Amount, LPCTSTR _Installment, LPCTSTR _Desc, LPCTSTR _Url);
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
    BSTR GetClientIPAddress();
    SHORT GetClientProxySetting();
    BSTR GetClientHTTPData1();
    BSTR GetClientHTTPData2();
    BSTR GetClientHTTPUrl();
    LONG SetExtraParams(LPCTSTR params);
    LONG SetWindowSize(SHORT width, SHORT height);
    // Posts an error report (VemoMPIOCXReport.cpp): 0 when the report was
    // accepted or refused as too long, -100 when both attempts failed or a
    // parameter could not be sealed as asked (nothing posted), 999
    // after Exit, 2 after Escape, -1 when the dialog could not be made.
    LONG SendHTTPPost(LPCTSTR Url, SHORT Encrypt, LPCTSTR Param1, LPCTSTR Param2, LPCTSTR Param3);

    // Change handler of the fourteen result properties.
    void OnPropertyChanged();
    // Empties the purchase-data stores of an authentication.
    void ClearPurchaseData();
    // Wipes the stores that hold card data (card number, expiry year and
    // month): after each authentication and when the control goes.
    void WipeCardData();

    // The address of the site whose page holds the control, asked of the
    // container through the client site: "http://" or "https://" and the host
    // name (0), the file placeholder for a page loaded from a file (0), or 1
    // when no address is known, with "Unknown URL" in the output (left as it
    // was when the control has no client site). Nothing is written past
    // nSize bytes; an address that does not fit is not written (1).
    int GetIWebPointer_Url(char* pszLocalUrl, size_t nSize = LOCAL_URL_SIZE);

    // The full address of the page that holds the control, as the container
    // names it (the display name of its moniker, in the ANSI code page).
    // False when the control has no client site or the container names no
    // page.
    bool GetClientPageAddress(std::string* pAddress);

    // The administrators' policy for one call of a network method
    // (VemoMPIOCXPolicy.cpp): read afresh, it answers POLICY_ALLOWED when the
    // call may go on to pszUrl, POLICY_SITE_REFUSED when AllowedSites does
    // not list the page's origin, POLICY_HTTPS_REFUSED when StrictTransport
    // is on and pszUrl is not https. *pbStrict receives StrictTransport.
    int CheckNetworkPolicy(LPCTSTR pszUrl, bool* pbStrict);

    // Warns with a message box when the system's SSL provider offers only
    // export-grade encryption; never fails.
    void CheckSSLProvider();

    // Shows the About box modally (dispid DISPID_ABOUTBOX).
    void AboutBox();

    // ------------------------------------------------------------ framework operations
    void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid) override;
    void DoPropExchange(CPropExchange* pPX) override;
    void OnResetState() override;
    HRESULT GetClassID(CLSID* pClsid) override;
    const CLSID* GetPropPageIDs(ULONG& cPropPages) override;
    DWORD GetMiscStatus() override;

    // The control's IObjectSafety: its IUnknown is the control's own. Every
    // interface of the control is safe for untrusted callers and data.
    class XObjSafe : public IObjectSafety {
    public:
        explicit XObjSafe(CVemoMPIOCXCtrl* pThis) : m_pThis(pThis) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                            DWORD* pdwEnabledOptions) override;
        HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask,
                                                            DWORD dwEnabledOptions) override;

    private:
        CVemoMPIOCXCtrl* m_pThis;
    };

    // ------------------------------------------------------------ fields, in declaration order
    XObjSafe m_xObjSafe{this};
    CMPIUtil m_Util;
    char m_szLogMsg[10240];
    char m_LocalURL[LOCAL_URL_SIZE];
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
    // TRUE while m_szWaitUrl holds the default that GetPAReq2 made from the
    // MPI address (each call makes it anew); SetWaitUrl clears it.
    BOOL m_bDefaultWaitUrl;
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
    // The StrictTransport policy of the running authentication, read by
    // GetPAReq2 when it starts; the dialog, its transport, the ACS hand-off
    // and the result capture follow it.
    int m_bStrictTransport = 0;

    static const AFX_DISPMAP_ENTRY kDispatchMap[];
    static const int kDispatchMapCount;

protected:
    const TypeInterfaceDesc& GetDispatchDesc() const override;
    const AFX_DISPMAP_ENTRY* GetDispatchMap(int* pCount) const override;
    // Interface map: IObjectSafety, then the base's.
    void* GetInterfaceHook(REFIID iid) override;
};
