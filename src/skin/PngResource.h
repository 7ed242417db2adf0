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

// Receives the rows of a picture as they are decoded.
class CPngRowSink {
public:
    // The picture's size, before any row; false stops the decoding.
    virtual bool Begin(int width, int height) = 0;
    // Each row in turn, top row first: width pixels, blue-green-red.
    virtual void Row(const BYTE* pixels) = 0;

protected:
    ~CPngRowSink() = default;
};
// Decodes PNG resource pngId row by row into sink, never holding the picture whole. For 8-bit
// RGB pictures without interlacing only: false for any other (with no message: the caller
// decodes those with LoadPngResource, which reports what it refuses), for a missing resource,
// and for corrupt or short data.
bool StreamPngResource(WORD pngId, CPngRowSink& sink);
// The same over PNG bytes already wrapped in a memory file.
bool StreamPng(CMemFile& file, CPngRowSink& sink);
