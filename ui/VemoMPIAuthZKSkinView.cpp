// The presentation side of the skinned authentication dialog: its frame and
// widgets, the waiting indicator, the title line and the merchant picture.
#include <cstring>
#include <vector>

#include "auth/VemoMPIAuthZKSkinDialog.h"
#include "platform/win/win.h"

IPicture* g_pSkinPicture = nullptr;
HRESULT g_hrSkinPicture = E_FAIL;

namespace {

// "Torvu클릭 인증을 취소합니다." (the authentication will be cancelled), code page 949.
const char kCancelToolTip[] =
    "\x54\x6F\x72\x76\x75\xC5\xAC\xB8\xAF \xC0\xCE\xC1\xF5\xC0\xBB \xC3\xEB\xBC\xD2\xC7\xD5\xB4\xCF\xB4\xD9.";

// The waiting indicator's bitmaps: at rest, then frames 1 to 13.
const UINT kWaitBitmapIds[SKIN_WAIT_FRAMES + 1] = {
    IDB_WAIT_REST, IDB_WAIT_01, IDB_WAIT_02, IDB_WAIT_03, IDB_WAIT_04, IDB_WAIT_05, IDB_WAIT_06,
    IDB_WAIT_07,   IDB_WAIT_08, IDB_WAIT_09, IDB_WAIT_10, IDB_WAIT_11, IDB_WAIT_12, IDB_WAIT_13,
};

// Where the indicator is drawn, and the band the title line lies in.
constexpr int kWaitX = 395;
constexpr int kWaitY = 40;
const RECT kTitleBand = {0, 40, 500, 60};

// A picture path of this many characters or fewer names no picture.
constexpr size_t kSkinPathMin = 5;

}  // namespace

void ReleaseSkinPicture() {
    if (g_pSkinPicture != nullptr) {
        g_pSkinPicture->Release();
        g_pSkinPicture = nullptr;
    }
}

void CVemoMPIAuthZKSkinDialog::SetUpFrame() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    SetBitmap(IDB_SKIN_BACKGROUND, BITMAP_CENTER);
    ModifyStyle(0, WS_SYSMENU);
    m_TitleFont.DeleteObject();
    m_TitleFont.CreateFont(c->m_nTitleFontSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, c->m_szTitleFontName);
    m_btnCancel.LoadBitmaps(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, IDB_CLOSE_DISABLED);
    m_btnCancel.SetToolTipText(kCancelToolTip, TRUE);
}

void CVemoMPIAuthZKSkinDialog::LoadWaitBitmaps() {
    FreeWaitBitmaps();
    for (int i = 0; i <= SKIN_WAIT_FRAMES; ++i)
        m_hWaitBitmap[i] = static_cast<HBITMAP>(LoadImage(AfxGetResourceHandle(), MAKEINTRESOURCE(kWaitBitmapIds[i]),
                                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
}

void CVemoMPIAuthZKSkinDialog::FreeWaitBitmaps() {
    for (HBITMAP& h : m_hWaitBitmap) {
        if (h != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(h));
        h = nullptr;
    }
}

void CVemoMPIAuthZKSkinDialog::LoadSkinPicture() {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    ReleaseSkinPicture();
    g_hrSkinPicture = E_FAIL;
    const char* path = c->m_szSkinImagePath;
    size_t len = strnlen(path, sizeof(c->m_szSkinImagePath));
    if (len <= kSkinPathMin || len >= sizeof(c->m_szSkinImagePath)) return;
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return;
    std::vector<WCHAR> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n);
    g_hrSkinPicture = OleLoadPicturePath(wide.data(), nullptr, 0, 0, IID_IPicture, reinterpret_cast<LPVOID*>(&g_pSkinPicture));
    if (FAILED(g_hrSkinPicture)) g_pSkinPicture = nullptr;
    MPITrace(m_Flow.m_Util, m_Flow.m_szLogMsg, sizeof(m_Flow.m_szLogMsg), "[CVemoMPIAuthZKSkinDialog::OnInitDialog] Skin : %d",
             SUCCEEDED(g_hrSkinPicture) ? 1 : 0);
}

void CVemoMPIAuthZKSkinDialog::InvalidateWaitFrame() {
    CRect one(1, 1, 2, 2);
    InvalidateRect(one, FALSE);
}

void CVemoMPIAuthZKSkinDialog::OnPaint() {
    CPaintDC dc(this);
    if (m_pVemoMPIOCXCtrl->m_iAuthState == STATE_COMPLETE) return;

    // The indicator's current frame, straight onto the window.
    int frame = (m_nWaitFrame >= 1 && m_nWaitFrame <= SKIN_WAIT_FRAMES) ? m_nWaitFrame : 0;
    HBITMAP bitmap = m_hWaitBitmap[frame];
    if (bitmap != nullptr) {
        m_hWaitDC = ::GetDC(m_hWnd);
        HDC mem = CreateCompatibleDC(m_hWaitDC);
        HGDIOBJ old = ::SelectObject(mem, reinterpret_cast<HGDIOBJ>(bitmap));
        ::GetObject(reinterpret_cast<HGDIOBJ>(bitmap), sizeof(m_bmWait), &m_bmWait);
        ::BitBlt(m_hWaitDC, kWaitX, kWaitY, m_bmWait.bmWidth, m_bmWait.bmHeight, mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        DeleteDC(mem);
        ::ReleaseDC(m_hWnd, m_hWaitDC);
        m_hWaitDC = nullptr;
    }

    // The merchant picture, upright, at the place the page gave.
    if (SUCCEEDED(g_hrSkinPicture) && g_pSkinPicture != nullptr) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        g_pSkinPicture->get_Width(&width);
        g_pSkinPicture->get_Height(&height);
        int cx = MulDiv(width, dc.GetDeviceCaps(LOGPIXELSX), 2540);
        int cy = MulDiv(height, dc.GetDeviceCaps(LOGPIXELSY), 2540);
        CRect client;
        GetClientRect(client);
        g_pSkinPicture->Render(dc.m_hDC, m_pVemoMPIOCXCtrl->m_nSkinX, m_pVemoMPIOCXCtrl->m_nSkinY, cx, cy, 0, height,
                               width, -height, client);
    }
}

void CVemoMPIAuthZKSkinDialog::ShowTitle(const char* pszTitle) {
    // The line is transparent: the band is drawn again from the background
    // before the new text shows.
    CRect band(kTitleBand);
    m_stcTitle.SetFont(&m_TitleFont, TRUE);
    m_stcTitle.SetWindowText("");
    m_stcTitle.Invalidate(TRUE);
    InvalidateRect(band, TRUE);
    m_stcTitle.Invalidate(TRUE);
    m_stcTitle.SetWindowText(pszTitle);
    InvalidateRect(band, TRUE);
}
