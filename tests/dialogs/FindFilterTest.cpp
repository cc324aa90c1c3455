// The find box over a real album grid (search steps, wrap-around, the find flag and what clicks
// do while it is open, dragging the captionless box) and the filter prompt with its rebuild.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "AlbumGridFixture.h"
#include "DialogTestSupport.h"
#include "shell/DlgFind.h"
#include "text/StringCtrl.h"

using namespace dialogs_test;
using albumora_test::PumpEvents;
using albumora_test::PumpUntil;

namespace {

// Rows 1..6; row numbers 0001..0006 are in the first column.
struct CFindFixture : CAlbumGridFixture {
    CFindFixture()
        : CAlbumGridFixture({u"Apple pie", u"banana", u"cherry", u"apple", u"Date", u"banana split"})
    {
        ShowFindBox(pFrame, pFind, pGrid);
        PumpEvents(100); // let the toolkit finish showing it, as it has before any user input
    }
    ~CFindFixture() { pFind->Destroy(); }

    // Sets the box's fields, presses "下一个" or "上一个", returns the selected rows.
    std::vector<int> Step(const wxString& strKey, bool bDown, bool bMatchCase = false, bool bWhole = false)
    {
        pFind->KeywordEdit()->SetValue(strKey);
        pFind->MatchCaseBox()->SetValue(bMatchCase);
        pFind->WholeCellBox()->SetValue(bWhole);
        Press(pFind, bDown ? CDlgFind::IDC_NEXT : CDlgFind::IDC_PREV);
        return SelectedRows();
    }

    CDlgFind* pFind = nullptr;
};

using Rows = std::vector<int>;

} // namespace

TEST(FindBox, StepsWrapAndHonourCaseAndWholeCell)
{
    CFindFixture fx;
    EXPECT_TRUE(fx.pGrid->m_bFindOpen);
    EXPECT_TRUE(fx.pFind->IsShown());
    EXPECT_TRUE(fx.pFind->FindWindow(CDlgFind::IDC_PREV)->IsShown());
    EXPECT_EQ(fx.pFind->FindWindow(CDlgFind::IDC_NEXT)->GetLabel(), wxString::FromUTF8("下一个"));

    // Nothing selected: next finds the first match from the top, and the row alone is selected.
    EXPECT_EQ(fx.Step("APPLE", true), Rows({1}));
    EXPECT_EQ(fx.Step("APPLE", true), Rows({4}));
    EXPECT_EQ(fx.Step("APPLE", true), Rows({1}));  // wrapped to the top
    EXPECT_EQ(fx.Step("APPLE", false), Rows({4})); // wrapped to the bottom
    EXPECT_EQ(fx.Step("APPLE", false), Rows({1}));

    // Previous with nothing selected finds the last match from the bottom.
    fx.pGrid->ClearSelection();
    EXPECT_EQ(fx.Step("banana", false), Rows({6}));

    // Match case: only the capitalised name; a single match is found again.
    fx.pGrid->ClearSelection();
    EXPECT_EQ(fx.Step("Apple", true, true), Rows({1}));
    EXPECT_EQ(fx.Step("Apple", true, true), Rows({1}));
    EXPECT_EQ(fx.Step("APPLE", true, true), Rows({1})); // no match: selection stays

    // Whole cell: the keyword must be a cell's whole text; row numbers are cells too.
    fx.pGrid->ClearSelection();
    EXPECT_EQ(fx.Step("apple", true, false, true), Rows({4}));
    EXPECT_EQ(fx.Step("banana", true, false, true), Rows({2}));
    EXPECT_EQ(fx.Step("0003", true, false, true), Rows({3}));
    EXPECT_EQ(fx.Step("000", true, false, true), Rows({3})); // a part of a cell is no whole cell

    // A blank keyword is refused with a message and nothing moves.
    CModalScript script;
    EXPECT_EQ(fx.Step("   ", true), Rows({3}));
    ASSERT_EQ(script.m_arMessages.size(), 1u); // once: no wrap-around after the refusal
    EXPECT_EQ(script.m_arMessages[0], wxString::FromUTF8("关键字不能为空"));
}

TEST(FindBox, FindTextScrollsTheMatchToTheTop)
{
    std::vector<std::u16string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back(u"album " + FromUtf8(std::to_string(i)));
    CAlbumGridFixture fx({});
    for (const auto& name : names) {
        ST_PERLISTRECORD rec;
        rec.strName = name;
        fx.work.m_pAlbumList->AddAlbum(rec);
        fx.pGrid->AddAlbumRow(fx.work.m_pAlbumList->Count() - 1);
    }
    PumpEvents(50);
    EXPECT_EQ(FindText(*fx.pGrid, 0, "album 120", 1, true, true), 1);
    EXPECT_EQ(fx.SelectedRows(), Rows({121}));
    EXPECT_EQ(fx.pGrid->TopLeftNonFixedCell().row, 121);
    EXPECT_EQ(FindText(*fx.pGrid, 121, "album 120", 1, true, true), 0); // nothing below
    EXPECT_EQ(FindText(*fx.pGrid, 5000, "album 3", 0, true, true), 1);  // a start past the end is clamped
    EXPECT_EQ(fx.SelectedRows(), Rows({4}));
}

