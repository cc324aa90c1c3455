#include "shell/DlgSaveSet.h"

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "text/StringCtrl.h"

wxString SaveSetHelpText()
{
    static const char* const kParts[] = {
        "设置前后缀，可以在图片本来的文件名前后加上指定的字符\n如：图片本来的文件名为：vemta."
        "jpg，如果前缀为空，后缀为_com\n"
        "则最后图片名将变为vemta_com.jpg\n",
        "如果前缀为www_，后缀为_com\n则最后图片名将变为www_vemta_com.jpg\n",
        "相册名那里前后缀一样\n同时，支持转义字符，当前后缀中含有转义字符时，程序会将转义字符转换为转义字符所"
        "表示的字符串\n",
        "转义字符如下（问号为英文的问号，相册名的转义字符只支持?1,?3,?9）：\n",
        "?1:相册名称\n?2:图片在相册中的序号\n?3:相册在列表中的序号(格式为：1,2,3...)\n?4:相册在列表中的序号("
        "倒序)\n"
        "?5:相册创建时间(仅QQ群相册有效)\n?6:选中的相册数\n?7:总共的相册数(选中的+未选中的)\n"
        "?9:相册在列表中的序号(格式为：0001,0002,0003...)",
    };
    wxString strText;
    for (const char* szPart : kParts)
        strText += wxString::FromUTF8(szPart);
    return strText;
}

namespace {

wxString FromU16(const char16_t* sz, size_t nUnits)
{
    size_t n = 0;
    while (n < nUnits && sz[n] != 0)
        ++n;
    return wxString::FromUTF8(ToUtf8(std::u16string_view(sz, n)));
}

// The first SAVESET_MAX_CHARS units of the edit's text, never ending on the first half of a
// surrogate pair.
std::u16string EditText38(const wxTextCtrl* pEdit)
{
    std::u16string text = FromUtf8(pEdit->GetValue().utf8_string());
    if (text.size() > SAVESET_MAX_CHARS) {
        size_t n = SAVESET_MAX_CHARS;
        if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
            --n;
        text.resize(n);
    }
    return text;
}

} // namespace

CDlgSaveSet::CDlgSaveSet(wxWindow* pParent, ST_SITESET* pSiteSet)
    : wxDialog(pParent, wxID_ANY, wxString::FromUTF8("设置")), m_pSiteSet(pSiteSet)
{
    auto Dlu = [this](int x, int y, int w, int h) {
        return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
    };
    auto Static = [&](const char* szText, wxRect rc) {
        new wxStaticText(this, wxID_ANY, wxString::FromUTF8(szText), rc.GetPosition(), rc.GetSize());
    };
    auto Group = [&](const char* szText, wxRect rc) {
        new wxStaticBox(this, wxID_ANY, wxString::FromUTF8(szText), rc.GetPosition(), rc.GetSize());
    };
    auto TextEdit = [&](int nId, wxRect rc, const char16_t* sz) {
        new wxTextCtrl(this, nId, FromU16(sz, 40), rc.GetPosition(), rc.GetSize());
    };
    auto RadioBtn = [&](int nId, const char* szText, wxRect rc, bool bFirst) {
        new wxRadioButton(this, nId, wxString::FromUTF8(szText), rc.GetPosition(), rc.GetSize(),
                          bFirst ? wxRB_GROUP : 0);
    };

    // Groups first, so the controls inside are drawn over them.
    Group("文件名", Dlu(7, 7, 251, 77));
    Group("相册路径(相册名)", Dlu(7, 89, 251, 39));
    Static("前缀", Dlu(11, 33, 20, 9));
    TextEdit(IDC_PREFIX, Dlu(31, 31, 67, 12), m_pSiteSet->szPrefix);
    RadioBtn(IDC_NAME_DESC, "描述", Dlu(118, 15, 35, 12), true);
    RadioBtn(IDC_NAME_NUMBER, "序号", Dlu(118, 31, 35, 12), false);
    RadioBtn(IDC_NAME_URL, "网址", Dlu(118, 47, 35, 12), false);
    Static("后缀", Dlu(167, 33, 20, 9));
    TextEdit(IDC_SUFFIX, Dlu(187, 31, 67, 12), m_pSiteSet->szSuffix);
    TextEdit(IDC_REPLACE_FROM, Dlu(11, 65, 87, 12), m_pSiteSet->szReplaceFrom);
    Static("替换为", Dlu(120, 67, 31, 10));
    TextEdit(IDC_REPLACE_TO, Dlu(167, 65, 87, 12), m_pSiteSet->szReplaceTo);
    Static("前缀", Dlu(11, 106, 20, 9));
    TextEdit(IDC_ALBUM_PREFIX, Dlu(31, 103, 67, 12), m_pSiteSet->szAlbumPrefix);
    RadioBtn(IDC_DIR_ALBUM, "相册名", Dlu(118, 97, 35, 12), true);
    RadioBtn(IDC_DIR_NONE, "无", Dlu(118, 112, 35, 12), false);
    Static("后缀", Dlu(167, 106, 20, 9));
    TextEdit(IDC_ALBUM_SUFFIX, Dlu(187, 103, 67, 12), m_pSiteSet->szAlbumSuffix);
    wxRect rc = Dlu(12, 134, 49, 9);
    new wxHyperlinkCtrl(this, IDC_HELP_LINK, wxString::FromUTF8("前后缀说明"), wxEmptyString,
                        rc.GetPosition(), wxDefaultSize, wxHL_ALIGN_LEFT);
    rc = Dlu(206, 131, 49, 16);
    auto* pOk = new wxButton(this, IDC_OK, wxString::FromUTF8("确 定"), rc.GetPosition(), rc.GetSize());
    pOk->SetDefault();
    SetAffirmativeId(IDC_OK);
    SetClientSize(ConvertDialogToPixels(wxSize(265, 154)));
    CentreOnParent();

    m_nNameType = m_pSiteSet->byNameType;
    m_nAlbumDirType = m_pSiteSet->byAlbumDirType;
    TransferRadios(false);

    Bind(wxEVT_BUTTON, &CDlgSaveSet::OnOK, this, IDC_OK);
    Bind(wxEVT_HYPERLINK, &CDlgSaveSet::OnHelpLink, this, IDC_HELP_LINK);
}

