#include "shell/DlgDownSet.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// A signed decimal number as the edit shows it; anything that is not one reads as 0, and so
// does a number too large to hold (it then fails every range check below).
long ReadNumber(const wxString& strText)
{
    std::string s = strText.Strip(wxString::both).ToStdString();
    if (s.empty())
        return 0;
    errno = 0;
    char* pEnd = nullptr;
    long n = std::strtol(s.c_str(), &pEnd, 10);
    if (*pEnd != 0 || errno == ERANGE)
        return 0;
    return n;
}

} // namespace

CDlgDownSet::CDlgDownSet(wxWindow* pParent, ST_DOWNPARAM* pDownParam)
    : wxDialog(pParent, wxID_ANY, wxString::FromUTF8("设置")), m_pDownParam(pDownParam)
{
    auto Dlu = [this](int x, int y, int w, int h) {
        return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
    };
    auto Static = [&](const char* szText, wxRect rc) {
        new wxStaticText(this, wxID_ANY, wxString::FromUTF8(szText), rc.GetPosition(), rc.GetSize());
    };
    auto NumEdit = [&](int nId, wxRect rc, unsigned nValue) {
        new wxTextCtrl(this, nId, wxString::Format("%d", static_cast<int>(nValue)), rc.GetPosition(),
                       rc.GetSize());
    };

    wxRect rc = Dlu(7, 7, 182, 106);
    new wxStaticBox(this, wxID_ANY, wxString::FromUTF8("下载参数设置"), rc.GetPosition(), rc.GetSize());
    Static("线程数(1~15)：", Dlu(34, 28, 57, 9));
    NumEdit(IDC_THREADS, Dlu(100, 26, 61, 13), m_pDownParam->wThreads);
    Static("超时(S, >=10)：", Dlu(34, 48, 57, 9));
    NumEdit(IDC_TIMEOUT, Dlu(100, 46, 61, 13), m_pDownParam->wTimeoutSec);
    Static("图片最小值(K)：", Dlu(34, 68, 57, 9));
    NumEdit(IDC_MINSIZE, Dlu(100, 66, 61, 13), m_pDownParam->wMinSizeK);
    Static("图片最大值(K)：", Dlu(34, 89, 57, 9));
    NumEdit(IDC_MAXSIZE, Dlu(100, 86, 61, 13), m_pDownParam->wMaxSizeK);
    rc = Dlu(143, 116, 46, 16);
    auto* pOk = new wxButton(this, IDC_OK, wxString::FromUTF8("确 定"), rc.GetPosition(), rc.GetSize());
    pOk->SetDefault();
    SetAffirmativeId(IDC_OK);
    SetClientSize(ConvertDialogToPixels(wxSize(196, 137)));
    CentreOnParent();
    Bind(wxEVT_BUTTON, &CDlgDownSet::OnOK, this, IDC_OK);
}

wxTextCtrl* CDlgDownSet::Edit(int nId) const
{
    return static_cast<wxTextCtrl*>(FindWindow(nId));
}

void CDlgDownSet::OnOK(wxCommandEvent&)
{
    long nThreads = ReadNumber(Edit(IDC_THREADS)->GetValue());
    long nTimeout = ReadNumber(Edit(IDC_TIMEOUT)->GetValue());
    long nMin = ReadNumber(Edit(IDC_MINSIZE)->GetValue());
    long nMax = ReadNumber(Edit(IDC_MAXSIZE)->GetValue());
    // The record holds 16-bit fields: a size or time-out that does not fit would be stored as
    // some other number (-1 K as a 64 MB minimum), so it is refused like a bad thread count.
    auto Fits = [](long n) { return n >= 0 && n <= 0xFFFF; };
    if (nThreads < 1 || nThreads > 15 || nTimeout < 10 || !Fits(nTimeout) || !Fits(nMin) || !Fits(nMax)) {
        wxMessageBox(wxString::FromUTF8("参数错误"), wxASCII_STR(wxMessageBoxCaptionStr), wxOK, this);
        return;
    }
    m_pDownParam->wThreads = static_cast<uint16_t>(nThreads);
    m_pDownParam->wTimeoutSec = static_cast<uint16_t>(nTimeout);
    m_pDownParam->wMinSizeK = static_cast<uint16_t>(nMin);
    m_pDownParam->wMaxSizeK = static_cast<uint16_t>(nMax);
    EndDialog(wxID_OK);
}
