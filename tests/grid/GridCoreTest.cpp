// The grid's model, painting and sorting, in a real window under Xvfb.
#include "GridTestSupport.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/imaglist.h>

using namespace albumora_test;

namespace {

// Paints the grid into a bitmap the size of its client area.
wxImage Render(CGridCtrl* pGrid)
{
    wxSize size = pGrid->GetClientSize();
    wxBitmap bmp(size.x, size.y);
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        pGrid->PaintGrid(dc);
    }
    return bmp.ConvertToImage();
}

int CountPixels(const wxImage& img, const wxRect& rc, unsigned char r, unsigned char g, unsigned char b)
{
    int n = 0;
    for (int y = rc.y; y < rc.GetBottom(); ++y)
        for (int x = rc.x; x < rc.GetRight(); ++x)
            if (img.GetRed(x, y) == r && img.GetGreen(x, y) == g && img.GetBlue(x, y) == b)
                ++n;
    return n;
}

} // namespace

TEST(GridCore, InitGridSetsTheAlbumGridLook)
{
    CGridWindow w(3);
    CMyGridCtrl* g = w.pGrid;
    EXPECT_TRUE(g->m_bHeaderSort);
    EXPECT_TRUE(g->m_bRenumberRows);
    EXPECT_TRUE(g->m_bDragOut);
    EXPECT_FALSE(g->m_bFocusFrame);
    EXPECT_TRUE(g->GetRowSelect());
    EXPECT_EQ(g->m_crWindowColour, wxColour(255, 255, 255));
    EXPECT_EQ(g->m_crSelBkColour, wxColour(199, 227, 227));
    EXPECT_EQ(g->m_crFocusSelBkColour, wxColour(199, 227, 227));
    EXPECT_EQ(g->m_crSelTextColour, wxColour(0, 0, 0));
    EXPECT_EQ(g->HeaderRows(), 1);
    EXPECT_EQ(g->HeaderColumns(), 0);
    EXPECT_EQ(g->ColumnCount(), 6);
    EXPECT_EQ(g->DefaultCell(false, false)->GetFormat(), 0x8824u);
    EXPECT_EQ(g->GetName(), "MyGridCtrl");
    // Header cells carry the fixed-row bits, others none.
    EXPECT_EQ(g->CellState(0, 2) & (GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL), GVIS_FIXED | GVIS_FIXEDROW);
    EXPECT_EQ(g->CellState(1, 2) & GVIS_FIXED, 0u);
}

TEST(GridCore, OperationsOutsideTheTableAreHarmless)
{
    CGridWindow w(3);
    CGridCtrl* g = w.pGrid;
    for (auto [r, c] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {4, 0}, {0, 6}, {100, 100}}) {
        SCOPED_TRACE(testing::Message() << r << "," << c);
        EXPECT_EQ(g->CellAt(r, c), nullptr);
        EXPECT_FALSE(g->PutCellText(r, c, "x"));
        EXPECT_EQ(g->CellText(r, c), "");
        EXPECT_EQ(g->CellData(r, c), 0u);
        EXPECT_EQ(g->CellImage(r, c), -1);
        EXPECT_FALSE(g->PutCellState(r, c, GVIS_SELECTED));
        EXPECT_FALSE(g->CellSelected(r, c));
        wxRect rc;
        EXPECT_FALSE(g->CellRect(r, c, rc));
    }
    EXPECT_FALSE(g->PutColumnWidth(6, 10));
    EXPECT_FALSE(g->PutRowHeight(-1, 10));
    EXPECT_FALSE(g->FitColumnWidth(9));
    g->SortRowsBy(7, true);
    EXPECT_EQ(g->SortColumn(), -1);
    EXPECT_EQ(g->NextSelectedRow(50), -1);
    CCellRange b = g->SelectionBounds();
    EXPECT_EQ(b.minRow, 4);
    EXPECT_EQ(b.minCol, 6);
    EXPECT_EQ(b.maxRow, -1);
    EXPECT_EQ(b.maxCol, -1);
}

