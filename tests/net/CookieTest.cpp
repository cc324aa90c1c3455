// The shared cookie store: cookies.txt parsing, persistence, matching, and cookies travelling
// between attempts.
#include "NetTestUtil.h"
#include "net/CookieStore.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

namespace {

// "/set..." answers with the Set-Cookie lines given in the query-less path table, "/echo"
// answers with the Cookie header it received, "/hop" sets a cookie and redirects to "/echo".
class CCookieServer {
  public:
    LoopbackServer srv{[](LoopbackConn& c) {
        for (;;) {
            std::string head = c.ReadRequest();
            if (head.empty())
                return;
            std::string cookie;
            size_t at = head.find("\r\nCookie: ");
            if (at != std::string::npos)
                cookie = head.substr(at + 10, head.find("\r\n", at + 2) - at - 10);
            bool sent;
            if (head.rfind("GET /set ", 0) == 0)
                sent = c.SendResponse("set", "Set-Cookie: csrftoken=tok123; Path=/; Max-Age=3600\r\n"
                                             "Set-Cookie: sess=s1; Path=/\r\n");
            else if (head.rfind("GET /hop ", 0) == 0)
                sent =
                    c.SendResponse("", "Set-Cookie: hop=1; Path=/; Max-Age=3600\r\nLocation: /echo\r\n", 302);
            else
                sent = c.SendResponse(cookie.empty() ? "-" : cookie);
            if (!sent)
                return;
        }
    }};

