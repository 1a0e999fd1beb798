// CBitmapDialog: a dialog painted with a bitmap (tiled, stretched to the
// client area, or centred), on which push buttons and static texts are
// transparent; it realises the bitmap's palette when asked.
#pragma once

#include "platform/afx/afxwin.h"
#include "ui/DIBitmap.h"

class CBitmapDialog : public CDialog {
public:
    enum { BITMAP_TILE = 0, BITMAP_STRETCH = 1, BITMAP_CENTER = 2 };

    explicit CBitmapDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Loads the background from a bitmap resource and keeps the mode (0
    // tile, 1 stretch, 2 centre); returns the load's result.
    BOOL SetBitmap(UINT nIDResource, int nType = BITMAP_TILE);

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnQueryNewPalette();
    afx_msg void OnPaletteChanged(CWnd* pFocusWnd);
    DECLARE_MESSAGE_MAP()


    CDIBitmap m_bmpBackground;
    int m_nType;
    CBrush m_HollowBrush;

private:
    // Realises the background's palette in a client-area context; the
    // number of entries that changed.
    UINT RealizeBackgroundPalette(BOOL bForceBackground);
};
