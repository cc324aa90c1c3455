// A window with an album-style grid of a few hundred rows, to look at the grid control.
#include "grid/MyGridCtrl.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/sizer.h>

namespace {

class CGridDemoFrame : public wxFrame {
  public:
    CGridDemoFrame() : wxFrame(nullptr, wxID_ANY, "Grid demo", wxDefaultPosition, wxSize(820, 560))
    {
        auto* pGrid = new CMyGridCtrl(this, 1003);
        for (int i = 0; i < 4; ++i)
            pGrid->DefaultCell(i & 1, i & 2)->SetMargin(8);
        pGrid->InitGrid(1, 1, 6, true);
        const wchar_t* headers[] = {L"序号", L"名称", L"数量", L"备注", L"", L""};
        const int widths[] = {50, 420, 50, 100, 0, 0};
        for (int c = 0; c < 6; ++c) {
            pGrid->PutCellText(0, c, headers[c]);
            pGrid->PutColumnWidth(c, widths[c]);
        }
        const wchar_t* privacy[] = {L"", L"加密相册", L"私密相册", L"好友可见"};
        for (int i = 0; i < 300; ++i) {
            int r = pGrid->AppendRow();
            pGrid->PutCellTextFmt(r, 0, "%04d", r);
            pGrid->PutCellData(r, 0, i);
            wxString name = wxString::Format(L"相册 %d: summer trip", i + 1);
            if (i % 4 == 1)
                name += " with a rather long description that does not fit into its column at all";
            pGrid->PutCellText(r, 1, name);
            pGrid->PutCellText(r, 2,
                               i % 7 == 0 ? wxString(L"未知") : wxString::Format("%4u", (i * 37) % 500));
            pGrid->PutCellText(r, 3, privacy[i % 4]);
        }
        pGrid->FitRowHeights();
        pGrid->MarkRange(2, 0, 3, 5);
        for (int c = 0; c < 6; ++c)
            pGrid->PutCellState(6, c, pGrid->CellState(6, c) | GVIS_SELECTED);
        pGrid->MoveFocus(6, 1);
        auto* pSizer = new wxBoxSizer(wxVERTICAL);
        pSizer->Add(pGrid, 1, wxEXPAND | wxALL, 6);
        SetSizer(pSizer);
    }
};

class CGridDemoApp : public wxApp {
  public:
    bool OnInit() override
    {
        (new CGridDemoFrame)->Show();
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP(CGridDemoApp);
