// Fuzz target: the merchant's picture (SetImageSkin) as the picture loader
// decodes it: the format check by signature, the size bound and gdk-pixbuf's
// decoders of BMP, JPEG, GIF, PNG and ICO, then the picture drawn.
#include <cstddef>
#include <cstdint>

#include "platform/com/olectl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IPicture* picture = nullptr;
    if (FAILED(AfxDecodePicture(data, size, &picture)) || picture == nullptr) return 0;
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(nullptr, 16, 16);
    HGDIOBJ old = SelectObject(dc, canvas);
    picture->Render(dc, 0, 0, 16, 16, 0, h, w, -h, nullptr);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    picture->Release();
    return 0;
}
