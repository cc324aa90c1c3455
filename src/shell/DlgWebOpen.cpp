#include "shell/DlgWebOpen.h"

#include <unistd.h>
#include <webkit2/webkit2.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "net/CookieStore.h"
#include "text/StringCtrl.h"

void UseCookieFileForBrowser(wxWebView* pBrowser, const std::u16string& strAppDir)
{
    if (!pBrowser)
        return;
    if (GetCookieFilePath().empty()) {
        // Bind the HTTP client's store first, so closing the window can hand it the login.
        std::u16string strDir = strAppDir;
        if (strDir.empty()) {
            char szCwd[4096];
            if (!getcwd(szCwd, sizeof szCwd))
                return;
            strDir = FromUtf8(szCwd);
        }
        InitCookieStore(strDir);
    }
    const std::string strPath = ToUtf8(GetCookieFilePath());
    if (strPath.empty())
        return;
    auto* pView = static_cast<WebKitWebView*>(pBrowser->GetNativeBackend());
    if (!pView)
        return;
    WebKitCookieManager* pManager = webkit_web_context_get_cookie_manager(webkit_web_view_get_context(pView));
    // Text form: the Netscape cookies file the HTTP client's cookie store reads.
    webkit_cookie_manager_set_persistent_storage(pManager, strPath.c_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_TEXT);
    webkit_cookie_manager_set_accept_policy(pManager, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
}

CDlgWebOpen::CDlgWebOpen(wxWindow* pParent, bool bModeless, const std::u16string& strAppDir)
    : wxDialog(pParent, wxID_ANY,
               wxT("登录成功后请将该登录窗口关闭，如果没有看到登录的地方，可将该窗口最大化"),
               wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX | wxCLOSE_BOX),
      m_bModeless(bModeless)
{
    auto Dlu = [this](int x, int y, int w, int h) {
        return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
    };
    wxRect rc = Dlu(2, 4, 24, 9);
    new wxStaticText(this, wxID_ANY, wxT("网址："), rc.GetPosition(), rc.GetSize());
    rc = Dlu(27, 2, 410, 12);
    m_pUrl = new wxTextCtrl(this, IDC_URL, wxEmptyString, rc.GetPosition(), rc.GetSize(), wxTE_PROCESS_ENTER);
    rc = Dlu(438, 1, 32, 14);
    m_pOpen = new wxButton(this, IDC_OPEN, wxT("打开"), rc.GetPosition(), rc.GetSize());
    m_pOpen->SetDefault();
    SetClientSize(ConvertDialogToPixels(wxSize(470, 381)));
    rc = Dlu(0, 17, 470, 364);
    // Created on a blank page: the cookie storage must be in place before the first request.
    m_pBrowser = wxWebView::New(this, IDC_BROWSER, wxWebViewDefaultURLStr, rc.GetPosition(), rc.GetSize());
    UseCookieFileForBrowser(m_pBrowser, strAppDir);
    LayoutControls();

    Bind(wxEVT_BUTTON, &CDlgWebOpen::OnOpen, this, IDC_OPEN);
    Bind(wxEVT_TEXT_ENTER, &CDlgWebOpen::OnOpen, this, IDC_URL);
    Bind(wxEVT_SIZE, &CDlgWebOpen::OnSize, this);
    Bind(wxEVT_CLOSE_WINDOW, &CDlgWebOpen::OnClose, this);
}

CDlgWebOpen::~CDlgWebOpen()
{
    // Whatever the user's login stored reaches the HTTP client even if the window was never
    // closed by hand (the next login window replaces it).
    ReloadCookieFile();
}

void CDlgWebOpen::Init()
{
    CentreOnParent();
    if (!m_strUrl.empty()) {
        m_pUrl->ChangeValue(wxString::FromUTF8(ToUtf8(m_strUrl)));
        OpenTyped();
    } else {
        m_pUrl->ChangeValue(wxString::FromUTF8(ToUtf8(GetClipboardText())));
    }
}

void CDlgWebOpen::OpenTyped()
{
    Navigate(m_pUrl->GetValue());
}

void CDlgWebOpen::Navigate(const wxString& strUrl)
{
    m_strLastNavigated = strUrl;
    if (m_pBrowser)
        m_pBrowser->LoadURL(strUrl);
}

void CDlgWebOpen::OnOpen(wxCommandEvent&)
{
    OpenTyped();
}

void CDlgWebOpen::OnSize(wxSizeEvent& event)
{
    event.Skip();
    LayoutControls();
}

void CDlgWebOpen::LayoutControls()
{
    if (!m_pBrowser)
        return;
    wxSize szClient = GetClientSize();
    wxPoint ptBrowser = m_pBrowser->GetPosition();
    m_pBrowser->SetSize(ptBrowser.x, ptBrowser.y, std::max(0, szClient.x - ptBrowser.x),
                        std::max(0, szClient.y - ptBrowser.y));
    wxRect rcOpen = m_pOpen->GetRect();
    m_pOpen->Move(szClient.x - rcOpen.width, rcOpen.y);
    wxRect rcUrl = m_pUrl->GetRect();
    m_pUrl->SetSize(rcUrl.x, rcUrl.y, std::max(0, szClient.x - rcOpen.width - 5 - rcUrl.x), rcUrl.height);
}

void CDlgWebOpen::OnClose(wxCloseEvent& event)
{
    ReloadCookieFile();
    // A modeless window only hides; the owner destroys it when the next login window opens.
    if (m_bModeless && event.CanVeto()) {
        event.Veto();
        Hide();
        return;
    }
    event.Skip(); // the default closing ends the modal run
}

void OpenWebLogin(wxWindow* pMain, CDlgWebOpen*& pWebLogin, bool bLoginMode1, const std::u16string& strUrl,
                  const std::u16string& strAppDir)
{
    if (pWebLogin) {
        pWebLogin->Destroy();
        pWebLogin = nullptr;
    }
    if (!bLoginMode1) {
        CDlgWebOpen dlg(nullptr, false, strAppDir);
        dlg.m_strUrl = strUrl;
        dlg.Init();
        dlg.ShowModal();
        return;
    }
    pWebLogin = new CDlgWebOpen(pMain, true, strAppDir);
    pWebLogin->m_strUrl = strUrl;
    pWebLogin->Init();
    pWebLogin->Show();
}
