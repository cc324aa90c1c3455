// The history box in a real window: typing filters, the arrow shows everything, the parent hears
// typed text and picks but not the box's own list handling.
#include <algorithm>
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include "controls/ComboBox2.h"
#include "gui_support.h"

using albumora_test::PumpEvents;
using albumora_test::PumpUntil;

namespace {

using Items = std::vector<wxString>;

TEST(ComboBox2Filter, MatchesFoldsAsciiOnlyAndCutsAtMark)
{
    const wxString strMarked = wxString("Travel nvx?!oxff") + "hidden";
    const Items arrEntries = {"Photo Album", "photos-2015", strMarked, "photos-2015",
                              wxString::FromUTF8("Été")};
    const struct {
        const char* pszTyped;
        Items arrExpected;
    } cases[] = {
        {"photo", {"photo album", "photos-2015", "photos-2015"}}, // lower-cased, duplicates kept
        {"ALB", {"photo album"}},                                 // anywhere, any ASCII case
        {"travel", {"travel "}},                                  // cut at the mark
        {"hidden", {"travel "}},                                  // matched past the mark, still cut
        {"zzz", {}},
        {"", {}},
        {"\xC3\xA9t\xC3\xA9", {}}, // a lower-case accented letter does not match a capital
        {"\xC3\x89t\xC3\xA9", {wxString::FromUTF8("Été")}}, // exact non-ASCII still matches
    };
    for (const auto& c : cases)
        EXPECT_EQ(CComboBox2::FilterEntries(arrEntries, wxString::FromUTF8(c.pszTyped)), c.arrExpected)
            << c.pszTyped;
}

class ComboBox2Test : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "history", wxPoint(50, 50), wxSize(420, 300));
        m_pBox = new CComboBox2(m_pFrame, 1001, wxString(), wxPoint(10, 10), wxSize(380, -1));
        m_pFrame->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) { m_arrParentTexts.push_back(e.GetString()); });
        m_pFrame->Bind(wxEVT_COMBOBOX,
                       [this](wxCommandEvent& e) { m_arrParentPicks.push_back(e.GetString()); });
        m_pFrame->Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { ++m_nParentListEvents; });
        m_pFrame->Bind(wxEVT_COMBOBOX_CLOSEUP, [this](wxCommandEvent&) { ++m_nParentListEvents; });
        m_pFrame->Show();
        m_pFrame->Raise();
        PumpUntil([this] { return m_pFrame->IsShownOnScreen(); });
        m_pBox->SetFocus();
        PumpEvents(100);
        for (const char* psz : {"Photo Album", "photos-2015", "Travel nvx?!oxffsecret"})
            m_pBox->AddEntry(psz);
    }

    void TearDown() override
    {
        m_pFrame->Destroy();
        PumpEvents(50);
    }

    Items ListItems() const
    {
        Items arr;
        for (unsigned i = 0; i < m_pBox->GetCount(); ++i)
            arr.push_back(m_pBox->GetString(i));
        return arr;
    }

    void Type(const char* psz)
    {
        m_sim.Text(psz);
        PumpEvents(100);
    }
    void Key(int nKey, int nTimes = 1)
    {
        for (int i = 0; i < nTimes; ++i)
            m_sim.Char(nKey);
        PumpEvents(100);
    }

    wxUIActionSimulator m_sim;
    wxFrame* m_pFrame = nullptr;
    CComboBox2* m_pBox = nullptr;
    Items m_arrParentTexts;
    Items m_arrParentPicks;
    int m_nParentListEvents = 0;
};

TEST_F(ComboBox2Test, TypingNarrowsTheListAndKeepsTextAndCaret)
{
    Type("pho");
    EXPECT_EQ(ListItems(), (Items{"photo album", "photos-2015"}));
    EXPECT_TRUE(m_pBox->IsTypedListShown());
    EXPECT_TRUE(m_pBox->HasFocus()) << "the open list must leave the keyboard with the box";

    Type("to ALB");
    EXPECT_EQ(m_pBox->GetValue(), "photo ALB");
    EXPECT_EQ(ListItems(), Items{"photo album"});

    // Typing in the middle: the caret stays where the user put it.
    m_pBox->SelectAll();
    Type("phto");
    Key(WXK_LEFT, 2);
    Type("o");
    EXPECT_EQ(m_pBox->GetValue(), "photo");
    EXPECT_EQ(m_pBox->GetInsertionPoint(), 3);
    EXPECT_EQ(ListItems(), (Items{"photo album", "photos-2015"}));

    // The parent saw the typed changes, and none of the box's own list handling.
    ASSERT_FALSE(m_arrParentTexts.empty());
    EXPECT_EQ(m_arrParentTexts.back(), "photo");
    EXPECT_TRUE(std::find(m_arrParentTexts.begin(), m_arrParentTexts.end(), "photo ALB") !=
                m_arrParentTexts.end());
    EXPECT_EQ(m_nParentListEvents, 0);
}

