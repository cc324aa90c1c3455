// Start-up: the configuration exchange against the photo service, the window it fills, the
// update path, the default save folder and the clipboard.
#include "ShellTestSupport.h"

#include <wx/clipbrd.h>
#include <wx/hyperlink.h>
#include <wx/stdpaths.h>

using namespace shelltest;

namespace {

TEST(SrvConfigTest, ExchangeTakesTheFirstCompleteEntry)
{
    e2e::Service svc({"--posts", "3"});
    ASSERT_GT(svc.Port(), 0);
    struct Case {
        const char* pszEntries;
        const char* pszMode;
        bool bOk;
        int nEntryNo;
    };
    const Case cases[] = {
        {"good", "inline", true, 1},
        {"fields6,good", "inline", true, 2},
        {"fields8,nonotice,nosites,good", "indirect", true, 4},
        {"notfound,reset,fields6", "inline", false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszEntries);
        ASSERT_FALSE(Admin(svc.Port(),
                           std::string("config?config_entries=") + c.pszEntries + "&config_mode=" + c.pszMode)
                         .empty());
        CSrvConfig cfg;
        cfg.m_arrEndpoints = {FromUtf8(StageOne(svc.Port()))};
        std::vector<std::u16string> sites;
        EXPECT_EQ(cfg.Fetch(CSrvConfig::EditionId(17), sites), c.bOk);
        EXPECT_EQ(cfg.m_nEndpointNo, 1);
        EXPECT_EQ(cfg.m_nEntryNo, c.nEntryNo);
        if (c.bOk) {
            ASSERT_EQ(sites.size(), 21u);
            EXPECT_EQ(sites[17], u"Instagram");
            EXPECT_EQ(cfg.GetField(0), u"17.02.08.01");
            EXPECT_EQ(cfg.GetField(2), u"GRAMVISTA_17"); // the edition replaced the placeholder
        } else {
            EXPECT_TRUE(sites.empty());
        }
    }
    // The second stage was asked with the query the exchange describes, the random value's line
    // feed encoded rather than breaking the request line.
    const std::string log = Admin(svc.Port(), "requests?kind=config");
    EXPECT_NE(log.find("/gv/GRAMVISTA_17/e0.php?f=T&t="), std::string::npos);
    EXPECT_NE(log.find("%0A&s=17&v=5"), std::string::npos);
}

TEST(SrvConfigTest, UnreachableEndpointsLeaveNothingAndTheNextEndpointIsTried)
{
    e2e::Service svc({"--posts", "3"});
    ASSERT_GT(svc.Port(), 0);
    CSrvConfig cfg;
    // Port 9 on loopback refuses at once; a page without the section is no configuration.
    cfg.m_arrEndpoints = {u"http://127.0.0.1:9/gv/stage1.php",
                          FromUtf8("http://127.0.0.1:" + std::to_string(svc.Port()) + "/nothing"),
                          FromUtf8(StageOne(svc.Port()) + "?x=1")};
    std::vector<std::u16string> sites;
    EXPECT_TRUE(cfg.Fetch(u"GRAMVISTA_17", sites));
    EXPECT_EQ(cfg.m_nEndpointNo, 3);
    EXPECT_EQ(sites.size(), 21u);

    CSrvConfig none;
    none.m_arrEndpoints = {cfg.m_arrEndpoints[0], cfg.m_arrEndpoints[1]};
    EXPECT_FALSE(none.Fetch(u"GRAMVISTA_17", sites));
    EXPECT_TRUE(sites.empty());
    EXPECT_TRUE(none.m_arrFields.empty());
    EXPECT_EQ(none.m_nEndpointNo, 2);
    EXPECT_EQ(none.m_nEntryNo, 0);
}

TEST(SrvConfigTest, IniOverridesTheBuiltInEndpoints)
{
    SettingsDir dir;
    CSrvConfig cfg;
    ASSERT_EQ(cfg.m_arrEndpoints.size(), 3u);
    const auto builtIn = cfg.m_arrEndpoints;
    cfg.ReadEndpointOverride(dir.AppDir()); // no INI: unchanged
    EXPECT_EQ(cfg.m_arrEndpoints, builtIn);
    std::ofstream(dir.path / "下载器扩展设置.ini") << "[配置]\n配置地址= http://a/s1 | |http://b/s1\n";
    cfg.ReadEndpointOverride(dir.AppDir());
    EXPECT_EQ(cfg.m_arrEndpoints, (std::vector<std::u16string>{u"http://a/s1", u"http://b/s1"}));
}

TEST(SrvConfigTest, VersionComparison)
{
    const std::pair<const char16_t*, bool> cases[] = {
        {u"17.02.08.02#note", true}, {u"17.02.08.01", false}, {u"17.02.08.01#later", false}, {u"", false},
        {u"18.01.01.01", true},      {u"17.02.08.00", false},
    };
    for (const auto& [v, bNewer] : cases)
        EXPECT_EQ(CVelloriaDlg::IsNewerVersion(v), bNewer) << ToUtf8(v);
}

class StartupTest : public WindowFixture {};

TEST_F(StartupTest, StartupAgainstTheServiceFillsTheSiteListAndSelectsInstagram)
{
    e2e::Service svc({"--posts", "3", "--config-entries", "fields6,good"});
    ASSERT_GT(svc.Port(), 0);
    m_dir.WriteIni(svc.Port(), StageOne(svc.Port()));
    Open(true);
    EXPECT_FALSE(m_pDlg->IsShown()); // hidden behind the splash until the configuration is in
    // "获取相册" before start-up has finished does nothing.
    Press(IDC_LIST_BUTTON);
    EXPECT_EQ(m_pDlg->Work().m_byListState.load(), 0);

    ASSERT_TRUE(PumpUntil([&] { return m_pDlg->IsShown() && m_pDlg->Work().m_bReady.load() == 1; }, 30000));
    ASSERT_TRUE(PumpUntil([&] { return !Text(IDC_SERVER_LINE).empty(); }, 10000));
    EXPECT_EQ(m_pDlg->SiteCombo()->GetCount(), 21u);
    EXPECT_EQ(m_pDlg->SiteCombo()->GetSelection(), 17);
    EXPECT_EQ(m_pDlg->SiteCombo()->GetStringSelection(), "Instagram");
    EXPECT_EQ(m_pDlg->Work().m_nSiteType.load(), 17);
    EXPECT_NE(Text(IDC_SERVER_LINE).find(u"\tSrv Info:1_2"), std::u16string::npos);
    EXPECT_FALSE(m_pDlg->FindWindow(IDC_UPDATE_LINK)->IsShown());
    EXPECT_TRUE(AskedSoFar().empty());
}

TEST_F(StartupTest, ANewerVersionTakesTheUpdatePath)
{
    e2e::Service svc({"--posts", "3", "--newest-version", "17.02.08.02#note"});
    ASSERT_GT(svc.Port(), 0);
    m_dir.WriteIni(svc.Port(), StageOne(svc.Port()));
    Open(true);
    std::u16string strPage;
    m_pDlg->m_fnUpdateExit = [&](const std::u16string& s) { strPage = s; };
    ASSERT_TRUE(PumpUntil([&] { return !strPage.empty(); }, 30000));
    EXPECT_EQ(strPage, FromUtf8("http://127.0.0.1:" + std::to_string(svc.Port()) + "/gv/update.htm"));
    EXPECT_TRUE(m_pDlg->FindWindow(IDC_UPDATE_LINK)->IsShown());
    const auto asked = AskedSoFar();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].strCaption, u"提示");
    EXPECT_FALSE(asked[0].strText.empty());
}

