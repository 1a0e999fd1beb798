#include "ui/HoverButton.h"

CHoverButton::CHoverButton() : m_bTracking(FALSE), m_bHover(FALSE) {}

CHoverButton::~CHoverButton() = default;

BOOL CHoverButton::LoadBitmaps(UINT nIDNormal, UINT nIDPressed, UINT nIDHover, UINT nIDDisabled) {
    m_bmpPressed.DeleteObject();
    m_bmpHover.DeleteObject();
    m_bmpNormal.DeleteObject();
    if (!m_bmpNormal.LoadBitmap(nIDNormal)) return FALSE;
    if (nIDPressed != 0 && !m_bmpPressed.LoadBitmap(nIDPressed)) return FALSE;
    if (nIDHover != 0 && !m_bmpHover.LoadBitmap(nIDHover)) return FALSE;
    if (nIDDisabled != 0) {
        m_bitmapDisabled.DeleteObject();
        if (!m_bitmapDisabled.LoadBitmap(nIDDisabled)) return FALSE;
    }
    return TRUE;
}

BEGIN_MESSAGE_MAP(CHoverButton, CBitmapButton)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEHOVER()
    ON_WM_MOUSELEAVE()
END_MESSAGE_MAP()

void CHoverButton::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bTracking) {
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime = 1;
        m_bTracking = _TrackMouseEvent(&tme);
    }
    CBitmapButton::OnMouseMove(nFlags, point);
}

void CHoverButton::OnMouseHover(UINT, CPoint) {
    m_bHover = TRUE;
    InvalidateRect(nullptr, TRUE);
}

void CHoverButton::OnMouseLeave() {
    m_bTracking = FALSE;
    m_bHover = FALSE;
    InvalidateRect(nullptr, TRUE);
}

void CHoverButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct == nullptr) return;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (pDC == nullptr) return;
    const int nSaved = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);
    CBitmap* pImage = &m_bmpNormal;
    if (lpDrawItemStruct->itemState & ODS_SELECTED) pImage = &m_bmpPressed;
    else if (m_bHover) pImage = &m_bmpHover;
    if (pImage->GetSafeHandle() != nullptr) {
        CDC memDC;
        memDC.CreateCompatibleDC(pDC);
        CBitmap* pOld = memDC.SelectObject(pImage);
        const CRect rc(lpDrawItemStruct->rcItem);
        pDC->BitBlt(0, 0, rc.Width(), rc.Height(), &memDC, 0, 0, SRCCOPY);
        memDC.SelectObject(pOld);
    }
    // Neither the text nor a focus mark is drawn.
    pDC->RestoreDC(nSaved);
}

void CHoverButton::InitToolTip() {
    if (m_ToolTip.GetSafeHwnd() != nullptr) return;
    m_ToolTip.Create(this, 0);
    m_ToolTip.Activate(FALSE);
}

BOOL CHoverButton::PreTranslateMessage(MSG* pMsg) {
    InitToolTip();
    m_ToolTip.RelayEvent(pMsg);
    return CBitmapButton::PreTranslateMessage(pMsg);
}

void CHoverButton::SetToolTipText(LPCSTR lpszText, BOOL bActivate) {
    if (lpszText == nullptr) return;
    InitToolTip();
    if (m_ToolTip.GetToolCount() == 0) {
        CRect rc;
        GetClientRect(rc);
        m_ToolTip.AddTool(this, lpszText, rc, 1);
    }
    m_ToolTip.UpdateTipText(lpszText, this, 1);
    m_ToolTip.Activate(bActivate);
}
