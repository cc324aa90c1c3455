#include "controls/ComboBox2.h"

#include <wx/arrstr.h>
#include <wx/utils.h>

const wxString CComboBox2::CutMark = wxString::FromUTF8("nvx?!oxff");

namespace {

// Only ASCII letters fold: other letters compare exactly, as the history always did.
wxString LowerAscii(const wxString& str)
{
    wxString strOut;
    strOut.reserve(str.length());
    for (wxUniChar ch : str) {
        const auto c = ch.GetValue();
        strOut += (c >= 'A' && c <= 'Z') ? wxUniChar(c + ('a' - 'A')) : ch;
    }
    return strOut;
}

} // namespace

CComboBox2::CComboBox2() = default;

CComboBox2::CComboBox2(wxWindow* pParent, wxWindowID id, const wxString& strValue, const wxPoint& pos,
                       const wxSize& size, long lStyle, const wxValidator& validator, const wxString& strName)
{
    Create(pParent, id, strValue, pos, size, lStyle, validator, strName);
}

bool CComboBox2::Create(wxWindow* pParent, wxWindowID id, const wxString& strValue, const wxPoint& pos,
                        const wxSize& size, long lStyle, const wxValidator& validator,
                        const wxString& strName)
{
    if (!wxComboBox::Create(pParent, id, strValue, pos, size, 0, nullptr, lStyle, validator, strName))
        return false;
    BindHandlers();
    return true;
}

void CComboBox2::BindHandlers()
{
    // Bound on the box itself, so they run before the parent sees the events.
    Bind(wxEVT_TEXT, &CComboBox2::OnTextChanged, this);
    Bind(wxEVT_COMBOBOX_DROPDOWN, &CComboBox2::OnDropDown, this);
    Bind(wxEVT_COMBOBOX_CLOSEUP, &CComboBox2::OnCloseUp, this);
    Bind(wxEVT_COMBOBOX, &CComboBox2::OnSelChange, this);
}

void CComboBox2::AddEntry(const wxString& strEntry)
{
    m_arrHistory.push_back(strEntry);
}

void CComboBox2::ClearEntries()
{
    m_arrHistory.clear();
    SetListItems({});
}

std::vector<wxString> CComboBox2::FilterEntries(const std::vector<wxString>& arrEntries,
                                                const wxString& strTyped)
{
    std::vector<wxString> arrItems;
    if (strTyped.empty())
        return arrItems;
    const wxString strKey = LowerAscii(strTyped);
    for (const wxString& strEntry : arrEntries) {
        wxString strItem = LowerAscii(strEntry);
        if (strItem.find(strKey) == wxString::npos)
            continue;
        const size_t nMark = strItem.find(CutMark);
        if (nMark != wxString::npos)
            strItem.Truncate(nMark);
        arrItems.push_back(strItem);
    }
    return arrItems;
}

void CComboBox2::SetListItems(const std::vector<wxString>& arrItems)
{
    const wxString strText = GetValue();
    long nFrom = 0, nTo = 0;
    GetSelection(&nFrom, &nTo);

    m_bUpdating = true;
    // The item container's Clear: the box's own Clear would also empty the edit text.
    wxItemContainer::Clear();
    if (!arrItems.empty()) {
        wxArrayString arr;
        for (const wxString& str : arrItems)
            arr.Add(str);
        Append(arr);
    }
    if (GetValue() != strText)
        ChangeValue(strText);
    SetSelection(nFrom, nTo);
    m_bUpdating = false;
}

void CComboBox2::OnTextChanged(wxCommandEvent& event)
{
    if (m_bUpdating)
        return;   // our own list rebuild, not the user's typing
    event.Skip(); // the owner classifies the typed text

    const wxString strTyped = GetValue();
    if (strTyped.empty()) {
        Dismiss();
        return;
    }
    const std::vector<wxString> arrItems = FilterEntries(m_arrHistory, strTyped);
    SetListItems(arrItems);
    if (arrItems.empty()) {
        Dismiss();
        return;
    }
    m_bInDropDown = true;
    Popup();
    m_bInDropDown = false;
    // Opening the list while typing would otherwise leave the pointer hidden.
    wxSetCursor(*wxSTANDARD_CURSOR);
}

void CComboBox2::OnDropDown(wxCommandEvent&)
{
    m_bPicked = false;
    if (m_bInDropDown)
        return;
    SetListItems(m_arrHistory);
}

void CComboBox2::OnCloseUp(wxCommandEvent&)
{
    if (m_bPicked) {
        m_bPicked = false;
        return;
    }
    SetListItems({});
}

void CComboBox2::OnSelChange(wxCommandEvent& event)
{
    m_bPicked = true;
    event.Skip();
}
