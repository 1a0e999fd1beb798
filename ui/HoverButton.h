// CHoverButton: an owner-drawn bitmap button with a normal, a hover and a
// pressed image and a tooltip. The mouse's arrival is noticed almost at
// once (hover time 1 ms) and its departure restores the normal image. The
// button draws neither its text nor a focus mark.
#pragma once

#include "platform/afx/afxwin.h"

class CHoverButton : public CBitmapButton {
public:
    CHoverButton();
    ~CHoverButton() override;

    // Bitmap resource ids: the normal image (required), the pressed and the
    // hover image, and a fourth kept as the base button's disabled image
    // (0 for none). Nonzero when every image given loaded.
    BOOL LoadBitmaps(UINT nIDNormal, UINT nIDPressed = 0, UINT nIDHover = 0, UINT nIDDisabled = 0);
    // Sets the tooltip's text (nothing for a null text) and activates the
    // tooltip or keeps it silent.
    void SetToolTipText(LPCSTR lpszText, BOOL bActivate = TRUE);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    afx_msg void OnMouseMove(UINT nFlags, CPoint point) override;
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    DECLARE_MESSAGE_MAP()

    // Creates the tooltip once, as a child of the button, deactivated.
    void InitToolTip();

    BOOL m_bTracking;
    BOOL m_bHover;
    CBitmap m_bmpPressed;
    CBitmap m_bmpHover;
    CBitmap m_bmpNormal;
    CToolTipCtrl m_ToolTip;
};
