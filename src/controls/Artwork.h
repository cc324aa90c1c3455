// The program's own artwork, built into the binary so the program finds it wherever it runs
// (the pictures' sources are in res/; res/embed.sh regenerates the embedded copies).
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// The start-up splash picture, 300 x 167 pixels.
wxBitmap LoadSplashBitmap();
// The window icon in several sizes (16, 32, 48, 128).
wxIconBundle LoadAppIcons();
