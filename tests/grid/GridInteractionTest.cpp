// Selection by mouse and keyboard, header sorting, copy, column sizing, scrolling and title tips,
// in a real window under Xvfb.
#include "GridTestSupport.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/uiaction.h>

using namespace albumora_test;
using Rows = std::vector<int>;

TEST(GridInteraction, RealClicksToggleRowsOneByOne)
{
    CGridWindow w;
    w.pFrame->Raise();
    PumpEvents(100);
    wxUIActionSimulator sim;
    auto clickAt = [&](int nRow) {
        sim.MouseMove(w.pGrid->ClientToScreen(w.CellCentre(nRow, 1)));
        PumpEvents(30);
        sim.MouseClick();
        PumpEvents(60);
    };
    clickAt(1);
    clickAt(2);
    clickAt(3);
    ASSERT_TRUE(PumpUntil([&] { return w.SelectedRows() == Rows({1, 2, 3}); }, 3000));
    clickAt(2);
    ASSERT_TRUE(PumpUntil([&] { return w.SelectedRows() == Rows({1, 3}); }, 3000));
    // Whole rows, hidden columns included.
    for (int c = 0; c < 6; ++c)
        EXPECT_TRUE(w.pGrid->CellSelected(3, c)) << c;
    EXPECT_GE(w.nCommands, 4);
}

TEST(GridInteraction, ClickNotifiesOwnerInOrder)
{
    CGridWindow w;
    w.Click(4, 1);
    EXPECT_EQ(w.notifications, (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED, GVN_CLICK}));
    EXPECT_EQ(w.notifiedCells.back(), CCellID(4, 1));
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(4, 1));
    // The command event is posted, not sent.
    EXPECT_EQ(w.nCommands, 0);
    ASSERT_TRUE(PumpUntil([&] { return w.nCommands == 1; }, 2000));
}

TEST(GridInteraction, FindOpenMakesClicksPlainAndShiftDoesNotExtend)
{
    CGridWindow w;
    w.pGrid->m_bFindOpen = true;
    w.Click(1, 1);
    w.Click(3, 1);
    EXPECT_EQ(w.SelectedRows(), Rows({3}));
    w.Click(6, 1, /*shift*/ true);
    EXPECT_EQ(w.SelectedRows(), Rows({6}));
    // Outside row selection the find flag changes nothing: clicks toggle as usual.
    w.pGrid->m_bFindOpen = false;
    w.Click(1, 1);
    EXPECT_EQ(w.SelectedRows(), Rows({1, 6}));
    // Shift extends from the last plain press and keeps what was selected.
    w.Click(4, 1, true);
    EXPECT_EQ(w.SelectedRows(), Rows({1, 2, 3, 4, 6}));
}

TEST(GridInteraction, DragExtendsAboveThePreviousSelectionAndShrinksBack)
{
    CGridWindow w;
    w.Click(8, 1);
    w.Mouse(wxEVT_LEFT_DOWN, w.CellCentre(2, 1));
    w.Mouse(wxEVT_MOTION, w.CellCentre(5, 1));
    EXPECT_EQ(w.SelectedRows(), Rows({2, 3, 4, 5, 8}));
    // Moving back releases what the drag swept, never what was selected before the press.
    w.Mouse(wxEVT_MOTION, w.CellCentre(3, 1));
    EXPECT_EQ(w.SelectedRows(), Rows({2, 3, 8}));
    w.Mouse(wxEVT_LEFT_UP, w.CellCentre(3, 1));
    // Clearing the selection afterwards must not bring back an old press's selection.
    w.pGrid->MarkRange(-1, -1, -1, -1);
    EXPECT_EQ(w.SelectedRows(), Rows({}));
}

TEST(GridInteraction, ArrowKeysMoveFocusReplaceAndExtendSelection)
{
    CGridWindow w;
    w.Click(2, 1);
    w.Click(5, 1);
    w.Key(WXK_DOWN);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(6, 1));
    EXPECT_EQ(w.SelectedRows(), Rows({6}));
    w.Key(WXK_DOWN, true);
    w.Key(WXK_DOWN, true);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(8, 1));
    EXPECT_EQ(w.SelectedRows(), Rows({6, 7, 8}));
    w.Key(WXK_UP);
    EXPECT_EQ(w.SelectedRows(), Rows({7}));
    // Not above the first non-fixed row.
    w.Key(WXK_HOME, false, true);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(1, 0));
    w.Key(WXK_UP);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(1, 0));
}

