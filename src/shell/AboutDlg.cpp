// The About box and the tip shown when the album-list thread cannot be started.
#include "controls/Artwork.h"
#include "shell/SrvConfig.h"
#include "shell/VelloriaDlg.h"
#include "text/StringCtrl.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace {

wxString Wx(const std::u16string& s)
{
    return wxString::FromUTF8(ToUtf8(s));
}

// A second text of the About box, kept enciphered like the program's other notices.
constexpr char16_t kAboutText[] =
    u"776D2C73465458535828FDA3F1B130CE3DCE2BCE27CE39CE08CE10326DA3C684829FCFC0FBAE4DCCA9EDF792F4FA";

wxRect Dlu(wxWindow* p, int x, int y, int w, int h)
{
    return wxRect(p->ConvertDialogToPixels(wxPoint(x, y)), p->ConvertDialogToPixels(wxSize(w, h)));
}

} // namespace

void CVelloriaDlg::ShowAboutBox()
{
    wxDialog dlg(this, wxID_ANY, wxString::FromUTF8("关于"));
    dlg.SetClientSize(Dlu(&dlg, 0, 0, 210, 79).GetSize());
    wxRect r = Dlu(&dlg, 7, 7, 196, 46);
    new wxStaticBox(&dlg, wxID_ANY, Wx(APP_CAPTION), r.GetPosition(), r.GetSize());
    r = Dlu(&dlg, 16, 20, 21, 20);
    wxIcon icon = LoadAppIcons().GetIcon(32);
    new wxStaticBitmap(&dlg, wxID_ANY, icon, r.GetPosition());
    r = Dlu(&dlg, 44, 20, 150, 10);
    new wxStaticText(&dlg, 1014, Wx(APP_VERSION_TEXT), r.GetPosition(), r.GetSize());
    r = Dlu(&dlg, 44, 34, 150, 16);
    new wxStaticText(&dlg, 1015, Wx(CSrvConfig::Decipher(kAboutText)), r.GetPosition(), r.GetSize());
    r = Dlu(&dlg, 153, 58, 50, 14);
    auto* pOk = new wxButton(&dlg, wxID_OK, wxString::FromUTF8("确定"), r.GetPosition(), r.GetSize());
    pOk->SetDefault();
    dlg.CentreOnParent();
    dlg.ShowModal();
}

void CVelloriaDlg::ShowTipDialog(int nError)
{
    wxDialog dlg(this, wxID_ANY, wxString::FromUTF8("提示"));
    dlg.SetClientSize(Dlu(&dlg, 0, 0, 262, 230).GetSize());
    wxBitmap bmp = LoadSplashBitmap();
    wxRect r = Dlu(&dlg, 7, 7, 248, 100);
    if (bmp.IsOk()) {
        wxImage img = bmp.ConvertToImage();
        img.Rescale(r.width, r.height, wxIMAGE_QUALITY_HIGH);
        new wxStaticBitmap(&dlg, 139, wxBitmap(img), r.GetPosition(), r.GetSize());
    }
    r = Dlu(&dlg, 7, 110, 248, 92);
    new wxStaticBox(&dlg, wxID_ANY, wxString(), r.GetPosition(), r.GetSize());
    const std::u16string strText = SrvText::TipText1() + AsciiToU16(std::to_string(nError)) + u"_" +
                                   AsciiToU16(std::to_string(reinterpret_cast<uintptr_t>(this))) +
                                   u")\r\n\r\n" + SrvText::TipText2();
    r = Dlu(&dlg, 14, 120, 234, 78);
    auto* pText = new wxStaticText(&dlg, 1038, Wx(strText), r.GetPosition(), r.GetSize());
    pText->Wrap(r.width);
    r = Dlu(&dlg, 105, 209, 50, 14);
    new wxButton(&dlg, wxID_OK, wxString::FromUTF8("确定"), r.GetPosition(), r.GetSize());
    dlg.CentreOnParent();
    dlg.ShowModal();
}
