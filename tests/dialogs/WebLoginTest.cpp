// The login window with the real browser engine: a loopback page sets a persistent cookie, the
// window is closed, and the HTTP client's next request to that host sends the cookie. Also the
// one-modeless-window rule, the clipboard start and the resize rule.
#include <atomic>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <iterator>
#include <mutex>
#include <thread>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "DialogTestSupport.h"
#include "net/CookieStore.h"
#include "net/URLSource2.h"
#include "shell/DlgWebOpen.h"
#include "text/StringCtrl.h"

using namespace dialogs_test;
using albumora_test::PumpEvents;
using albumora_test::PumpUntil;

namespace {

// A loopback site with a login page that sets a cookie for a year and a page that reports
// the Cookie header it received.
class CLoginSite {
  public:
    CLoginSite()
    {
        m_Server.Get("/login", [](const httplib::Request&, httplib::Response& rs) {
            rs.set_header("Set-Cookie", "sid=logged-in-42; Max-Age=31536000; Path=/");
            rs.set_content("<html><body><p>welcome</p></body></html>", "text/html");
        });
        m_Server.Get(R"(/page(\d))", [](const httplib::Request& rq, httplib::Response& rs) {
            rs.set_content("<html><body>page " + rq.matches[1].str() + "</body></html>", "text/html");
        });
        m_Server.Get("/albums", [this](const httplib::Request& rq, httplib::Response& rs) {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_strSeenCookie = rq.get_header_value("Cookie");
            rs.set_content("ok", "text/plain");
        });
        m_nPort = m_Server.bind_to_any_port("127.0.0.1");
        m_Thread = std::thread([this] { m_Server.listen_after_bind(); });
        while (!m_Server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~CLoginSite()
    {
        m_Server.stop();
        m_Thread.join();
    }
    std::string Url(const std::string& strPath) const
    {
        return "http://127.0.0.1:" + std::to_string(m_nPort) + strPath;
    }
    std::string SeenCookie()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_strSeenCookie;
    }

  private:
    httplib::Server m_Server;
    std::thread m_Thread;
    int m_nPort = 0;
    std::mutex m_Mutex;
    std::string m_strSeenCookie;
};

std::string ReadAll(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int CountLoginWindows()
{
    int n = 0;
    for (wxWindow* pWin : wxTopLevelWindows)
        if (dynamic_cast<CDlgWebOpen*>(pWin) && !wxPendingDelete.Member(pWin))
            ++n;
    return n;
}

bool PageLoaded(CDlgWebOpen* pDlg, const std::string& strUrl)
{
    return pDlg->Browser()->GetCurrentURL() == wxString(strUrl) && !pDlg->Browser()->IsBusy();
}

} // namespace

TEST(WebLogin, CookieSetInTheWindowIsSentByTheNextFetch)
{
    CTempDir dir;
    ASSERT_TRUE(InitCookieStore(dir.Path16()));
    CLoginSite site;
    auto* pMain = new wxFrame(nullptr, wxID_ANY, "main");
    pMain->Show();
    CDlgWebOpen* pWebLogin = nullptr;
    OpenWebLogin(pMain, pWebLogin, true, FromUtf8(site.Url("/login")));
    ASSERT_NE(pWebLogin, nullptr);
    EXPECT_EQ(pWebLogin->AddressBox()->GetValue(), site.Url("/login"));
    // The browser engine writes its cookie file itself.
    ASSERT_TRUE(PumpUntil(
        [&] { return ReadAll(dir.Path() + "cookies.txt").find("logged-in-42") != std::string::npos; }, 30000))
        << ReadAll(dir.Path() + "cookies.txt");
    pWebLogin->Close();
    PumpEvents(50);
    EXPECT_FALSE(pWebLogin->IsShown()); // modeless: closing only hides

    ST_URLREQUEST req(FromUtf8(site.Url("/albums")), u"", 5000);
    CURLSource2 src;
    ASSERT_TRUE(FetchUrl(req, src, 0));
    EXPECT_EQ(site.SeenCookie(), "sid=logged-in-42");

    pWebLogin->Destroy();
    pMain->Destroy();
    PumpEvents(50);
    ClearCookies();
}

TEST(WebLogin, ModelessLoginsLeaveOneWindowShowingTheLastPage)
{
    CLoginSite site;
    auto* pMain = new wxFrame(nullptr, wxID_ANY, "main");
    pMain->Show();
    CDlgWebOpen* pWebLogin = nullptr;
    OpenWebLogin(pMain, pWebLogin, true, FromUtf8(site.Url("/page1")));
    CDlgWebOpen* pFirst = pWebLogin;
    OpenWebLogin(pMain, pWebLogin, true, FromUtf8(site.Url("/page2")));
    EXPECT_NE(pWebLogin, pFirst);
    PumpEvents(100);
    EXPECT_EQ(CountLoginWindows(), 1);
    EXPECT_TRUE(pWebLogin->IsShown());
    EXPECT_EQ(pWebLogin->GetParent(), pMain);
    EXPECT_TRUE(PumpUntil([&] { return PageLoaded(pWebLogin, site.Url("/page2")); }, 30000))
        << pWebLogin->Browser()->GetCurrentURL();

    // The address box and Enter open another page in the same window.
    pWebLogin->AddressBox()->SetValue(wxString(site.Url("/page3")));
    wxCommandEvent enter(wxEVT_TEXT_ENTER, CDlgWebOpen::IDC_URL);
    pWebLogin->AddressBox()->GetEventHandler()->ProcessEvent(enter);
    EXPECT_TRUE(PumpUntil([&] { return PageLoaded(pWebLogin, site.Url("/page3")); }, 30000));

    // The resize rule: browser to the client edges, button at the right, address box 5 px short.
    pWebLogin->SetClientSize(900, 700);
    PumpEvents(100);
    wxSize szClient = pWebLogin->GetClientSize();
    wxRect rcBrowser = pWebLogin->Browser()->GetRect();
    wxRect rcOpen = pWebLogin->OpenButton()->GetRect();
    wxRect rcUrl = pWebLogin->AddressBox()->GetRect();
    EXPECT_EQ(rcBrowser.GetRight() + 1, szClient.x);
    EXPECT_EQ(rcBrowser.GetBottom() + 1, szClient.y);
    EXPECT_EQ(rcBrowser.y, pWebLogin->ConvertDialogToPixels(wxPoint(0, 17)).y);
    EXPECT_EQ(rcOpen.GetRight() + 1, szClient.x);
    EXPECT_EQ(rcUrl.GetRight() + 1 + 5, rcOpen.x);

    pWebLogin->Destroy();
    pMain->Destroy();
    PumpEvents(50);
}

TEST(WebLogin, NoAddressShowsTheClipboardTextWithoutNavigating)
{
    SetClipboardTextProvider([] { return std::u16string(u"http://example.invalid/copied"); });
    CModalScript script;
    wxString strBox, strNavigated = "unset";
    bool bHadParent = true;
    script.m_fnOnDialog = [&](wxDialog* pDlg) {
        auto* pWeb = static_cast<CDlgWebOpen*>(pDlg);
        strBox = pWeb->AddressBox()->GetValue();
        strNavigated = pWeb->LastNavigated();
        bHadParent = pWeb->GetParent() != nullptr;
        pWeb->Close(); // modal: closing ends the run
    };
    CDlgWebOpen* pWebLogin = nullptr;
    OpenWebLogin(nullptr, pWebLogin, false, u"");
    SetClipboardTextProvider({});
    EXPECT_EQ(script.m_nDialogs, 1);
    EXPECT_EQ(pWebLogin, nullptr);
    EXPECT_FALSE(bHadParent);
    EXPECT_EQ(strBox, "http://example.invalid/copied");
    EXPECT_EQ(strNavigated, "");
}