TEST_F(ComboBox2Test, NoMatchOrEmptyTextClosesTheList)
{
    Type("pho");
    ASSERT_TRUE(m_pBox->IsTypedListShown());
    Type("x");
    EXPECT_FALSE(m_pBox->IsListShown());
    EXPECT_TRUE(ListItems().empty());
    EXPECT_EQ(m_pBox->GetValue(), "phox");

    Key(WXK_BACK); // matches again
    EXPECT_TRUE(m_pBox->IsTypedListShown());
    Key(WXK_BACK, 3);
    EXPECT_EQ(m_pBox->GetValue(), "");
    EXPECT_FALSE(m_pBox->IsListShown());
    EXPECT_TRUE(ListItems().empty());
}

TEST_F(ComboBox2Test, ArrowListShowsEveryEntryAsAddedAndEmptiesWhenClosed)
{
    m_pBox->AddEntry("Photo Album"); // the same text twice shows twice
    Type("secret");
    EXPECT_EQ(ListItems(), Items{"travel "});

    m_pBox->Popup();
    ASSERT_TRUE(PumpUntil([this] { return m_pBox->IsListShown() && !m_pBox->IsTypedListShown(); }, 3000));
    EXPECT_EQ(ListItems(), (Items{"Photo Album", "photos-2015", "Travel nvx?!oxffsecret", "Photo Album"}));
    EXPECT_EQ(m_pBox->GetValue(), "secret");

    m_pBox->Dismiss();
    ASSERT_TRUE(PumpUntil([this] { return !m_pBox->IsListShown(); }, 3000));
    EXPECT_TRUE(ListItems().empty());
    EXPECT_EQ(m_pBox->GetValue(), "secret");
    EXPECT_EQ(m_nParentListEvents, 0);
}

TEST_F(ComboBox2Test, PickingFromTheTypedListReachesTheParent)
{
    // By keyboard: Down, Down, Enter picks the second item.
    Type("PHOTO");
    Key(WXK_DOWN, 2);
    Key(WXK_RETURN);
    EXPECT_EQ(m_pBox->GetValue(), "photos-2015");
    EXPECT_FALSE(m_pBox->IsTypedListShown());
    EXPECT_EQ(m_arrParentPicks, Items{"photos-2015"});

    // By mouse: a click on the first row.
    m_pBox->SelectAll();
    Type("album");
    ASSERT_TRUE(m_pBox->IsTypedListShown());
    const wxRect rcBox = m_pBox->GetScreenRect();
    m_sim.MouseMove(rcBox.x + 30, rcBox.GetBottom() + 12);
    PumpEvents(100);
    m_sim.MouseClick();
    ASSERT_TRUE(PumpUntil([this] { return m_arrParentPicks.size() == 2; }, 3000));
    EXPECT_EQ(m_arrParentPicks.back(), "photo album");
    EXPECT_EQ(m_pBox->GetValue(), "photo album");
    EXPECT_FALSE(m_pBox->IsTypedListShown());

    // Escape closes the typed list without a choice: its items go, the text stays.
    m_pBox->SelectAll();
    Type("trav");
    ASSERT_TRUE(m_pBox->IsTypedListShown());
    Key(WXK_ESCAPE);
    EXPECT_FALSE(m_pBox->IsTypedListShown());
    EXPECT_TRUE(ListItems().empty());
    EXPECT_EQ(m_pBox->GetValue(), "trav");
    EXPECT_EQ(m_arrParentPicks.size(), 2u);
}

TEST_F(ComboBox2Test, ClearEntriesForgetsTheHistory)
{
    m_pBox->ChangeValue("keep");
    m_pBox->ClearEntries();
    m_pBox->AddEntry("fresh");
    EXPECT_EQ(m_pBox->GetEntries(), Items{"fresh"});
    EXPECT_EQ(m_pBox->GetValue(), "keep");
}

} // namespace
