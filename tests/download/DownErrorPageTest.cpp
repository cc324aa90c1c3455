// A server that answers a picture address with an error page (4xx/5xx with an HTML body) must
// not leave that page on disk under the picture's name.
#include <set>

#include "DownTestSupport.h"
#include "download/DownProc.h"
#include "support/LoopbackServer.h"

namespace {

const std::string kPicture = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, 'p');
const std::string kErrorPage = "<html><body><h1>502 Bad Gateway</h1></body></html>";

// "/ok/..." gives the picture, "/502/..." and "/404/..." an error page with that status.
void Serve(LoopbackConn& c)
{
    for (;;) {
        std::string head = c.ReadRequest(5000);
        if (head.empty())
            return;
        size_t a = head.find(' ') + 1;
        std::string path = head.substr(a, head.find(' ', a) - a);
        std::string status = "200 OK", body = kPicture;
        if (path.starts_with("/502/"))
            status = "502 Bad Gateway", body = kErrorPage;
        else if (path.starts_with("/404/"))
            status = "404 Not Found", body = kErrorPage;
        if (!c.Send("HTTP/1.1 " + status +
                    "\r\nContent-Type: " + (body == kPicture ? "image/jpeg" : "text/html") +
                    "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body))
            return;
    }
}

} // namespace

class DownErrorPageTest : public DownFixture {
  protected:
    LoopbackServer srv{Serve};
};

TEST_F(DownErrorPageTest, ErrorPagesAreNotSavedAsPicturesAndTheAlternateIsTried)
{
    struct Case {
        std::string strUrls; // primary, or "primary\r\nalternate" (paths)
        bool bSaved;
    };
    const std::vector<Case> cases = {
        {"/502/a.jpg", false},
        {"/404/b.jpg", false},
        {"/ok/c.jpg", true},
        {"/502/d.jpg\r\n/ok/d.jpg", true},   // the alternate replaces the error page
        {"/404/e.jpg\r\n/502/e.jpg", false}, // both fail: nothing on disk
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::u16string url;
        std::string rest = cases[i].strUrls;
        for (size_t crlf; (crlf = rest.find("\r\n")) != std::string::npos; rest.erase(0, crlf + 2))
            url += srv.Url16(rest.substr(0, crlf)) + u"\r\n";
        url += srv.Url16(rest);
        g_pJob->arrUrl.push_back(url);
        g_pJob->arrName.push_back(AsciiToU16(std::to_string(i)) + u".jpg");
        g_pJob->arrHeader.push_back(u"");
    }
    std::thread t = StartDownPicFunc();
    ASSERT_TRUE(t.joinable());
    t.join();

    EXPECT_EQ(g_nFinished.load(), static_cast<int>(cases.size()));
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(m_dir))
        files.insert(e.path().filename().string());
    std::set<std::string> expected;
    for (size_t i = 0; i < cases.size(); ++i)
        if (cases[i].bSaved)
            expected.insert(std::to_string(i) + ".jpg");
    EXPECT_EQ(files, expected); // nothing else either: no temporary file left behind
    for (const std::string& f : expected)
        EXPECT_EQ(ReadBytes(m_dir / f), kPicture) << f;
}
