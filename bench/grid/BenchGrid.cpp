// Grid control figures for a 100,000-row, 6-column album grid, with a 100-row grid beside it to
// show that painting a screen and clicking do not grow with the table.
// Run under a display: xvfb-run -a ./albumora-bench-grid [rows]
#include "grid/MyGridCtrl.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/init.h>

namespace {

using Clock = std::chrono::steady_clock;

double Millis(const std::function<void()>& fn, int nRepeat = 1)
{
    auto t0 = Clock::now();
    for (int i = 0; i < nRepeat; ++i)
        fn();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / nRepeat;
}

void Pump()
{
    for (int i = 0; i < 20; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxYield();
    }
}

struct CBenchGrid {
    wxFrame* pFrame;
    CMyGridCtrl* pGrid;
    double msBuild = 0;

    explicit CBenchGrid(int nRows)
    {
        pFrame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(900, 700));
        pGrid = new CMyGridCtrl(pFrame, 1003, wxPoint(0, 0), pFrame->GetClientSize());
        pFrame->Show();
        Pump();
        msBuild = Millis([&] {
            for (int i = 0; i < 4; ++i)
                pGrid->DefaultCell(i & 1, i & 2)->SetMargin(8);
            pGrid->InitGrid(1, 1, 6, true);
            const wchar_t* headers[] = {L"序号", L"名称", L"数量", L"备注", L"", L""};
            const int widths[] = {50, 575, 50, 100, 0, 0};
            for (int c = 0; c < 6; ++c) {
                pGrid->PutCellText(0, c, headers[c]);
                pGrid->PutColumnWidth(c, widths[c]);
            }
            for (int i = 0; i < nRows; ++i) {
                int r = pGrid->AppendRow();
                pGrid->PutCellTextFmt(r, 0, "%04d", r);
                pGrid->PutCellData(r, 0, i);
                pGrid->PutCellText(r, 1, wxString::Format(L"相册 %u", (i * 2654435761u) % 1000003u));
                pGrid->PutCellTextFmt(r, 2, "%4u", (i * 13) % 500);
                pGrid->PutCellText(r, 3, i % 3 ? L"" : L"私密相册");
                pGrid->PutCellText(r, 4, "");
                pGrid->PutCellText(r, 5, "");
            }
        });
        Pump();
    }
    ~CBenchGrid() { pFrame->Destroy(); }

    double PaintScreen()
    {
        wxSize size = pGrid->GetClientSize();
        wxBitmap bmp(size.x, size.y);
        wxMemoryDC dc(bmp);
        pGrid->PaintGrid(dc); // warm-up: fonts and layout caches
        return Millis([&] { pGrid->PaintGrid(dc); }, 50);
    }

    void MouseAt(wxEventType type, wxPoint pt)
    {
        wxMouseEvent e(type);
        e.SetPosition(pt);
        e.SetEventObject(pGrid);
        pGrid->GetEventHandler()->ProcessEvent(e);
    }

    double ClickRow(int nRow)
    {
        wxRect rc;
        pGrid->CellRect(nRow, 1, rc);
        wxPoint pt(rc.x + 20, rc.y + rc.height / 2);
        return Millis([&] {
            MouseAt(wxEVT_LEFT_DOWN, pt);
            MouseAt(wxEVT_LEFT_UP, pt);
        });
    }
};

void Run(int nRows)
{
    CBenchGrid small(100);
    CBenchGrid big(nRows);
    std::printf("grid bench: %d rows x 6 columns (and a 100-row grid for comparison)\n", nRows);
    std::printf("  build rows (AppendRow + 6 texts each) %10.1f ms\n", big.msBuild);
    double paintSmall = small.PaintScreen(), paintBig = big.PaintScreen();
    std::printf("  paint one screen, 100 rows            %10.3f ms (%d cells)\n", paintSmall,
                small.pGrid->LastPaintCellCount());
    std::printf("  paint one screen, %d rows         %10.3f ms (%d cells)\n", nRows, paintBig,
                big.pGrid->LastPaintCellCount());
    double msFit = Millis([&] { big.pGrid->FitRowHeights(); });
    std::printf("  FitRowHeights                         %10.1f ms (row 1: %d px)\n", msFit,
                big.pGrid->RowHeight(1));
    double msAll = Millis([&] { big.pGrid->SelectEverything(); });
    std::printf("  SelectEverything                      %10.1f ms (%zu cells)\n", msAll,
                big.pGrid->SelectedCellCount());
    int nFound = 0;
    double msNext = Millis([&] {
        for (int r = big.pGrid->NextSelectedRow(-1); r != -1; r = big.pGrid->NextSelectedRow(r))
            ++nFound;
    });
    std::printf("  NextSelectedRow over full selection   %10.1f ms (%d rows)\n", msNext, nFound);
    small.pGrid->SelectEverything();
    std::printf("  click a row, all selected, 100 rows   %10.3f ms\n", small.ClickRow(5));
    std::printf("  click a row, all selected, %d rows %9.3f ms\n", nRows, big.ClickRow(5));
    std::printf("  click a row, one more, %d rows     %9.3f ms\n", nRows, big.ClickRow(5));
    big.pGrid->MarkRange(-1, -1, -1, -1);
    // Header click on "名称": sort under the wait cursor, then renumber "序号".
    wxRect rcHeader;
    big.pGrid->CellRect(0, 1, rcHeader);
    double msSort = Millis([&] {
        big.MouseAt(wxEVT_LEFT_DOWN, wxPoint(rcHeader.x + 20, rcHeader.y + 5));
        big.MouseAt(wxEVT_LEFT_UP, wxPoint(rcHeader.x + 20, rcHeader.y + 5));
    });
    std::printf("  header-click sort + renumber          %10.1f ms (first \"%s\", row 1 \"%s\")\n", msSort,
                (const char*)big.pGrid->CellText(1, 0).utf8_str(),
                (const char*)big.pGrid->CellText(1, 1).utf8_str());
    double msSort2 = Millis([&] {
        big.MouseAt(wxEVT_LEFT_DOWN, wxPoint(rcHeader.x + 20, rcHeader.y + 5));
        big.MouseAt(wxEVT_LEFT_UP, wxPoint(rcHeader.x + 20, rcHeader.y + 5));
    });
    std::printf("  header-click sort again (descending)  %10.1f ms\n", msSort2);
    Pump();
}

} // namespace

int main(int argc, char** argv)
{
    int nRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    wxApp::SetInstance(new wxApp);
    wxEntryStart(argc, argv);
    wxTheApp->CallOnInit();
    Run(nRows);
    Pump();
    wxEntryCleanup();
    return 0;
}