    // The Cookie header a request to path carried, its cookies sorted by name.
    std::string Get(const std::string& path)
    {
        ST_URLREQUEST req = QuickRequest(srv.Url(path));
        CURLSource2 src;
        if (!src.Request(req, 0))
            return "<failed>";
        std::vector<std::string> parts;
        SplitAll(src.strBody, std::string("; "), parts);
        if (parts.empty())
            return src.strBody;
        std::sort(parts.begin(), parts.end());
        std::string out;
        for (const std::string& p : parts)
            out += (out.empty() ? "" : "; ") + p;
        return out;
    }
};

TEST(CookieFile, LinesOfSevenAndEightColumns)
{
    struct {
        const char* line;
        const char* domain;
        bool sub;
        bool secure;
        bool httpOnly;
        const char* name;
        const char* value;
        const char* sameSite;
    } cases[] = {
        {".example.com\tTRUE\t/\tFALSE\t2000000000\ta\t1", "example.com", true, false, false, "a", "1", ""},
        {"www.example.com\tFALSE\t/p\tTRUE\t2000000000\tb\t2\tLax", "www.example.com", false, true, false,
         "b", "2", "Lax"},
        {"#HttpOnly_.example.com\tTRUE\t/\tFALSE\t0\tc\t3\tNone\r", "example.com", true, false, true, "c",
         "3", "None"},
    };
    for (const auto& c : cases) {
        ST_COOKIE ck;
        ASSERT_TRUE(ParseCookieLine(c.line, ck)) << c.line;
        EXPECT_EQ(ck.strDomain, c.domain);
        EXPECT_EQ(ck.bSubdomains, c.sub);
        EXPECT_EQ(ck.bSecure, c.secure);
        EXPECT_EQ(ck.bHttpOnly, c.httpOnly);
        EXPECT_EQ(ck.strName, c.name);
        EXPECT_EQ(ck.strValue, c.value);
        EXPECT_EQ(ck.strSameSite, c.sameSite);
        // Written back, a line reads the same again.
        ST_COOKIE again;
        ASSERT_TRUE(ParseCookieLine(FormatCookieLine(ck, true), again));
        EXPECT_EQ(FormatCookieLine(again, true), FormatCookieLine(ck, true));
    }
    for (const char* bad : {
             "# Netscape HTTP Cookie File", "",
             "example.com\tTRUE\t/\tFALSE\t2000000000\ta",                 // six columns
             "example.com\tTRUE\t/\tFALSE\t2000000000\ta\t1\tLax\textra",  // nine
             "example.com\tTRUE\t/\tFALSE\tsoon\ta\t1",                    // expiry not a number
             "example.com\tTRUE\t/\tFALSE\t2000000000\ta\t1\rInjected: x", // a control character
             "\tTRUE\t/\tFALSE\t2000000000\ta\t1",                         // no domain
         }) {
        ST_COOKIE ck;
        EXPECT_FALSE(ParseCookieLine(bad, ck)) << bad;
    }
}

TEST(CookieStore, ResponseCookiesAreSentLaterAndSurviveARestart)
{
    ClearCookies();
    CTempDir first, second;
    ASSERT_TRUE(InitCookieStore(first.Str16()));
    CCookieServer s;
    EXPECT_EQ(s.Get("/echo"), "-");
    EXPECT_EQ(s.Get("/set"), "set");
    EXPECT_EQ(s.Get("/echo"), "csrftoken=tok123; sess=s1");
    EXPECT_EQ(GetUrlCookie(s.srv.Url16("/anything")), u"csrftoken=tok123; sess=s1");

    // A cookie set by a redirecting response goes with the next hop already.
    EXPECT_EQ(s.Get("/hop"), "csrftoken=tok123; hop=1; sess=s1");

    // Only persistent cookies reach the file, as in a browser.
    std::string file = ReadFile(first.path / "cookies.txt");
    EXPECT_NE(file.find("\tcsrftoken\ttok123"), std::string::npos) << file;
    EXPECT_NE(file.find("\thop\t1"), std::string::npos);
    EXPECT_EQ(file.find("sess"), std::string::npos);

    // "Restart": an empty store bound to a folder holding that file.
    std::filesystem::copy_file(first.path / "cookies.txt", second.path / "cookies.txt");
    ClearCookies();
    EXPECT_EQ(s.Get("/echo"), "-");
    ASSERT_TRUE(InitCookieStore(FromUtf8(second.path.string()))); // with or without a final "/"
    EXPECT_EQ(GetCookieFilePath(), second.Str16("cookies.txt"));
    EXPECT_EQ(s.Get("/echo"), "csrftoken=tok123; hop=1");
    ClearCookies();
}

TEST(CookieStore, LoginWindowFileWithSameSiteColumnIsReadAndKept)
{
    ClearCookies();
    CTempDir dir;
    CCookieServer s;
    // As the login window's engine writes it: eight columns, HttpOnly lines marked.
    std::ofstream(dir.path / "cookies.txt")
        << "# HTTP Cookie File\n"
        << "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tsessionid\tabc\tLax\n"
        << "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tds\tx\tNone\n";
    ASSERT_TRUE(InitCookieStore(dir.Str16()));
    EXPECT_EQ(s.Get("/echo"), "ds=x; sessionid=abc");

    // A later login writes the file again; the store picks it up on request.
    std::ofstream(dir.path / "cookies.txt", std::ios::app)
        << "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tcsrftoken\tnew\tStrict\n";
    EXPECT_EQ(s.Get("/echo"), "ds=x; sessionid=abc");
    ASSERT_TRUE(ReloadCookieFile());
    EXPECT_EQ(s.Get("/echo"), "csrftoken=new; ds=x; sessionid=abc");

    // When the store rewrites the file, the SameSite column survives for the login window.
    EXPECT_EQ(s.Get("/set"), "set");
    std::string file = ReadFile(dir.path / "cookies.txt");
    EXPECT_NE(file.find("\tsessionid\tabc\tLax\n"), std::string::npos) << file;
    EXPECT_NE(file.find("#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tds\tx\tNone\n"),
              std::string::npos);
    EXPECT_NE(file.find("\tcsrftoken\ttok123\n"), std::string::npos);
    for (const std::string& name : dir.Files())
        EXPECT_EQ(name, "cookies.txt"); // no temporary file left
    ClearCookies();
}

TEST(CookieStore, GetUrlCookieMatchesDomainPathSecureAndExpiry)
{
    ClearCookies();
    int64_t future = static_cast<int64_t>(std::time(nullptr)) + 3600;
    auto add = [&](const char* domain, bool sub, const char* path, bool secure, int64_t expires,
                   const char* name) {
        ST_COOKIE c;
        c.strDomain = domain;
        c.bSubdomains = sub;
        c.strPath = path;
        c.bSecure = secure;
        c.nExpires = expires;
        c.strName = name;
        c.strValue = "v";
        AddCookie(c);
    };
    add("example.com", true, "/", false, future, "all");
    add("www.example.com", false, "/", false, future, "www");
    add("example.com", true, "/album", false, future, "album");
    add("example.com", true, "/", true, future, "secure");
    add("example.com", true, "/", false, 0, "session");
    add("other.com", true, "/", false, future, "other");
    struct {
        const char* url;
        const char16_t* cookies;
    } cases[] = {
        {"http://example.com/", u"session=v; all=v"},
        {"https://example.com/", u"session=v; secure=v; all=v"},
        {"http://www.example.com/album/1?x=/", u"album=v; www=v; session=v; all=v"},
        {"http://WWW.Example.COM:8080/albums", u"www=v; session=v; all=v"},
        {"http://a.www.example.com/", u"session=v; all=v"},
        {"http://badexample.com/", u""},
        {"ftp://example.com/", u""},
        {"not an address", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetUrlCookie(FromUtf8(c.url)), c.cookies) << c.url;

    // An expiry in the past deletes the cookie.
    add("example.com", true, "/", false, 1, "all");
    EXPECT_EQ(GetUrlCookie(u"http://example.com/"), u"session=v");
    ClearCookies();
    EXPECT_EQ(GetUrlCookie(u"http://example.com/"), u"");
}

} // namespace
