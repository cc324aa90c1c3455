// One HTTP attempt (CURLSource2::Request) against real loopback servers.
#include "NetTestUtil.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

std::string Head(size_t contentLength, const std::string& extra = "")
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(contentLength) + "\r\n" + extra + "\r\n";
}

// A server that answers every request of a connection with the same canned bytes and remembers
// the last request it saw.
struct CCannedServer {
    std::mutex mutex;
    std::string lastHead, lastBody;
    std::atomic<int> requests{0};
    std::string reply;
    LoopbackServer srv{[this](LoopbackConn& c) {
        for (;;) {
            std::string head = c.ReadRequest();
            if (head.empty())
                return;
            {
                std::lock_guard<std::mutex> lk(mutex);
                lastHead = head;
                lastBody = c.Body();
            }
            ++requests;
            if (!c.Send(reply) || reply.find("Connection: close") != std::string::npos)
                return;
        }
    }};
    explicit CCannedServer(std::string r) : reply(std::move(r)) {}
    std::string LastHead()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return lastHead;
    }
    std::string LastBody()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return lastBody;
    }
};

TEST(Request, EmptyBodySucceedsAndHeadIsKeptRaw)
{
    CCannedServer s(Head(0, "X-Test: 1\r\n"));
    ST_URLREQUEST req = QuickRequest(s.srv.Url("/empty"));
    CURLSource2 src;
    src.strBody = "stale";
    ASSERT_TRUE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "");
    EXPECT_EQ(src.qwBodyLen, 0u);
    EXPECT_EQ(src.strHeaders, u"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX-Test: 1\r\n\r\n");
    EXPECT_FALSE(src.bGzip);
}

