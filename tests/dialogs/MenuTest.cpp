// The menu bar on a real frame: commands arrive as menu events, flags go to soft.dat at once,
// check marks and enabling follow the settings each time a pop-up opens.
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include "DialogTestSupport.h"
#include "core/WorkState.h"
#include "shell/DlgDownSet.h"
#include "shell/MenuCommands.h"
#include "text/StringCtrl.h"

using namespace dialogs_test;

namespace {

class CTestHost : public CMenuHost {
  public:
    explicit CTestHost(const std::u16string& strAppDir)
    {
        m_State.m_strAppDir = strAppDir;
        m_State.LoadSoftDat();
        m_State.m_nSiteType = SITE_INSTAGRAM;
    }
    CWorkState& MenuState() override { return m_State; }
    uint8_t& LoginMode1() override { return m_bLoginMode1; }
    wxWindow* MenuWindow() override { return m_pFrame; }
    void OpenWebLogin(const std::u16string& strUrl) override { m_arLogins.push_back(strUrl); }
    std::u16string AddressText() override { return m_strAddress; }
    int QQSubTypeSelection() override { return m_nQQSubType; }
    void ShowAbout() override { ++m_nAbouts; }
    void OpenWebPage(const wxString& strUrl) override { m_arPages.push_back(strUrl); }

    CWorkState m_State;
    uint8_t m_bLoginMode1 = 1;
    wxFrame* m_pFrame = nullptr;
    std::u16string m_strAddress;
    int m_nQQSubType = 0;
    int m_nAbouts = 0;
    std::vector<std::u16string> m_arLogins;
    std::vector<wxString> m_arPages;
};

// A frame with the menu bar, as the main window has it.
struct CMenuFixture {
    explicit CMenuFixture(const std::u16string& strAppDir) : host(strAppDir)
    {
        pFrame = new wxFrame(nullptr, wxID_ANY, "menu");
        host.m_pFrame = pFrame;
        BuildMainMenu(pFrame, &host);
        pFrame->Show();
    }
    ~CMenuFixture() { pFrame->Destroy(); }
    void Choose(int nId)
    {
        wxCommandEvent event(wxEVT_MENU, MenuItemId(nId));
        pFrame->GetEventHandler()->ProcessEvent(event);
    }
    // The pop-up that holds nId, after its opening has set the check marks.
    wxMenu* Open(int nId)
    {
        wxMenu* pMenu = nullptr;
        pFrame->GetMenuBar()->FindItem(MenuItemId(nId), &pMenu);
        wxMenuEvent event(wxEVT_MENU_OPEN, 0, pMenu);
        pFrame->GetEventHandler()->ProcessEvent(event);
        return pMenu;
    }
    uint16_t Flags() { return host.m_State.CurSiteSet().wFlags; }
    // The flags as soft.dat holds them now.
    uint16_t SavedFlags()
    {
        ST_SOFTDAT dat;
        LoadSoftDat(dat, host.m_State.m_strAppDir);
        return dat.SiteSet[SITE_INSTAGRAM].wFlags;
    }

