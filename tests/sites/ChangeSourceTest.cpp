// The album-list and download controller with recording hooks, on real folders and a loopback
// stand-in of the service.

#include <gtest/gtest.h>

#include <fstream>

#include "SitesTestSupport.h"
#include "core/ChangeSource.h"

TEST(ProfileFromAddress, FirstPathSegmentWithoutQueryOrFragment)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"https://www.instagram.com/alice", u"alice"},
        {u"https://www.instagram.com/alice/", u"alice"},
        {u"https://www.instagram.com/alice/p/xyz/", u"alice"},
        {u"https://www.instagram.com/alice?hl=en", u"alice"},
        {u"https://www.instagram.com/alice#top", u"alice"},
        {u"https://example.org/alice", u"https:"}, // no "com/": the text up to the first "/"
    };
    for (const auto& [in, want] : cases)
        EXPECT_EQ(ProfileFromAddress(in), want) << ToUtf8(in);
}

TEST(GetListFunc, EmptyAddressOnlyShowsANotice)
{
    CSitesState s;
    s.Hooks().SetText(IDC_URL_BOX, u"   ");
    s.St().m_byListState = 1;
    GetListFunc(s.St());
    ASSERT_EQ(s.Hooks().Count("MessageBox"), 1);
    EXPECT_FALSE(s.Hooks().CallsNamed("MessageBox")[0].strText.empty());
    EXPECT_EQ(s.St().m_byListState.load(), 0);
    EXPECT_EQ(s.Hooks().Count("BeginListUI"), 0);
}

TEST(GetListFunc, AddressWithoutSchemeAddsNoAlbumButEndsTheList)
{
    CSitesState s;
    s.Hooks().SetText(IDC_URL_BOX, u"www.instagram.com/alice");
    GetListFunc(s.St());
    ASSERT_EQ(s.Hooks().Count("MessageBox"), 1);
    std::u16string strNotice = s.Hooks().CallsNamed("MessageBox")[0].strText;
    EXPECT_NE(strNotice.find(u"http://"), std::u16string::npos) << ToUtf8(strNotice);
    EXPECT_EQ(s.St().m_pAlbumList->Count(), 0);
    EXPECT_EQ(s.Hooks().Text(IDC_ALBUM_GROUP), u"相册列表(共0个)");
    EXPECT_EQ(s.Hooks().Text(IDC_STATUS1), u"获取相册列表完成，共0个");
    EXPECT_EQ(s.Hooks().Count("EndListUI"), 1);
    EXPECT_EQ(s.Hooks().Count("RunDownloadCommand"), 0);
}

TEST(GetListFunc, ProfileBecomesOneAlbumEntersHistoryAndStartsTheDownload)
{
    CSitesState s;
    std::filesystem::remove(s.Dir() / "soft.dat");
    s.Hooks().SetText(IDC_URL_BOX, u" https://www.instagram.com/alice/?hl=en ");
    GetListFunc(s.St());
    CWorkState& st = s.St();
    ASSERT_EQ(st.m_pAlbumList->Count(), 1);
    EXPECT_EQ(st.m_pAlbumList->GetAlbum(0)->strAlbumUrl, u"https://www.instagram.com/alice");
    EXPECT_EQ(st.m_strSiteBase, u"https://www.instagram");
    EXPECT_EQ(st.m_nSiteType.load(), 17);
    EXPECT_EQ(s.Hooks().Text(IDC_STATUS1), u"获取相册列表完成，共1个");
    EXPECT_EQ(s.Hooks().Entries(IDC_URL_BOX),
              std::vector<std::u16string>{u"https://www.instagram.com/alice/?hl=en"});
    EXPECT_EQ(SzGet(st.m_SoftDat.szUrlHistory[0]), u"https://www.instagram.com/alice/?hl=en");
    EXPECT_TRUE(std::filesystem::exists(s.Dir() / "soft.dat"));
    EXPECT_EQ(s.Hooks().Count("SelectEverything"), 1);
    EXPECT_EQ(s.Hooks().Count("RunDownloadCommand"), 1);

    // The same address again is not entered twice.
    st.m_pAlbumList->ClearAlbums();
    GetListFunc(st);
    EXPECT_EQ(s.Hooks().Entries(IDC_URL_BOX).size(), 1u);
}

TEST(CreateSaveDir, CreatesEveryMissingFolderAndReportsTheOneThatFails)
{
    CSitesState s;
    std::u16string strPath = u"  " + s.Dir16("a/b/c") + u"  ";
    EXPECT_TRUE(CreateSaveDir(s.St(), strPath));
    EXPECT_EQ(strPath, s.Dir16("a/b/c/"));
    EXPECT_TRUE(std::filesystem::is_directory(s.Dir() / "a/b/c"));

    std::ofstream(s.Dir() / "file") << "x";
    strPath = s.Dir16("file/sub/deeper");
    EXPECT_FALSE(CreateSaveDir(s.St(), strPath));
    ASSERT_EQ(s.Hooks().Count("MessageBox"), 1);
    EXPECT_EQ(s.Hooks().CallsNamed("MessageBox")[0].strText, s.Dir16("file/sub"));
}

