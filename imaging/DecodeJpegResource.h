// Decodes a JPEG picture resource of the program's own module into 8-bit
// indices of the show palette, laid out as an IndexedImage's pixel buffer:
// bottom-up rows at a stride of the width rounded up to a multiple of 4,
// plus 10 spare bytes. libjpeg reads the locked resource memory in place and
// decodes it to RGB (grey pictures expanded to RGB, so they land on the
// same palette); every pixel is then mapped onto the palette with
// Floyd-Steinberg dithering through the palette's cell table, giving the
// very indices libjpeg's own quantizer gives with the palette as its map.
//
// Returns a GlobalAlloc block the caller frees with GlobalFree, or null when
// the resource is missing or is not a picture the library can decode. A
// missing resource leaves `width` and `height` untouched. Nothing is ever
// printed: library errors and warnings are swallowed. A picture cut short
// ends as if its end-of-image marker had come and still decodes.
#pragma once

#include <windows.h>

class ShowPalette;

BYTE* DecodeJpegResource(WORD resourceId, int* width, int* height, ShowPalette* palette);
