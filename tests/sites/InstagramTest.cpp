// The Instagram adapter against a loopback stand-in of the service: the profile album, the
// paging and cursor rules, videos through the post view, picture address rewriting, stops.

#include <gtest/gtest.h>

#include "SitesTestSupport.h"
#include "core/ChangeSource.h"
#include "sites/Instagram.h"

namespace {

std::vector<std::string> Utf8All(const std::vector<std::u16string>& v)
{
    std::vector<std::string> out;
    for (const auto& s : v)
        out.push_back(ToUtf8(s));
    return out;
}

} // namespace

TEST(InstagramQueryBody, FillsTheFixedFormatAndRefusesWhatTheBufferCannotHold)
{
    std::string body;
    ASSERT_TRUE(InstagramQueryBody("", "", body));
    EXPECT_EQ(body.size(), 510u); // the fixed part of the 574-character format
    EXPECT_EQ(body.rfind("q=ig_user()+%7B+media.after(%2C+50)+%7B%0A++count%2C%0A++nodes+%7B", 0), 0u);
    EXPECT_NE(body.find("&ref=users%3A%3Ashow&query_id=17846611669135658"), std::string::npos);
    EXPECT_EQ(body.find("%%"), std::string::npos);

    ASSERT_TRUE(InstagramQueryBody("42", "AQ9", body));
    EXPECT_EQ(body.rfind("q=ig_user(42)+%7B+media.after(AQ9%2C+50)", 0), 0u);

    // 510 fixed bytes + 513 + the NUL fill the 1024-byte buffer exactly; one more is refused.
    const std::string owner(13, '1');
    ASSERT_TRUE(InstagramQueryBody(owner, std::string(500, 'c'), body));
    EXPECT_EQ(body.size(), 1023u);
    std::string kept = body;
    EXPECT_FALSE(InstagramQueryBody(owner, std::string(501, 'c'), body));
    EXPECT_EQ(body, kept);
}

TEST(InstagramWebRoot, DefaultsToTheServiceAndTakesTheIniOverride)
{
    CSitesState s;
    EXPECT_EQ(InstagramWebRoot(s.St()), u"https://www.instagram.com");
    s.St().m_ExtSet.strInstagramRoot = u" http://127.0.0.1:8080/ ";
    EXPECT_EQ(InstagramWebRoot(s.St()), u"http://127.0.0.1:8080");
}

TEST(InstagramAddProfile, OneAlbumFromTheProfileNameOnlyOnceReady)
{
    CSitesState s;
    CWorkState& st = s.St();
    st.m_strSiteBase = u"https://www.instagram";
    st.m_strSubDir1 = u"left over";
    InstagramAddProfile(st, u"a:b");
    ASSERT_EQ(st.m_pAlbumList->Count(), 1);
    const ST_PERLISTRECORD* p = st.m_pAlbumList->GetAlbum(0);
    EXPECT_EQ(p->strName, u"ab"); // cleaned by the album list
    EXPECT_EQ(p->strAlbumUrl, u"https://www.instagram.com/a:b");
    EXPECT_TRUE(p->strCoverUrl.empty());
    EXPECT_EQ(p->nPicCount, -1);
    EXPECT_EQ(p->nAttrib, 0);
    EXPECT_EQ(st.m_strProfile, u"a:b");
    EXPECT_TRUE(st.m_strSubDir1.empty());
    ASSERT_EQ(s.Hooks().Count("AddAlbumRow"), 1);
    EXPECT_EQ(s.Hooks().CallsNamed("AddAlbumRow")[0].nId, 0);

    st.m_bReady = 0;
    InstagramAddProfile(st, u"bob");
    EXPECT_EQ(st.m_pAlbumList->Count(), 1);
    EXPECT_EQ(st.m_strProfile, u"bob");
}

