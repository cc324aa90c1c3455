// Editable drop-down box with an in-memory history, used for the address box and the folder box
// of the main window. While the user types, the drop-down list narrows to the history entries
// that contain the typed text (ASCII letters compared without case, items shown lower-cased, an
// entry cut at the cut mark); opening the list with its arrow shows every entry as given.
// Keeping the history on disk, its length and its order are the owner's business: the box only
// shows what it was given with AddEntry. User-interface thread only.
//
// Events the parent still receives (the box handles them first):
//   wxEVT_TEXT      typed text changed (after the box has filtered its list);
//   wxEVT_COMBOBOX  an item was picked from the list.
// Events the box keeps to itself: wxEVT_COMBOBOX_DROPDOWN and wxEVT_COMBOBOX_CLOSEUP, and the
// text events its own list rebuilding causes.
//
// The typed-text list is a small pop-up under the box that leaves the keyboard with the edit
// field (the toolkit's own drop-down list takes the keyboard while open, which would swallow the
// user's typing): a click on an item, or Up/Down and Enter, picks it; Escape or leaving the box
// closes it. Its items are the box's list items.
//
// Create it without wxCB_SORT: the arrow list shows the entries in the order they were added.
#pragma once

#include <vector>
#include <wx/combobox.h>

class wxListBox;
class wxPopupWindow;

class CComboBox2 : public wxComboBox {
  public:
    // An entry containing this mark is shown in the typed-text list only up to it.
    static const wxString CutMark; // "nvx?!oxff"

    CComboBox2();
    CComboBox2(wxWindow* pParent, wxWindowID id, const wxString& strValue = wxString(),
               const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
               long lStyle = wxCB_DROPDOWN, const wxValidator& validator = wxDefaultValidator,
               const wxString& strName = wxASCII_STR(wxComboBoxNameStr));

    bool Create(wxWindow* pParent, wxWindowID id, const wxString& strValue = wxString(),
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long lStyle = wxCB_DROPDOWN, const wxValidator& validator = wxDefaultValidator,
                const wxString& strName = wxASCII_STR(wxComboBoxNameStr));

    // Appends the text to the entries (no limit, no duplicate check). The list shown changes
    // only with the next rebuild (typing, or opening the list).
    void AddEntry(const wxString& strEntry);
    // Forgets every entry and empties the list, keeping the edit text (for reloading a history).
    void ClearEntries();
    const std::vector<wxString>& GetEntries() const { return m_arrHistory; }
    // Whether a list is open: the arrow list (as last reported by the toolkit) or the typed-text
    // list.
    bool IsListShown() const;
    bool IsTypedListShown() const;

    // The items the typed text selects, as the typed-text list shows them.
    static std::vector<wxString> FilterEntries(const std::vector<wxString>& arrEntries,
                                               const wxString& strTyped);

  private:
    void BindHandlers();
    void OnTextChanged(wxCommandEvent& event);
    void OnDropDown(wxCommandEvent& event);
    void OnCloseUp(wxCommandEvent& event);
    void OnSelChange(wxCommandEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKillFocus(wxFocusEvent& event);

    void ShowTypedList(const std::vector<wxString>& arrItems);
    // Closes the typed-text list; without a choice the list items go too, the text stays.
    void HideTypedList(bool bChoice);
    // Picks item nIndex of the list as if chosen from the toolkit's list.
    void PickItem(int nIndex);

    // Replaces the list items, keeping the edit text and caret.
    void SetListItems(const std::vector<wxString>& arrItems);

    std::vector<wxString> m_arrHistory;
    // Set while the box changes its own list or text, so the text events that causes are dropped.
    bool m_bUpdating = false;
    // Set when an item was picked since the list opened: the list then closed with a choice.
    bool m_bPicked = false;
    bool m_bListShown = false;
    wxPopupWindow* m_pTypedPopup = nullptr;
    wxListBox* m_pTypedList = nullptr;
};