TEST(FindBox, ClicksSelectOneRowWhileTheBoxIsShown)
{
    CFindFixture fx;
    fx.pFind->Move(0, 0); // out of the grid's way
    PumpEvents(100);
    wxUIActionSimulator sim;
    auto Click = [&](int nRow, bool bCtrl = false) {
        wxRect rc;
        ASSERT_TRUE(fx.pGrid->CellRect(nRow, 1, rc));
        sim.MouseMove(fx.pGrid->ClientToScreen(rc.GetPosition() + wxPoint(5, rc.height / 2)));
        PumpEvents(30);
        sim.MouseClick();
        PumpEvents(80);
    };
    Click(2);
    Click(4);
    EXPECT_EQ(fx.SelectedRows(), Rows({4}));

    // "×" hides the box and clears the flag: clicks toggle rows again.
    Press(fx.pFind, CDlgFind::IDC_CLOSE);
    EXPECT_FALSE(fx.pFind->IsShown());
    EXPECT_FALSE(fx.pGrid->m_bFindOpen);
    Click(2);
    EXPECT_EQ(fx.SelectedRows(), Rows({2, 4}));

    // Shown again: the same box, with its keyword kept.
    CDlgFind* pSame = fx.pFind;
    fx.pFind->KeywordEdit()->SetValue("kept");
    ShowFindBox(fx.pFrame, fx.pFind, fx.pGrid);
    EXPECT_EQ(fx.pFind, pSame);
    EXPECT_EQ(fx.pFind->KeywordEdit()->GetValue(), "kept");
    EXPECT_TRUE(fx.pGrid->m_bFindOpen);

    // Closing it the window way only hides it too, and the flag follows.
    fx.pFind->Close();
    EXPECT_FALSE(fx.pFind->IsShown());
    EXPECT_FALSE(fx.pGrid->m_bFindOpen);
}

TEST(FindBox, DraggingTheBackgroundMovesTheBox)
{
    CFindFixture fx;
    fx.pFind->Move(40, 40);
    PumpEvents(150);
    const wxPoint ptBefore = fx.pFind->GetScreenPosition();
    // The title line is plain text, so a press there belongs to the box itself.
    wxPoint ptPress = fx.pFind->ClientToScreen(fx.pFind->ConvertDialogToPixels(wxPoint(20, 5)));
    wxUIActionSimulator sim;
    sim.MouseMove(ptPress);
    PumpEvents(30);
    sim.MouseDown();
    PumpEvents(30);
    for (int i = 1; i <= 5; ++i) {
        sim.MouseMove(ptPress + wxPoint(12 * i, 8 * i));
        PumpEvents(30);
    }
    sim.MouseUp();
    EXPECT_TRUE(PumpUntil([&] { return fx.pFind->GetScreenPosition() == ptBefore + wxPoint(60, 40); }, 3000))
        << fx.pFind->GetScreenPosition().x << "," << fx.pFind->GetScreenPosition().y;
}

TEST(FilterPrompt, RebuildsWithMatchingAlbumsOnly)
{
    CFindFixture fx;
    auto Rebuild = [&] { fx.pGrid->RebuildAlbumRows(); };
    CModalScript script;
    wxString strTyped;
    bool bConfirm = true;
    script.m_fnOnDialog = [&](wxDialog* pDlg) {
        auto* pPrompt = static_cast<CDlgFind*>(pDlg);
        // The prompt shows only the keyword and "筛选".
        EXPECT_FALSE(pPrompt->MatchCaseBox()->IsShown());
        EXPECT_FALSE(pPrompt->FindWindow(CDlgFind::IDC_PREV)->IsShown());
        EXPECT_EQ(pPrompt->FindWindow(CDlgFind::IDC_NEXT)->GetLabel(), wxString::FromUTF8("筛选"));
        pPrompt->KeywordEdit()->SetValue(strTyped);
        Press(pPrompt, bConfirm ? CDlgFind::IDC_NEXT : CDlgFind::IDC_CLOSE);
    };

    // The find box is hidden and its flag cleared when the filter starts.
    strTyped = " banana ";
    EXPECT_TRUE(RunFilterPrompt(fx.pFind, fx.pGrid, fx.pGrid->m_strFilter, Rebuild));
    EXPECT_FALSE(fx.pFind->IsShown());
    EXPECT_FALSE(fx.pGrid->m_bFindOpen);
    EXPECT_EQ(fx.NameColumn(), std::vector<wxString>({"banana", "banana split"}));
    EXPECT_TRUE(fx.pGrid->m_strFilter.empty()); // the next rebuild shows everything again

    // Case-sensitive, and no match leaves the header row alone.
    strTyped = "BANANA";
    EXPECT_TRUE(RunFilterPrompt(fx.pFind, fx.pGrid, fx.pGrid->m_strFilter, Rebuild));
    EXPECT_EQ(fx.pGrid->RowCount(), 1);
    EXPECT_EQ(fx.pGrid->CellText(0, 1), wxString::FromUTF8("名称"));

    // Cancel changes nothing; an empty keyword shows every album.
    strTyped = "apple";
    bConfirm = false;
    EXPECT_FALSE(RunFilterPrompt(fx.pFind, fx.pGrid, fx.pGrid->m_strFilter, Rebuild));
    EXPECT_EQ(fx.pGrid->RowCount(), 1);
    strTyped = "  ";
    bConfirm = true;
    EXPECT_TRUE(RunFilterPrompt(fx.pFind, fx.pGrid, fx.pGrid->m_strFilter, Rebuild));
    EXPECT_EQ(fx.pGrid->RowCount(), 7);
    EXPECT_EQ(script.m_nDialogs, 4);
}
