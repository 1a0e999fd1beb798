// Shapes of the drawing layer beyond lines and rectangles: the ellipse.
#include "platform/afx/afxgdi.h"

BOOL Ellipse(HDC, int, int, int, int) { return FALSE; }

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }

BOOL CDC::Ellipse(LPCRECT lpRect) {
    return lpRect != nullptr && ::Ellipse(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
