// Instagram adapter: the profile album and the page-by-page enumeration of its posts.

#include "sites/Instagram.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "core/WorkState.h"
#include "download/PicJob.h"
#include "net/URLSource2.h"
#include "text/StringCtrl.h"

namespace {

// Header lines of every request; the query adds its own lines after them.
constexpr char16_t kAgentBlock[] =
    u"User-Agent: Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
    u"Chrome/30.0.1599.101 Safari/537.36\r\nAccept-Encoding: gzip, deflate\r\n"
    u"Accept-Language:zh-CN,zh;q=0.8";

// The query asks for the next 50 posts after a cursor; owner id first, cursor second.
constexpr char kQueryBodyFormat[] =
    "q=ig_user(%s)+%%7B+media.after(%s%%2C+50)+%%7B%%0A++count%%2C%%0A++nodes+%%7B%%0A++++"
    "caption%%2C%%0A++++code%%2C%%0A++++comments+%%7B%%0A++++++count%%0A++++%%7D%%2C%%0A++++"
    "comments_disabled%%2C%%0A++++date%%2C%%0A++++dimensions+%%7B%%0A++++++height%%2C%%0A++++++"
    "width%%0A++++%%7D%%2C%%0A++++display_src%%2C%%0A++++id%%2C%%0A++++is_video%%2C%%0A++++likes+"
    "%%7B%%0A++++++count%%0A++++%%7D%%2C%%0A++++owner+%%7B%%0A++++++id%%0A++++%%7D%%2C%%0A++++"
    "thumbnail_src%%2C%%0A++++video_views%%0A++%%7D%%2C%%0A++page_info%%0A%%7D%%0A+%%7D&ref=users"
    "%%3A%%3Ashow&query_id=17846611669135658";

// The body buffer the query is built in, terminating NUL included.
constexpr size_t kBodyBuffer = 1024;

// Fixed pages of the service (below the web root).
constexpr char16_t kRefererPath[] = u"/instagram/";
// Photo host the service used before its content network; reached over plain http.
constexpr char16_t kFormerPhotoHost[] = u"http://photos-a.ak.instagram.com";

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool FoundAfterFirst(const std::u16string& text, const std::u16string& mark)
{
    size_t p = text.find(mark);
    return p != std::u16string::npos && p > 0;
}

// Scheme + host (+ port) of the web root, without path.
std::u16string HostOf(const std::u16string& strRoot)
{
    size_t p = strRoot.find(u"://");
    size_t start = p == std::u16string::npos ? 0 : p + 3;
    size_t end = strRoot.find(u'/', start);
    return strRoot.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}

std::u16string FormerPhotoPrefix(const std::u16string& strRoot)
{
    if (strRoot == kInstagramDefaultRoot)
        return kFormerPhotoHost;
    return u"http://" + HostOf(strRoot);
}

// Step 10.5 of a picture address; videos keep theirs.
void RewritePictureAddress(std::u16string& strPic, const std::u16string& strRoot, uint8_t bySource)
{
    if (strPic.find(u"\":\"") != std::u16string::npos)
        CutAfter(strPic, u"\":\"", true);
    StrReplace(strPic, u"\\/", u"/");
    StrReplace(strPic, u"/s640x640/", u"/s1080x1080/");
    StrReplace(strPic, u"_n.jpg", u"_n.png");
    if (bySource == 0 && CutAfter(strPic, u"com/hphotos-", true) >= 0)
        strPic = FormerPhotoPrefix(strRoot) + u"/hphotos-ak-" + strPic;
}

} // namespace

std::u16string InstagramWebRoot(const CWorkState& st)
{
    std::u16string strRoot = st.m_ExtSet.strInstagramRoot;
    Trim(strRoot);
    while (!strRoot.empty() && strRoot.back() == u'/')
        strRoot.pop_back();
    return strRoot.empty() ? std::u16string(kInstagramDefaultRoot) : strRoot;
}

bool InstagramQueryBody(const std::string& strOwnerId, const std::string& strCursor, std::string& strBody)
{
    // A body that does not fit is refused whole: sending a cut query would ask for the wrong
    // posts, and the buffer must never overflow.
    if (strOwnerId.find('\0') != std::string::npos || strCursor.find('\0') != std::string::npos)
        return false;
    char buf[kBodyBuffer];
    int n = std::snprintf(buf, sizeof buf, kQueryBodyFormat, strOwnerId.c_str(), strCursor.c_str());
    if (n < 0 || static_cast<size_t>(n) >= sizeof buf)
        return false;
    strBody.assign(buf, static_cast<size_t>(n));
    return true;
}

