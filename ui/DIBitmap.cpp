#include "ui/DIBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "ui/BmpPalette.h"

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kColorTableSize = 256 * sizeof(RGBQUAD);
// Largest image a file may hold: each side at most 16384 pixels and the
// pixel rows at most 64 MiB.
constexpr LONG kMaxSide = 16384;
constexpr ULONGLONG kMaxPixelBytes = 64ull << 20;

DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }
WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
void Put32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

ULONGLONG Stride(LONG width, WORD bits) { return ((static_cast<ULONGLONG>(width) * bits + 31) / 32) * 4; }

// Storage of the header and the colour table, and of the pixels: plain
// byte blocks, zeroed, released with delete[].
BITMAPINFO* NewInfo(size_t bytes) {
    BYTE* p = new (std::nothrow) BYTE[bytes];
    if (p == nullptr) return nullptr;
    std::memset(p, 0, bytes);
    return reinterpret_cast<BITMAPINFO*>(p);
}

BYTE* NewPixels(size_t bytes) {
    BYTE* p = new (std::nothrow) BYTE[bytes];
    if (p != nullptr) std::memset(p, 0, bytes);
    return p;
}

void DeleteInfo(BITMAPINFO* p) { delete[] reinterpret_cast<BYTE*>(p); }

}  // namespace

CDIBitmap::CDIBitmap() : m_pInfo(nullptr), m_pPixels(nullptr), m_pPal(nullptr), m_bIsPadded(FALSE) {}

CDIBitmap::~CDIBitmap() { Free(); }

void CDIBitmap::Free() {
    delete m_pPal;
    m_pPal = nullptr;
    DeleteInfo(m_pInfo);
    m_pInfo = nullptr;
    delete[] m_pPixels;
    m_pPixels = nullptr;
}

DWORD CDIBitmap::RowBytes() const {
    if (m_pInfo == nullptr) return 0;
    return static_cast<DWORD>(Stride(m_pInfo->bmiHeader.biWidth, m_pInfo->bmiHeader.biBitCount));
}

int CDIBitmap::GetWidth() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biWidth : 0; }
int CDIBitmap::GetHeight() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biHeight : 0; }
int CDIBitmap::GetBitCount() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biBitCount : 0; }

int CDIBitmap::NumColors() const {
    if (m_pInfo == nullptr) return 0;
    if (m_pInfo->bmiHeader.biClrUsed != 0) return static_cast<int>(m_pInfo->bmiHeader.biClrUsed);
    const int bits = m_pInfo->bmiHeader.biBitCount;
    return bits >= 31 ? INT_MAX : 1 << bits;
}

int CDIBitmap::GetPalEntries() const {
    switch (GetBitCount()) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

CPalette* CDIBitmap::GetPalette() const { return m_pPal; }

RGBQUAD* CDIBitmap::GetColorTablePtr() const {
    if (m_pInfo == nullptr) return nullptr;
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pInfo) + kInfoHeaderSize);
}

BOOL CDIBitmap::CreatePalette() {
    delete m_pPal;
    m_pPal = nullptr;
    if (m_pInfo != nullptr && GetBitCount() <= 8) {
        m_pPal = new CBmpPalette(this);
        if (m_pPal->GetSafeHandle() == nullptr) {
            delete m_pPal;
            m_pPal = nullptr;
        }
    }
    return m_pPal != nullptr;
}

// ---------------------------------------------------------------- from GDI bitmaps

