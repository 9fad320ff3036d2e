// The decoder's libjpeg source manager over a picture's bytes in memory
// (a resource, used in place). The whole picture is one buffer from the
// start, so the library only asks for more when the picture is cut short:
// it then gets a "Premature end of JPEG file" warning and an end-of-image
// marker, and finishes the picture as far as it got. A skip past the end
// does the same.
#pragma once

#include <windows.h>

#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

// Allocates the source manager from the permanent pool when `cinfo` has
// none yet, otherwise reuses it.
void InstallResourceSource(j_decompress_ptr cinfo, const BYTE* bytes, DWORD size);
