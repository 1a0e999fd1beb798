// Shapes of the drawing layer beyond lines and rectangles: the ellipse.
#include <algorithm>
#include <cmath>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    if (!DcAlive(hdc)) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 2 || bottom - top < 2) return TRUE;  // nothing inside the bounds to draw
    Target t;
    if (!AcquireTarget(hdc, &t)) return TRUE;
    cairo_t* cr = CairoOf(hdc, &t);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    // The ellipse touches the rectangle's inside: its outline runs through
    // the centres of the outermost pixels, as the rectangle's does.
    cairo_save(cr);
    cairo_translate(cr, (left + right) / 2.0, (top + bottom) / 2.0);
    cairo_scale(cr, (right - left - 1) / 2.0, (bottom - top - 1) / 2.0);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    BrushObject* brush = hdc->st.brush;
    if (brush != nullptr && !brush->hollow) {
        cairo_set_source_rgb(cr, GetRValue(brush->color) / 255.0, GetGValue(brush->color) / 255.0,
                             GetBValue(brush->color) / 255.0);
        cairo_fill_preserve(cr);
    }
    PenObject* pen = hdc->st.pen;
    if (pen != nullptr && pen->style != PS_NULL) {
        cairo_set_source_rgb(cr, GetRValue(pen->color) / 255.0, GetGValue(pen->color) / 255.0,
                             GetBValue(pen->color) / 255.0);
        cairo_set_line_width(cr, std::max(1, pen->width));
        cairo_stroke(cr);
    } else {
        cairo_new_path(cr);
    }
    cairo_destroy(cr);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(t.clip, &e);
    CommitTarget(&t, e);
    return TRUE;
}

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }

BOOL CDC::Ellipse(LPCRECT lpRect) {
    return lpRect != nullptr && ::Ellipse(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