    CTestHost host;
    wxFrame* pFrame;
};

std::string ReadAll(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(MenuCommands, ShopOptionsExcludeEachOther)
{
    CTempDir dir;
    CMenuFixture fx(dir.Path16());
    constexpr uint16_t kShop = SSF_MAIN_PIC_ONLY | SSF_DESC_PIC_ONLY;
    fx.host.m_State.CurSiteSet().wFlags &= ~kShop;

    fx.Choose(ID_MAIN_PIC_ONLY);
    EXPECT_EQ(fx.SavedFlags() & kShop, SSF_MAIN_PIC_ONLY);
    fx.Choose(ID_MAIN_PIC_ONLY);
    EXPECT_EQ(fx.Flags() & kShop, 0);
    EXPECT_EQ(fx.SavedFlags() & kShop, 0);

    fx.Choose(ID_MAIN_PIC_ONLY);
    fx.Choose(ID_DESC_PIC_ONLY);
    EXPECT_EQ(fx.Flags() & kShop, SSF_DESC_PIC_ONLY);
    EXPECT_EQ(fx.SavedFlags() & kShop, SSF_DESC_PIC_ONLY);
    fx.Choose(ID_MAIN_PIC_ONLY);
    EXPECT_EQ(fx.SavedFlags() & kShop, SSF_MAIN_PIC_ONLY);
}

TEST(MenuCommands, TogglesAreSavedAndCheckMarksFollowThemAfterARestart)
{
    CTempDir dir;
    const struct {
        int nId;
        uint16_t wBit;
    } kToggles[] = {
        {ID_SKIP_DOWNLOADED, SSF_SKIP_DOWNLOADED},
        {ID_YUPOO_LARGE, SSF_YUPOO_LARGE},
        {ID_FIX_ORDER, SSF_FIX_ORDER},
        {ID_FIX_FORMAT, SSF_FIX_FORMAT},
        {ID_THUNDER_ONLY, SSF_THUNDER_ONLY},
        {ID_ORIGNAME_FILE, SSF_ORIGNAME_FILE},
        {ID_OPEN_FOLDER, SSF_OPEN_FOLDER},
    };
    uint16_t wFirst;
    {
        CMenuFixture fx(dir.Path16());
        wFirst = fx.Flags();
        // Flip every other toggle; each flip is on disk at once.
        for (size_t i = 0; i < std::size(kToggles); i += 2) {
            fx.Choose(kToggles[i].nId);
            EXPECT_EQ(fx.SavedFlags() & kToggles[i].wBit, (wFirst ^ kToggles[i].wBit) & kToggles[i].wBit);
        }
        fx.Choose(ID_LOGIN_MODE1); // not saved
        EXPECT_EQ(fx.host.m_bLoginMode1, 0);
    }
    // A new start reads soft.dat; the pop-up shows the saved flags.
    CMenuFixture fx(dir.Path16());
    for (size_t i = 0; i < std::size(kToggles); ++i) {
        SCOPED_TRACE(kToggles[i].nId);
        bool bFlipped = i % 2 == 0;
        bool bWant = ((wFirst & kToggles[i].wBit) != 0) != bFlipped;
        wxMenu* pMenu = fx.Open(kToggles[i].nId);
        EXPECT_EQ(pMenu->IsChecked(MenuItemId(kToggles[i].nId)), bWant);
    }
    EXPECT_TRUE(fx.Open(ID_LOGIN_MODE1)->IsChecked(MenuItemId(ID_LOGIN_MODE1)));
    fx.host.m_bLoginMode1 = 0;
    EXPECT_FALSE(fx.Open(ID_LOGIN_MODE1)->IsChecked(MenuItemId(ID_LOGIN_MODE1)));
}

TEST(MenuCommands, SiteOnlyItemsAreGreyedOutsideTheirSites)
{
    CTempDir dir;
    CMenuFixture fx(dir.Path16());
    fx.host.m_State.CurSiteSet().wFlags |= SSF_MAIN_PIC_ONLY | SSF_YUPOO_LARGE;
    struct {
        int nSite;
        bool bShop, bYupoo;
    } kSites[] = {{SITE_INSTAGRAM, false, false}, {11, true, false}, {16, true, false}, {7, false, true}};
    for (auto s : kSites) {
        fx.host.m_State.m_nSiteType = s.nSite;
        fx.host.m_State.CurSiteSet().wFlags = SSF_MAIN_PIC_ONLY | SSF_YUPOO_LARGE;
        wxMenu* pMenu = fx.Open(ID_MAIN_PIC_ONLY);
        EXPECT_EQ(pMenu->IsEnabled(MenuItemId(ID_MAIN_PIC_ONLY)), s.bShop) << s.nSite;
        EXPECT_EQ(pMenu->IsEnabled(MenuItemId(ID_DESC_PIC_ONLY)), s.bShop) << s.nSite;
        EXPECT_EQ(pMenu->IsEnabled(MenuItemId(ID_YUPOO_LARGE)), s.bYupoo) << s.nSite;
        // Greyed or not, the marks show what is stored.
        EXPECT_TRUE(pMenu->IsChecked(MenuItemId(ID_MAIN_PIC_ONLY)));
        EXPECT_FALSE(pMenu->IsChecked(MenuItemId(ID_DESC_PIC_ONLY)));
        EXPECT_TRUE(pMenu->IsChecked(MenuItemId(ID_YUPOO_LARGE)));
    }
}

TEST(MenuCommands, ImportExportAndUnusedIdsDoNothing)
{
    CTempDir dir;
    CMenuFixture fx(dir.Path16());
    fx.Choose(ID_FIX_ORDER); // soft.dat exists and holds a change
    const std::string strBefore = ReadAll(dir.Path() + "soft.dat");
    const uint16_t wFlags = fx.Flags();
    for (int nId : std::initializer_list<int>{ID_IMPORT_DOWNFILE, ID_EXPORT_DOWNFILE, ID_EXPORT_THUNDER,
                                              32777, 32780, 32805, 32816, 32823})
        fx.Choose(nId);
    EXPECT_EQ(ReadAll(dir.Path() + "soft.dat"), strBefore);
    EXPECT_EQ(fx.Flags(), wFlags);
    EXPECT_TRUE(fx.host.m_arLogins.empty());
    EXPECT_TRUE(fx.host.m_arPages.empty());
    EXPECT_EQ(fx.host.m_nAbouts, 0);
}

TEST(MenuCommands, LoginItemsOpenTheirPages)
{
    struct {
        const char16_t* szBox;
        int nSubType;
        const char16_t* szWant;
    } kQQ[] = {
        {u"", 0, u"http://qzone.qq.com/"},
        {u"  ", 0, u"http://qzone.qq.com/"},
        {u" 12345 ", 0, u"http://user.qzone.qq.com/12345"},
        {u"12345", 1, u"http://user.qzone.qq.com/"},
        {u"12a45", 0, u"http://user.qzone.qq.com/"},
        {u"http://www.instagram.com/x", 0, u"http://user.qzone.qq.com/"},
    };
    CTempDir dir;
    CMenuFixture fx(dir.Path16());
    for (auto c : kQQ) {
        fx.host.m_strAddress = c.szBox;
        fx.host.m_nQQSubType = c.nSubType;
        fx.Choose(ID_LOGIN_QQ);
        ASSERT_FALSE(fx.host.m_arLogins.empty());
        EXPECT_EQ(fx.host.m_arLogins.back(), c.szWant);
    }
    fx.host.m_arLogins.clear();
    fx.Choose(ID_LOGIN_MOKO);
    fx.Choose(ID_LOGIN_TAOBAO);
    fx.Choose(ID_LOGIN_CUSTOM);
    ASSERT_EQ(fx.host.m_arLogins.size(), 3u);
    EXPECT_EQ(fx.host.m_arLogins[0],
              u"http://www.moko.cc/jsps/common/login.jsp?tourl=http%3A%2F%2Fwww.moko.cc%2F");
    EXPECT_EQ(fx.host.m_arLogins[1].substr(0, 8), u"https://");
    // The custom login starts at the maker's page, the same one "软件咨询" opens.
    fx.Choose(ID_CONSULT);
    ASSERT_EQ(fx.host.m_arPages.size(), 1u);
    EXPECT_EQ(fx.host.m_arPages[0], wxString::FromUTF8(ToUtf8(fx.host.m_arLogins[2])));
    // The help pages are real addresses once unscrambled.
    for (int nId : {ID_USAGE, ID_FILE_TOOLS, ID_FEEDBACK})
        fx.Choose(nId);
    ASSERT_EQ(fx.host.m_arPages.size(), 4u);
    for (const wxString& strPage : fx.host.m_arPages)
        EXPECT_TRUE(strPage.StartsWith("https://")) << strPage;
    fx.Choose(ID_ABOUT);
    EXPECT_EQ(fx.host.m_nAbouts, 1);
}

TEST(MenuCommands, DownloadSettingsAreSavedOnlyOnOk)
{
    CTempDir dir;
    CMenuFixture fx(dir.Path16());
    const std::string strBefore = ReadAll(dir.Path() + "soft.dat");
    CModalScript script;
    script.m_fnOnDialog = [](wxDialog* pDlg) { pDlg->EndModal(wxID_CANCEL); };
    fx.Choose(ID_DOWN_SET);
    EXPECT_EQ(ReadAll(dir.Path() + "soft.dat"), strBefore);

    script.m_fnOnDialog = [](wxDialog* pDlg) {
        static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_THREADS))->SetValue("15");
        static_cast<wxTextCtrl*>(pDlg->FindWindow(CDlgDownSet::IDC_TIMEOUT))->SetValue("10");
        Press(pDlg, CDlgDownSet::IDC_OK);
    };
    fx.Choose(ID_DOWN_SET);
    EXPECT_EQ(script.m_nDialogs, 2);
    ST_SOFTDAT dat;
    LoadSoftDat(dat, dir.Path16());
    EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wThreads, 15);
    EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wTimeoutSec, 10);
}

