// Art at the size it is shown at: bitmaps and icons for a window's dpi.
#pragma once
#include <windows.h>

// The bitmap file (e.g. "logo.bmp") for the dpi: the file drawn for that
// scale where the build made one ("logo-144.bmp" beside "logo.bmp"), else
// the nearest larger one (or the largest) resized to Scale(its 96-dpi size).
// Resizing keeps colours exact (no blending), so a colour key stays a key.
// Null when no file can be read.
HBITMAP LoadBitmapForDpi(const wchar_t* file, int dpi);
// An icon at Scale(designSize, dpi) pixels, from a file (instance null) or a
// resource; the system picks the icon's nearest image and resizes it smoothly.
HICON LoadIconForDpi(HINSTANCE instance, const wchar_t* name, int designSize, int dpi);
