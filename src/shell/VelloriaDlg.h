// CVelloriaDlg: the program's only top-level window and the owner of all working state (album
// list, settings image, site index, command states) for the life of the process.
//
// The window is a fixed-size frame laid out in dialog units from the control table; every
// control keeps its numeric id (IDC_* below and in core/WindowHooks.h), so menu handlers,
// dialogs and tests reach a control with FindWindow(id).
//
// Threads: every member function runs on the UI thread unless its comment says otherwise. Worker
// threads (list, download, conversion, start-up) reach the window only through Hooks(), which
// marshals to the UI thread; the working state they share lives in Work() and outlives the
// window (each worker holds a reference to it), so closing the window while they run is safe.
//
// Menu and dialogs: BuildMainMenu(CVelloriaDlg*) from shell/MenuCommands.h creates the menu bar
// and binds its own command handlers (ids 32772..32823) and the menu-open handler; the window
// calls it once during initialisation. The dialogs read and write the settings through Work()
// and save them with Work().SaveSoftDat().
#pragma once

#include "core/WorkState.h"
#include "shell/SrvConfig.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <wx/frame.h>
#include <wx/string.h>

class CMyGridCtrl;
class CComboBox2;
class CDlgFind;
class CSplashScreenEx;
class CWxHooks;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxStaticText;
class wxStaticBox;
class wxHyperlinkCtrl;
class wxPanel;
class wxDropFilesEvent;
class wxHyperlinkEvent;

// Control ids of the main window beyond those the core already names (core/WindowHooks.h).
inline constexpr int IDC_LIST_BUTTON = 1004; // "获取相册" / "终止获取"
inline constexpr int IDC_DOWN_BUTTON = 1005; // "下载" / "终止下载"
inline constexpr int IDC_CHOOSE_DIR = 1007;  // "设置"
inline constexpr int IDC_OPEN_DIR = 1008;    // "打开"
inline constexpr int IDC_SELECT_ALL = 1012;  // "全选"
inline constexpr int IDC_NOTICE = 1013;      // start-up notice over the status lines
inline constexpr int IDC_ORDER_LINK1 = 1027; // "好评" orderings
inline constexpr int IDC_ORDER_LINK2 = 1028;
inline constexpr int IDC_ORDER_LINK3 = 1029;
inline constexpr int IDC_UPDATE_LINK = 1030; // "程序有更新"
inline constexpr int IDC_SERVER_LINE = 1031; // server line at the bottom
inline constexpr int IDC_HOME_LINK = 1032;   // the maker's web page
inline constexpr int IDC_FIND_LINK = 1034;   // "查找"
inline constexpr int IDC_FILTER_LINK = 1036; // "筛选"
inline constexpr int IDC_EXPORT_LINK = 1037; // "导出"
inline constexpr int IDC_PATH_LABEL = 1099;  // "保存路径:" (no id of its own in the layout)
inline constexpr int IDM_ABOUTBOX = 16;      // system-menu item "关于"

// The program's own version, compared with the version the configuration reports.
inline constexpr char16_t APP_VERSION_TEXT[] = u"版本号：17.02.08.01";
inline constexpr char16_t APP_CAPTION[] = u"Gramvista";

class CVelloriaDlg : public wxFrame {
  public:
    // Builds the window hidden and runs the initialisation (OnInitDialog). The settings folder is
    // strAppDir (ends in '/'); empty means the current directory. With bStartup false no splash
    // and no start-up thread are made and the window stays hidden: tests then call
    // LoadStartupConfig / OnStartupDone themselves.
    explicit CVelloriaDlg(const std::u16string& strAppDir = u"", bool bStartup = true);
    ~CVelloriaDlg() override;

    // ---- working state ----
    CWorkState& Work() { return *m_pWork; }
    const std::shared_ptr<CWorkState>& WorkPtr() const { return m_pWork; }
    // The window hooks the core calls (callable from any thread).
    CWxHooks& Hooks() { return *m_pHooks; }
    CMyGridCtrl* Grid() const { return m_pGrid; }
    CComboBox2* UrlBox() const { return m_pUrlBox; }
    CComboBox2* PathBox() const { return m_pPathBox; }
    wxChoice* SiteCombo() const { return m_pSiteCombo; }

    CSrvConfig m_Config;             // configuration fetched at start-up
    uint8_t m_bLoginMode1 = 0;       // login window modeless when 1 (set at every start)
    CDlgFind* m_pDlgFind = nullptr;  // modeless album search window, made on first use
    wxWindow* m_pWebLogin = nullptr; // modeless web login window, owned by the dialogs