TEST(MenuCommands, MenuBarLayout)
{
    wxMenuBar* pBar = CreateMainMenuBar();
    const char* kTitles[] = {"登录", "设置", "导入/导出", "辅助功能", "             ", "帮助"};
    ASSERT_EQ(pBar->GetMenuCount(), std::size(kTitles));
    for (size_t i = 0; i < std::size(kTitles); ++i)
        EXPECT_EQ(pBar->GetMenuLabel(i), wxString::FromUTF8(kTitles[i]));
    EXPECT_EQ(pBar->GetMenu(4)->GetMenuItemCount(), 0u);
    EXPECT_FALSE(pBar->IsEnabledTop(4));
    // Every command of the table is in the bar, with its own caption.
    wxMenuItem* pItem = pBar->FindItem(MenuItemId(ID_YUPOO_LARGE));
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->GetItemLabel(),
              wxString::FromUTF8("又拍相册下载大图（不勾选为下载原图，下载原图速度更慢）"));
    int nItems = 0, nSeparators = 0;
    for (size_t i = 0; i < pBar->GetMenuCount(); ++i)
        for (wxMenuItem* p : pBar->GetMenu(i)->GetMenuItems())
            (p->IsSeparator() ? nSeparators : nItems)++;
    EXPECT_EQ(nItems, 32);
    EXPECT_EQ(nSeparators, 6);
    delete pBar;
}
