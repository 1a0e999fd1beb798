// Bitmaps from the module's resources (RT_BITMAP entries holding BMP files)
// and from files.
#include <cstdio>
#include <vector>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

// BMP files read from disk are limited to this size.
constexpr long kMaxFileBytes = 64L * 1024 * 1024;

bool ReadFileBytes(LPCSTR path, std::vector<uint8_t>* out) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    bool ok = fseek(f, 0, SEEK_END) == 0;
    long n = ok ? ftell(f) : -1;
    ok = ok && n > 0 && n <= kMaxFileBytes && fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out->resize(static_cast<size_t>(n));
        ok = fread(out->data(), 1, out->size(), f) == out->size();
    }
    fclose(f);
    return ok;
}

BitmapObject* Scaled(BitmapObject* src, int cx, int cy) {
    BitmapObject* b = NewBitmap(cx, cy, 32);
    if (b == nullptr) return nullptr;
    cairo_t* cr = cairo_create(b->surface);
    cairo_scale(cr, static_cast<double>(cx) / src->width, static_cast<double>(cy) / src->height);
    cairo_set_source_surface(cr, src->surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_destroy(cr);
    return b;
}

}  // namespace

HANDLE LoadImage(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if (type != IMAGE_BITMAP || name == nullptr || cx < 0 || cy < 0) return nullptr;
    DibImage image;
    if (fuLoad & LR_LOADFROMFILE) {
        if (IS_INTRESOURCE(name)) return nullptr;
        std::vector<uint8_t> bytes;
        if (!ReadFileBytes(name, &bytes) || !ParseBmpFile(bytes.data(), bytes.size(), &image)) return nullptr;
    } else {
        if (!IS_INTRESOURCE(name)) return nullptr;
        const AFX_RESOURCE_ENTRY* res =
            AfxFindModuleResource(RT_BITMAP_ID, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
        if (res == nullptr || !ParseBmpFile(res->data, res->size, &image)) return nullptr;
    }
    BitmapObject* dib = NewDibSection(std::move(image));
    if (dib == nullptr) return nullptr;
    int w = cx != 0 ? cx : dib->width, h = cy != 0 ? cy : dib->height;
    if (w != dib->width || h != dib->height) {
        BitmapObject* s = Scaled(dib, w, h);
        DeleteObject(HandleOf(dib));
        return s != nullptr ? HandleOf(s) : nullptr;
    }
    if (!(fuLoad & LR_CREATEDIBSECTION)) {
        // A bitmap of the display's format.
        dib->dibSection = false;
        dib->bpp = 32;
        dib->dib = DibImage{};
    }
    return HandleOf(dib);
}

HBITMAP LoadBitmap(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    return reinterpret_cast<HBITMAP>(LoadImage(hInstance, lpBitmapName, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}
