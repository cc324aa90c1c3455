#include "controls/ComboBox2.h"

#include <algorithm>
#include <wx/arrstr.h>
#include <wx/listbox.h>
#include <wx/popupwin.h>
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
    Bind(wxEVT_KEY_DOWN, &CComboBox2::OnKeyDown, this);
    Bind(wxEVT_KILL_FOCUS, &CComboBox2::OnKillFocus, this);
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
        HideTypedList(false);
        return;
    }
    const std::vector<wxString> arrItems = FilterEntries(m_arrHistory, strTyped);
    SetListItems(arrItems);
    if (arrItems.empty()) {
        HideTypedList(false);
        return;
    }
    ShowTypedList(arrItems);
    // Typing hides the pointer; with a list open under it the user needs it back.
    wxSetCursor(*wxSTANDARD_CURSOR);
}

bool CComboBox2::IsListShown() const
{
    return m_bListShown || IsTypedListShown();
}

bool CComboBox2::IsTypedListShown() const
{
    return m_pTypedPopup && m_pTypedPopup->IsShown();
}

void CComboBox2::ShowTypedList(const std::vector<wxString>& arrItems)
{
    if (!m_pTypedPopup) {
        m_pTypedPopup = new wxPopupWindow(this, wxBORDER_SIMPLE);
        m_pTypedList = new wxListBox(m_pTypedPopup, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, nullptr,
                                     wxLB_SINGLE | wxBORDER_NONE);
        // The list lives in another top-level window: its events must not reach our parent.
        // Picked by a click only: the toolkit also reports a selection when the list merely
        // appears with a cursor row, and that must not overwrite what the user is typing.
        m_pTypedList->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) {
            e.Skip();
            const int nItem = m_pTypedList->HitTest(e.GetPosition());
            if (nItem != wxNOT_FOUND)
                CallAfter([this, nItem] { PickItem(nItem); });
        });
    }
    wxArrayString arr;
    for (const wxString& str : arrItems)
        arr.Add(str);
    m_pTypedList->Set(arr);
    m_pTypedList->SetSelection(wxNOT_FOUND);

    const int nRows = std::min<int>(int(arrItems.size()), 8);
    const int nRowHeight = m_pTypedList->GetCharHeight() + 10;
    const wxRect rcBox = GetScreenRect();
    const wxSize size(rcBox.width, nRows * nRowHeight + 4);
    m_pTypedPopup->SetSize(rcBox.x, rcBox.GetBottom() + 1, size.x, size.y);
    m_pTypedList->SetSize(0, 0, size.x - 2, size.y - 2);
    if (!m_pTypedPopup->IsShown())
        m_pTypedPopup->Show();
}

void CComboBox2::HideTypedList(bool bChoice)
{
    if (IsTypedListShown())
        m_pTypedPopup->Hide();
    if (!bChoice)
        SetListItems({});
}

void CComboBox2::PickItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= int(GetCount()))
        return;
    const wxString strItem = GetString(nIndex);
    HideTypedList(true);
    m_bUpdating = true;
    SetSelection(nIndex);
    if (GetValue() != strItem)
        ChangeValue(strItem);
    SetInsertionPointEnd();
    m_bUpdating = false;

    // Reported like a pick from the toolkit's list, so the owner needs one handler for both.
    wxCommandEvent event(wxEVT_COMBOBOX, GetId());
    event.SetEventObject(this);
    event.SetInt(nIndex);
    event.SetString(strItem);
    ProcessWindowEvent(event);
}

void CComboBox2::OnKeyDown(wxKeyEvent& event)
{
    if (!IsTypedListShown()) {
        event.Skip();
        return;
    }
    const int nCount = int(m_pTypedList->GetCount());
    const int nSel = m_pTypedList->GetSelection();
    switch (event.GetKeyCode()) {
    case WXK_DOWN:
        m_pTypedList->SetSelection(nSel == wxNOT_FOUND ? 0 : std::min(nSel + 1, nCount - 1));
        return;
    case WXK_UP:
        if (nSel > 0)
            m_pTypedList->SetSelection(nSel - 1);
        return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        if (nSel != wxNOT_FOUND) {
            PickItem(nSel);
            return;
        }
        break;
    case WXK_ESCAPE:
        HideTypedList(false);
        return;
    default:
        break;
    }
    event.Skip();
}

void CComboBox2::OnKillFocus(wxFocusEvent& event)
{
    event.Skip();
    // Later, so a click on the typed-text list that moved the focus is picked first.
    CallAfter([this] {
        if (IsTypedListShown() && !HasFocus())
            HideTypedList(false);
    });
}

void CComboBox2::OnDropDown(wxCommandEvent&)
{
    m_bListShown = true;
    m_bPicked = false;
    if (IsTypedListShown())
        m_pTypedPopup->Hide();
    SetListItems(m_arrHistory);
}

void CComboBox2::OnCloseUp(wxCommandEvent&)
{
    m_bListShown = false;
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