TEST(GridInteraction, KeyboardSkipsHiddenColumnsAndRows)
{
    CGridWindow w(10);
    w.pGrid->SetRowSelect(false);
    w.pGrid->PutColumnWidth(2, 0);
    w.pGrid->PutRowHeight(3, 0);
    w.Click(2, 1);
    w.Key(WXK_RIGHT);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(2, 3));
    w.Key(WXK_RIGHT); // columns 4 and 5 are hidden: nothing to move to
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(2, 3));
    w.Key(WXK_LEFT);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(2, 1));
    w.Key(WXK_DOWN);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(4, 1));
    w.Key(WXK_END);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(4, 3));
    // Tab wraps to the first visible column of the next visible row; at the last cell it stops.
    w.Key(WXK_TAB);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(5, 0));
    w.Key(WXK_TAB, true);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(4, 3));
    w.Key(WXK_END, false, true);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(10, 3));
    w.Key(WXK_TAB);
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(10, 3));
    // Cell mode selects the cell, not the row.
    EXPECT_TRUE(w.pGrid->CellSelected(10, 3));
    EXPECT_FALSE(w.pGrid->CellSelected(10, 1));
}

TEST(GridInteraction, HeaderClicksSortBothWaysAndRenumber)
{
    CGridWindow w(12);
    auto names = [&] {
        std::vector<wxString> v;
        for (int r = 1; r < w.pGrid->RowCount(); ++r)
            v.push_back(w.pGrid->CellText(r, 1));
        return v;
    };
    auto numbers = [&] {
        std::vector<wxString> v;
        for (int r = 1; r < w.pGrid->RowCount(); ++r)
            v.push_back(w.pGrid->CellText(r, 0));
        return v;
    };
    std::vector<wxString> expectNumbers;
    for (int i = 1; i <= 12; ++i)
        expectNumbers.push_back(wxString::Format("%04d", i));

    w.Click(3, 1);
    w.Click(0, 1);
    auto asc = names();
    EXPECT_TRUE(std::is_sorted(asc.begin(), asc.end()));
    EXPECT_EQ(numbers(), expectNumbers);
    EXPECT_EQ(w.pGrid->SortColumn(), 1);
    EXPECT_TRUE(w.pGrid->SortAscending());
    EXPECT_EQ(w.SelectedRows(), Rows({}));

    w.Click(0, 1);
    auto desc = names();
    EXPECT_EQ(desc, std::vector<wxString>(asc.rbegin(), asc.rend()));
    EXPECT_FALSE(w.pGrid->SortAscending());
    EXPECT_EQ(numbers(), expectNumbers);

    // Rows keep their data: the album index moved with its name.
    for (int r = 1; r < w.pGrid->RowCount(); ++r) {
        int i = static_cast<int>(w.pGrid->CellData(r, 0));
        EXPECT_TRUE(w.pGrid->CellText(r, 1).EndsWith(wxString::Format("%d", i))) << r;
    }
    // "序号" only renumbers.
    w.Click(0, 0);
    EXPECT_EQ(w.pGrid->SortColumn(), 1);
    EXPECT_EQ(names(), desc);
}

TEST(GridInteraction, CopyGivesTabbedLinesWithoutTrailingLineEnd)
{
    CGridWindow w;
    w.Click(2, 1);
    w.Click(4, 1);
    // Zero-width columns are left out; the row between is not selected and is skipped.
    wxString expected = w.pGrid->CellText(2, 0) + "\t" + w.pGrid->CellText(2, 1) + "\t" +
                        w.pGrid->CellText(2, 2) + "\t" + "\r\n" + "\t\t\t" + "\r\n" +
                        w.pGrid->CellText(4, 0) + "\t" + w.pGrid->CellText(4, 1) + "\t" +
                        w.pGrid->CellText(4, 2) + "\t";
    EXPECT_EQ(w.pGrid->SelectionText(), expected);

    w.Click(3, 1);
    w.Click(4, 1);
    // Two rows, two lines, the last without a line end; Chinese text survives.
    w.pGrid->PutCellText(2, 1, L"相册 甲");
    w.Key('C', false, true);
    wxString clip;
    {
        wxClipboardLocker lock;
        ASSERT_TRUE(!!lock);
        wxTextDataObject data;
        ASSERT_TRUE(wxTheClipboard->GetData(data));
        clip = data.GetText();
    }
    wxString line2 =
        w.pGrid->CellText(2, 0) + "\t" + wxString(L"相册 甲") + "\t" + w.pGrid->CellText(2, 2) + "\t";
    wxString line3 =
        w.pGrid->CellText(3, 0) + "\t" + w.pGrid->CellText(3, 1) + "\t" + w.pGrid->CellText(3, 2) + "\t";
    EXPECT_EQ(clip, line2 + "\r\n" + line3);
}

