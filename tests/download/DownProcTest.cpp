#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

#include "DownTestSupport.h"
#include "download/DownProc.h"
#include "download/PicFix.h"
#include "download/PicJob.h"
#include "support/LoopbackServer.h"

namespace {

// Deterministic picture bytes with a PNG signature.
std::string PicBody(size_t nSize, int nSeed)
{
    std::string s(nSize, '\0');
    for (size_t i = 0; i < nSize; ++i)
        s[i] = static_cast<char>((i * 131 + static_cast<size_t>(nSeed) * 7919) % 251);
    if (nSize >= 2) {
        s[0] = '\x89';
        s[1] = 'P';
    }
    return s;
}

// Serves fixed bodies by path (unknown paths: 200 with an empty body). Paths starting with
// "/slow/" send half the body, then wait until the gate opens before sending the rest.
class PicServer {
  public:
    std::map<std::string, std::string> mapBodies;
    std::atomic<int> nStarted{0};

    void OpenGate()
    {
        {
            std::lock_guard<std::mutex> lk(m_mx);
            m_bGateOpen = true;
        }
        m_cv.notify_all();
    }
    std::vector<std::string> Heads()
    {
        std::lock_guard<std::mutex> lk(m_mx);
        return m_vecHeads;
    }
    bool WaitStarted(int n)
    {
        for (int i = 0; i < 1000 && nStarted.load() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return nStarted.load() >= n;
    }
    std::u16string Url(const std::string& path) const { return m_srv.Url16(path); }

  private:
    void Serve(LoopbackConn& c)
    {
        for (;;) {
            std::string head = c.ReadRequest(5000);
            if (head.empty())
                return;
            size_t a = head.find(' ') + 1;
            std::string path = head.substr(a, head.find(' ', a) - a);
            {
                std::lock_guard<std::mutex> lk(m_mx);
                m_vecHeads.push_back(head);
            }
            auto it = mapBodies.find(path);
            std::string body = it == mapBodies.end() ? std::string() : it->second;
            ++nStarted;
            std::string resp =
                "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            if (path.rfind("/slow/", 0) == 0) {
                if (!c.Send(resp + body.substr(0, body.size() / 2)))
                    return;
                std::unique_lock<std::mutex> lk(m_mx);
                if (!m_cv.wait_for(lk, std::chrono::seconds(5), [this] { return m_bGateOpen; }))
                    return;
                lk.unlock();
                if (!c.Send(body.substr(body.size() / 2)))
                    return;
            } else if (!c.Send(resp + body)) {
                return;
            }
        }
    }

    std::mutex m_mx;
    std::condition_variable m_cv;
    bool m_bGateOpen = false;
    std::vector<std::string> m_vecHeads;
    LoopbackServer m_srv{[this](LoopbackConn& c) { Serve(c); }};
};

} // namespace

class DownProcTest : public DownFixture {
  protected:
    void RunManager()
    {
        std::thread t = StartDownPicFunc();
        ASSERT_TRUE(t.joinable());
        t.join();
    }
    // Files in the folder (no temporary or partial file may be among them).
    std::set<std::string> FilesIn(const fs::path& dir)
    {
        std::set<std::string> s;
        for (const auto& e : fs::directory_iterator(dir))
            s.insert(e.path().filename().string());
        return s;
    }
    PicServer srv;
};

TEST_F(DownProcTest, ThreePicturesWithFifteenThreadsLandInTheAlbumFolder)
{
    g_dwThreads = 15;
    int a = AddAlbum(u"Trip");
    const std::vector<std::u16string> captions = {u"/tmp/x", u"../../y", u"Sunset"};
    for (int i = 0; i < 3; ++i) {
        std::string path = "/p" + std::to_string(i) + ".jpg";
        srv.mapBodies[path] = PicBody(20000 + static_cast<size_t>(i) * 1000, i);
        AddPicToJob(st, srv.Url(path), captions[static_cast<size_t>(i)], u"X-Album: Trip", a);
    }
    RunManager();

    EXPECT_EQ(g_nFinished.load(), 3);
    EXPECT_FALSE(g_bDownloading.load());
    EXPECT_EQ(FilesIn(m_dir), (std::set<std::string>{"Trip"}));
    EXPECT_EQ(FilesIn(m_dir / "Trip"), (std::set<std::string>{"tmpx.jpg", "y.jpg", "Sunset.jpg"}));
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "tmpx.jpg"), srv.mapBodies["/p0.jpg"]);
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "y.jpg"), srv.mapBodies["/p1.jpg"]);
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "Sunset.jpg"), srv.mapBodies["/p2.jpg"]);
    for (const auto& head : srv.Heads())
        EXPECT_NE(head.find("X-Album: Trip\r\n"), std::string::npos) << head;

    // Progress only when the count changed; the last one shows the whole album.
    std::vector<std::u16string> progress = hooks.TextsSet(IDC_STATUS2);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), u"已下载3/3......");
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_NE(progress[i], progress[i - 1]);
    auto notices = hooks.CallsNamed("DownNotify");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].nArg, 3);
}