BOOL CDIBitmap::LoadResource(UINT nIDResource) {
    HBITMAP hBitmap = static_cast<HBITMAP>(::LoadImage(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (hBitmap == nullptr) {
        Free();
        return FALSE;
    }
    CBitmap bitmap;
    bitmap.Attach(reinterpret_cast<HGDIOBJ>(hBitmap));
    CWindowDC dc(CWnd::GetDesktopWindow());
    BOOL result = CreateFromBitmap(&dc, &bitmap);
    bitmap.DeleteObject();
    return result;
}

BOOL CDIBitmap::CreateFromBitmap(CDC* pDC, CBitmap* pBitmap) {
    // Reasons of a failure stay here: "could not allocate data storage\n",
    // "could not allocate BITMAPINFO struct\n", "call to GetDIBits did not
    // return full number of requested scan lines\n".
    BITMAP bm{};
    if (pDC == nullptr || pBitmap == nullptr || pBitmap->GetBitmap(&bm) == 0 || bm.bmWidth <= 0 ||
        bm.bmHeight <= 0 || bm.bmWidth > kMaxSide || bm.bmHeight > kMaxSide) {
        Free();
        return FALSE;
    }
    // Rows of 8 bits per pixel or fewer keep their depth; deeper ones are
    // read as 24 bits per pixel. Other shallow depths are read as 8.
    WORD bits = bm.bmBitsPixel;
    if (bits > 8) bits = 24;
    else if (bits != 1 && bits != 4) bits = 8;

    Free();
    const ULONGLONG rowBytes = Stride(bm.bmWidth, bits > 8 ? 24 : 8);
    m_pPixels = NewPixels(static_cast<size_t>(rowBytes * bm.bmHeight));
    if (m_pPixels == nullptr) {
        Free();
        return FALSE;
    }
    const int colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    m_pInfo = NewInfo(kInfoHeaderSize + sizeof(RGBQUAD) * colors);
    if (m_pInfo == nullptr) {
        Free();
        return FALSE;
    }
    BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    h.biSize = kInfoHeaderSize;
    h.biWidth = bm.bmWidth;
    h.biHeight = bm.bmHeight;
    h.biPlanes = bm.bmPlanes;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    // The size of the rows as they are held (their depth, not the GDI
    // bitmap's, which may be 16 or 32 bits).
    h.biSizeImage = static_cast<DWORD>(Stride(bm.bmWidth, bits) * bm.bmHeight);
    const int lines = ::GetDIBits(pDC->GetSafeHdc(), static_cast<HBITMAP>(*pBitmap), 0,
                                  static_cast<UINT>(bm.bmHeight), m_pPixels, m_pInfo, DIB_RGB_COLORS);
    if (lines < bm.bmHeight) {
        Free();
        return FALSE;
    }
    CreatePalette();
    m_bIsPadded = FALSE;
    return TRUE;
}

// ---------------------------------------------------------------- files

BOOL CDIBitmap::Load(LPCSTR pszFileName) {
    CFile file;
    if (!file.Open(pszFileName, CFile::modeRead | CFile::typeBinary)) return FALSE;
    return Load(file);
}

BOOL CDIBitmap::Load(CFile& file) {
    Free();
    const ULONGLONG start = file.GetPosition();
    const ULONGLONG length = file.GetLength();
    BYTE fileHeader[kFileHeaderSize];
    if (file.Read(fileHeader, kFileHeaderSize) != kFileHeaderSize) return FALSE;
    // "Error:Unexpected file type, not a DIB\n"
    if (Le16(fileHeader) != 0x4D42) return FALSE;
    BYTE infoHeader[kInfoHeaderSize];
    if (file.Read(infoHeader, kInfoHeaderSize) != kInfoHeaderSize) return FALSE;
    // "Error:OS2 PM BMP Format not supported\n"
    if (Le32(infoHeader) != kInfoHeaderSize) return FALSE;

    const DWORD fileSize = Le32(fileHeader + 2);
    const DWORD pixelOffset = Le32(fileHeader + 10);
    const LONG width = static_cast<LONG>(Le32(infoHeader + 4));
    const LONG height = static_cast<LONG>(Le32(infoHeader + 8));
    const WORD planes = Le16(infoHeader + 12);
    const WORD bits = Le16(infoHeader + 14);
    const DWORD compression = Le32(infoHeader + 16);
    const DWORD clrUsed = Le32(infoHeader + 32);
    // Only what can be drawn from the header: uncompressed bottom-up rows
    // of a plain depth, of sane size, with no more colours than the depth
    // indexes (the colour table holds 256).
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || planes != 1) return FALSE;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return FALSE;
    if (compression != BI_RGB) return FALSE;
    if (clrUsed > (bits <= 8 ? (1u << bits) : 256u)) return FALSE;
    const ULONGLONG pixelBytes = Stride(width, bits) * static_cast<ULONGLONG>(height);
    if (pixelBytes > kMaxPixelBytes) return FALSE;
    // The file must hold what its header claims: the pixels between the
    // pixel offset and the file size, within the bytes that are there.
    if (pixelOffset < kFileHeaderSize + kInfoHeaderSize || fileSize <= pixelOffset) return FALSE;
    if (start > length || fileSize > length - start) return FALSE;
    if (fileSize - pixelOffset < pixelBytes) return FALSE;

    m_pInfo = NewInfo(kInfoHeaderSize + kColorTableSize);
    if (m_pInfo == nullptr) return FALSE;
    std::memcpy(m_pInfo, infoHeader, kInfoHeaderSize);
    m_pInfo->bmiHeader.biSizeImage = static_cast<DWORD>(pixelBytes);
    // The colour table: the 1024 bytes after the header, of which only
    // those before the pixels belong to it.
    BYTE* table = reinterpret_cast<BYTE*>(GetColorTablePtr());
    const UINT got = file.Read(table, kColorTableSize);
    const DWORD tableBytes = std::min<DWORD>({got, kColorTableSize, pixelOffset - kFileHeaderSize - kInfoHeaderSize});
    std::memset(table + tableBytes, 0, kColorTableSize - tableBytes);

    m_pPixels = NewPixels(static_cast<size_t>(pixelBytes));
    if (m_pPixels == nullptr || file.Seek(static_cast<LONGLONG>(start + pixelOffset), CFile::begin) != start + pixelOffset ||
        file.Read(m_pPixels, static_cast<UINT>(pixelBytes)) != pixelBytes) {
        Free();
        return FALSE;
    }
    CreatePalette();
    m_bIsPadded = TRUE;
    return TRUE;
}

BOOL CDIBitmap::Save(LPCSTR pszFileName) {
    if (m_pInfo == nullptr || m_pPixels == nullptr) return FALSE;
    CFile file;
    if (!file.Open(pszFileName, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return FALSE;
    return Save(file);
}

BOOL CDIBitmap::Save(CFile& file) {
    if (m_pInfo == nullptr || m_pPixels == nullptr) return FALSE;
    // Rows that did not come from a file came from GetDIBits, which pads
    // every row to 4 bytes already: there is nothing to convert.
    m_bIsPadded = TRUE;
    const DWORD entries = static_cast<DWORD>(GetPalEntries());
    const DWORD offset = kFileHeaderSize + kInfoHeaderSize + sizeof(RGBQUAD) * entries;
    const DWORD imageBytes = RowBytes() * static_cast<DWORD>(GetHeight());
    BYTE fileHeader[kFileHeaderSize] = {'B', 'M'};
    Put32(fileHeader + 2, offset + imageBytes);
    Put32(fileHeader + 10, offset);
    BITMAPINFOHEADER header = m_pInfo->bmiHeader;
    header.biSizeImage = imageBytes;
    if (header.biClrUsed > entries) header.biClrUsed = entries;
    return file.Write(fileHeader, kFileHeaderSize) && file.Write(&header, kInfoHeaderSize) &&
           file.Write(GetColorTablePtr(), sizeof(RGBQUAD) * entries) && file.Write(m_pPixels, imageBytes);
}

// ---------------------------------------------------------------- drawing

void CDIBitmap::DrawDIB(CDC* pDC, const CRect& rectDC, const CRect& rectDIB) {
    if (pDC == nullptr || m_pInfo == nullptr || m_pPixels == nullptr) return;
    CPalette* pOldPal = nullptr;
    if (m_pPal != nullptr) {
        pOldPal = pDC->SelectPalette(m_pPal, FALSE);
        pDC->RealizePalette();
        pDC->SetStretchBltMode(COLORONCOLOR);
    }
    // Source rows are counted from the bottom of the image.
    const int width = std::min(rectDC.Width(), rectDIB.Width());
    const int height = std::min(rectDC.Height(), rectDIB.Height());
    ::SetDIBitsToDevice(pDC->GetSafeHdc(), rectDC.left, rectDC.top, static_cast<DWORD>(std::max(width, 0)),
                        static_cast<DWORD>(std::max(height, 0)), rectDIB.left, GetHeight() - rectDIB.bottom, 0,
                        static_cast<UINT>(GetHeight()), m_pPixels, m_pInfo, DIB_RGB_COLORS);
    if (pOldPal != nullptr) pDC->SelectPalette(pOldPal, FALSE);
}

void CDIBitmap::DrawDIB(CDC* pDC, int x, int y, int width, int height) {
    if (pDC == nullptr || m_pInfo == nullptr || m_pPixels == nullptr) return;
    CPalette* pOldPal = nullptr;
    if (m_pPal != nullptr) {
        pOldPal = pDC->SelectPalette(m_pPal, FALSE);
        pDC->RealizePalette();
        pDC->SetStretchBltMode(COLORONCOLOR);
    }
    ::StretchDIBits(pDC->GetSafeHdc(), x, y, width, height, 0, 0, GetWidth(), GetHeight(), m_pPixels, m_pInfo,
                    DIB_RGB_COLORS, SRCCOPY);
    if (pOldPal != nullptr) pDC->SelectPalette(pOldPal, FALSE);
}

void CDIBitmap::DrawDIB(CDC* pDC, int x, int y) { DrawDIB(pDC, x, y, GetWidth(), GetHeight()); }
