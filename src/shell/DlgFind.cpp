#include "shell/DlgFind.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>

#include "grid/GridCtrl.h"
#include "text/StringCtrl.h"

int FindText(CGridCtrl& grid, int nStartRow, const wxString& strKeyword, int nDirection, bool bIgnoreCase,
             bool bWholeCell, wxWindow* pMsgParent)
{
    if (strKeyword.empty()) {
        wxMessageBox(wxT("关键字不能为空"), wxASCII_STR(wxMessageBoxCaptionStr), wxOK, pMsgParent);
        return 1;
    }
    wxString strKey = bIgnoreCase ? strKeyword.Lower() : strKeyword;
    auto Matches = [&](int nRow) {
        for (int c = 0; c < grid.ColumnCount(); ++c) {
            wxString strText = grid.CellText(nRow, c);
            if (bIgnoreCase)
                strText.MakeLower();
            if (bWholeCell ? strText == strKey : strText.Contains(strKey))
                return true;
        }
        return false;
    };
    int nStep = nDirection == 1 ? 1 : -1;
    int nEnd = nDirection == 1 ? grid.RowCount() : grid.HeaderRows() - 1;
    // Clamp the start so a stale row index can never walk outside the table.
    int r = std::clamp(nStartRow, grid.HeaderRows() - 1, grid.RowCount()) + nStep;
    for (; r != nEnd && r >= grid.HeaderRows() && r < grid.RowCount(); r += nStep)
        if (Matches(r)) {
            grid.SelectRowAndScroll(r);
            return 1;
        }
    return 0;
}

