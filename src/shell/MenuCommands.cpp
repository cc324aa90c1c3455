#include "shell/MenuCommands.h"

#include <memory>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include "core/WorkState.h"
#include "shell/DlgDownSet.h"
#include "shell/DlgSaveSet.h"
#include "shell/DlgWebOpen.h"
#include "shell/VelloriaDlg.h"
#include "text/StringCtrl.h"

namespace {

// The maker's pages are kept scrambled like the program's other fixed addresses.
constexpr char16_t kPageKey[] = u"Gramvista";
constexpr char16_t kMakerPage[] = u"2F06151D05535C5B002B101400191B125A0E35154E";
constexpr char16_t kUsagePage[] = u"2F06151D05535C5B002B101400191B125A0E35154E051305035B1434130608580107190D";
constexpr char16_t kFileToolsPage[] =
    u"2F06151D05535C5B002B101400191B125A0E35154E051305035B072E1E041E580107190D";
constexpr char kFeedbackPage[] =
    "https://mail.qq.com/cgi-bin/qm_share?t=qm_mailme&email=feedback@albumora.org";

wxString Page(const char16_t* szScrambled)
{
    return wxString::FromUTF8(ToUtf8(XorHexCodec(szScrambled, false, kPageKey)));
}

// The option bit a toggle item flips, or 0.
uint16_t ToggleBit(int nId)
{
    switch (nId) {
    case ID_SKIP_DOWNLOADED:
        return SSF_SKIP_DOWNLOADED;
    case ID_YUPOO_LARGE:
        return SSF_YUPOO_LARGE;
    case ID_FIX_ORDER:
        return SSF_FIX_ORDER;
    case ID_FIX_FORMAT:
        return SSF_FIX_FORMAT;
    case ID_THUNDER_ONLY:
        return SSF_THUNDER_ONLY;
    case ID_ORIGNAME_FILE:
        return SSF_ORIGNAME_FILE;
    case ID_OPEN_FOLDER:
        return SSF_OPEN_FOLDER;
    default:
        return 0;
    }
}

// The main window as the menu's host.
class CMainMenuHost : public CMenuHost {
  public:
    explicit CMainMenuHost(CVelloriaDlg* pDlg) : m_pDlg(pDlg) {}
    CWorkState& MenuState() override { return m_pDlg->Work(); }
    uint8_t& LoginMode1() override { return m_pDlg->m_bLoginMode1; }
    wxWindow* MenuWindow() override { return m_pDlg; }
    void OpenWebLogin(const std::u16string& strUrl) override
    {
        auto* pWebLogin = dynamic_cast<CDlgWebOpen*>(m_pDlg->m_pWebLogin);
        ::OpenWebLogin(m_pDlg, pWebLogin, m_pDlg->m_bLoginMode1 != 0, strUrl, m_pDlg->Work().m_strAppDir);
        m_pDlg->m_pWebLogin = pWebLogin;
    }
    std::u16string AddressText() override { return FromUtf8(m_pDlg->GetCtrlText(IDC_URL_BOX).utf8_string()); }
    int QQSubTypeSelection() override
    {
        auto* pCombo = dynamic_cast<wxChoice*>(m_pDlg->FindWindow(IDC_QQTYPE_COMBO));
        return pCombo ? pCombo->GetSelection() : -1;
    }
    void ShowAbout() override { m_pDlg->ShowAboutBox(); }

  private:
    CVelloriaDlg* m_pDlg;
};

} // namespace

void CMenuHost::OpenWebPage(const wxString& strUrl)
{
    wxLaunchDefaultBrowser(strUrl);
}

std::u16string LoginUrlFor(int nId)
{
    switch (nId) {
    case ID_LOGIN_TQQ:
        return u"http://t.qq.com/";
    case ID_LOGIN_BAIDU:
        return u"http://passport.baidu.com/";
    case ID_LOGIN_163:
        return u"http://reg.163.com/";
    case ID_LOGIN_RENREN:
        return u"http://www.renren.com";
    case ID_LOGIN_YUPOO:
        return u"http://www.yupoo.com/account/login/";
    case ID_LOGIN_MOKO:
        return u"http://www.moko.cc/jsps/common/login.jsp?tourl=http%3A%2F%2Fwww.moko.cc%2F";
    case ID_LOGIN_WEIBO:
        return u"http://weibo.com/login.php";
    case ID_LOGIN_TAOBAO:
        return u"https://login.taobao.com/member/login.jhtml";
    case ID_LOGIN_56:
        return u"http://www.56.com/login/";
    case ID_LOGIN_HUPU:
        return u"http://passport.hupu.com/login";
    case ID_LOGIN_CUSTOM:
        return XorHexCodec(kMakerPage, false, kPageKey);
    default:
        return u"";
    }
}

std::u16string QQLoginUrl(std::u16string strText, int nSubType)
{
    Trim(strText);
    std::u16string strUrl = strText.empty() ? u"http://qzone.qq.com/" : u"http://user.qzone.qq.com/";
    bool bDigits = strText.find_first_not_of(u"0123456789") == std::u16string::npos;
    if (bDigits && nSubType == 0)
        strUrl += strText;
    return strUrl;
}