TEST(GridCore, RowAndColumnCountChangesKeepSelectionAndFocusConsistent)
{
    CGridWindow w(10);
    CGridCtrl* g = w.pGrid;
    g->SortRowsBy(2, true);
    g->MarkRange(8, 0, 9, 5);
    g->MoveFocus(9, 1);
    ASSERT_EQ(g->SelectedCellCount(), 12u);
    // Shrinking drops the selected cells and the focus beyond.
    EXPECT_TRUE(g->ResizeRows(9));
    EXPECT_EQ(g->SelectedCellCount(), 6u);
    EXPECT_EQ(g->FocusCell(), CCellID());
    EXPECT_TRUE(g->ResizeColumns(4));
    EXPECT_EQ(g->SelectedCellCount(), 4u);
    EXPECT_EQ(g->SelectionBounds().maxCol, 3);

    int nRow = g->AppendRow();
    EXPECT_EQ(nRow, 9);
    EXPECT_EQ(g->RowCount(), 10);
    EXPECT_EQ(g->CellText(nRow, 0), "");
    EXPECT_EQ(g->RowHeight(nRow), g->DefaultCell(true, false)->GetHeight());
    EXPECT_EQ(g->SortColumn(), -1); // a new row unsorts the table

    // Setting state through the grid keeps the selected-cell map in step.
    g->PutCellState(nRow, 1, GVIS_SELECTED);
    EXPECT_EQ(g->NextSelectedRow(8), nRow);
    g->PutCellState(nRow, 1, 0);
    EXPECT_EQ(g->NextSelectedRow(8), -1);

    g->SortRowsBy(1, true);
    g->PutCellText(2, 1, "changed");
    EXPECT_TRUE(g->CellState(2, 1) & GVIS_MODIFIED);
    EXPECT_EQ(g->SortColumn(), -1);

    g->ClearGrid();
    EXPECT_EQ(g->RowCount(), 0);
    EXPECT_EQ(g->ColumnCount(), 0);
    EXPECT_EQ(g->SelectedCellCount(), 0u);
    EXPECT_TRUE(g->IsModified());
    EXPECT_EQ(g->AppendRow(), 0); // a column is created first
    EXPECT_EQ(g->ColumnCount(), 1);
}

TEST(GridCore, SelectionKeysStayDistinctBeyond65535Rows)
{
    CGridWindow w(0);
    CGridCtrl* g = w.pGrid;
    g->ResizeColumns(2);
    g->ResizeRows(70001);
    g->PutCellState(65537, 0, GVIS_SELECTED);
    EXPECT_FALSE(g->CellSelected(1, 1));
    EXPECT_EQ(g->NextSelectedRow(-1), 65537);
    g->PutCellState(1, 1, GVIS_SELECTED);
    g->PutCellState(1, 1, 0);
    EXPECT_TRUE(g->CellSelected(65537, 0));
    EXPECT_EQ(g->SelectedCellCount(), 1u);
    CCellRange b = g->SelectionBounds();
    EXPECT_EQ(b.minRow, 65537);
    EXPECT_EQ(b.maxCol, 0);
}