wxTextCtrl* CDlgSaveSet::Edit(int nId) const
{
    return static_cast<wxTextCtrl*>(FindWindow(nId));
}

wxRadioButton* CDlgSaveSet::Radio(int nId) const
{
    return static_cast<wxRadioButton*>(FindWindow(nId));
}

bool CDlgSaveSet::TransferRadios(bool bFromWindow)
{
    static const int kNameIds[] = {IDC_NAME_DESC, IDC_NAME_NUMBER, IDC_NAME_URL};
    static const int kDirIds[] = {IDC_DIR_ALBUM, IDC_DIR_NONE};
    auto Read = [this](const int* pIds, int nCount) {
        for (int i = 0; i < nCount; ++i)
            if (Radio(pIds[i])->GetValue())
                return i;
        return -1;
    };
    auto Write = [this](const int* pIds, int nCount, int nValue) {
        // A value outside the group (a damaged settings file) leaves the group's first button
        // checked, the toolkit keeping one button of a group on.
        for (int i = 0; i < nCount; ++i)
            Radio(pIds[i])->SetValue(i == nValue);
    };
    if (!bFromWindow) {
        Write(kNameIds, 3, m_nNameType);
        Write(kDirIds, 2, m_nAlbumDirType);
        return true;
    }
    m_nNameType = Read(kNameIds, 3);
    m_nAlbumDirType = Read(kDirIds, 2);
    return m_nAlbumDirType >= 0 && m_nAlbumDirType <= 1;
}

void CDlgSaveSet::OnOK(wxCommandEvent&)
{
    if (!TransferRadios(true))
        return; // the range check keeps the dialog open, as the OK processing would
    SzSet(m_pSiteSet->szPrefix, EditText38(Edit(IDC_PREFIX)));
    SzSet(m_pSiteSet->szSuffix, EditText38(Edit(IDC_SUFFIX)));
    SzSet(m_pSiteSet->szReplaceFrom, EditText38(Edit(IDC_REPLACE_FROM)));
    SzSet(m_pSiteSet->szReplaceTo, EditText38(Edit(IDC_REPLACE_TO)));
    SzSet(m_pSiteSet->szAlbumPrefix, EditText38(Edit(IDC_ALBUM_PREFIX)));
    SzSet(m_pSiteSet->szAlbumSuffix, EditText38(Edit(IDC_ALBUM_SUFFIX)));
    m_pSiteSet->byNameType = static_cast<uint8_t>(m_nNameType);
    m_pSiteSet->byAlbumDirType = static_cast<uint8_t>(m_nAlbumDirType);
    EndDialog(wxID_OK);
}

void CDlgSaveSet::OnHelpLink(wxCommandEvent&)
{
    // Not skipped: the link has no page of its own to open.
    wxMessageBox(SaveSetHelpText(), wxASCII_STR(wxMessageBoxCaptionStr), wxOK, this);
}