TEST_F(StartupTest, NoReachableEndpointStillShowsTheWindowWithAnEmptySiteList)
{
    m_dir.WriteIni(9, "http://127.0.0.1:9/gv/stage1.php|http://127.0.0.1:9/b");
    Open(true);
    ASSERT_TRUE(PumpUntil([&] { return m_pDlg->IsShown(); }, 15000));
    ASSERT_TRUE(
        PumpUntil([&] { return m_pDlg->Work().m_bReady.load() == 1 && !Text(IDC_SERVER_LINE).empty(); }));
    EXPECT_EQ(m_pDlg->SiteCombo()->GetCount(), 0u);
    EXPECT_EQ(m_pDlg->Work().m_nSiteType.load(), 17);
    EXPECT_NE(Text(IDC_SERVER_LINE).find(u"Srv Info:2_0"), std::u16string::npos);
}

TEST_F(StartupTest, ClipboardTextUnder200CharactersGoesIntoTheAddressBox)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  http://127.0.0.1/www.instagram.com/someone  ", "http://127.0.0.1/www.instagram.com/someone"},
        {std::string(199, 'a'), std::string(199, 'a')},
        {std::string(200, 'a'), ""},
        {"   ", ""},
    };
    for (const auto& [strClip, strExpect] : cases) {
        ASSERT_TRUE(wxTheClipboard->Open());
        wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(strClip)));
        wxTheClipboard->Close();
        PumpEvents(20);
        auto* pDlg = new CVelloriaDlg(m_dir.AppDir(), false);
        EXPECT_EQ(pDlg->UrlBox()->GetValue().utf8_string(), strExpect) << strClip.size();
        pDlg->Destroy();
        PumpEvents(20);
    }
}

TEST_F(StartupTest, ScratchStartFolderSavesToTheDocumentsFolderButKeepsSettingsThere)
{
    SettingsDir home;
    const fs::path scratch = home.path / "Temp" / "unpacked";
    fs::create_directories(scratch);
    // Without a documents folder of its own, the user's documents folder is the home folder.
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.path.c_str(), 1);
    const fs::path docs = fs::path(wxStandardPaths::Get().GetDocumentsDir().utf8_string()) / "Albumora";
    ASSERT_EQ(docs.string().rfind(home.path.string(), 0), 0u) << docs; // nothing outside the test's folder

    const std::u16string strScratch = FromUtf8(scratch.string() + "/");
    auto* pDlg = new CVelloriaDlg(strScratch, false);
    EXPECT_EQ(U16(pDlg->PathBox()->GetValue()), FromUtf8(docs.string() + "/"));
    EXPECT_TRUE(fs::is_directory(docs));
    EXPECT_EQ(pDlg->Work().m_strAppDir, strScratch);
    EXPECT_TRUE(fs::exists(scratch / "soft.dat"));
    // A saved folder history wins over both.
    pDlg->TakeFolder(u"/srv/pictures/");
    pDlg->Destroy();
    PumpEvents(20);
    pDlg = new CVelloriaDlg(strScratch, false);
    EXPECT_EQ(U16(pDlg->PathBox()->GetValue()), u"/srv/pictures/");
    pDlg->Destroy();
    PumpEvents(20);

    ::setenv("HOME", oldHome.c_str(), 1);
}

} // namespace
