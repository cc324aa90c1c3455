// CDlgFind: the small borderless box that searches the album grid (modeless find box with
// previous / next, match case and whole cell) and, run modally, the keyword prompt of the
// album filter. The grid's find flag (m_bFindOpen) follows the find box's visibility.
//
// UI thread only.
#pragma once

#include <functional>
#include <string>
#include <wx/dialog.h>

class CGridCtrl;
class wxCheckBox;
class wxButton;
class wxTextCtrl;

// Searches the grid from nStartRow (exclusive) down (nDirection 1) to the last row or up
// (nDirection 0) to the first non-fixed row, every column of a row in order. A cell matches
// when its text equals the keyword (bWholeCell) or contains it; bIgnoreCase folds both to lower
// case. On a match the row alone is selected and scrolled to the top of the view. Returns 1
// when a row was found, 0 when none. An empty keyword shows "关键字不能为空" (owned by
// pMsgParent) and returns 1, so no wrap-around follows.
int FindText(CGridCtrl& grid, int nStartRow, const wxString& strKeyword, int nDirection, bool bIgnoreCase,
             bool bWholeCell, wxWindow* pMsgParent = nullptr);

class CDlgFind : public wxDialog {
  public:
    enum {
        IDC_MATCH_CASE = 1033,
        IDC_WHOLE_CELL = 1034,
        IDC_NEXT = 1006,
        IDC_KEYWORD = 1639,
        IDC_CLOSE = 1699,
        IDC_PREV = 1701,
    };

    // The find box takes the main window as parent, the filter prompt none.
    explicit CDlgFind(wxWindow* pParent);

    CGridCtrl* m_pGrid = nullptr;
    int m_bFindMode = 1;         // 1 find box (modeless), 0 filter prompt (modal)
    std::u16string m_strKeyword; // the confirmed filter keyword

    // Shows the controls of the current mode (call after changing m_bFindMode).
    void ApplyMode();
    // One search step of "下一个" (bDown) or "上一个", with the wrap-around.
    void SearchStep(bool bDown);
    // "×" in find mode: clears the grid's find flag and hides the box.
    void HideFindBox();

    wxTextCtrl* KeywordEdit() const;
    wxCheckBox* MatchCaseBox() const;
    wxCheckBox* WholeCellBox() const;

  private:
    void OnNext(wxCommandEvent& event);
    void OnPrev(wxCommandEvent& event);
    void OnCloseButton(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    wxPoint m_ptDragOffset; // press point relative to the window while it is dragged
    bool m_bDragging = false;
};

// Link "查找": creates the find box on first use (kept in pDlgFind for the window's life), points
// it at the grid, sets the grid's find flag, shows the box centred over its parent.
void ShowFindBox(wxWindow* pParent, CDlgFind*& pDlgFind, CGridCtrl* pGrid);

// Link "筛选": hides the find box (clearing the find flag), runs the modal keyword prompt, and on
// OK sets strFilter to the keyword, cuts the grid back to its header row and calls rebuild
// (which adds only the matching albums and empties strFilter). Returns whether it was confirmed.
bool RunFilterPrompt(CDlgFind* pDlgFind, CGridCtrl* pGrid, std::u16string& strFilter,
                     const std::function<void()>& rebuild);