// The main road: the profile page, two queries, videos through the post view. The first query
// continues after the last post with a picture (not the page's end cursor), carries the token
// of the cookie, and a query answer repeating the cursor ends the enumeration.
TEST(InstagramGetPics, WalksProfileAndQueriesWithTheCursorAndTokenRules)
{
    CFakeInstagram svc;
    const std::string cdn = svc.Root() + "/pic";
    svc.SetProfile(
        Page("42", "PAGECURSOR",
             {Node("101", "P1", "Sunset \\u00e9", "http:\\/\\/cdn.test\\/s640x640\\/a_n.jpg"),
              Node("102", "V1", "She said \\\"hi\\\"", "http://cdn.test/s640x640/poster1_n.jpg", true),
              Node("103", "V2", "", "http://cdn.test/s640x640/poster2_n.jpg", true),
              Node("104", "NOPIC", "no picture", "")}));
    svc.SetView("V1", "{\"media\": {\"video_url\": \"http://cdn.test/v1.mp4\"}}");
    svc.SetView("V2", "{\"media\": {\"video_url\": \"http://x/\"}}"); // 10 characters: kept poster
    svc.AddQueryAnswer(Page("42", "C2",
                            {Node("201", "Q1", "q one", "http://cdn.test/q1.jpg"),
                             Node("202", "Q2", "q two", "http://cdn.test/q2_n.jpg")}));
    svc.AddQueryAnswer(Page("42", "C2",
                            {Node("301", "R1", "r one", "http://cdn.test/r1.jpg"),
                             Node("302", "R2", "r two", "http://cdn.test/r2.jpg")}));

    CSitesState s;
    CWorkState& st = s.St();
    st.m_ExtSet.strInstagramRoot = svc.Root16();
    st.m_strProfile = u"alice";
    int nAlbum = s.AddAlbum(u"alice", svc.Root16() + u"/alice");
    st.m_byDownState = 1;
    InstagramGetPics(st, nAlbum);

    EXPECT_EQ(Utf8All(g_pJob->arrUrl),
              (std::vector<std::string>{"http://cdn.test/s1080x1080/a_n.png", "http://cdn.test/v1.mp4",
                                        "http://cdn.test/s640x640/poster2_n.jpg", "http://cdn.test/q1.jpg",
                                        "http://cdn.test/q2_n.png", "http://cdn.test/r1.jpg",
                                        "http://cdn.test/r2.jpg"}));
    // First-run naming "?2) " + caption: the \u escape decoded, the escaped quote cut the caption.
    EXPECT_EQ(ToUtf8(g_pJob->arrName[0]), "1) Sunset é.jpg");
    EXPECT_EQ(ToUtf8(g_pJob->arrName[1]), "2) She said.jpg");
    EXPECT_EQ(ToUtf8(g_pJob->arrName[2]), "3) alice.jpg"); // no caption: the album name

    EXPECT_EQ(svc.Views(), (std::vector<std::string>{"V1?alice&1", "V2?alice&1"}));
    auto q = svc.Queries();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].strBody.rfind("q=ig_user(42)+%7B+media.after(103%2C+50)", 0), 0u) << q[0].strBody;
    EXPECT_EQ(q[1].strBody.rfind("q=ig_user(42)+%7B+media.after(C2%2C+50)", 0), 0u) << q[1].strBody;
    EXPECT_EQ(q[0].strToken, "tok123");
    EXPECT_EQ(q[0].strReferer, svc.Root() + "/instagram/");
    EXPECT_EQ(st.m_byDownState.load(), 1);
}

// Former photo host rewriting with picture source 0, and an owner id too long for the body
// buffer: the enumeration ends without sending a cut query.
TEST(InstagramGetPics, PictureSourceZeroRewritesHostAndOversizedQueryIsNotSent)
{
    CFakeInstagram svc;
    svc.SetProfile(
        Page(std::string(600, '9'), "",
             {Node("1", "A", "one", "https://scontent.cdninstagram.com/hphotos-xaf1/s640x640/x_n.jpg"),
              Node("2", "B", "two", "http://other.test/y.jpg")}));
    CSitesState s;
    CWorkState& st = s.St();
    st.m_ExtSet.strInstagramRoot = svc.Root16();
    st.m_ExtSet.byInstagramPicSource = 0;
    int nAlbum = s.AddAlbum(u"alice", svc.Root16() + u"/alice");
    st.m_byDownState = 1;
    InstagramGetPics(st, nAlbum);

    EXPECT_EQ(Utf8All(g_pJob->arrUrl),
              (std::vector<std::string>{"http://127.0.0.1:" + svc.Root().substr(svc.Root().rfind(':') + 1) +
                                            "/hphotos-ak-xaf1/s1080x1080/x_n.png",
                                        "http://other.test/y.jpg"}));
    EXPECT_TRUE(svc.Queries().empty());
}

// A "syntax error" page is waited out and asked again; a page without a node separator (a
// single post) yields nothing.
TEST(InstagramGetPics, SyntaxErrorIsRetriedAndASinglePostPageYieldsNothing)
{
    CFakeInstagram svc;
    svc.SetProfile(Page("42", "", {Node("1", "A", "only", "http://cdn.test/only.jpg")}), 1);
    CSitesState s;
    CWorkState& st = s.St();
    st.m_ExtSet.strInstagramRoot = svc.Root16();
    int nAlbum = s.AddAlbum(u"alice", svc.Root16() + u"/alice");
    InstagramGetPics(st, nAlbum);
    EXPECT_EQ(svc.ProfileHits(), 2);
    EXPECT_EQ(g_pJob->Count(), 0);
    EXPECT_TRUE(svc.Queries().empty());
}

// A stop seen after a picture ends the enumeration at once (no pause, no query).
TEST(InstagramGetPics, StopAfterAPictureReturnsAtOnce)
{
    CFakeInstagram svc;
    svc.SetProfile(Page(
        "42", "",
        {Node("1", "A", "one", "http://cdn.test/1.jpg"), Node("2", "B", "two", "http://cdn.test/2.jpg")}));
    CSitesState s;
    CWorkState& st = s.St();
    st.m_ExtSet.strInstagramRoot = svc.Root16();
    int nAlbum = s.AddAlbum(u"alice", svc.Root16() + u"/alice");
    st.m_byDownState = 3;
    InstagramGetPics(st, nAlbum);
    EXPECT_EQ(g_pJob->Count(), 1);
    EXPECT_TRUE(svc.Queries().empty());
}
