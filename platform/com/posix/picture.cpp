// Pictures loaded from files and http(s) addresses, decoded by gdk-pixbuf
// (BMP, JPEG, GIF, PNG and ICO only, each at most AFX_PICTURE_MAX_SIDE
// pixels each way) and drawn through the drawing layer.
#include "platform/com/olectl.h"

#include <curl/curl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afx/gtk/afxgtk.h"

const IID IID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

namespace {

constexpr int kMaxSide = AFX_PICTURE_MAX_SIDE;

LONG ToHimetric(int pixels) { return MulDiv(pixels, 2540, 96); }

class Picture final : public IPicture {
public:
    // Takes the rows: top-down, 32 bits per pixel (blue, green, red, 0).
    Picture(int w, int h, std::vector<uint8_t>&& rows) : w_(w), h_(h), rows_(std::move(rows)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPicture)) return E_NOINTERFACE;
        *ppv = static_cast<IPicture*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++ref_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG r = --ref_;
        if (r == 0) delete this;
        return r;
    }

    // The picture is kept as rows, not as a GDI handle (32-bit OLE handles
    // cannot name one here).
    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* p) override { return Zero(p); }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* p) override { return Zero(p); }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* p) override {
        if (p == nullptr) return E_POINTER;
        *p = PICTYPE_BITMAP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* p) override {
        if (p == nullptr) return E_POINTER;
        *p = ToHimetric(w_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* p) override {
        if (p == nullptr) return E_POINTER;
        *p = ToHimetric(h_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                                     OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                                     LPCRECT) override {
        if (hDC == nullptr || cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return E_INVALIDARG;
        LONG hmW = ToHimetric(w_), hmH = ToHimetric(h_);
        // HIMETRIC has its origin at the lower-left corner and y upwards.
        int sx = MulDiv(xSrc, w_, hmW), sw = MulDiv(cxSrc, w_, hmW);
        int sy = MulDiv(hmH - ySrc, h_, hmH), sh = MulDiv(-cySrc, h_, hmH);
        if (sw == 0 || sh == 0) return E_INVALIDARG;
        BITMAPINFO bmi{};
        bmi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w_, -h_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        int saved = SaveDC(hDC);
        SetStretchBltMode(hDC, COLORONCOLOR);
        int lines = StretchDIBits(hDC, x, y, cx, cy, sx, sy, sw, sh, rows_.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
        RestoreDC(hDC, saved);
        return lines != 0 ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurDC(HDC* p) override {
        if (p == nullptr) return E_POINTER;
        *p = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC* phDCOut, OLE_HANDLE* phBmpOut) override {
        if (phDCOut != nullptr) *phDCOut = nullptr;
        if (phBmpOut != nullptr) *phBmpOut = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL* p) override {
        if (p == nullptr) return E_POINTER;
        *p = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PictureChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SaveAsFile(IStream*, BOOL, LONG* pCbSize) override {
        if (pCbSize != nullptr) *pCbSize = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Attributes(DWORD* p) override {
        if (p == nullptr) return E_POINTER;
        *p = 0;
        return S_OK;
    }

private:
    ~Picture() = default;
    static HRESULT Zero(OLE_HANDLE* p) {
        if (p == nullptr) return E_POINTER;
        *p = 0;
        return E_NOTIMPL;
    }
    ULONG ref_ = 1;
    int w_, h_;
    std::vector<uint8_t> rows_;
};

size_t Collect(char* data, size_t size, size_t n, void* user) {
    auto* out = static_cast<std::string*>(user);
    size_t bytes = size * n;
    if (out->size() + bytes > AFX_PICTURE_MAX_BYTES) return 0;  // too large: the transfer stops
    out->append(data, bytes);
    return bytes;
}

HRESULT Download(const std::string& url, std::string* body) {
    CURL* c = curl_easy_init();
    if (c == nullptr) return E_OUTOFMEMORY;
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(AFX_PICTURE_DOWNLOAD_TIMEOUT_MS));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, body);
    CURLcode rc = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(c);
    if (rc != CURLE_OK) return INET_E_DOWNLOAD_FAILURE;
    if (status >= 400) return INET_E_RESOURCE_NOT_FOUND;
    return S_OK;
}

HRESULT ReadFile(const std::string& path, std::string* body) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return CTL_E_PATHFILEACCESSERROR;
    char buf[65536];
    size_t n;
    HRESULT hr = S_OK;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
        if (body->size() + n > AFX_PICTURE_MAX_BYTES) {
            hr = CTL_E_INVALIDPICTURE;
            break;
        }
        body->append(buf, n);
    }
    if (ferror(f)) hr = CTL_E_PATHFILEACCESSERROR;
    fclose(f);
    return hr;
}

// A BMP file's headers as Windows writes them: one of the known
// information header sizes, and the pixels' offset and the picture's sides
// inside the file and the bound. The toolkit's decoder trusts the header's
// size before it knows the picture's, and would ask for gigabytes.
bool BmpHeaderSound(const std::string& b) {
    if (b.size() < 26) return false;
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) | (uint32_t(uint8_t(b[at + 2])) << 16) |
               (uint32_t(uint8_t(b[at + 3])) << 24);
    };
    uint32_t offBits = u32(10), infoSize = u32(14);
    switch (infoSize) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124: break;
    default: return false;
    }
    if (14 + size_t(infoSize) > b.size() || offBits > b.size()) return false;
    int64_t width = 0, height = 0;
    if (infoSize == 12) {
        width = uint16_t(uint8_t(b[18]) | (uint8_t(b[19]) << 8));
        height = uint16_t(uint8_t(b[20]) | (uint8_t(b[21]) << 8));
    } else {
        width = int32_t(u32(18));
        height = int32_t(u32(22));
    }
    if (height < 0) height = -height;
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

