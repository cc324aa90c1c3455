// Fetch helpers: FetchUrl's tries and validity test, GetText, GzipInflate, parallel fetches.
#include "NetTestUtil.h"
#include "support/LoopbackServer.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Answers request n (counted from 1) with replies[n - 1], or the last reply when they run out.
struct CSequenceServer {
    std::vector<std::string> bodies;
    std::vector<std::string> heads;
    std::atomic<int> requests{0};
    LoopbackServer srv{[this](LoopbackConn& c) {
        for (;;) {
            if (c.ReadRequest().empty())
                return;
            size_t n = std::min<size_t>(static_cast<size_t>(requests++), bodies.size() - 1);
            if (!c.SendResponse(bodies[n], heads.empty() ? "" : heads[n]))
                return;
        }
    }};
    explicit CSequenceServer(std::vector<std::string> b, std::vector<std::string> h = {})
        : bodies(std::move(b)), heads(std::move(h))
    {
    }
};

TEST(FetchUrl, TriesAndRetries)
{
    struct {
        const char* name;
        uint8_t tries;
        std::vector<std::string> bodies;
        bool ok;
        int requests;
    } cases[] = {
        {"no tries: no network access", 0, {"fine"}, false, 0},
        {"one try that fails", 1, {""}, false, 1},
        {"two tries, both fail", 2, {"", ""}, false, 2},
        {"two tries, the second succeeds", 2, {"", "fine"}, true, 2},
        {"the first succeeds", 3, {"fine"}, true, 1},
    };
    for (const auto& c : cases) {
        CSequenceServer s(c.bodies);
        ST_URLREQUEST req = QuickRequest(s.srv.Url("/t"));
        req.byTries = c.tries;
        CURLSource2 src;
        EXPECT_EQ(FetchUrl(req, src, 0), c.ok) << c.name;
        EXPECT_EQ(s.requests.load(), c.requests) << c.name;
    }

    // With the default pause of one second after a failed attempt.
    CSequenceServer s({"", "late"});
    ST_URLREQUEST req(s.srv.Url16("/slow"), u"", 2000);
    req.byTries = 2;
    EXPECT_EQ(req.byRetryDelay, 1);
    CURLSource2 src;
    EXPECT_TRUE(FetchUrl(req, src, 0));
    EXPECT_EQ(src.strBody, "late");
}

TEST(FetchUrl, ValidityTest)
{
    std::string inflatesTo700 = Deflate(std::string(700, 'a'));
    struct {
        const char* name;
        std::string body;
        std::string head;
        std::string failMark;
        uint32_t minBodyLen;
        uint32_t flags;
        bool ok;
    } cases[] = {
        {"600 bytes are not more than 600", std::string(600, 'x'), "", "", 600, 0, false},
        {"601 bytes are", std::string(601, 'x'), "", "", 600, 0, true},
        {"error page with the fail mark", "<h1>Please wait a few minutes</h1>", "", "Please wait", 0, 0,
         false},
        {"page without it", "<h1>ok</h1>", "", "Please wait", 0, 0, true},
        {"gzip inflated for the test with flag 1", inflatesTo700, "Content-Encoding: gzip\r\n", "", 600, 1,
         true},
        {"gzip measured compressed without it", inflatesTo700, "Content-Encoding: gzip\r\n", "", 600, 0,
         false},
    };
    for (const auto& c : cases) {
        CSequenceServer s({c.body}, {c.head});
        ST_URLREQUEST req = QuickRequest(s.srv.Url("/v"));
        req.strFailMark = c.failMark;
        req.dwMinBodyLen = c.minBodyLen;
        req.byTries = 2;
        CURLSource2 src;
        EXPECT_EQ(FetchUrl(req, src, c.flags), c.ok) << c.name;
        EXPECT_EQ(s.requests.load(), c.ok ? 1 : 2) << c.name; // a rejected page is retried
        EXPECT_EQ(src.strBody, c.body) << c.name;
    }
}

