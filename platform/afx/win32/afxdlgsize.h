// The size in pixels of the client area a dialog template (DLGTEMPLATE or
// DLGTEMPLATEEX, as a resource holds it) describes: its extent in dialog
// units with the base units of its font (the average width of the Latin
// letters and the height of the font at the screen's resolution). Nothing
// past size bytes is read; false for a template that ends too soon.
#pragma once

#include "platform/afx/afxgdi.h"

bool AfxDialogTemplatePixelSize(const BYTE* data, DWORD size, SIZE* out);