    // ---- command states (Work() holds the state bytes) ----
    // Worker-side operations of the controller; the hooks call them on the UI thread.
    void BeginListUI();
    void EndListUI();
    void BeginDownloadUI();
    void EndDownloadUI();

    // "获取相册" and "下载" as if pressed.
    void OnListCommand();
    void RunDownloadCommand();

    // ---- album grid ----
    // Empties the grid for the current mode and unticks "全选".
    void SetupAlbumGrid();
    // Re-adds every album of the list (filter, orderings; the conversion thread uses the grid's
    // own rebuild). Leaves the conversion state at 0 and the filter empty.
    void RebuildAlbumRows();
    // "预览图" clicked (the box has already changed).
    void OnPreviewToggle();
    // "全选" ticked or unticked.
    void SelectAll(bool bSelect);

    // ---- folders ----
    // Puts a folder into the folder box and, when new, into the folder history (saved at once).
    void TakeFolder(const std::u16string& strFolder);
    // The folder a dropped item stands for ("" when nothing is left): a path whose last '/'
    // comes before its last '.' is cut to its parent; a '/' is appended.
    static std::u16string FolderFromDroppedPath(const std::u16string& strPath);
    void ChooseFolder();
    void OpenSaveFolder();

    // ---- sites and addresses ----
    // Classifies the address box's text and selects the site it names.
    void ClassifyAddress();
    // The site combo changed: sets the working site and lays out the QQ sub-type combo.
    void OnSiteChanged();

    // ---- start-up ----
    // Runs on the start-up thread: the configuration exchange, WM_STARTUP_DONE, the site list,
    // classification, m_bReady and the update check.
    void LoadStartupConfig();
    // WM_STARTUP_DONE: drops the splash, shows the window, m_bReady = 1.
    void OnStartupDone();
    // The update check (any thread; uses m_Config); returns true when it took the update path.
    bool CheckForUpdate();
    // Whether the version a configuration reports (field 0, a "#" and a note may follow) is newer
    // than the program's own.
    static bool IsNewerVersion(const std::u16string& strField0);
    // What the update path does after its message: open the page, wait 3 s, end the process.
    // Runs on the start-up thread. Tests replace it to observe the update path.
    std::function<void(const std::u16string& strPage)> m_fnUpdateExit;
    // Opens a folder or a web page with the system's default program (UI thread). Tests replace
    // it so nothing is launched.
    std::function<void(const std::u16string& strTarget)> m_fnOpen;
    void OpenTarget(const std::u16string& strTarget);

    // ---- small windows ----
    void ShowAboutBox();
    // The tip shown when the album-list thread cannot be started.
    void ShowTipDialog(int nError);

    // ---- controls by id (UI thread) ----
    wxString GetCtrlText(int nId) const;
    void SetCtrlText(int nId, const wxString& strText);
    void EnableCtrl(int nId, bool bEnable);
    bool IsCtrlEnabled(int nId) const;
    void ShowCtrl(int nId, bool bShow);

    // Pixels of a rectangle given in dialog units (left, top, width, height).
    wxRect DluRect(int x, int y, int w, int h) const;

  private:
    void CreateControls();
    void OnInitDialog(bool bStartup);
    void ShowSplash();
    void BindEvents();

    void OnButton(wxCommandEvent& event);
    void OnCheck(wxCommandEvent& event);
    void OnLink(wxHyperlinkEvent& event);
    // Empties the grid of its album rows (keeping the header) before a rebuild.
    void ClearAlbumRows();
    void OnDropFiles(wxDropFilesEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnAddressChanged(wxCommandEvent& event);
    void OnAddressPicked(wxCommandEvent& event);
    // The start-up thread's work; touches the window only through the hooks.
    static void RunStartup(CWxHooks* pHooks, CSrvConfig cfg);

    std::shared_ptr<CWorkState> m_pWork;
    CWxHooks* m_pHooks = nullptr; // lives as long as the process (workers may still hold it)
    wxPanel* m_pPanel = nullptr;
    CMyGridCtrl* m_pGrid = nullptr;
    CComboBox2* m_pUrlBox = nullptr;
    CComboBox2* m_pPathBox = nullptr;
    wxChoice* m_pSiteCombo = nullptr;
    wxChoice* m_pQQTypeCombo = nullptr;
    CSplashScreenEx* m_pSplash = nullptr;
    bool m_bClosing = false;
};