TEST(FetchUrl, SavedDownloadsPassTheTestOnTheirSize)
{
    CTempDir dir;
    CSequenceServer s({"", "PICTURE"});
    ST_URLREQUEST req(s.srv.Url16("/p.jpg"), dir.Str16("p.jpg"), 2000);
    req.byTries = 2;
    req.byRetryDelay = 0;
    CURLSource2 src;
    EXPECT_TRUE(FetchUrl(req, src, FETCH_CACHE_WRITE | FETCH_CACHE_READ));
    EXPECT_EQ(s.requests.load(), 2);
    EXPECT_EQ(ReadFile(dir.path / "p.jpg"), "PICTURE");
    EXPECT_EQ(src.qwBodyLen, 7u);

    // A fail mark needs the content: it is checked on a saved body too.
    CSequenceServer e({"<html>error</html>"});
    req.strUrl = e.srv.Url16("/e.jpg");
    req.strSavePath = dir.Str16("e.jpg");
    req.strFailMark = "<html>";
    EXPECT_FALSE(FetchUrl(req, src, 3));
}

TEST(FetchUrl, ConstructorAndResetDefaults)
{
    ST_URLREQUEST req(u"http://h/", u"/tmp/x", 20000);
    EXPECT_EQ(req.strVerb, u"GET");
    EXPECT_EQ(req.dwReadTimeout, 20000u);
    EXPECT_EQ(req.byTries, 1);
    req.strVerb = u"POST";
    req.strHeaders = u"A: b";
    req.strStartMark = req.strEndMark = "m";
    req.strFailMark = "fail";
    req.SetPostData("body");
    req.dwReadTimeout = req.dwTimeout = 5;
    req.dwMinSizeKB = req.dwMaxSizeKB = 1;
    req.dwMinBodyLen = 9;
    req.byTries = 4;
    req.byRetryDelay = 3;
    req.Reset();
    EXPECT_EQ(req.strUrl, u"");
    EXPECT_EQ(req.strSavePath, u"");
    EXPECT_EQ(req.strVerb, u"GET");
    EXPECT_EQ(req.strHeaders, u"");
    EXPECT_EQ(req.strStartMark + req.strEndMark, "");
    EXPECT_FALSE(req.pPostData.has_value());
    EXPECT_EQ(req.dwReadTimeout + req.dwTimeout, 40000u);
    EXPECT_EQ(req.dwMinSizeKB + req.dwMaxSizeKB, 0u);
    // Kept: a caller reusing the request must set these again.
    EXPECT_EQ(req.strFailMark, "fail");
    EXPECT_EQ(req.dwMinBodyLen, 9u);
    EXPECT_EQ(req.byTries, 4);
    EXPECT_EQ(req.byRetryDelay, 3);

    req.SetPostData(std::string("ab\0cd", 5)); // the body ends at its zero byte
    EXPECT_EQ(*req.pPostData, "ab");
}

TEST(GetText, DecodingByHeadAndFlags)
{
    const std::string zhongUtf8 = "\xE4\xB8\xAD";
    const std::string zhongGbk = "\xD6\xD0";
    struct {
        const char* name;
        std::u16string head;
        std::string body;
        uint32_t flags;
        std::u16string text;
    } cases[] = {
        {"UTF-8 page", u"HTTP/1.1 200 OK\r\n\r\n", zhongUtf8 + "&amp;&lt;x&gt;", 3, u"中&<x>"},
        {"charset=GBK beats the UTF-8 flag", u"Content-Type: text/html; charset=GBK\r\n\r\n", zhongGbk, 3,
         u"中"},
        {"lower-case charset=gbk does not", u"Content-Type: text/html; charset=gbk\r\n\r\n", zhongUtf8, 3,
         u"中"},
        {"no flag: GBK", u"", zhongGbk, 0, u"中"},
        {"auto picks UTF-8", u"", zhongUtf8, TEXT_AUTO, u"中"},
        {"auto falls back to GBK", u"", zhongGbk, TEXT_AUTO, u"中"},
        {"Big5", u"", "\xA4\xA4", TEXT_BIG5, u"中"},
        {"EUC-KR", u"", "\xC7\xD1", TEXT_EUCKR, u"한"},
        {"text ends at a zero byte", u"", std::string("ab\0cd", 5), 3, u"ab"},
        {"GBK page ends at a zero byte too", u"charset=GBK\r\n", std::string("ab\0cd", 5), 3, u"ab"},
        {"GBK page drops zero bytes with TEXT_GBKNUL", u"charset=GBK\r\n",
         std::string("ab\0c\x7f"
                     "d",
                     6),
         3 | TEXT_GBKNUL, u"abcd"},
        {"TEXT_GBKNUL means nothing on other pages", u"", std::string("ab\0cd", 5), 3 | TEXT_GBKNUL, u"ab"},
    };
    for (const auto& c : cases) {
        CURLSource2 src;
        src.strHeaders = c.head;
        src.strBody = c.body;
        std::u16string text = u"old";
        src.GetText(text, c.flags);
        EXPECT_EQ(text, c.text) << c.name;
    }
}

