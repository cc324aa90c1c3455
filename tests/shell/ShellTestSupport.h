// Shared pieces of the main-window tests: a settings folder of its own, the photo service, and a
// main window whose message boxes and shell launches are recorded instead of shown.
#pragma once

#define ALBUMORA_PYTHON "/usr/bin/python3"
#define ALBUMORA_SERVICE ALBUMORA_SOURCE_DIR "/tools/photo_service.py"
#define ALBUMORA_CLI "/bin/false" // the window tests start no terminal front end
#include "e2e/E2eSupport.h"

#include "controls/ComboBox2.h"
#include "grid/MyGridCtrl.h"
#include "gui_support.h"
#include "net/URLSource2.h"
#include "shell/VelloriaDlg.h"
#include "shell/WxHooks.h"
#include "text/StringCtrl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>

namespace shelltest {

namespace fs = std::filesystem;
using albumora_test::PumpEvents;
using albumora_test::PumpUntil;

inline wxString Wx(const std::u16string& s)
{
    return wxString::FromUTF8(ToUtf8(s));
}
inline std::u16string U16(const wxString& s)
{
    return FromUtf8(std::string(s.utf8_str()));
}
inline wxString Utf8(const char* s)
{
    return wxString::FromUTF8(s);
}

// A settings folder under the build tree (not under /tmp, which the window treats as a
// scratch folder and would replace by the documents folder).
struct SettingsDir {
    fs::path path;
    SettingsDir()
    {
        std::string tmpl = std::string(ALBUMORA_BINARY_DIR) + "/shell-test-XXXXXX";
        path = ::mkdtemp(tmpl.data());
    }
    ~SettingsDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::u16string AppDir() const { return FromUtf8(path.string() + "/"); }
    // Writes the extension INI: the adapter's web root and the configuration endpoints.
    void WriteIni(int nPort, const std::string& strEndpoints = "") const
    {
        std::ofstream out(path / "下载器扩展设置.ini");
        out << "[Instagram]\n站点根地址=http://127.0.0.1:" << nPort << "\n";
        if (!strEndpoints.empty())
            out << "[配置]\n配置地址=" << strEndpoints << "\n";
    }
};

// A GET to the service's admin side through the program's own HTTP client.
inline std::string Admin(int nPort, const std::string& strPathAndQuery)
{
    ST_URLREQUEST req(FromUtf8("http://127.0.0.1:" + std::to_string(nPort) + "/__admin/" + strPathAndQuery));
    CURLSource2 src;
    return FetchUrl(req, src, 0) ? src.strBody : std::string();
}

inline std::string StageOne(int nPort)
{
    return "http://127.0.0.1:" + std::to_string(nPort) + "/gv/stage1.php";
}

// One message box as the window asked it.
struct Asked {
    std::u16string strText, strCaption;
    int nStyle;
};

// The main window with recorded message boxes (answered by m_nAnswer) and launches.
class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // A toolkit assertion would open a modal box and stall the test: report it instead. The
        // menu's command ids lie above the toolkit's id range (its own warning, not this unit's).
        wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                              const wxString& msg) {
            std::fprintf(stderr, "wx assert %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                         func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
            if (!file.Contains("menucmn.cpp"))
                ADD_FAILURE() << "toolkit assertion: " << cond.utf8_string() << " " << msg.utf8_string();
        });
        for (const char* v :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(v);
    }
    void TearDown() override
    {
        if (m_pDlg) {
            // Let running workers reach their end first, so one test's threads never meet the
            // next test's window.
            PumpUntil(
                [&] {
                    return m_pDlg->Work().m_byListState.load() == 0 &&
                           m_pDlg->Work().m_byDownState.load() == 0 &&
                           m_pDlg->Grid()->m_byConvertState.load() == 0;
                },
                60000);
            PumpEvents(100);
            m_pDlg->Destroy();
            PumpEvents(50);
        }
    }

    CVelloriaDlg* Open(bool bStartup)
    {
        m_pDlg = new CVelloriaDlg(m_dir.AppDir(), bStartup);
        Record(m_pDlg);
        return m_pDlg;
    }
    void Record(CVelloriaDlg* pDlg)
    {
        pDlg->Hooks().m_fnShowBox = [this](const std::u16string& t, const std::u16string& c, int s) {
            std::lock_guard lock(m_mtx);
            m_asked.push_back({t, c, s});
            return (s & 0x0F) == MB_YESNO ? m_nAnswer : IDOK;
        };
        pDlg->m_fnOpen = [this](const std::u16string& s) {
            std::lock_guard lock(m_mtx);
            m_opened.push_back(s);
        };
    }
    // Makes the window ready as the start-up would, without the configuration exchange.
    void MakeReady()
    {
        m_pDlg->OnStartupDone();
        PumpUntil([&] { return m_pDlg->IsShown(); }, 2000);
    }
    void Press(int nId)
    {
        wxCommandEvent ev(wxEVT_BUTTON, nId);
        ev.SetEventObject(m_pDlg->FindWindow(nId));
        m_pDlg->FindWindow(nId)->GetEventHandler()->ProcessEvent(ev);
    }
    void Tick(int nId, bool bValue)
    {
        auto* p = dynamic_cast<wxCheckBox*>(m_pDlg->FindWindow(nId));
        p->SetValue(bValue);
        wxCommandEvent ev(wxEVT_CHECKBOX, nId);
        ev.SetEventObject(p);
        ev.SetInt(bValue ? 1 : 0);
        p->GetEventHandler()->ProcessEvent(ev);
    }
    std::u16string Text(int nId) const { return U16(m_pDlg->GetCtrlText(nId)); }
    bool Enabled(int nId) const { return m_pDlg->IsCtrlEnabled(nId); }
    std::vector<Asked> AskedSoFar()
    {
        std::lock_guard lock(m_mtx);
        return m_asked;
    }

    SettingsDir m_dir;
    CVelloriaDlg* m_pDlg = nullptr;
    std::mutex m_mtx;
    std::vector<Asked> m_asked;
    std::vector<std::u16string> m_opened;
    int m_nAnswer = IDNO;
};

} // namespace shelltest
