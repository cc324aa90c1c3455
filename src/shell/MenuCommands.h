// The main window's menu bar and its commands: login windows at the services' login pages, the
// two settings dialogs, the per-site option flags (saved to soft.dat at once) and the help pages.
// Check marks and enabling are set each time a pop-up opens, from the current site's flags.
//
// The main window implements CMenuHost and calls BuildMainMenu once while it initialises.
// UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <wx/string.h>

class CVelloriaDlg;
class CWorkState;
class wxFrame;
class wxMenu;
class wxMenuBar;
class wxWindow;

// Menu command ids (the range the command handler serves is ID_MENU_FIRST..ID_MENU_LAST).
enum {
    ID_MENU_FIRST = 32772,
    ID_FEEDBACK = 32772,
    ID_CONSULT = 32773,
    ID_SKIP_DOWNLOADED = 32774,
    ID_ABOUT = 32775,
    ID_YUPOO_LARGE = 32776,
    ID_DOWN_SET = 32778,
    ID_SAVE_SET = 32779,
    ID_LOGIN_QQ = 32781,
    ID_LOGIN_TQQ = 32782,
    ID_LOGIN_BAIDU = 32789,
    ID_LOGIN_163 = 32790,
    ID_LOGIN_RENREN = 32791,
    ID_LOGIN_YUPOO = 32792,
    ID_LOGIN_MOKO = 32793,
    ID_LOGIN_WEIBO = 32794,
    ID_LOGIN_CUSTOM = 32795,
    ID_LOGIN_MODE1 = 32796,
    ID_FIX_ORDER = 32799,
    ID_FIX_FORMAT = 32800,
    ID_THUNDER_ONLY = 32802,
    ID_LOGIN_TAOBAO = 32803,
    ID_ORIGNAME_FILE = 32804,
    ID_USAGE = 32806,
    ID_FILE_TOOLS = 32807,
    ID_MAIN_PIC_ONLY = 32808,
    ID_EXPORT_DOWNFILE = 32809,
    ID_EXPORT_THUNDER = 32810,
    ID_IMPORT_DOWNFILE = 32811,
    ID_OPEN_FOLDER = 32812,
    ID_LOGIN_56 = 32813,
    ID_DESC_PIC_ONLY = 32814,
    ID_LOGIN_HUPU = 32815,
    ID_MENU_LAST = 32823,
};

// The toolkit keeps menu item ids below 32767, so each command's item carries its id shifted
// down by this much; the handlers take the command ids above.
inline constexpr int MENU_ITEM_SHIFT = 20000;
constexpr int MenuItemId(int nCommand)
{
    return nCommand - MENU_ITEM_SHIFT;
}

// What the menu needs from the main window.
class CMenuHost {
  public:
    virtual ~CMenuHost() = default;
    // Settings image, site index and settings folder.
    virtual CWorkState& MenuState() = 0;
    // m_bLoginMode1: login windows modeless when not 0; lives until the program ends.
    virtual uint8_t& LoginMode1() = 0;
    // Owner of the settings dialogs.
    virtual wxWindow* MenuWindow() = 0;
    // Opens the login window at an address (modal or modeless by LoginMode1).
    virtual void OpenWebLogin(const std::u16string& strUrl) = 0;
    // Text of the address box (1001) and selection of the QQ sub-type combo (1035).
    virtual std::u16string AddressText() = 0;
    virtual int QQSubTypeSelection() = 0;
    // The About box.
    virtual void ShowAbout() = 0;
    // Opens a web page in the default browser; does not wait, reports nothing.
    virtual void OpenWebPage(const wxString& strUrl);
};

// The menu bar: pop-ups "登录", "设置", "导入/导出", "辅助功能", the greyed spacer, "帮助".
wxMenuBar* CreateMainMenuBar();

// Attaches the menu bar to pFrame and routes the command range and pop-up openings to pHost
// (which must outlive the frame's menu).
void BuildMainMenu(wxFrame* pFrame, CMenuHost* pHost);

// The same for the main window: its CMenuHost is made here and lives as long as the window.
void BuildMainMenu(CVelloriaDlg* pDlg);

// The command handler: ids without an entry do nothing.
void OnMenuCommand(CMenuHost& host, int nId);

// Check marks and enabling for every item of a pop-up about to open.
void OnMenuOpen(CMenuHost& host, wxMenu* pMenu);

// The address command 32781 opens: the zone login page for an empty box, else the user-zone
// address, followed by the box's text when it holds only digits and the sub-type is 0.
std::u16string QQLoginUrl(std::u16string strText, int nSubType);

// Address of a login item (32782 .. 32815), or "" for another id.
std::u16string LoginUrlFor(int nId);