TEST(GetText, CompressedBodyIsInflatedThenTrimmed)
{
    CURLSource2 src;
    src.strHeaders = u"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n";
    src.bGzip = true;
    src.strStartMark = "[list]";
    src.strEndMark = "[/list]";
    src.strBody = Deflate("[list]a[/list][list]b&quot;[/list]tail");
    std::u16string text;
    src.GetText(text, TEXT_UNZIP | TEXT_UTF8);
    EXPECT_EQ(text, u"b\"");

    // Without TEXT_UNZIP the compressed bytes are decoded as they are (and still trimmed).
    src.strBody = "x[list]raw";
    src.GetText(text, TEXT_UTF8);
    EXPECT_EQ(text, u"raw");
}

TEST(GzipInflate, StreamsAndDamage)
{
    std::string page;
    for (int i = 0; i < 5000; ++i)
        page += "line " + std::to_string(i) + "\n";
    std::string out = "keep:";
    std::string gz = Deflate(page, 31);
    EXPECT_TRUE(GzipInflate(out, gz.data(), gz.size()));
    EXPECT_EQ(out, "keep:" + page); // appended

    std::string zl = Deflate(page, 15);
    out.clear();
    EXPECT_TRUE(GzipInflate(out, zl.data(), zl.size()));
    EXPECT_EQ(out, page);

    out.clear();
    EXPECT_FALSE(GzipInflate(out, gz.data(), gz.size() / 2));
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(page.compare(0, out.size(), out), 0); // what was produced so far

    out.clear();
    EXPECT_FALSE(GzipInflate(out, "not compressed", 14));
    EXPECT_EQ(out, "");

    // A small body that would inflate without end is stopped at the cap.
    std::string bomb = Deflate(std::string(4 * 1024 * 1024, '\0'));
    out.clear();
    EXPECT_FALSE(GzipInflate(out, bomb.data(), bomb.size(), 100 * 1024));
    EXPECT_LT(out.size(), 200u * 1024);
}

TEST(FetchUrl, FifteenParallelFetchesAllSucceed)
{
    httplib::Server server;
    // One worker per client: kept-alive connections each hold a server thread.
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    server.set_keep_alive_timeout(1);
    server.Get(R"(/pic/(\d+))", [](const httplib::Request& rq, httplib::Response& rs) {
        int n = std::stoi(rq.matches[1]);
        rs.set_content(std::string(20000 + n * 1000, static_cast<char>('a' + n)), "image/jpeg");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    CTempDir dir;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 15; ++i)
        threads.emplace_back([&, i] {
            std::string base = "http://127.0.0.1:" + std::to_string(port) + "/pic/" + std::to_string(i);
            // Odd ones are saved to files, even ones kept in memory.
            ST_URLREQUEST req(FromUtf8(base), i % 2 ? dir.Str16(std::to_string(i) + ".jpg") : u"", 5000);
            req.byTries = 2;
            CURLSource2 src;
            std::string want(20000 + i * 1000, static_cast<char>('a' + i));
            if (!FetchUrl(req, src, i % 2 ? 3 : 0))
                return;
            std::string got = i % 2 ? ReadFile(dir.path / (std::to_string(i) + ".jpg")) : src.strBody;
            if (got == want)
                ++good;
        });
    for (auto& t : threads)
        t.join();
    server.stop();
    serving.join();
    EXPECT_EQ(good.load(), 15);
    EXPECT_EQ(dir.Files().size(), 7u); // the saved ones, no temporary file left
}

} // namespace