// The decoder for the picture's format, known by its first bytes: BMP,
// JPEG, GIF, PNG and ICO only (never one gdk-pixbuf would guess for other
// data: SVG, TIFF, XPM and the rest are not pictures here).
const char* FormatOf(const std::string& b) {
    auto starts = [&](const char* sig, size_t n) { return b.size() >= n && std::memcmp(b.data(), sig, n) == 0; };
    if (starts("BM", 2)) return BmpHeaderSound(b) ? "bmp" : nullptr;
    if (starts("\xFF\xD8\xFF", 3)) return "jpeg";
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "gif";
    if (starts("\x89PNG\r\n\x1A\n", 8)) return "png";
    if (starts("\x00\x00\x01\x00", 4) && b.size() >= 6 && (b[4] != 0 || b[5] != 0)) return "ico";
    return nullptr;
}

// Told the picture's size before its pixels are made: a picture over the
// bound is given no pixels (a size of 0 stops every decoder here).
void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        *static_cast<bool*>(data) = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
    }
}

HRESULT Decode(const std::string& bytes, Picture** out) {
    const char* format = FormatOf(bytes);
    if (format == nullptr) return CTL_E_INVALIDPICTURE;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(format, nullptr);
    if (loader == nullptr) return CTL_E_INVALIDPICTURE;
    bool tooLarge = false;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &tooLarge);
    GdkPixbuf* pixbuf = nullptr;
    if (gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr) && !tooLarge) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf != nullptr) g_object_ref(pixbuf);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    if (pixbuf == nullptr) return CTL_E_INVALIDPICTURE;
    int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
    int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
    bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || channels < 3 ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
        g_object_unref(pixbuf);
        return CTL_E_INVALIDPICTURE;
    }
    const guchar* px = gdk_pixbuf_read_pixels(pixbuf);
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const guchar* s = px + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
            uint8_t* d = rows.data() + (static_cast<size_t>(y) * w + x) * 4;
            // Transparent parts are drawn over white.
            unsigned a = alpha ? s[3] : 255;
            for (int k = 0; k < 3; ++k) d[2 - k] = static_cast<uint8_t>((s[k] * a + 255 * (255 - a)) / 255);
            d[3] = 0;
        }
    g_object_unref(pixbuf);
    *out = new Picture(w, h, std::move(rows));
    return S_OK;
}

}  // namespace

HRESULT AfxDecodePicture(const void* pData, size_t cbData, IPicture** ppPicture) {
    if (ppPicture == nullptr) return E_POINTER;
    *ppPicture = nullptr;
    if (pData == nullptr || cbData > AFX_PICTURE_MAX_BYTES) return CTL_E_INVALIDPICTURE;
    Picture* picture = nullptr;
    HRESULT hr = Decode(std::string(static_cast<const char*>(pData), cbData), &picture);
    if (SUCCEEDED(hr)) *ppPicture = picture;
    return hr;
}

HRESULT OleLoadPicturePath(LPOLESTR szURLorPath, IUnknown*, DWORD, OLE_COLOR, REFIID riid, LPVOID* ppvRet) {
    if (ppvRet == nullptr) return E_POINTER;
    *ppvRet = nullptr;
    if (szURLorPath == nullptr || szURLorPath[0] == 0) return E_INVALIDARG;
    if (!IsEqualIID(riid, IID_IPicture) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    std::string where = AfxUtf16ToUtf8(szURLorPath);
    std::string bytes;
    HRESULT hr;
    if (g_ascii_strncasecmp(where.c_str(), "http://", 7) == 0 || g_ascii_strncasecmp(where.c_str(), "https://", 8) == 0) {
        hr = Download(where, &bytes);
    } else {
        if (g_ascii_strncasecmp(where.c_str(), "file:", 5) == 0) {
            gchar* path = g_filename_from_uri(where.c_str(), nullptr, nullptr);
            if (path == nullptr) return CTL_E_PATHFILEACCESSERROR;
            where = path;
            g_free(path);
        }
        hr = ReadFile(where, &bytes);
    }
    if (FAILED(hr)) return hr;
    Picture* picture = nullptr;
    hr = Decode(bytes, &picture);
    if (FAILED(hr)) return hr;
    *ppvRet = static_cast<IPicture*>(picture);
    return S_OK;
}