TEST(Request, SendsAgentsHeadersAndNeverAsksForCompression)
{
    CCannedServer s(Head(2) + "ok");
    ST_URLREQUEST req = QuickRequest(s.srv.Url("/a"));
    req.strHeaders = u"Referer: http://example.test/\r\nX-One: 1\r\nX-Two: 2";
    CURLSource2 src;
    ASSERT_TRUE(src.Request(req, 0));
    std::string head = s.LastHead();
    EXPECT_EQ(head.rfind("GET /a HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: User-Agent:Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, "
                        "like Gecko) Chrome/31.0.1650.64 Safari/537.36\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(head.find("\r\nReferer: http://example.test/\r\nX-One: 1\r\nX-Two: 2\r\n"), std::string::npos);
    EXPECT_EQ(head.find("Accept-Encoding"), std::string::npos);
    EXPECT_EQ(head.find("Accept:"), std::string::npos);

    ASSERT_TRUE(src.Request(req, FETCH_IE_AGENT));
    EXPECT_NE(
        s.LastHead().find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; "
                          "SLCC2; .NET CLR 2.0.50727; .NET CLR 3.5.30729; .NET CLR 3.0.30729; .NET4.0C; "
                          ".NET4.0E)\r\n"),
        std::string::npos);
}

TEST(Request, PostBodyArrivesWholeWithItsLength)
{
    CCannedServer s(Head(2) + "ok");
    std::string body;
    for (int i = 0; i < 2500; ++i)
        body += static_cast<char>('a' + i % 26);
    ST_URLREQUEST req = QuickRequest(s.srv.Url("/query/"));
    req.strVerb = u"POST";
    req.strHeaders = u"Content-Type: application/x-www-form-urlencoded\r\n";
    req.SetPostData(body);
    CURLSource2 src;
    ASSERT_TRUE(src.Request(req, 0));
    EXPECT_EQ(s.LastHead().rfind("POST /query/ HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(s.LastHead().find("Content-Length: 2500\r\n"), std::string::npos);
    EXPECT_EQ(s.LastHead().find("Expect:"), std::string::npos);
    EXPECT_EQ(s.LastBody(), body);

    // An empty text removes the body: the next request sends none.
    req.strVerb = u"GET";
    req.SetPostData("");
    ASSERT_TRUE(src.Request(req, 0));
    EXPECT_EQ(s.LastHead().rfind("GET ", 0), 0u);
    EXPECT_EQ(s.LastHead().find("Content-Length"), std::string::npos);
    EXPECT_EQ(s.LastBody(), "");
}

TEST(Request, AddressIsCanonicalisedBeforeTheQueryOnly)
{
    CCannedServer s(Head(0));
    struct {
        std::string path;
        std::string sent;
    } cases[] = {
        {"/a b/c d.jpg", "/a%20b/c%20d.jpg"},
        {"/x/../y/./z", "/y/z"},
        {"/p?q=a|b&r=\xE4\xB8\xAD", "/p?q=a|b&r=\xE4\xB8\xAD"},
        {"/\xE4\xB8\xAD.jpg#frag", "/%E4%B8%AD.jpg"},
    };
    for (const auto& c : cases) {
        ST_URLREQUEST req = QuickRequest(s.srv.Url(c.path));
        CURLSource2 src;
        ASSERT_TRUE(src.Request(req, 0)) << c.path;
        EXPECT_EQ(s.LastHead().rfind("GET " + c.sent + " HTTP/1.1\r\n", 0), 0u) << s.LastHead();
    }
    for (const char* bad : {"ftp://127.0.0.1/x", "file:///etc/passwd", "127.0.0.1/x", "http://", ""}) {
        ST_URLREQUEST req = QuickRequest(bad);
        CURLSource2 src;
        EXPECT_FALSE(src.Request(req, 0)) << bad;
    }
    EXPECT_EQ(s.srv.Connections(), 1);
}

TEST(Request, ConsecutiveAttemptsReuseTheKeptAliveConnection)
{
    CCannedServer s(Head(5) + "hello");
    for (int i = 0; i < 3; ++i) {
        ST_URLREQUEST req = QuickRequest(s.srv.Url("/k"));
        CURLSource2 src;
        ASSERT_TRUE(src.Request(req, 0));
        EXPECT_EQ(src.strBody, "hello");
    }
    EXPECT_EQ(s.requests.load(), 3);
    EXPECT_EQ(s.srv.Connections(), 1);
}

TEST(Request, HttpsWithExplicitPortSpeaksTlsToThatPort)
{
    // Not a TLS server: it only records how the client opens, then hangs up.
    std::atomic<int> firstByte{-1};
    LoopbackServer raw([&](LoopbackConn& c) {
        std::string got = c.ReadRaw(1500);
        if (!got.empty())
            firstByte = static_cast<unsigned char>(got[0]);
    });
    ST_URLREQUEST req = QuickRequest("https://127.0.0.1:" + std::to_string(raw.Port()) + "/secure");
    CURLSource2 src;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(raw.Connections(), 1);
    EXPECT_EQ(firstByte.load(), 0x16); // a TLS handshake record
}

TEST(Request, ContentLengthOutsideTheLimitsFailsBeforeTheBody)
{
    std::string body(2047, 'x');
    CCannedServer announced(Head(2047) + body);
    ST_URLREQUEST req = QuickRequest(announced.srv.Url("/cl"));
    req.dwMinSizeKB = 2;
    CURLSource2 src;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.qwBodyLen, 0u); // the body was there on the wire but never read
    EXPECT_NE(src.strHeaders.find(u"Content-Length: 2047"), std::u16string::npos);

    // Without a Content-Length the same body is read to its end and then rejected.
    CCannedServer unannounced("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
    req.strUrl = unannounced.srv.Url16("/nocl");
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, body);

    req.dwMinSizeKB = 1;
    EXPECT_TRUE(src.Request(req, 0));

    // An announced length above the maximum, or above what a page may hold in memory.
    req.strUrl = announced.srv.Url16("/cl");
    req.dwMinSizeKB = 0;
    req.dwMaxSizeKB = 1;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.qwBodyLen, 0u);
    CCannedServer huge(Head(URL_MEMORY_BODY_CAP + 1));
    req.strUrl = huge.srv.Url16("/huge");
    req.dwMaxSizeKB = 0;
    EXPECT_FALSE(src.Request(req, 0));
}

TEST(Request, MaximumFailsAsSoonAsTheBodyPassesIt)
{
    std::atomic<bool> sentAll{false};
    LoopbackServer srv([&](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(1500, 'x'));
        if (c.Sleep(5000)) // far beyond the attempt: it must not wait for the rest
            sentAll = true;
    });
    ST_URLREQUEST req = QuickRequest(srv.Url("/big"));
    req.dwReadTimeout = 10000;
    req.dwMaxSizeKB = 1;
    CURLSource2 src;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_FALSE(sentAll.load());
    EXPECT_GT(src.strBody.size(), 1024u);
}

