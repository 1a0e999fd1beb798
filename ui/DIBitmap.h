// CDIBitmap: a device-independent bitmap held in memory (header, colour
// table and bottom-up pixel rows), loaded from a bitmap resource, a GDI
// bitmap or a BMP file, saved as a BMP file, and drawn onto a device
// context with its palette.
#pragma once

#include "platform/afx/afxfile.h"
#include "platform/afx/afxwin.h"

class CBmpPalette;

class CDIBitmap {
public:
    CDIBitmap();
    virtual ~CDIBitmap();
    CDIBitmap(const CDIBitmap&) = delete;
    CDIBitmap& operator=(const CDIBitmap&) = delete;

    // Copies the pixels of rectDIB (top-down coordinates within the image)
    // unscaled to rectDC.
    virtual void DrawDIB(CDC* pDC, const CRect& rectDC, const CRect& rectDIB);
    // Stretches the whole image to (x, y, width, height).
    virtual void DrawDIB(CDC* pDC, int x, int y, int width, int height);
    // The whole image at (x, y) at its own size.
    virtual void DrawDIB(CDC* pDC, int x, int y);

    // BMP files with a 40-byte info header, uncompressed, 1, 4, 8, 16, 24 or
    // 32 bits per pixel, bottom-up. Nonzero on success; a file that is not
    // such a bitmap, or whose sizes do not fit its length, gives 0 and
    // leaves the object without image.
    virtual BOOL Load(LPCSTR pszFileName);
    virtual BOOL Load(CFile& file);
    // Writes the image as a BMP file. Nonzero on success.
    virtual BOOL Save(LPCSTR pszFileName);
    virtual BOOL Save(CFile& file);

    // A bitmap resource of the module, through a GDI bitmap.
    BOOL LoadResource(UINT nIDResource);
    // The pixels of a GDI bitmap: rows of 8 bits per pixel or fewer keep
    // their depth and colour table, deeper ones become 24 bits per pixel.
    BOOL CreateFromBitmap(CDC* pDC, CBitmap* pBitmap);
    // Replaces the palette; TRUE when the image now has one.
    BOOL CreatePalette();

    int GetWidth() const;
    int GetHeight() const;
    int GetBitCount() const;
    // The header's colour count, or 2 to the power of the bit count when
    // that is 0.
    int NumColors() const;
    // 2, 16 or 256 for 1, 4 or 8 bits per pixel, else 0.
    int GetPalEntries() const;
    CPalette* GetPalette() const;
    BITMAPINFO* GetHeaderPtr() const { return m_pInfo; }
    RGBQUAD* GetColorTablePtr() const;
    BYTE* GetPixelPtr() const { return m_pPixels; }

protected:
    // Bytes of one pixel row, padded to 4 bytes.
    DWORD RowBytes() const;
    // Frees the header, the pixels and the palette.
    void Free();

    BITMAPINFO* m_pInfo;  // 40-byte header and the colour table
    BYTE* m_pPixels;      // bottom-up rows, at least RowBytes() x height bytes
    CBmpPalette* m_pPal;  // images of 8 bits per pixel or fewer
    BOOL m_bIsPadded;     // rows known to be padded to 4 bytes
};
