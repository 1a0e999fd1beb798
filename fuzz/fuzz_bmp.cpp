// Fuzz target: BMP files as LoadImage and the bitmap resources read them,
// then the decoded image drawn and read back at another depth.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/afx/gtk/afxgdiimpl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    afximpl::DibImage image;
    if (!afximpl::ParseBmpFile(data, size, &image)) return 0;
    afximpl::BitmapObject* b = afximpl::NewDibSection(std::move(image));
    if (b == nullptr) return 0;
    HBITMAP h = reinterpret_cast<HBITMAP>(afximpl::HandleOf(b));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(nullptr, 8, 8);
    HGDIOBJ old = SelectObject(dc, canvas);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 1024);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), b->width, b->height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    if (static_cast<size_t>(b->width) * b->height <= 1u << 20) {
        std::vector<uint8_t> rows(((static_cast<size_t>(b->width) * 24 + 31) / 32) * 4 * b->height);
        if (GetDIBits(dc, h, 0, static_cast<UINT>(b->height), rows.data(), bi, DIB_RGB_COLORS) > 0)
            StretchDIBits(dc, 0, 0, 8, 8, 0, 0, b->width, b->height, rows.data(), bi, DIB_RGB_COLORS, SRCCOPY);
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ prev = SelectObject(mem, h);
    BitBlt(dc, 0, 0, 8, 8, mem, 0, 0, SRCCOPY);
    SelectObject(mem, prev);
    DeleteDC(mem);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    DeleteObject(h);
    return 0;
}
