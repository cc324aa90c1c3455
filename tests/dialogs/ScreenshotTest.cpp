// Not a check: with ALBUMORA_SHOW set to menu, downset, saveset, find or login, shows that window
// over the main window for ALBUMORA_SHOW_SECONDS (default 8) so a screenshot can be taken.
// Skipped otherwise.
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <httplib.h>
#include <thread>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "DialogTestSupport.h"
#include "grid/MyGridCtrl.h"
#include "shell/DlgDownSet.h"
#include "shell/DlgFind.h"
#include "shell/DlgSaveSet.h"
#include "shell/DlgWebOpen.h"
#include "shell/VelloriaDlg.h"
#include "text/StringCtrl.h"

using namespace dialogs_test;
using albumora_test::PumpEvents;

TEST(Screens, Show)
{
    const char* szWhat = std::getenv("ALBUMORA_SHOW");
    if (!szWhat || !*szWhat)
        GTEST_SKIP() << "set ALBUMORA_SHOW to show a window";
    const std::string strWhat = szWhat;
    const int nSeconds =
        std::getenv("ALBUMORA_SHOW_SECONDS") ? std::atoi(std::getenv("ALBUMORA_SHOW_SECONDS")) : 8;

    CTempDir dir;
    auto* pMain = new CVelloriaDlg(dir.Path16(), false);
    pMain->Move(0, 0);
    for (const char16_t* szName : {u"sample_user", u"travel 2016", u"Apple pie", u"cats, dogs"}) {
        ST_PERLISTRECORD rec;
        rec.strName = szName;
        pMain->Work().m_pAlbumList->AddAlbum(rec);
    }
    pMain->RebuildAlbumRows();
    pMain->Show();
    PumpEvents(300);

    httplib::Server server;
    std::thread serving;
    wxWindow* pShown = nullptr;
    if (strWhat == "menu") {
        wxMenuBar* pBar = pMain->GetMenuBar();
        wxUIActionSimulator sim;
        sim.MouseMove(pBar->GetScreenPosition() + wxPoint(75, pBar->GetSize().y / 2));
        PumpEvents(100);
        sim.MouseClick();
    } else if (strWhat == "downset") {
        auto* pDlg = new CDlgDownSet(pMain, &pMain->Work().CurDownParam());
        pDlg->Show();
        pShown = pDlg;
    } else if (strWhat == "saveset") {
        auto* pDlg = new CDlgSaveSet(pMain, &pMain->Work().CurSiteSet());
        pDlg->Show();
        pShown = pDlg;
    } else if (strWhat == "find") {
        CDlgFind* pFind = nullptr;
        ShowFindBox(pMain, pFind, pMain->Grid());
        pFind->KeywordEdit()->SetValue("apple");
        PumpEvents(100);
        pFind->SearchStep(true);
        pShown = pFind;
    } else if (strWhat == "login") {
        server.Get("/login", [](const httplib::Request&, httplib::Response& rs) {
            rs.set_content("<html><body style='font-family:sans-serif'><h2>Sign in</h2><form>"
                           "<p>User <input name=u></p><p>Password <input type=password name=p></p>"
                           "<p><button>Log in</button></p></form></body></html>",
                           "text/html");
        });
        int nPort = server.bind_to_any_port("127.0.0.1");
        serving = std::thread([&] { server.listen_after_bind(); });
        CDlgWebOpen* pWeb = nullptr;
        OpenWebLogin(pMain, pWeb, true, FromUtf8("http://127.0.0.1:" + std::to_string(nPort) + "/login"));
        pWeb->Move(40, 40);
        pShown = pWeb;
    }
    PumpEvents(nSeconds * 1000);
    if (pShown)
        pShown->Destroy();
    pMain->Destroy();
    PumpEvents(50);
    if (serving.joinable()) {
        server.stop();
        serving.join();
    }
}
