// The framework's device-context class over the SDK's GDI. A CDC that
// created or attached a memory context deletes it when it goes; FromHandle
// answers the CDC attached to a handle or else a temporary one, owned by
// the framework, that never deletes or releases its context. The contexts
// of windows (CPaintDC, CClientDC, CWindowDC) are in afxwindc.cpp.
#include "platform/afx/afxgdi.h"

#include <map>
#include <memory>
#include <mutex>


namespace {

std::mutex& Lock() {
    static auto* m = new std::mutex;
    return *m;
}

std::map<HDC, CDC*>& Attached() {
    static auto* m = new std::map<HDC, CDC*>;
    return *m;
}

std::map<HDC, std::unique_ptr<CDC>>& Temporaries() {
    static auto* m = new std::map<HDC, std::unique_ptr<CDC>>;
    return *m;
}

// Above this many temporaries, those whose contexts are gone are dropped.
constexpr size_t kTemporaryPurge = 64;

}  // namespace

CDC::~CDC() {
    if (m_hDC == nullptr) return;
    HDC h = Detach();
    if (::GetObjectType(h) == OBJ_MEMDC) ::DeleteDC(h);
}

CDC* CDC::FromHandle(HDC hDC) {
    if (hDC == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Attached().find(hDC);
    if (it != Attached().end()) return it->second;
    auto& temps = Temporaries();
    if (temps.size() >= kTemporaryPurge) {
        for (auto t = temps.begin(); t != temps.end();) {
            if (t->first != hDC && ::GetObjectType(t->first) == 0) {
                t->second->m_hDC = t->second->m_hAttribDC = nullptr;  // never the wrapper's to delete
                t = temps.erase(t);
            } else {
                ++t;
            }
        }
    }
    auto& slot = temps[hDC];
    if (slot == nullptr) slot = std::make_unique<CDC>();
    slot->m_hDC = slot->m_hAttribDC = hDC;
    return slot.get();
}

BOOL CDC::Attach(HDC hDC) {
    if (hDC == nullptr || m_hDC != nullptr) return FALSE;
    m_hDC = m_hAttribDC = hDC;
    std::lock_guard<std::mutex> guard(Lock());
    Attached()[hDC] = this;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    if (h != nullptr) {
        std::lock_guard<std::mutex> guard(Lock());
        auto it = Attached().find(h);
        if (it != Attached().end() && it->second == this) Attached().erase(it);
    }
    m_hDC = m_hAttribDC = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_hDC != nullptr) return FALSE;
    HDC h = ::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr);
    if (h == nullptr) return FALSE;
    return Attach(h);
}
BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

CGdiObject* CDC::SelectStockObject(int nIndex) { return CGdiObject::FromHandle(::SelectObject(m_hDC, GetStockObject(nIndex))); }
CPen* CDC::SelectObject(CPen* pPen) {
    return CPen::FromHandle(reinterpret_cast<HPEN>(::SelectObject(m_hDC, pPen != nullptr ? pPen->m_hObject : nullptr)));
}
CBrush* CDC::SelectObject(CBrush* pBrush) {
    return CBrush::FromHandle(
        reinterpret_cast<HBRUSH>(::SelectObject(m_hDC, pBrush != nullptr ? pBrush->m_hObject : nullptr)));
}
CFont* CDC::SelectObject(CFont* pFont) {
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SelectObject(m_hDC, pFont != nullptr ? pFont->m_hObject : nullptr)));
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return CBitmap::FromHandle(
        reinterpret_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap != nullptr ? pBitmap->m_hObject : nullptr)));
}
CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject != nullptr ? pObject->m_hObject : nullptr));
}
HGDIOBJ CDC::SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) {
    return CPalette::FromHandle(::SelectPalette(
        m_hDC, pPalette != nullptr ? reinterpret_cast<HPALETTE>(pPalette->m_hObject) : nullptr, bForceBackground));
}
UINT CDC::RealizePalette() { return ::RealizePalette(m_hDC); }
CBitmap* CDC::GetCurrentBitmap() const {
    return CBitmap::FromHandle(reinterpret_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}
CFont* CDC::GetCurrentFont() const {
    return CFont::FromHandle(reinterpret_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

int CDC::SaveDC() { return ::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
int CDC::SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
int CDC::GetBkMode() const { return ::GetBkMode(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hDC); }
COLORREF CDC::SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hDC); }
int CDC::SetStretchBltMode(int nStretchMode) { return ::SetStretchBltMode(m_hDC, nStretchMode); }
int CDC::GetStretchBltMode() const { return ::GetStretchBltMode(m_hDC); }
int CDC::GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
CPoint CDC::SetViewportOrg(int x, int y) {
    POINT old{0, 0};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return CPoint(old.x, old.y);
}
int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }
int CDC::IntersectClipRect(LPCRECT lpRect) {
    return lpRect != nullptr ? ::IntersectClipRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom) : 0;
}
int CDC::GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}
BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop) {
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                        nSrcWidth, nSrcHeight, dwRop);
}
BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) { return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop); }
COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
COLORREF CDC::GetPixel(POINT point) const { return ::GetPixel(m_hDC, point.x, point.y); }
COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(m_hDC, x, y, crColor); }

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (pBrush != nullptr) ::FillRect(m_hDC, lpRect, reinterpret_cast<HBRUSH>(pBrush->m_hObject));
}
// The background colour fills the rectangle (an opaque text output of
// nothing), as the framework does; the context's background colour stays.
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (lpRect == nullptr || m_hDC == nullptr) return;
    COLORREF old = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    if (old != CLR_INVALID) ::SetBkColor(m_hDC, old);
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, clr);
}
BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
BOOL CDC::Rectangle(LPCRECT lpRect) {
    return lpRect != nullptr && ::Rectangle(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
CPoint CDC::MoveTo(int x, int y) {
    POINT old{0, 0};
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old.x, old.y);
}
BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) { return ::TextOut(m_hDC, x, y, lpszString, nCount); }
BOOL CDC::TextOut(int x, int y, const CString& str) { return ::TextOut(m_hDC, x, y, str, str.GetLength()); }
int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return ::DrawText(m_hDC, lpszString, nCount, lpRect, nFormat);
}
int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
    return ::DrawText(m_hDC, str, str.GetLength(), lpRect, nFormat);
}
CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
    SIZE s{0, 0};
    ::GetTextExtentPoint32(m_hDC, lpszString, nCount, &s);
    return CSize(s.cx, s.cy);
}
CSize CDC::GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
BOOL CDC::GetTextMetrics(LPTEXTMETRIC lpMetrics) const { return ::GetTextMetrics(m_hDC, lpMetrics); }

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }
BOOL CDC::Ellipse(LPCRECT lpRect) {
    return lpRect != nullptr && ::Ellipse(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
