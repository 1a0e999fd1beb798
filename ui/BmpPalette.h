// CBmpPalette: the logical palette of a device-independent bitmap of 8 bits
// per pixel or fewer, built from its colour table.
#pragma once

#include "platform/afx/afxwin.h"

class CDIBitmap;

class CBmpPalette : public CPalette {
public:
    // Creates the palette from the bitmap's colour table: NumColors entries
    // (at most 256), red, green and blue of each table entry, flags 0. A
    // bitmap without a colour table leaves the palette uncreated.
    explicit CBmpPalette(CDIBitmap* pBmp);
};
