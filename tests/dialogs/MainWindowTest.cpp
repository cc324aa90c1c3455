// The menu and the orderings as the main window wires them: menu events on the real window
// reach the live settings, and the score and insertion-order links rebuild its grid.
#include <gtest/gtest.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>

#include "DialogTestSupport.h"
#include "grid/MyGridCtrl.h"
#include "shell/MenuCommands.h"
#include "shell/VelloriaDlg.h"

using namespace dialogs_test;
using albumora_test::PumpEvents;

namespace {

struct CMainFixture {
    CMainFixture() { pDlg = new CVelloriaDlg(dir.Path16(), false); }
    ~CMainFixture()
    {
        pDlg->Destroy();
        PumpEvents(20);
    }
    void Choose(int nId)
    {
        wxCommandEvent event(wxEVT_MENU, MenuItemId(nId));
        pDlg->GetEventHandler()->ProcessEvent(event);
    }
    void ClickLink(int nId)
    {
        wxHyperlinkEvent event(pDlg->FindWindow(nId), nId, wxEmptyString);
        pDlg->FindWindow(nId)->GetEventHandler()->ProcessEvent(event);
    }
    std::vector<wxString> Names() const
    {
        std::vector<wxString> names;
        for (int r = 1; r < pDlg->Grid()->RowCount(); ++r)
            names.push_back(pDlg->Grid()->CellText(r, 1));
        return names;
    }

    CTempDir dir;
    CVelloriaDlg* pDlg;
};

} // namespace

TEST(MainWindow, MenuCommandsReachTheLiveSettings)
{
    CMainFixture fx;
    ASSERT_NE(fx.pDlg->GetMenuBar(), nullptr);
    const int nSlot = fx.pDlg->Work().SiteSlot();
    auto Saved = [&] {
        ST_SOFTDAT dat;
        LoadSoftDat(dat, fx.dir.Path16());
        return dat.SiteSet[nSlot].wFlags;
    };
    constexpr uint16_t kShop = SSF_MAIN_PIC_ONLY | SSF_DESC_PIC_ONLY;
    fx.pDlg->Work().CurSiteSet().wFlags &= ~kShop;
    fx.Choose(ID_MAIN_PIC_ONLY);
    fx.Choose(ID_MAIN_PIC_ONLY);
    EXPECT_EQ(Saved() & kShop, 0);
    fx.Choose(ID_MAIN_PIC_ONLY);
    fx.Choose(ID_DESC_PIC_ONLY);
    EXPECT_EQ(Saved() & kShop, SSF_DESC_PIC_ONLY);

    EXPECT_EQ(fx.pDlg->m_bLoginMode1, 1); // on at every start
    fx.Choose(ID_LOGIN_MODE1);
    EXPECT_EQ(fx.pDlg->m_bLoginMode1, 0);
}

TEST(MainWindow, OrderingLinksSortAndRebuildTheGrid)
{
    CMainFixture fx;
    const std::pair<const char16_t*, int32_t> kAlbums[] = {
        {u"five", 5}, {u"minus", -1}, {u"ten", 10}, {u"zero", 0}};
    for (auto [szName, nScore] : kAlbums) {
        ST_PERLISTRECORD rec;
        rec.strName = szName;
        rec.nScore = nScore;
        fx.pDlg->Work().m_pAlbumList->AddAlbum(rec);
    }
    fx.pDlg->RebuildAlbumRows();
    using Names = std::vector<wxString>;
    ASSERT_EQ(fx.Names(), Names({"five", "minus", "ten", "zero"}));

    wxWindow* pLink = fx.pDlg->FindWindow(IDC_ORDER_LINK1);
    EXPECT_FALSE(pLink->IsShown()); // hidden in this edition
    fx.ClickLink(IDC_ORDER_LINK1);
    EXPECT_EQ(fx.Names(), Names({"minus", "ten", "five", "zero"}));
    EXPECT_TRUE(pLink->GetLabel().Contains(wxT("↑")));
    fx.ClickLink(IDC_ORDER_LINK1);
    EXPECT_EQ(fx.Names(), Names({"zero", "five", "ten", "minus"}));
    EXPECT_TRUE(pLink->GetLabel().Contains(wxT("↓")));
    fx.ClickLink(IDC_ORDER_LINK1);
    EXPECT_EQ(fx.Names(), Names({"minus", "ten", "five", "zero"}));
    fx.ClickLink(IDC_ORDER_LINK2); // answered, nothing happens
    EXPECT_EQ(fx.Names(), Names({"minus", "ten", "five", "zero"}));
    fx.ClickLink(IDC_ORDER_LINK3);
    EXPECT_EQ(fx.Names(), Names({"five", "minus", "ten", "zero"}));
    EXPECT_TRUE(pLink->GetLabel().Contains(wxT("↑"))); // the insertion order leaves captions alone
}