TEST(GridCore, SelectEverythingAndNextSelectedRow)
{
    CGridWindow w(50);
    CGridCtrl* g = w.pGrid;
    g->SelectEverything();
    EXPECT_EQ(w.notifications, (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_EQ(g->SelectedCellCount(), 50u * 6);
    EXPECT_FALSE(g->CellSelected(0, 1)); // never the header
    int n = 0;
    for (int r = g->NextSelectedRow(-1); r != -1; r = g->NextSelectedRow(r))
        EXPECT_EQ(r, ++n);
    EXPECT_EQ(n, 50);
    g->m_bSelectable = false;
    g->MarkRange(-1, -1, -1, -1);
    EXPECT_EQ(g->SelectedCellCount(), 300u); // selection switched off: nothing changes
    g->m_bSelectable = true;
    g->MarkRange(-1, -1, -1, -1);
    EXPECT_EQ(g->SelectedCellCount(), 0u);
}

TEST(GridCore, SortKeepsEqualRowsTogetherAndUsesTheCompareFunction)
{
    CGridWindow w(0);
    CGridCtrl* g = w.pGrid;
    const char* keys[] = {"b", "a", "c", "b", "a", "B", "", "a"};
    for (const char* k : keys) {
        int r = g->AppendRow();
        g->PutCellText(r, 2, k);
        g->PutRowHeight(r, 20 + r); // heights travel with their rows
    }
    g->SortRowsBy(2, true);
    std::vector<wxString> got;
    for (int r = 1; r < g->RowCount(); ++r) {
        got.push_back(g->CellText(r, 2));
        int nOrig = g->RowHeight(r) - 20;
        EXPECT_EQ(wxString(keys[nOrig - 1]), g->CellText(r, 2));
    }
    EXPECT_EQ(got, (std::vector<wxString>{"", "B", "a", "a", "a", "b", "b", "c"}));

    // Numbers by value, descending.
    g->ClearGrid();
    g->ResizeColumns(1);
    g->SetHeaderRows(1);
    for (int v : {5, 100, 20, 3}) {
        int r = g->AppendRow();
        g->PutCellTextFmt(r, 0, "%d", v);
    }
    g->SetCompareFunction([](const CGridCellBase* a, const CGridCellBase* b) {
        long x = 0, y = 0;
        a->GetText().ToLong(&x);
        b->GetText().ToLong(&y);
        return x < y ? -1 : x > y;
    });
    g->SortRowsBy(0, false);
    EXPECT_EQ(g->CellText(1, 0), "100");
    EXPECT_EQ(g->CellText(4, 0), "3");
}

TEST(GridCore, TextThatDoesNotFitEndsInAnEllipsis)
{
    CGridWindow w(1);
    wxMemoryDC dc;
    wxBitmap bmp(10, 10);
    dc.SelectObject(bmp);
    dc.SetFont(w.pGrid->DefaultCell(false, false)->GetFontObject());
    const uint32_t kFmt = w.pGrid->DefaultCell(false, false)->GetFormat();
    wxString strLong = L"相册 with a name that is much too long for eighty pixels";
    wxString cut = GridFitText(dc, strLong, 80, kFmt);
    EXPECT_TRUE(cut.EndsWith("...")) << cut;
    EXPECT_LE(dc.GetTextExtent(cut).x, 80);
    EXPECT_EQ(GridFitText(dc, "short", 80, kFmt), "short");
    EXPECT_EQ(GridFitText(dc, strLong, 80, DT_SINGLELINE), strLong); // no ellipsis asked for
}

TEST(GridCore, PaintingVisitsOnlyVisibleCellsAndSkipsHiddenColumns)
{
    auto paintedCells = [](int nRows, int nHiddenCol) {
        CGridWindow w(nRows);
        if (nHiddenCol >= 0)
            w.pGrid->PutColumnWidth(nHiddenCol, 0);
        Render(w.pGrid);
        CCellRange vis = w.pGrid->VisibleNonFixedCellRange();
        int nVisibleRows = vis.maxRow - vis.minRow + 1;
        return std::make_pair(w.pGrid->LastPaintCellCount(), nVisibleRows);
    };
    auto [nSmall, nRowsSmall] = paintedCells(100, -1);
    auto [nLarge, nRowsLarge] = paintedCells(20000, -1);
    EXPECT_EQ(nRowsSmall, nRowsLarge);
    EXPECT_LT(nRowsSmall, 30);
    EXPECT_EQ(nSmall, nLarge);
    // Four shown columns (the two zero-width ones are skipped), header row included.
    EXPECT_EQ(nSmall, (nRowsSmall + 1) * 4);
    auto [nHidden, nRowsHidden] = paintedCells(100, 2);
    EXPECT_EQ(nHidden, (nRowsHidden + 1) * 3);
}

TEST(GridCore, EmptyGridPaintsBackgroundAndHeaderOnly)
{
    CGridWindow w(0);
    wxImage img = Render(w.pGrid);
    EXPECT_EQ(w.pGrid->LastPaintCellCount(), 4); // the header row
    int nHeaderH = w.pGrid->RowHeight(0);
    wxSize client = w.pGrid->GetClientSize();
    wxRect below(0, nHeaderH + 2, client.x, client.y - nHeaderH - 2);
    EXPECT_EQ(CountPixels(img, below, 255, 255, 255), (below.width - 1) * (below.height - 1));

    w.pGrid->ClearGrid();
    img = Render(w.pGrid);
    EXPECT_EQ(w.pGrid->LastPaintCellCount(), 0);
    wxRect all(0, 0, client.x, client.y);
    EXPECT_EQ(CountPixels(img, all, 255, 255, 255), (all.width - 1) * (all.height - 1));
}

TEST(GridCore, PictureLargerThanItsCellIsNotDrawn)
{
    CGridWindow w(3);
    CGridCtrl* g = w.pGrid;
    wxImageList images(40, 40, false, 1);
    wxImage red(40, 40);
    red.SetRGB(wxRect(0, 0, 40, 40), 255, 0, 0);
    images.Add(wxBitmap(red));
    g->SetImageList(&images);
    g->PutCellImage(2, 1, 0);
    g->PutCellText(2, 1, "cover");
    CGridCellBase* pCell = g->CellAt(2, 1);
    pCell->bImageAbove = 1;
    const int nMargin = pCell->GetMargin();

    g->PutRowHeight(2, 30);
    wxRect rc;
    ASSERT_TRUE(g->CellRect(2, 1, rc));
    EXPECT_EQ(CountPixels(Render(g), rc, 255, 0, 0), 0);

    // Tall enough: drawn at the top-left inside the margin, text below the picture.
    g->FitRowHeights();
    wxClientDC cdc(g);
    int nTextH = pCell->GetTextExtent("cover", &cdc).y;
    EXPECT_EQ(g->RowHeight(2), nTextH + 40 + 2 * nMargin + 1);
    ASSERT_TRUE(g->CellRect(2, 1, rc));
    wxImage img = Render(g);
    EXPECT_EQ(CountPixels(img, wxRect(rc.x + nMargin, rc.y + nMargin, 41, 41), 255, 0, 0), 40 * 40);
    EXPECT_EQ(CountPixels(img, rc, 255, 0, 0), 40 * 40);
    wxRect rcText = rc;
    pCell->GetTextRect(rcText);
    EXPECT_EQ(rcText.y, rc.y + nMargin + 40 + nMargin + 1);
    EXPECT_EQ(rcText.x, rc.x + nMargin);
    g->SetImageList(nullptr);
}
