#include "controls/Artwork.h"

#include <wx/icon.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include "controls/ArtworkData.inc"

namespace {

// Decodes with the PNG handler alone, so callers need not have set up every image handler.
wxImage DecodePng(const unsigned char* pData, size_t nSize)
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(pData, nSize);
    return wxImage(stream, wxBITMAP_TYPE_PNG);
}

} // namespace

wxBitmap LoadSplashBitmap()
{
    wxImage img = DecodePng(k_splash_png, sizeof(k_splash_png));
    return img.IsOk() ? wxBitmap(img) : wxBitmap();
}

wxIconBundle LoadAppIcons()
{
    wxIconBundle icons;
    const struct {
        const unsigned char* pData;
        size_t nSize;
    } sizes[] = {{k_icon_16_png, sizeof(k_icon_16_png)},
                 {k_icon_32_png, sizeof(k_icon_32_png)},
                 {k_icon_48_png, sizeof(k_icon_48_png)},
                 {k_icon_128_png, sizeof(k_icon_128_png)}};
    for (const auto& s : sizes) {
        wxImage img = DecodePng(s.pData, s.nSize);
        if (img.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(img));
            icons.AddIcon(icon);
        }
    }
    return icons;
}
