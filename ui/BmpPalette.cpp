#include "ui/BmpPalette.h"

#include <algorithm>
#include <vector>

#include "ui/DIBitmap.h"

CBmpPalette::CBmpPalette(CDIBitmap* pBmp) {
    if (pBmp == nullptr || pBmp->GetColorTablePtr() == nullptr || pBmp->GetBitCount() > 8) return;
    // The colour table holds at most 256 entries.
    const int count = std::clamp(pBmp->NumColors(), 0, 256);
    if (count == 0) return;
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (count - 1));
    auto* pLogPal = reinterpret_cast<LOGPALETTE*>(storage.data());
    pLogPal->palVersion = 0x300;
    pLogPal->palNumEntries = static_cast<WORD>(count);
    const RGBQUAD* table = pBmp->GetColorTablePtr();
    for (int i = 0; i < count; ++i) {
        pLogPal->palPalEntry[i].peRed = table[i].rgbRed;
        pLogPal->palPalEntry[i].peGreen = table[i].rgbGreen;
        pLogPal->palPalEntry[i].peBlue = table[i].rgbBlue;
        pLogPal->palPalEntry[i].peFlags = 0;
    }
    CreatePalette(pLogPal);
}