TEST_F(DownProcTest, AlternateAddressWhenThePrimaryGivesNothing)
{
    struct Case {
        std::string strPrimaryBody; // "" = the primary answers with an empty body
        std::string strAltPath;
        bool bAltUsed;
    };
    const std::vector<Case> cases = {
        {"", "/alt0.jpg", true},                           // nothing from the primary
        {PicBody(3000, 9), "/alt1.jpg", false},            // the primary is kept
        {PicBody(300, 8), "/a.topitme.b/alt2.jpg", true},  // short answer, alternate on that site
        {PicBody(700, 7), "/a.topitme.b/alt3.jpg", false}, // long enough
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::string primary = "/prim" + std::to_string(i) + ".jpg";
        if (!cases[i].strPrimaryBody.empty())
            srv.mapBodies[primary] = cases[i].strPrimaryBody;
        srv.mapBodies[cases[i].strAltPath] = PicBody(5000, static_cast<int>(i));
        g_pJob->arrUrl.push_back(srv.Url(primary) + u"\r\n" + srv.Url(cases[i].strAltPath));
        g_pJob->arrName.push_back(u"p" + AsciiToU16(std::to_string(i)) + u".jpg");
        g_pJob->arrHeader.push_back(u"");
    }
    RunManager();

    std::string allHeads;
    for (const auto& h : srv.Heads())
        allHeads += h;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        EXPECT_EQ(ReadBytes(m_dir / ("p" + std::to_string(i) + ".jpg")),
                  c.bAltUsed ? srv.mapBodies[c.strAltPath] : c.strPrimaryBody);
        EXPECT_EQ(allHeads.find("GET " + c.strAltPath + " ") != std::string::npos, c.bAltUsed);
    }
}

TEST_F(DownProcTest, SizeLimitsLeaveOnlyPicturesInRange)
{
    g_dwMinSizeK = 1;
    g_dwMaxSizeK = 4;
    const std::vector<std::pair<std::string, size_t>> pics = {{"small", 500}, {"fit", 2048}, {"big", 5000}};
    for (const auto& [name, size] : pics) {
        srv.mapBodies["/" + name] = PicBody(size, 1);
        g_pJob->arrUrl.push_back(srv.Url("/" + name));
        g_pJob->arrName.push_back(AsciiToU16(name + ".jpg"));
        g_pJob->arrHeader.push_back(u"");
    }
    RunManager();
    EXPECT_EQ(FilesIn(m_dir), (std::set<std::string>{"fit.jpg"}));
    EXPECT_EQ(g_nFinished.load(), 3);
}

TEST_F(DownProcTest, StopFinishesThePicturesInFlightAndStartsNoNewOne)
{
    // Pictures 0-2 come at once; 3-5 stall half-way until the test has asked to stop.
    g_dwThreads = 3;
    for (int i = 0; i < 12; ++i) {
        std::string path = (i < 3 ? "/fast/" : "/slow/") + std::to_string(i);
        srv.mapBodies[path] = PicBody(40000, i);
        g_pJob->arrUrl.push_back(srv.Url(path));
        g_pJob->arrName.push_back(AsciiToU16(std::to_string(i) + ".jpg"));
        g_pJob->arrHeader.push_back(u"");
    }
    std::thread manager = StartDownPicFunc();
    ASSERT_TRUE(srv.WaitStarted(6));
    g_bStopDownload = true;
    srv.OpenGate();
    manager.join();

    // Once the manager has ended, every worker it started has finished its picture.
    EXPECT_EQ(g_nFinished.load(), 6);
    EXPECT_EQ(srv.nStarted.load(), 6);
    std::set<std::string> expected;
    for (int i = 0; i < 6; ++i)
        expected.insert(std::to_string(i) + ".jpg");
    EXPECT_EQ(FilesIn(m_dir), expected);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ReadBytes(m_dir / (std::to_string(i) + ".jpg")),
                  srv.mapBodies[(i < 3 ? "/fast/" : "/slow/") + std::to_string(i)]);
    EXPECT_EQ(hooks.Count("DownNotify"), 1);

    // The format pass that follows finds only complete pictures and nothing still written.
    FixJobFormat(u".mp4");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(g_pJob->arrName[static_cast<size_t>(i)], AsciiToU16(std::to_string(i) + ".png"));
    for (int i = 6; i < 12; ++i)
        EXPECT_EQ(g_pJob->arrName[static_cast<size_t>(i)], AsciiToU16(std::to_string(i) + ".jpg"));
    EXPECT_EQ(FilesIn(m_dir).size(), 6u);
}

TEST_F(DownProcTest, EmptyJobEndsAtOnce)
{
    RunManager();
    EXPECT_EQ(g_nFinished.load(), 0);
    EXPECT_EQ(hooks.Count("DownNotify"), 0);
}
