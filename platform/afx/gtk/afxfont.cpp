// Fonts and text on Pango: faces, heights as GDI measures them, and the
// drawing and measuring of text in the ANSI code page.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

// Faces of Korean Windows, drawn with a Korean font of this system.
bool IsKoreanFace(const std::string& f) {
    static const char* const faces[] = {"굴림", "굴림체", "돋움", "돋움체", "바탕", "바탕체", "궁서", "맑은 고딕",
                                        "Gulim", "GulimChe", "Dotum", "DotumChe", "Batang", "BatangChe",
                                        "Malgun Gothic"};
    for (const char* k : faces)
        if (g_ascii_strcasecmp(f.c_str(), k) == 0 || f == k) return true;
    return false;
}

std::string FamilyOf(const LOGFONT& lf) {
    std::string face = AfxAnsiToUtf8(lf.lfFaceName);
    const char* korean = "Noto Sans CJK KR,NanumGothic,Noto Sans KR,UnDotum";
    if (IsKoreanFace(face)) return std::string(korean) + ",sans-serif";
    int family = lf.lfPitchAndFamily & 0xF0;
    const char* generic = family == FF_ROMAN ? "serif" : family == FF_MODERN ? "monospace" : "sans-serif";
    if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH) generic = "monospace";
    if (face.empty() || face == "System" || face == "MS Shell Dlg" || face == "MS Sans Serif")
        return std::string("DejaVu Sans,") + korean + "," + generic;
    return face + "," + korean + "," + generic;
}

PangoContext* MeasureContext() {
    static PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
    return c;
}

}  // namespace

namespace afximpl {

PangoFontDescription* FontDescriptionOf(const LOGFONT& lf) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, FamilyOf(lf).c_str());
    int weight = lf.lfWeight == 0 ? FW_NORMAL : static_cast<int>(lf.lfWeight);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(std::max(100, std::min(1000, weight))));
    pango_font_description_set_style(d, lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    // A negative height is the characters' em height, a positive one the
    // cell's (ascent and descent); 0 the default of 12 pixels.
    int h = lf.lfHeight == 0 ? -12 : static_cast<int>(lf.lfHeight);
    double px = h < 0 ? -h : h;
    if (h > 0) {
        pango_font_description_set_absolute_size(d, 100 * PANGO_SCALE);
        PangoFontMetrics* m = pango_context_get_metrics(MeasureContext(), d, nullptr);
        double cell = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / double(PANGO_SCALE);
        pango_font_metrics_unref(m);
        if (cell > 0) px = h * 100.0 / cell;
    }
    pango_font_description_set_absolute_size(d, std::max(1.0, px) * PANGO_SCALE);
    return d;
}

FontObject* FontOfDc(HDC hdc) {
    if (DcAlive(hdc) && hdc->st.font != nullptr) return hdc->st.font;
    return static_cast<FontObject*>(GdiOf(GetStockObject(SYSTEM_FONT)));
}

HFONT CreateTemplateFont(const AFX_DLGTEMPLATE* t) {
    LOGFONT lf{};
    const char* face = t != nullptr && t->faceName != nullptr ? t->faceName : "System";
    if (strcmp(face, "System") == 0) {
        lf.lfHeight = 16;
        lf.lfWeight = FW_BOLD;
    } else {
        lf.lfHeight = -MulDiv(t->pointSize != 0 ? t->pointSize : 9, 96, 72);
        lf.lfWeight = FW_NORMAL;
    }
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirect(&lf);
}

}  // namespace afximpl

