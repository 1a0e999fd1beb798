// The framework's wrappers of GDI objects over the SDK's GDI: CGdiObject,
// CBrush, CPen, CFont, CPalette and CBitmap (but its resource loading, in
// afxwindc.cpp). A wrapper that created or attached a handle owns it and
// deletes it when it goes; FromHandle answers the wrapper attached to the
// handle or else a temporary one, owned by the framework, that never
// deletes its handle.
#include "platform/afx/afxgdi.h"

#include <map>
#include <memory>
#include <mutex>


namespace {

std::mutex& Lock() {
    static auto* m = new std::mutex;
    return *m;
}

std::map<HGDIOBJ, CGdiObject*>& Permanent() {
    static auto* m = new std::map<HGDIOBJ, CGdiObject*>;
    return *m;
}

std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>& Temporaries() {
    static auto* m = new std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>;
    return *m;
}

// Above this many temporaries, those whose objects are gone are dropped.
constexpr size_t kTemporaryPurge = 256;

void PurgeTemporaries() {
    auto& temps = Temporaries();
    for (auto it = temps.begin(); it != temps.end();) {
        if (::GetObjectType(it->first) == 0) {
            it->second->m_hObject = nullptr;  // never the wrapper's to delete
            it = temps.erase(it);
        } else {
            ++it;
        }
    }
}

template <class W>
W* TemporaryFor(HGDIOBJ h) {
    if (h == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Permanent().find(h);
    if (it != Permanent().end()) {
        if (auto* w = dynamic_cast<W*>(it->second)) return w;
    }
    if (Temporaries().size() >= kTemporaryPurge) PurgeTemporaries();
    // One temporary per handle; a handle reused for an object of another
    // kind gets a wrapper of that kind.
    auto& slot = Temporaries()[h];
    if (slot == nullptr || slot->m_hObject != h || dynamic_cast<W*>(slot.get()) == nullptr) {
        if (slot != nullptr) slot->m_hObject = nullptr;
        auto w = std::make_unique<W>();
        w->m_hObject = h;
        slot = std::move(w);
    }
    return static_cast<W*>(slot.get());
}

template <class H>
BOOL AttachNew(CGdiObject* w, H h) {
    if (h == nullptr) return FALSE;
    if (!w->Attach(reinterpret_cast<HGDIOBJ>(h))) {
        ::DeleteObject(reinterpret_cast<HGDIOBJ>(h));  // the wrapper holds another object
        return FALSE;
    }
    return TRUE;
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = hObject;
    std::lock_guard<std::mutex> guard(Lock());
    Permanent()[hObject] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h != nullptr) {
        std::lock_guard<std::mutex> guard(Lock());
        auto it = Permanent().find(h);
        if (it != Permanent().end() && it->second == this) Permanent().erase(it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObject(m_hObject, nCount, lpObject); }
UINT CGdiObject::GetObjectType() const { return ::GetObjectType(m_hObject); }
// Deleting a stock object is harmless: GDI ignores it.
BOOL CGdiObject::CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return TemporaryFor<CGdiObject>(hObject); }

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return TemporaryFor<CBitmap>(reinterpret_cast<HGDIOBJ>(hBitmap)); }
BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return AttachNew(this, ::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    if (pDC == nullptr || pDC->m_hDC == nullptr) return FALSE;
    return AttachNew(this, ::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
}
int CBitmap::GetBitmap(BITMAP* pBitMap) { return ::GetObject(m_hObject, sizeof(BITMAP), pBitMap); }

CBrush::CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
CBrush* CBrush::FromHandle(HBRUSH hBrush) { return TemporaryFor<CBrush>(reinterpret_cast<HGDIOBJ>(hBrush)); }
BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return AttachNew(this, ::CreateSolidBrush(crColor)); }
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush) {
    return lpLogBrush != nullptr && AttachNew(this, ::CreateBrushIndirect(lpLogBrush));
}
// A system colour brush belongs to the system; deleting it is harmless.
BOOL CBrush::CreateSysColorBrush(int nIndex) { return Attach(reinterpret_cast<HGDIOBJ>(::GetSysColorBrush(nIndex))); }
int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) { return ::GetObject(m_hObject, sizeof(LOGBRUSH), pLogBrush); }

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
CPen* CPen::FromHandle(HPEN hPen) { return TemporaryFor<CPen>(reinterpret_cast<HGDIOBJ>(hPen)); }
BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    return AttachNew(this, ::CreatePen(nPenStyle, nWidth, crColor));
}

CFont* CFont::FromHandle(HFONT hFont) { return TemporaryFor<CFont>(reinterpret_cast<HGDIOBJ>(hFont)); }
BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
    return lpLogFont != nullptr && AttachNew(this, ::CreateFontIndirectA(lpLogFont));
}
BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) {
    return AttachNew(this, ::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                                         cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
                                         nPitchAndFamily, lpszFacename));
}
BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
    // Tenths of a point to pixels at the context's (else the screen's)
    // vertical resolution.
    HDC hdc = pDC != nullptr && pDC->m_hAttribDC != nullptr ? pDC->m_hAttribDC : ::GetDC(nullptr);
    int dpi = hdc != nullptr ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (pDC == nullptr || pDC->m_hAttribDC == nullptr) ::ReleaseDC(nullptr, hdc);
    LOGFONT lf{};
    lf.lfHeight = -::MulDiv(nPointSize, dpi > 0 ? dpi : 96, 720);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName != nullptr) ::lstrcpynA(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    return CreateFontIndirect(&lf);
}
int CFont::GetLogFont(LOGFONT* pLogFont) { return ::GetObject(m_hObject, sizeof(LOGFONT), pLogFont); }

CPalette* CPalette::FromHandle(HPALETTE hPalette) {
    return TemporaryFor<CPalette>(reinterpret_cast<HGDIOBJ>(hPalette));
}
BOOL CPalette::CreatePalette(LPLOGPALETTE lpLogPalette) {
    return lpLogPalette != nullptr && AttachNew(this, ::CreatePalette(lpLogPalette));
}
int CPalette::GetEntryCount() {
    WORD n = 0;
    return m_hObject != nullptr && ::GetObject(m_hObject, sizeof n, &n) != 0 ? n : 0;
}
UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, LPPALETTEENTRY lpPaletteColors) const {
    return ::GetPaletteEntries(reinterpret_cast<HPALETTE>(m_hObject), nStartIndex, nNumEntries, lpPaletteColors);
}