wxMenuBar* CreateMainMenuBar()
{
    auto* pBar = new wxMenuBar;
    auto Item = [](wxMenu* pMenu, int nId, const char* szCaption) {
        pMenu->Append(MenuItemId(nId), wxString::FromUTF8(szCaption));
    };
    auto Check = [](wxMenu* pMenu, int nId, const char* szCaption) {
        pMenu->AppendCheckItem(MenuItemId(nId), wxString::FromUTF8(szCaption));
    };

    auto* pLogin = new wxMenu;
    Check(pLogin, ID_LOGIN_MODE1, "登录方式1（如果登录失败，可勾选该项后再登录）");
    pLogin->AppendSeparator();
    Item(pLogin, ID_LOGIN_QQ, "QQ空间/QQ群");
    Item(pLogin, ID_LOGIN_TQQ, "腾讯微博（登录时勾上下次自动登录）");
    Item(pLogin, ID_LOGIN_BAIDU, "百度");
    Item(pLogin, ID_LOGIN_163, "网易");
    Item(pLogin, ID_LOGIN_RENREN, "人人");
    Item(pLogin, ID_LOGIN_YUPOO, "又拍（下载器没弹窗提示你登录，就不要在这里登录）");
    Item(pLogin, ID_LOGIN_MOKO, "美空");
    Item(pLogin, ID_LOGIN_WEIBO, "新浪微博（登录时勾上下次自动登录）");
    Item(pLogin, ID_LOGIN_TAOBAO, "淘宝（强烈建议用小号登录）");
    Item(pLogin, ID_LOGIN_56, "56");
    Item(pLogin, ID_LOGIN_HUPU, "虎扑");
    Item(pLogin, ID_LOGIN_CUSTOM, "自定义登录");
    pLogin->Check(MenuItemId(ID_LOGIN_MODE1), true);
    pBar->Append(pLogin, wxString::FromUTF8("登录"));

    auto* pSet = new wxMenu;
    Item(pSet, ID_DOWN_SET, "下载参数设置");
    Item(pSet, ID_SAVE_SET, "文件名设置");
    pSet->AppendSeparator();
    Check(pSet, ID_THUNDER_ONLY, "只生成迅雷下载列表");
    Check(pSet, ID_ORIGNAME_FILE, "生成图片原始名文件");
    pSet->AppendSeparator();
    Check(pSet, ID_FIX_ORDER, "修正图片顺序");
    Check(pSet, ID_FIX_FORMAT, "修正图片格式");
    Check(pSet, ID_SKIP_DOWNLOADED, "不下载以前下载过的图片");
    Check(pSet, ID_OPEN_FOLDER, "下载完成后打开保存路径");
    pSet->AppendSeparator();
    Check(pSet, ID_MAIN_PIC_ONLY, "只下载宝贝(商品)主图");
    Check(pSet, ID_DESC_PIC_ONLY, "只下载宝贝(商品)描述里的图片");
    Check(pSet, ID_YUPOO_LARGE, "又拍相册下载大图（不勾选为下载原图，下载原图速度更慢）");
    pBar->Append(pSet, wxString::FromUTF8("设置"));

    auto* pPort = new wxMenu;
    Item(pPort, ID_IMPORT_DOWNFILE, "导入下载文件并开始下载");
    pPort->AppendSeparator();
    Item(pPort, ID_EXPORT_DOWNFILE, "导出下载文件");
    Item(pPort, ID_EXPORT_THUNDER, "导出迅雷下载列表");
    pBar->Append(pPort, wxString::FromUTF8("导入/导出"));

    auto* pTools = new wxMenu;
    Item(pTools, ID_FILE_TOOLS, "文件处理");
    pBar->Append(pTools, wxString::FromUTF8("辅助功能"));

    // A greyed blank title that pushes "帮助" to the right.
    pBar->Append(new wxMenu, wxString(' ', 13));
    pBar->EnableTop(pBar->GetMenuCount() - 1, false);

    auto* pHelp = new wxMenu;
    Item(pHelp, ID_USAGE, "使用说明");
    Item(pHelp, ID_CONSULT, "软件咨询");
    Item(pHelp, ID_FEEDBACK, "问题反馈");
    pHelp->AppendSeparator();
    Item(pHelp, ID_ABOUT, "版本信息");
    pBar->Append(pHelp, wxString::FromUTF8("帮助"));
    return pBar;
}