CDlgFind::CDlgFind(wxWindow* pParent)
    : wxDialog(pParent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE)
{
    auto Dlu = [this](int x, int y, int w, int h) {
        return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
    };
    wxRect rc = Dlu(1, 1, 116, 10);
    auto* pTitle = new wxStaticText(this, wxID_ANY, wxT("相册搜索"), rc.GetPosition(), rc.GetSize(),
                                    wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    rc = Dlu(119, 0, 11, 10);
    new wxButton(this, IDC_CLOSE, wxT("×"), rc.GetPosition(), rc.GetSize(), wxBU_EXACTFIT);
    rc = Dlu(1, 16, 29, 9);
    auto* pLabel = new wxStaticText(this, wxID_ANY, wxT("关键字:"), rc.GetPosition(), rc.GetSize());
    rc = Dlu(34, 15, 83, 14);
    new wxTextCtrl(this, IDC_KEYWORD, wxEmptyString, rc.GetPosition(), rc.GetSize(), wxTE_PROCESS_ENTER);
    rc = Dlu(3, 34, 53, 11);
    new wxCheckBox(this, IDC_MATCH_CASE, wxT("区分大小写"), rc.GetPosition(), rc.GetSize());
    rc = Dlu(77, 33, 45, 11);
    new wxCheckBox(this, IDC_WHOLE_CELL, wxT("全字匹配"), rc.GetPosition(), rc.GetSize());
    rc = Dlu(4, 50, 41, 17);
    new wxButton(this, IDC_PREV, wxT("上一个"), rc.GetPosition(), rc.GetSize());
    rc = Dlu(75, 50, 41, 17);
    auto* pNext = new wxButton(this, IDC_NEXT, wxT("下一个"), rc.GetPosition(), rc.GetSize());
    pNext->SetDefault();
    SetClientSize(ConvertDialogToPixels(wxSize(130, 71)));
    // Escape hides the box like "×", so the grid's find flag keeps following its visibility.
    SetEscapeId(IDC_CLOSE);

    Bind(wxEVT_BUTTON, &CDlgFind::OnNext, this, IDC_NEXT);
    Bind(wxEVT_BUTTON, &CDlgFind::OnPrev, this, IDC_PREV);
    Bind(wxEVT_BUTTON, &CDlgFind::OnCloseButton, this, IDC_CLOSE);
    // Enter in the keyword box presses the default button.
    Bind(wxEVT_TEXT_ENTER, &CDlgFind::OnNext, this, IDC_KEYWORD);
    Bind(wxEVT_CLOSE_WINDOW, &CDlgFind::OnClose, this);
    // Plain texts take no clicks of their own: a press on them drags the box as well.
    for (wxWindow* pWin :
         {static_cast<wxWindow*>(this), static_cast<wxWindow*>(pTitle), static_cast<wxWindow*>(pLabel)})
        pWin->Bind(wxEVT_LEFT_DOWN, &CDlgFind::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CDlgFind::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CDlgFind::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CDlgFind::OnCaptureLost, this);
    ApplyMode();
}

wxTextCtrl* CDlgFind::KeywordEdit() const
{
    return static_cast<wxTextCtrl*>(FindWindow(IDC_KEYWORD));
}
wxCheckBox* CDlgFind::MatchCaseBox() const
{
    return static_cast<wxCheckBox*>(FindWindow(IDC_MATCH_CASE));
}
wxCheckBox* CDlgFind::WholeCellBox() const
{
    return static_cast<wxCheckBox*>(FindWindow(IDC_WHOLE_CELL));
}

void CDlgFind::ApplyMode()
{
    bool bFind = m_bFindMode != 0;
    MatchCaseBox()->Show(bFind);
    WholeCellBox()->Show(bFind);
    FindWindow(IDC_PREV)->Show(bFind);
    FindWindow(IDC_NEXT)->SetLabel(bFind ? wxT("下一个") : wxT("筛选"));
}

void CDlgFind::SearchStep(bool bDown)
{
    if (!m_pGrid)
        return;
    wxString strKey = KeywordEdit()->GetValue().Strip(wxString::both);
    bool bIgnoreCase = !MatchCaseBox()->GetValue();
    bool bWhole = WholeCellBox()->GetValue();
    // The first selected row, or the row count when nothing is selected.
    int nStart = m_pGrid->SelectionBounds().minRow;
    if (m_pGrid->SelectedCellCount() == 0)
        nStart = m_pGrid->RowCount();
    if (FindText(*m_pGrid, nStart, strKey, bDown ? 1 : 0, bIgnoreCase, bWhole, this))
        return;
    // Wrap around once: from the top going down, from the bottom going up.
    int nFrom = bDown ? m_pGrid->HeaderRows() - 1 : m_pGrid->RowCount();
    FindText(*m_pGrid, nFrom, strKey, bDown ? 1 : 0, bIgnoreCase, bWhole, this);
}

void CDlgFind::HideFindBox()
{
    if (m_pGrid)
        m_pGrid->m_bFindOpen = false;
    Hide();
}

void CDlgFind::OnNext(wxCommandEvent&)
{
    if (m_bFindMode) {
        SearchStep(true);
        return;
    }
    wxString strKey = KeywordEdit()->GetValue().Strip(wxString::both);
    m_strKeyword = FromUtf8(strKey.utf8_string());
    EndDialog(wxID_OK);
}

void CDlgFind::OnPrev(wxCommandEvent&)
{
    if (m_bFindMode)
        SearchStep(false);
}

void CDlgFind::OnCloseButton(wxCommandEvent&)
{
    if (m_bFindMode)
        HideFindBox();
    else
        EndDialog(wxID_CANCEL);
}

void CDlgFind::OnClose(wxCloseEvent& event)
{
    // The find box lives as long as the main window; closing only hides it.
    if (m_bFindMode && event.CanVeto()) {
        event.Veto();
        HideFindBox();
        return;
    }
    event.Skip();
}

// The box has no caption bar: a press on its background drags it instead.
void CDlgFind::OnLeftDown(wxMouseEvent& event)
{
    m_ptDragOffset = wxGetMousePosition() - GetPosition();
    m_bDragging = true;
    CaptureMouse();
}

void CDlgFind::OnMotion(wxMouseEvent& event)
{
    if (m_bDragging && event.LeftIsDown())
        Move(wxGetMousePosition() - m_ptDragOffset);
}

void CDlgFind::OnLeftUp(wxMouseEvent&)
{
    if (m_bDragging) {
        m_bDragging = false;
        if (HasCapture())
            ReleaseMouse();
    }
}

void CDlgFind::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    m_bDragging = false;
}

void ShowFindBox(wxWindow* pParent, CDlgFind*& pDlgFind, CGridCtrl* pGrid)
{
    if (!pDlgFind)
        pDlgFind = new CDlgFind(pParent);
    pDlgFind->m_pGrid = pGrid;
    if (pGrid)
        pGrid->m_bFindOpen = true;
    pDlgFind->m_bFindMode = 1;
    pDlgFind->ApplyMode();
    pDlgFind->Show();
    pDlgFind->CentreOnParent();
}

bool RunFilterPrompt(CDlgFind* pDlgFind, CGridCtrl* pGrid, std::u16string& strFilter,
                     const std::function<void()>& rebuild)
{
    if (pDlgFind && pDlgFind->IsShown())
        pDlgFind->HideFindBox();
    if (pGrid)
        pGrid->m_bFindOpen = false;
    CDlgFind dlg(nullptr);
    dlg.m_bFindMode = 0;
    dlg.ApplyMode();
    dlg.CentreOnScreen();
    if (dlg.ShowModal() != wxID_OK)
        return false;
    strFilter = dlg.m_strKeyword;
    if (pGrid)
        pGrid->ResizeRows(1);
    if (rebuild)
        rebuild();
    return true;
}