namespace {

std::string TextOf(LPCSTR s, int c, bool prefix) {
    if (s == nullptr) return std::string();
    std::string ansi = c < 0 ? std::string(s) : std::string(s, strnlen(s, static_cast<size_t>(c)));
    if (prefix) {
        std::string out;
        for (size_t i = 0; i < ansi.size(); ++i) {
            // "&&" is an ampersand; a lone "&" marks the next character.
            if (ansi[i] == '&' && i + 1 < ansi.size()) ++i;
            out += ansi[i];
        }
        ansi = out;
    }
    return AfxAnsiToUtf8(ansi.c_str());
}

PangoLayout* LayoutFor(HDC hdc, cairo_t* cr, const std::string& utf8) {
    PangoLayout* l = cr != nullptr ? pango_cairo_create_layout(cr) : pango_layout_new(MeasureContext());
    FontObject* f = FontOfDc(hdc);
    pango_layout_set_font_description(l, f->desc);
    pango_layout_set_text(l, utf8.c_str(), -1);
    if (f->lf.lfUnderline || f->lf.lfStrikeOut) {
        PangoAttrList* a = pango_attr_list_new();
        if (f->lf.lfUnderline) pango_attr_list_insert(a, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (f->lf.lfStrikeOut) pango_attr_list_insert(a, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(l, a);
        pango_attr_list_unref(a);
    }
    return l;
}

void Paint(HDC hdc, Target* t, PangoLayout* layout, int x, int y, int w, int h) {
    cairo_t* cr = CairoOf(hdc, t);
    pango_cairo_update_layout(cr, layout);
    if (hdc->st.bkMode == OPAQUE) {
        COLORREF b = hdc->st.bkColor;
        cairo_set_source_rgb(cr, GetRValue(b) / 255.0, GetGValue(b) / 255.0, GetBValue(b) / 255.0);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    }
    COLORREF c = hdc->st.textColor;
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(t->clip, &e);
    CommitTarget(t, e);
}

}  // namespace

BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    if (!DcAlive(hdc) || lpString == nullptr) return FALSE;
    std::string utf8 = TextOf(lpString, c, false);
    Target t;
    if (!AcquireTarget(hdc, &t)) return TRUE;
    PangoLayout* layout = LayoutFor(hdc, nullptr, utf8);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    Paint(hdc, &t, layout, x, y, w, h);
    g_object_unref(layout);
    return TRUE;
}

int DrawText(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (!DcAlive(hdc) || lpchText == nullptr || lprc == nullptr) return 0;
    std::string utf8 = TextOf(lpchText, cchText, (format & DT_NOPREFIX) == 0);
    PangoLayout* layout = LayoutFor(hdc, nullptr, utf8);
    int width = lprc->right - lprc->left;
    if (format & DT_SINGLELINE) {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    } else if ((format & DT_WORDBREAK) && width > 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    if ((format & DT_END_ELLIPSIS) && width > 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + w;
        lprc->bottom = lprc->top + h;
        g_object_unref(layout);
        return h;
    }
    int x = lprc->left, y = lprc->top;
    if (format & DT_CENTER) x += (width - w) / 2;
    else if (format & DT_RIGHT) x = lprc->right - w;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) y += (lprc->bottom - lprc->top - h) / 2;
        else if (format & DT_BOTTOM) y = lprc->bottom - h;
    }
    Target t;
    if (AcquireTarget(hdc, &t)) {
        if ((format & DT_NOCLIP) == 0) {
            cairo_rectangle_int_t r{lprc->left + t.ox + hdc->st.org.x, lprc->top + t.oy + hdc->st.org.y, width,
                                    lprc->bottom - lprc->top};
            cairo_region_intersect_rectangle(t.clip, &r);
        }
        if (!cairo_region_is_empty(t.clip)) Paint(hdc, &t, layout, x, y, w, h);
    }
    g_object_unref(layout);
    return h;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, SIZE* psizl) {
    if (!DcAlive(hdc) || lpString == nullptr || psizl == nullptr) return FALSE;
    PangoLayout* layout = LayoutFor(hdc, nullptr, TextOf(lpString, c, false));
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    *psizl = SIZE{w, h};
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC lptm) {
    if (!DcAlive(hdc) || lptm == nullptr) return FALSE;
    FontObject* f = FontOfDc(hdc);
    PangoFontMetrics* m = pango_context_get_metrics(MeasureContext(), f->desc, nullptr);
    *lptm = TEXTMETRIC{};
    lptm->tmAscent = PANGO_PIXELS(pango_font_metrics_get_ascent(m));
    lptm->tmDescent = PANGO_PIXELS(pango_font_metrics_get_descent(m));
    lptm->tmHeight = lptm->tmAscent + lptm->tmDescent;
    lptm->tmAveCharWidth = PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(m));
    lptm->tmMaxCharWidth = lptm->tmAveCharWidth * 2;
    lptm->tmWeight = f->lf.lfWeight;
    pango_font_metrics_unref(m);
    return TRUE;
}