void InstagramAddProfile(CWorkState& st, const std::u16string& strProfile)
{
    st.m_strSubDir1.clear();
    ST_PERLISTRECORD rec;
    rec.strName = strProfile;
    rec.strAlbumUrl = st.m_strSiteBase + u".com/" + strProfile;
    rec.nPicCount = -1;
    rec.nAttrib = 0;
    rec.nScore = 0;
    rec.nValue = 0;
    st.m_strProfile = strProfile;
    if (st.m_bReady.load() == 1) {
        int n = st.m_pAlbumList->AddAlbum(rec);
        if (n > 0)
            st.Hooks().AddAlbumRow(n - 1);
    }
}

void InstagramGetPics(CWorkState& st, int nAlbum)
{
    const ST_PERLISTRECORD* pAlbum = st.m_pAlbumList->GetAlbum(nAlbum);
    if (!pAlbum)
        return;
    const std::u16string strAlbumUrl = pAlbum->strAlbumUrl;
    const std::u16string strRoot = InstagramWebRoot(st);
    const uint8_t bySource = st.m_ExtSet.byInstagramPicSource;

    ST_URLREQUEST req(u"", u"", 20000);
    req.strHeaders = kAgentBlock;
    CURLSource2 src;

    std::u16string strPage, strCursor, strOwner, strToken;
    std::vector<std::u16string> arrNodes;
    std::string strPrevBody; // the last query body sent (GBK); empty = all zero
    int nPage = 0;
    int nErrors = 0;

    while (nErrors < 3) {
        if (nPage == 0) {
            req.strUrl = strAlbumUrl;
        } else {
            strToken = GetUrlCookie(strRoot + u"/");
            CutAfter(strToken, u"csrftoken=", true);
            CutBefore(strToken, u";");
            req.strHeaders = std::u16string(kAgentBlock) + u"\r\nreferer:" + strRoot + kRefererPath +
                             u"\r\nx-csrftoken:" + strToken +
                             u"\r\nx-instagram-ajax:1\r\nx-requested-with:XMLHttpRequest\r\naccept:*/*"
                             u"\r\ncontent-type:application/x-www-form-urlencoded";
            req.strUrl = strRoot + u"/query/";
            req.strVerb = u"POST";
            const std::string strCursorGbk = ToGbk(strCursor);
            // The same cursor twice (or none) means the profile is exhausted.
            if (strPrevBody.find(strCursorGbk) != std::string::npos)
                break;
            std::string strBody;
            if (!InstagramQueryBody(ToGbk(strOwner), strCursorGbk, strBody))
                break;
            strPrevBody = strBody;
            req.SetPostData(strBody);
        }

        if (!FetchUrl(req, src, 0))
            break;
        src.GetText(strPage, TEXT_UNZIP | TEXT_UTF8);
        if (strPage.empty())
            break;
        if (FoundAfterFirst(strPage, u"\"syntax error\"")) {
            ++nErrors;
            SleepMs(5000);
            continue;
        }
        ++nPage;
        nErrors = 0;

        strCursor = GetMidString(strPage, u"end_cursor\":", u",");
        StrRemove(strCursor, u'"');
        StrRemove(strCursor, u'}');
        Trim(strCursor);
        strOwner = GetMidString(strPage, u"owner\": {\"id\": \"", u"\"");
        CutAfter(strPage, u"\"nodes\"", true);
        if (SplitAll(strPage, u"}, {", arrNodes) <= 0)
            break;

        for (std::u16string& strNode : arrNodes) {
            std::u16string strCaption = UnescapeUnicode(GetMidString(strNode, u"caption\": \"", u"\""));
            std::u16string strPic = GetMidString(strNode, u"display_src\": \"", u"\"");
            if (strPic.empty())
                continue;
            // The first query continues after the last post the profile page showed.
            if (nPage == 1)
                strCursor = GetMidString(strNode, u"\"id\": \"", u"\"");

            if (FoundAfterFirst(strNode, u"is_video\": true")) {
                std::u16string strCode = GetMidString(strNode, u"code\": \"", u"\"");
                req.strUrl = strRoot + u"/p/" + strCode + u"/?taken-by=" + st.m_strProfile + u"&__a=1";
                req.SetPostData("");
                req.strVerb = u"GET";
                req.strHeaders = kAgentBlock;
                if (FetchUrl(req, src, 0)) {
                    std::u16string strView;
                    src.GetText(strView, TEXT_UNZIP | TEXT_UTF8);
                    std::u16string strVideo = GetMidString(strView, u"video_url\": \"", u"\"");
                    if (strVideo.size() > 10)
                        strPic = strVideo;
                    SleepMs(1000);
                }
            } else {
                RewritePictureAddress(strPic, strRoot, bySource);
            }

            AddPicToJob(st, strPic, strCaption, u"", nAlbum);
            const uint8_t byState = st.m_byDownState.load();
            if (byState == DOWN_ALBUM_DONE || byState == DOWN_STOP_ASKED)
                return;
        }
        SleepMs((nPage % 2 + 3) * 1000);
    }
}
