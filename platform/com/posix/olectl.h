// Pictures: IPicture and OleLoadPicturePath, which loads one from a file
// path or an http(s) address (BMP, JPEG, GIF, PNG, ICO and what else the
// image decoder of the system reads). Sizes are in HIMETRIC units
// (hundredths of a millimetre) at the display's 96 pixels per inch. A
// picture is used on the user-interface thread.
#pragma once

#include "platform/afx/afxgdi.h"
#include "platform/com/com.h"

#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

typedef UINT OLE_HANDLE;
typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;
typedef DWORD OLE_COLOR;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1
#define PICTYPE_METAFILE 2
#define PICTYPE_ICON 3
#define PICTYPE_ENHMETAFILE 4

#define PICTURE_SCALABLE 0x1
#define PICTURE_TRANSPARENT 0x2

// Failures of loading.
#define CTL_E_PATHFILEACCESSERROR ((HRESULT)0x800A004BL)  // no such file, or it cannot be read
#define CTL_E_INVALIDPICTURE ((HRESULT)0x800A01E1L)       // not a picture the decoder reads
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005L)  // the server has no such picture
#define INET_E_DOWNLOAD_FAILURE ((HRESULT)0x800C0008L)    // no connection, time-out, too large

// Limits of a download: the time for the whole transfer and the largest
// picture taken.
#define AFX_PICTURE_DOWNLOAD_TIMEOUT_MS 10000
#define AFX_PICTURE_MAX_BYTES (8 * 1024 * 1024)
// The largest picture decoded, in pixels each way. Only BMP, JPEG, GIF, PNG
// and ICO are decoded (known by their first bytes); anything else, or a
// picture over this size, is CTL_E_INVALIDPICTURE.
#define AFX_PICTURE_MAX_SIDE 4096

extern const IID IID_IPicture;

struct IStream;

struct IPicture : IUnknown {
    // The picture as a bitmap handle (PICTYPE_BITMAP), owned by the picture.
    virtual HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* pHandle) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* phPal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(SHORT* pType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* pWidth) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* pHeight) = 0;
    // Draws the part (xSrc, ySrc, cxSrc, cySrc) of the picture, in HIMETRIC
    // with the origin at the picture's lower-left corner (so that a source
    // of (0, height) with extent (width, -height) is the whole picture
    // upright), into (x, y, cx, cy) of hDC in pixels.
    virtual HRESULT STDMETHODCALLTYPE Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                                             OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc,
                                             OLE_YSIZE_HIMETRIC cySrc, LPCRECT pRcWBounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE hPal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurDC(HDC* phDC) = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectPicture(HDC hDCIn, HDC* phDCOut, OLE_HANDLE* phBmpOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL* pKeep) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL keep) = 0;
    virtual HRESULT STDMETHODCALLTYPE PictureChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveAsFile(IStream* pStream, BOOL fSaveMemCopy, LONG* pCbSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Attributes(DWORD* pDwAttr) = 0;

protected:
    ~IPicture() = default;
};
typedef IPicture* LPPICTURE;

// Loads the picture at szURLorPath: a file path ("C:\\..." style and POSIX
// paths, or a file: address) or an http or https address, downloaded within
// AFX_PICTURE_DOWNLOAD_TIMEOUT_MS and AFX_PICTURE_MAX_BYTES. riid must be
// IID_IPicture or IID_IUnknown. *ppvRet is null on failure.
HRESULT OleLoadPicturePath(LPOLESTR szURLorPath, IUnknown* punkCaller, DWORD dwReserved, OLE_COLOR clrReserved,
                           REFIID riid, LPVOID* ppvRet);

// Of our own: decodes a picture held in memory, as OleLoadPicturePath does
// once it has the bytes. *ppPicture is null on failure.
HRESULT AfxDecodePicture(const void* pData, size_t cbData, IPicture** ppPicture);