void OnMenuCommand(CMenuHost& host, int nId)
{
    CWorkState& state = host.MenuState();
    if (uint16_t wBit = ToggleBit(nId)) {
        state.CurSiteSet().wFlags ^= wBit;
        state.SaveSoftDat();
        return;
    }
    switch (nId) {
    case ID_MAIN_PIC_ONLY:
    case ID_DESC_PIC_ONLY: {
        // The two shop options exclude each other; choosing a set one clears it.
        uint16_t wMine = nId == ID_MAIN_PIC_ONLY ? SSF_MAIN_PIC_ONLY : SSF_DESC_PIC_ONLY;
        uint16_t wOther = nId == ID_MAIN_PIC_ONLY ? SSF_DESC_PIC_ONLY : SSF_MAIN_PIC_ONLY;
        uint16_t& wFlags = state.CurSiteSet().wFlags;
        if (wFlags & wMine)
            wFlags &= ~wMine;
        else
            wFlags = (wFlags & ~wOther) | wMine;
        state.SaveSoftDat();
        break;
    }
    case ID_LOGIN_MODE1:
        host.LoginMode1() = host.LoginMode1() ? 0 : 1; // lives until the program ends
        break;
    case ID_DOWN_SET: {
        CDlgDownSet dlg(host.MenuWindow(), &state.CurDownParam());
        if (dlg.ShowModal() == wxID_OK)
            state.SaveSoftDat();
        break;
    }
    case ID_SAVE_SET: {
        CDlgSaveSet dlg(host.MenuWindow(), &state.CurSiteSet());
        if (dlg.ShowModal() == wxID_OK)
            state.SaveSoftDat();
        break;
    }
    case ID_LOGIN_QQ:
        host.OpenWebLogin(QQLoginUrl(host.AddressText(), host.QQSubTypeSelection()));
        break;
    case ID_LOGIN_TQQ:
    case ID_LOGIN_BAIDU:
    case ID_LOGIN_163:
    case ID_LOGIN_RENREN:
    case ID_LOGIN_YUPOO:
    case ID_LOGIN_MOKO:
    case ID_LOGIN_WEIBO:
    case ID_LOGIN_TAOBAO:
    case ID_LOGIN_56:
    case ID_LOGIN_HUPU:
    case ID_LOGIN_CUSTOM:
        host.OpenWebLogin(LoginUrlFor(nId));
        break;
    case ID_FILE_TOOLS:
        host.OpenWebPage(Page(kFileToolsPage));
        break;
    case ID_USAGE:
        host.OpenWebPage(Page(kUsagePage));
        break;
    case ID_CONSULT:
        host.OpenWebPage(Page(kMakerPage));
        break;
    case ID_FEEDBACK:
        host.OpenWebPage(wxString::FromUTF8(kFeedbackPage));
        break;
    case ID_ABOUT:
        host.ShowAbout();
        break;
    default:
        break; // import / export and the unused ids of the range
    }
}

void OnMenuOpen(CMenuHost& host, wxMenu* pMenu)
{
    if (!pMenu)
        return;
    CWorkState& state = host.MenuState();
    uint16_t wFlags = state.CurSiteSet().wFlags;
    int nSite = state.m_nSiteType.load();
    bool bShopSite = nSite == 11 || nSite == 16;
    for (wxMenuItem* pItem : pMenu->GetMenuItems()) {
        int nId = pItem->GetId() + MENU_ITEM_SHIFT;
        bool bChecked = false;
        bool bEnabled = true;
        if (uint16_t wBit = ToggleBit(nId))
            bChecked = (wFlags & wBit) != 0;
        else if (nId == ID_LOGIN_MODE1)
            bChecked = host.LoginMode1() != 0;
        else if (nId == ID_MAIN_PIC_ONLY)
            bChecked = (wFlags & SSF_MAIN_PIC_ONLY) != 0;
        else if (nId == ID_DESC_PIC_ONLY)
            bChecked = (wFlags & SSF_DESC_PIC_ONLY) != 0;
        else
            continue;
        if (nId == ID_YUPOO_LARGE)
            bEnabled = nSite == 7;
        else if (nId == ID_MAIN_PIC_ONLY || nId == ID_DESC_PIC_ONLY)
            bEnabled = bShopSite;
        pItem->Check(bChecked);
        pItem->Enable(bEnabled);
    }
}

namespace {

// The bound handlers share the host, so it lives exactly as long as the frame's bindings.
void AttachMenu(wxFrame* pFrame, std::shared_ptr<CMenuHost> pHost)
{
    pFrame->SetMenuBar(CreateMainMenuBar());
    pFrame->Bind(
        wxEVT_MENU,
        [pHost](wxCommandEvent& event) { OnMenuCommand(*pHost, event.GetId() + MENU_ITEM_SHIFT); },
        MenuItemId(ID_MENU_FIRST), MenuItemId(ID_MENU_LAST));
    pFrame->Bind(wxEVT_MENU_OPEN, [pHost, pFrame](wxMenuEvent& event) {
        event.Skip(); // the default processing first
        if (wxMenu* pMenu = event.GetMenu()) {
            OnMenuOpen(*pHost, pMenu);
        } else if (wxMenuBar* pBar = pFrame->GetMenuBar()) {
            for (size_t i = 0; i < pBar->GetMenuCount(); ++i)
                OnMenuOpen(*pHost, pBar->GetMenu(i));
        }
    });
}

} // namespace

void BuildMainMenu(wxFrame* pFrame, CMenuHost* pHost)
{
    AttachMenu(pFrame, std::shared_ptr<CMenuHost>(pHost, [](CMenuHost*) {}));
}

void BuildMainMenu(CVelloriaDlg* pDlg)
{
    AttachMenu(pDlg, std::make_shared<CMainMenuHost>(pDlg));
}
