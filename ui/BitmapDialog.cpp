#include "ui/BitmapDialog.h"

#include <cstring>

CBitmapDialog::CBitmapDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd), m_nType(BITMAP_TILE) {
    m_HollowBrush.CreateStockObject(HOLLOW_BRUSH);
}

BOOL CBitmapDialog::SetBitmap(UINT nIDResource, int nType) {
    m_nType = nType;
    return m_bmpBackground.LoadResource(nIDResource);
}

BEGIN_MESSAGE_MAP(CBitmapDialog, CDialog)
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
    ON_WM_QUERYNEWPALETTE()
    ON_WM_PALETTECHANGED()
END_MESSAGE_MAP()

BOOL CBitmapDialog::OnEraseBkgnd(CDC* pDC) {
    if (pDC == nullptr || m_bmpBackground.GetPixelPtr() == nullptr) return CDialog::OnEraseBkgnd(pDC);
    CRect rc;
    GetClientRect(rc);
    const int W = rc.Width(), H = rc.Height();
    const int w = m_bmpBackground.GetWidth(), h = m_bmpBackground.GetHeight();
    if (m_nType == BITMAP_STRETCH) {
        m_bmpBackground.DrawDIB(pDC, 0, 0, W, H);
    } else if (m_nType == BITMAP_CENTER) {
        CDialog::OnEraseBkgnd(pDC);
        // A larger image is cropped equally on both sides.
        m_bmpBackground.DrawDIB(pDC, (W - w) / 2, (H - h) / 2);
    } else if (w > 0 && h > 0) {
        for (int y = 0; y < H; y += h)
            for (int x = 0; x < W; x += w) m_bmpBackground.DrawDIB(pDC, x, y);
    }
    return TRUE;
}

// Push buttons and static texts show the background through; a trackbar,
// which answers as a static, keeps its colours.
HBRUSH CBitmapDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    if (m_bmpBackground.GetPixelPtr() == nullptr || pDC == nullptr) return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    bool transparent = nCtlColor == CTLCOLOR_BTN;
    if (nCtlColor == CTLCOLOR_STATIC) {
        char className[64] = "";
        if (pWnd != nullptr) ::GetClassName(pWnd->GetSafeHwnd(), className, sizeof className);
        transparent = std::strcmp(className, "msctls_trackbar32") != 0;
    }
    if (!transparent) return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(m_HollowBrush);
}

UINT CBitmapDialog::RealizeBackgroundPalette(BOOL bForceBackground) {
    CClientDC dc(this);
    CPalette* pOld = dc.SelectPalette(m_bmpBackground.GetPalette(), bForceBackground);
    const UINT changed = dc.RealizePalette();
    if (pOld != nullptr) dc.SelectPalette(pOld, TRUE);
    return changed;
}

BOOL CBitmapDialog::OnQueryNewPalette() {
    if (m_bmpBackground.GetPalette() == nullptr || m_hWnd == nullptr) return CDialog::OnQueryNewPalette();
    if (RealizeBackgroundPalette(FALSE) != 0) {
        InvalidateRect(nullptr, TRUE);
        return TRUE;
    }
    return FALSE;
}

void CBitmapDialog::OnPaletteChanged(CWnd* pFocusWnd) {
    HWND hFocus = pFocusWnd != nullptr ? pFocusWnd->GetSafeHwnd() : nullptr;
    if (m_bmpBackground.GetPalette() == nullptr || m_hWnd == nullptr || hFocus == m_hWnd ||
        (hFocus != nullptr && ::IsChild(m_hWnd, hFocus))) {
        CDialog::OnPaletteChanged(pFocusWnd);
        return;
    }
    if (RealizeBackgroundPalette(TRUE) != 0) InvalidateRect(nullptr, TRUE);
}