// A server that sends the given pieces with a pause between them.
struct CPiecesServer {
    std::vector<std::string> pieces;
    LoopbackServer srv{[this](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0 && !c.Sleep(300))
                return;
            if (!c.Send(pieces[i]))
                return;
        }
    }};
    explicit CPiecesServer(std::vector<std::string> p) : pieces(std::move(p)) {}
};

TEST(Request, MarkersTrimTheBodyWhileReading)
{
    struct {
        const char* name;
        std::vector<std::string> pieces;
        const char* start;
        const char* end;
        const char* body;
    } cases[] = {
        {"both lists in one read",
         {"head[list]one[/list]mid[list]two[/list]tail"},
         "[list]",
         "[/list]",
         "two"},
        {"first list ends before the second starts",
         {"head[list]one[/list]mi", "d[list]two[/list]tail"},
         "[list]",
         "[/list]",
         "one"},
        {"end marker without start marker", {"before[/list]after"}, "[list]", "[/list]", "before"},
        {"start marker split across reads", {"xx[li", "st]kept"}, "[list]", "", "kept"},
        {"no markers", {"as is"}, "", "", "as is"},
    };
    for (const auto& c : cases) {
        CPiecesServer s(c.pieces);
        ST_URLREQUEST req = QuickRequest(s.srv.Url("/m"));
        req.strStartMark = c.start;
        req.strEndMark = c.end;
        CURLSource2 src;
        EXPECT_TRUE(src.Request(req, 0)) << c.name;
        EXPECT_EQ(src.strBody, c.body) << c.name;
        EXPECT_EQ(src.strStartMark, c.start);
    }
}

TEST(Request, EndMarkerStopsTheTransferAtOnce)
{
    std::atomic<bool> finished{false};
    LoopbackServer srv([&](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<ul>a</ul>");
        if (c.Sleep(5000))
            finished = c.Send("more");
    });
    ST_URLREQUEST req = QuickRequest(srv.Url("/stop"));
    req.dwReadTimeout = 10000;
    req.strStartMark = "<ul>";
    req.strEndMark = "</ul>";
    CURLSource2 src;
    EXPECT_TRUE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "a");
    EXPECT_FALSE(finished.load());
}

TEST(Request, GzipBodyIsStoredCompressedAndNotTrimmed)
{
    std::string page = "x<b>&quot;hi&quot;</b>y";
    std::string gz = Deflate(page);
    for (const char* header : {"Content-Encoding: gzip\r\n", "X-Note: we like gzip\r\n"}) {
        CCannedServer s(Head(gz.size(), header) + gz);
        ST_URLREQUEST req = QuickRequest(s.srv.Url("/gz"));
        req.strStartMark = "<b>";
        req.strEndMark = "</b>";
        CURLSource2 src;
        ASSERT_TRUE(src.Request(req, 0));
        EXPECT_TRUE(src.bGzip);
        EXPECT_EQ(src.strBody, gz);
        std::u16string text;
        src.GetText(text, TEXT_UNZIP | TEXT_UTF8);
        EXPECT_EQ(text, u"\"hi\"");
    }
}