TEST(GridInteraction, DividerDragLeavesOnePixelAndDoubleClickFits)
{
    CGridWindow w;
    w.pGrid->PutCellText(5, 1, "a much longer album name than any other in this grid");
    int x = w.DividerX(1);
    int y = 5;
    w.Mouse(wxEVT_MOTION, wxPoint(x, y));
    EXPECT_EQ(w.pGrid->MouseMode(), MOUSE_OVER_COL_DIVIDE);
    w.Mouse(wxEVT_LEFT_DOWN, wxPoint(x, y));
    EXPECT_EQ(w.pGrid->MouseMode(), MOUSE_SIZING_COL);
    w.Mouse(wxEVT_MOTION, wxPoint(-200, y));
    w.Mouse(wxEVT_LEFT_UP, wxPoint(-200, y));
    EXPECT_EQ(w.pGrid->ColumnWidth(1), 1);
    EXPECT_EQ(w.pGrid->MouseMode(), MOUSE_NOTHING);
    EXPECT_EQ(w.SelectedRows(), Rows({})); // sizing selects nothing

    // The expected fit: widest cell over header and data rows, plus one.
    int nWidest = 0;
    for (int r = 0; r < w.pGrid->RowCount(); ++r)
        nWidest = std::max(nWidest, w.pGrid->CellAt(r, 1)->GetCellExtent().x);
    // A double click as GTK delivers it: down, up, down, double click, up.
    x = w.DividerX(1);
    for (wxEventType t : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DOWN, wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP})
        w.Mouse(t, wxPoint(x, y));
    EXPECT_EQ(w.pGrid->ColumnWidth(1), nWidest + 1);
    EXPECT_GT(w.pGrid->ColumnWidth(1), 300);
    EXPECT_EQ(w.pGrid->MouseMode(), MOUSE_NOTHING);

    // A press on a row right after hovering a divider selects the row, it does not size.
    w.Mouse(wxEVT_MOTION, wxPoint(w.DividerX(2), y));
    w.Click(3, 1);
    EXPECT_EQ(w.SelectedRows(), Rows({3}));
    EXPECT_EQ(w.pGrid->ColumnWidth(1), nWidest + 1);
}

TEST(GridInteraction, RightClickMovesFocusOnly)
{
    CGridWindow w(5);
    w.Click(2, 1);
    w.notifications.clear();
    w.Mouse(wxEVT_RIGHT_UP, w.CellCentre(4, 2));
    EXPECT_EQ(w.pGrid->FocusCell(), CCellID(4, 2));
    EXPECT_EQ(w.SelectedRows(), Rows({2}));
    EXPECT_EQ(w.notifications, std::vector<int>{GVN_RCLICK});
    EXPECT_EQ(w.notifiedCells.back(), CCellID(4, 2));
    w.Mouse(wxEVT_RIGHT_UP, wxPoint(650, 450)); // below and right of the cells
    EXPECT_EQ(w.notifiedCells.back(), CCellID(-1, -1));
}

