// A real top-level window holding an album-style grid, and helpers that drive it with mouse and
// key events delivered to the window's own handlers.
#pragma once

#include "grid/MyGridCtrl.h"
#include "grid/TitleTip.h"
#include "gui_support.h"

#include <gtest/gtest.h>
#include <vector>
#include <wx/frame.h>

namespace albumora_test {

struct CGridWindow {
    wxFrame* pFrame = nullptr;
    CMyGridCtrl* pGrid = nullptr;
    std::vector<int> notifications; // codes in order
    std::vector<CCellID> notifiedCells;
    int nCommands = 0;

    // List-mode album grid: header row, columns "序号", "名称", "数量", "备注" and two hidden ones.
    explicit CGridWindow(int nRows = 20, wxSize size = wxSize(700, 500))
    {
        pFrame = new wxFrame(nullptr, wxID_ANY, "grid test", wxPoint(0, 0), size);
        pGrid = new CMyGridCtrl(pFrame, 1003, wxPoint(0, 0), pFrame->GetClientSize());
        for (int i = 0; i < 4; ++i)
            pGrid->DefaultCell(i & 1, i & 2)->SetMargin(8);
        pGrid->InitGrid(1, 1, 6, true);
        const wchar_t* headers[] = {L"序号", L"名称", L"数量", L"备注", L"", L""};
        const int widths[] = {50, 300, 50, 100, 0, 0};
        for (int c = 0; c < 6; ++c) {
            pGrid->PutCellText(0, c, headers[c]);
            pGrid->PutColumnWidth(c, widths[c]);
        }
        for (int i = 0; i < nRows; ++i) {
            int r = pGrid->AppendRow();
            pGrid->PutCellTextFmt(r, 0, "%04d", r);
            pGrid->PutCellData(r, 0, i);
            pGrid->PutCellText(r, 1, wxString::Format("album %c%d", 'a' + (i * 7) % 26, i));
            pGrid->PutCellTextFmt(r, 2, "%4u", (i * 13) % 50);
            pGrid->PutCellText(r, 3, "");
        }
        pGrid->FitRowHeights();
        pGrid->Bind(EVT_GRIDCTRL_NOTIFY, [this](CGridNotifyEvent& e) {
            notifications.push_back(e.GetCode());
            notifiedCells.push_back(CCellID(e.GetRow(), e.GetColumn()));
        });
        pGrid->Bind(EVT_GRIDCTRL_COMMAND, [this](wxCommandEvent&) { ++nCommands; });
        pFrame->Show();
        PumpUntil([this] { return pGrid->IsShownOnScreen(); }, 5000);
        PumpEvents(100);
    }
    ~CGridWindow()
    {
        pFrame->Destroy();
        PumpEvents(20);
    }

    wxPoint CellCentre(int nRow, int nCol) const
    {
        wxRect rc;
        EXPECT_TRUE(pGrid->CellRect(nRow, nCol, rc)) << nRow << "," << nCol;
        return wxPoint(rc.x + rc.width / 2, rc.y + rc.height / 2);
    }

    void Mouse(wxEventType type, wxPoint pt, bool bCtrl = false, bool bShift = false)
    {
        wxMouseEvent e(type);
        e.SetPosition(pt);
        e.SetControlDown(bCtrl);
        e.SetShiftDown(bShift);
        e.m_leftDown = type == wxEVT_LEFT_DOWN || (type == wxEVT_MOTION && pGrid->HasCapture());
        e.SetEventObject(pGrid);
        e.SetId(pGrid->GetId());
        pGrid->GetEventHandler()->ProcessEvent(e);
    }

    void Click(int nRow, int nCol, bool bShift = false)
    {
        wxPoint pt = CellCentre(nRow, nCol);
        Mouse(wxEVT_LEFT_DOWN, pt, false, bShift);
        Mouse(wxEVT_LEFT_UP, pt, false, bShift);
    }

    void Key(int nKey, bool bShift = false, bool bCtrl = false)
    {
        wxKeyEvent e(wxEVT_KEY_DOWN);
        e.m_keyCode = nKey;
        e.SetShiftDown(bShift);
        e.SetControlDown(bCtrl);
        e.SetEventObject(pGrid);
        pGrid->GetEventHandler()->ProcessEvent(e);
    }

    std::vector<int> SelectedRows() const
    {
        std::vector<int> rows;
        for (int r = pGrid->NextSelectedRow(-1); r != -1; r = pGrid->NextSelectedRow(r))
            rows.push_back(r);
        return rows;
    }

    // The x of the right edge of a column in the header row.
    int DividerX(int nCol) const
    {
        wxRect rc;
        EXPECT_TRUE(pGrid->CellRect(0, nCol, rc));
        return rc.x + pGrid->ColumnWidth(nCol);
    }
};

} // namespace albumora_test