TEST(Request, StallFailsAfterTheReadLimitButATrickleIsReadToTheEnd)
{
    LoopbackServer stall([](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
        c.Sleep(5000);
    });
    ST_URLREQUEST req = QuickRequest(stall.Url("/stall"));
    req.dwReadTimeout = 1000;
    CURLSource2 src;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "abc");

    // Six bytes 300 ms apart: longer than one read limit in all, but every read is in time.
    LoopbackServer trickle([](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n");
        for (char ch : std::string("abcdef"))
            if (!c.Sleep(300) || !c.Send(std::string(1, ch)))
                return;
    });
    req.strUrl = trickle.Url16("/trickle");
    req.dwReadTimeout = 1000;
    EXPECT_TRUE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "abcdef");

    // No head at all: the wait for it is limited by dwTimeout.
    LoopbackServer mute([](LoopbackConn& c) {
        c.ReadRequest();
        c.Sleep(5000);
    });
    req.strUrl = mute.Url16("/mute");
    req.dwTimeout = 1000;
    req.strHeaders.clear();
    src.strHeaders = u"old";
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.strHeaders, u"old");
}

TEST(Request, SaveWritesTheFileOnlyOnSuccess)
{
    CTempDir dir;
    std::string picture(300 * 1024, '\0');
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 7 + i / 251);
    CCannedServer s(Head(picture.size()) + picture);

    ST_URLREQUEST req(s.srv.Url16("/p.jpg"), dir.Str16("p.jpg"), 2000);
    CURLSource2 src;
    ASSERT_TRUE(src.Request(req, 0));
    EXPECT_EQ(ReadFile(dir.path / "p.jpg"), picture);
    EXPECT_TRUE(src.bBodyOnDisk);
    EXPECT_EQ(src.qwBodyLen, picture.size());
    EXPECT_EQ(src.strBody, ""); // streamed, not held
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"p.jpg"});

    // Too small: no file, and no temporary file left behind.
    req.strSavePath = dir.Str16("small.jpg");
    req.dwMinSizeKB = 400;
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"p.jpg"});

    // Into a folder that does not exist.
    req.dwMinSizeKB = 0;
    req.strSavePath = dir.Str16("missing/p.jpg");
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_FALSE(std::filesystem::exists(dir.path / "missing"));

    // A transfer cut short leaves nothing, not even a torn file.
    LoopbackServer cut([](LoopbackConn& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(3000, 'z'));
    });
    req.strUrl = cut.Url16("/cut.jpg");
    req.strSavePath = dir.Str16("cut.jpg");
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.qwBodyLen, 3000u);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"p.jpg"});
}

TEST(Request, RedirectsFollowHttpOnly)
{
    LoopbackServer srv([](LoopbackConn& c) {
        for (;;) {
            std::string head = c.ReadRequest();
            if (head.empty())
                return;
            if (head.rfind("GET /from ", 0) == 0)
                c.SendResponse("moved", "Location: /to\r\n", 302);
            else if (head.rfind("GET /evil ", 0) == 0)
                c.SendResponse("", "Location: file:///etc/passwd\r\n", 302);
            else
                c.SendResponse("final", "X-Final: 1\r\n");
        }
    });
    ST_URLREQUEST req = QuickRequest(srv.Url("/from"));
    req.dwMinSizeKB = 0;
    CURLSource2 src;
    ASSERT_TRUE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "final");
    EXPECT_EQ(src.strHeaders, u"HTTP/1.1 200 X\r\nContent-Length: 5\r\nX-Final: 1\r\n\r\n");

    req.strUrl = srv.Url16("/evil");
    EXPECT_FALSE(src.Request(req, 0));
    EXPECT_EQ(src.strBody, "");
}

} // namespace