TEST(GridInteraction, HoldingBelowTheGridAutoScrollsAndExtends)
{
    CGridWindow w(200);
    w.Mouse(wxEVT_LEFT_DOWN, w.CellCentre(2, 1));
    w.Mouse(wxEVT_MOTION, wxPoint(100, w.pGrid->GetClientSize().y + 30));
    ASSERT_TRUE(PumpUntil([&] { return w.pGrid->ScrollPosV() > 3 * w.pGrid->RowHeight(5); }, 5000));
    w.Mouse(wxEVT_LEFT_UP, wxPoint(100, w.pGrid->GetClientSize().y + 30));
    Rows rows = w.SelectedRows();
    ASSERT_GT(rows.size(), 10u);
    EXPECT_EQ(rows.front(), 2);
    // Contiguous from the press down to the focus row, which is now in view.
    EXPECT_EQ(rows.back() - rows.front() + 1, static_cast<int>(rows.size()));
    EXPECT_EQ(rows.back(), w.pGrid->FocusCell().row);
    wxRect rc;
    EXPECT_TRUE(w.pGrid->CellRect(rows.back(), 1, rc));
}

TEST(GridInteraction, WheelAndPageKeysScroll)
{
    CGridWindow w(200);
    int h = w.pGrid->RowHeight(5);
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.m_wheelRotation = -120;
    wheel.m_wheelDelta = 120;
    wheel.SetEventObject(w.pGrid);
    w.pGrid->GetEventHandler()->ProcessEvent(wheel);
    EXPECT_EQ(w.pGrid->ScrollPosV(), 3 * h);
    wheel.m_wheelRotation = 120;
    w.pGrid->GetEventHandler()->ProcessEvent(wheel);
    EXPECT_EQ(w.pGrid->ScrollPosV(), 0);

    w.Click(1, 1);
    int nTop = w.pGrid->TopLeftNonFixedCell().row;
    w.Key(WXK_PAGEDOWN);
    int nMoved = w.pGrid->TopLeftNonFixedCell().row - nTop;
    EXPECT_GT(nMoved, 5);
    EXPECT_EQ(w.pGrid->FocusCell().row, 1 + nMoved);
    w.Key(WXK_END, false, true);
    EXPECT_EQ(w.pGrid->FocusCell().row, 200);
    w.Key(WXK_PAGEDOWN); // the view cannot move: the focus goes to the last row
    EXPECT_EQ(w.pGrid->FocusCell().row, 200);
    w.Key(WXK_HOME, false, true);
    EXPECT_EQ(w.pGrid->ScrollPosV(), 0);
    w.Key(WXK_PAGEUP);
    EXPECT_EQ(w.pGrid->FocusCell().row, 1);
}

TEST(GridInteraction, TitleTipShowsCutOffTextAndHidesOffTheCell)
{
    CGridWindow w(5);
    wxString strLong = "a name far too long for its column, so it ends in an ellipsis and gets a tip";
    w.pGrid->PutCellText(3, 1, strLong);
    w.Mouse(wxEVT_MOTION, w.CellCentre(2, 1)); // short text: no tip
    EXPECT_TRUE(!w.pGrid->TitleTip() || !w.pGrid->TitleTip()->IsShownTip());
    w.Mouse(wxEVT_MOTION, w.CellCentre(3, 1));
    CTitleTip* pTip = w.pGrid->TitleTip();
    ASSERT_TRUE(pTip);
    EXPECT_TRUE(pTip->IsShownTip());
    EXPECT_EQ(pTip->GetTipText(), strLong);
    PumpEvents(50);
    // The tip holds the mouse; a move off the cell reaches it and hides it.
    wxMouseEvent move(wxEVT_MOTION);
    move.SetPosition(pTip->ScreenToClient(w.pGrid->ClientToScreen(w.CellCentre(1, 1))));
    move.SetEventObject(pTip);
    pTip->GetEventHandler()->ProcessEvent(move);
    EXPECT_FALSE(pTip->IsShownTip());
    EXPECT_FALSE(pTip->HasCapture());
}

TEST(GridInteraction, SelectRowAndScrollMakesTheRowFirstVisible)
{
    CGridWindow w(300);
    w.Click(3, 1);
    w.pGrid->SelectRowAndScroll(120);
    EXPECT_EQ(w.SelectedRows(), Rows({120}));
    EXPECT_EQ(w.pGrid->TopLeftNonFixedCell().row, 120);
    int nPos = 0;
    for (int r = 1; r < 120; ++r)
        nPos += w.pGrid->RowHeight(r);
    EXPECT_EQ(w.pGrid->ScrollPosV(), nPos);
    w.pGrid->SelectRowAndScroll(-1);
    EXPECT_EQ(w.SelectedRows().size(), 300u);
}
