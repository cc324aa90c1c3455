// CDlgWebOpen: the small browser window in which the user logs in to a service. The program
// never sees a password: the browser engine stores the login cookies in the settings folder's
// cookies.txt, and the HTTP client's cookie store re-reads that file when the window is closed,
// so the next album list and download send them.
//
// UI thread only.
#pragma once

#include <string>
#include <wx/dialog.h>

class wxWebView;
class wxTextCtrl;
class wxButton;
class wxSizeEvent;

class CDlgWebOpen : public wxDialog {
  public:
    enum {
        IDC_URL = 1001,
        IDC_BROWSER = 1025,
        IDC_OPEN = 1026,
    };

    // bModeless: closing only hides the window (the owner deletes it when the next login window
    // opens); otherwise closing ends the modal run. The window is built at once; Init() fills
    // and navigates it.
    // strAppDir: the settings folder whose cookies.txt the browser shares with the HTTP client
    // when the cookie store has not been bound yet ("" = the current directory).
    CDlgWebOpen(wxWindow* pParent, bool bModeless, const std::u16string& strAppDir = u"");
    ~CDlgWebOpen() override;

    std::u16string m_strUrl; // address opened by Init(); empty = the clipboard text, no navigation

    // Centres the window on its owner; puts m_strUrl into the address box and opens it, or,
    // when it is empty, puts the clipboard text there and opens nothing.
    void Init();
    // "打开" and Enter: opens the address box's text.
    void OpenTyped();

    wxWebView* Browser() const { return m_pBrowser; }
    wxTextCtrl* AddressBox() const { return m_pUrl; }
    wxButton* OpenButton() const { return m_pOpen; }
    // The address last given to the browser (what the window shows, as the program asked).
    const wxString& LastNavigated() const { return m_strLastNavigated; }

  private:
    void Navigate(const wxString& strUrl);
    void OnOpen(wxCommandEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnClose(wxCloseEvent& event);
    void LayoutControls();

    wxWebView* m_pBrowser = nullptr;
    wxTextCtrl* m_pUrl = nullptr;
    wxButton* m_pOpen = nullptr;
    bool m_bModeless;
    wxString m_strLastNavigated;
};

// Points the browser engine's cookie storage at the program's cookies.txt (Netscape text form)
// in the settings folder, so that logins persist and the HTTP client can read them. Uses the
// cookie store's file; a store not yet bound is first bound to strAppDir ("" = the current
// directory). Safe to call again.
void UseCookieFileForBrowser(wxWebView* pBrowser, const std::u16string& strAppDir);

// Opens a login window at strUrl. Any modeless login window is destroyed first. With
// bLoginMode1 0 the window runs modally without a parent and is gone on return; otherwise a
// modeless window owned by pMain is stored in pWebLogin and shown. Either way the cookie store
// re-reads cookies.txt when the window closes.
void OpenWebLogin(wxWindow* pMain, CDlgWebOpen*& pWebLogin, bool bLoginMode1, const std::u16string& strUrl,
                  const std::u16string& strAppDir = u"");
