// Decoding of the skin's PNG resources (type "PNG") into CPackedDib images with libpng.
// Accepted: palette images of up to 8 bits (decoded to 8-bit indices with the palette as
// colour table) and 8-bit RGB (decoded to 24-bit BGR). Anything else is refused with a message.
#pragma once

#include "framework/Afx.h"
#include "framework/MemFile.h"
#include "skin/PackedDib.h"

// Fills image from the program's PNG resource pngId. A missing resource gives false without
// a message; a refused image gives false and its message, stored in *errorText when given,
// shown in a message box otherwise. Corrupt or short data gives false without a message.
bool LoadPngResource(CPackedDib& image, WORD pngId, CString* errorText);
// The same over PNG bytes already wrapped in a memory file.
bool DecodePng(CPackedDib& image, CMemFile& file, CString* errorText);