TEST(DownAlbumFunc, BadSaveFoldersEndTheRunWithTheirMessages)
{
    CSitesState s;
    std::ofstream(s.Dir() / "file") << "x";
    const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
        {u" ", {u"请先设置保存路径"}},
        {s.Dir16("file/sub"), {s.Dir16("file/sub"), u"请检测设置的保存路径是否有误"}},
    };
    for (const auto& [folder, messages] : cases) {
        CSitesState t;
        t.Hooks().SetText(IDC_PATH_BOX, folder);
        t.St().m_byDownState = 1;
        DownAlbumFunc(t.St());
        std::vector<std::u16string> shown;
        for (const auto& c : t.Hooks().CallsNamed("MessageBox"))
            shown.push_back(c.strText);
        EXPECT_EQ(shown, messages);
        EXPECT_EQ(t.St().m_byDownState.load(), 0);
        EXPECT_EQ(t.Hooks().Count("BeginDownloadUI"), 0);
    }
}

TEST(DownAlbumFunc, NoChosenAlbumShowsTheNoticeAndLeavesTheWindowIdle)
{
    CSitesState s;
    s.AddAlbum(u"alice", u"http://127.0.0.1:1/alice");
    s.Hooks().SetGrid(2, 1, 1, 0);
    s.Hooks().SetCell(1, 0, 0, false);
    s.Hooks().SetText(IDC_PATH_BOX, s.Dir16("out"));
    DownAlbumFunc(s.St());
    EXPECT_EQ(s.Hooks().Count("MessageBox"), 1);
    EXPECT_EQ(s.Hooks().Count("BeginDownloadUI"), 1);
    EXPECT_EQ(s.Hooks().Count("EndDownloadUI"), 1);
    EXPECT_EQ(s.Hooks().Count("OpenFolder"), 0);
    EXPECT_EQ(s.St().m_pAlbumList->nSelected, 0);
    EXPECT_EQ(s.St().m_byDownState.load(), 0);
}

// A stop during the enumeration with pictures found asks once; No leaves the album undownloaded,
// Yes downloads what was found (without a last-download marker, as the run was stopped).
class StopQuestion : public ::testing::TestWithParam<int> {};

TEST_P(StopQuestion, AnswerDecidesWhetherTheFoundPicturesAreDownloaded)
{
    const int nAnswer = GetParam();
    CFakeInstagram svc;
    svc.SetProfile(Page("42", "",
                        {Node("1", "A", "one", svc.Root() + "/pic/1.jpg"),
                         Node("2", "B", "two", svc.Root() + "/pic/2.jpg")}));
    struct StopHooks : RecordingHooks {
        using RecordingHooks::RecordingHooks;
        void SetControlText(int nId, const std::u16string& strText) override
        {
            RecordingHooks::SetControlText(nId, strText);
            if (strText.rfind(u"已获取到", 0) == 0 && m_pSt) // the user presses "下载" again
                m_pSt->m_byDownState = 3;
        }
        CWorkState* m_pSt = nullptr;
    };
    CSitesState s;
    StopHooks hooks(&s.St());
    hooks.m_pSt = &s.St();
    hooks.QueueAnswer(nAnswer);
    s.St().m_pHooks = &hooks;
    g_pJob->hNotifyWnd = &hooks;
    s.St().m_ExtSet.strInstagramRoot = svc.Root16();
    s.St().m_strProfile = u"alice";
    s.AddAlbum(u"alice", svc.Root16() + u"/alice");
    hooks.SetGrid(2, 1, 1, 0);
    hooks.SetCell(1, 0, 0, true);
    hooks.SetText(IDC_PATH_BOX, s.Dir16("out"));
    s.St().m_byDownState = 1;
    DownAlbumFunc(s.St());

    auto boxes = hooks.CallsNamed("MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].nArg & 0x0F, MB_YESNO);
    EXPECT_EQ(svc.PictureHits(), nAnswer == IDYES ? 1 : 0);
    EXPECT_EQ(std::filesystem::exists(s.Dir() / "out/alice/1) one.jpg"), nAnswer == IDYES);
    EXPECT_FALSE(std::filesystem::exists(s.Dir() / "out/alice/pic.nvx"));
    EXPECT_EQ(hooks.Count("EndDownloadUI"), 1);
    EXPECT_EQ(hooks.Count("OpenFolder"), nAnswer == IDYES ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(YesNo, StopQuestion, ::testing::Values(IDNO, IDYES));
