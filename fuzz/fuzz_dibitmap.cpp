// CDIBitmap::Load on arbitrary bytes: a file anybody can hand the bitmap
// class. Whatever it loads must hold the pixel rows its header describes,
// and must survive a Save and a second Load unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/afx/afxfile.h"
#include "ui/DIBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    CMemFile in(data, static_cast<UINT>(size));
    CDIBitmap bmp;
    if (!bmp.Load(in)) {
        if (bmp.GetHeaderPtr() != nullptr || bmp.GetPixelPtr() != nullptr) std::abort();
        return 0;
    }
    const int w = bmp.GetWidth(), h = bmp.GetHeight(), bits = bmp.GetBitCount();
    if (w <= 0 || h <= 0 || bmp.GetPixelPtr() == nullptr) std::abort();
    // Touch every byte the header promises (the sanitizer catches a short
    // buffer).
    const size_t rows = ((static_cast<size_t>(w) * bits + 31) / 32) * 4 * static_cast<size_t>(h);
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < rows; ++i) sum = static_cast<uint8_t>(sum + bmp.GetPixelPtr()[i]);
    if ((bits <= 8) != (bmp.GetPalette() != nullptr)) std::abort();

    CMemFile out;
    if (!bmp.Save(out)) std::abort();
    out.SeekToBegin();
    CDIBitmap again;
    if (!again.Load(out)) std::abort();
    if (again.GetWidth() != w || again.GetHeight() != h || again.GetBitCount() != bits) std::abort();
    if (std::memcmp(again.GetPixelPtr(), bmp.GetPixelPtr(), rows) != 0) std::abort();
    return 0;
}
