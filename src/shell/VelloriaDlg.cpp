#include "shell/VelloriaDlg.h"

#include "controls/Artwork.h"
#include "controls/ComboBox2.h"
#include "controls/SplashScreenEx.h"
#include "core/ChangeSource.h"
#include "core/SiteTable.h"
#include "grid/MyGridCtrl.h"
#include "net/CookieStore.h"
#include "shell/AlbumSort.h"
#include "shell/CsvExport.h"
#include "shell/DlgFind.h"
#include "shell/WxHooks.h"
#include "text/StringCtrl.h"

#if __has_include("shell/MenuCommands.h")
#include "shell/MenuCommands.h"
#define ALBUMORA_HAVE_MENU 1
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filefn.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

namespace {

wxString Wx(const std::u16string& s)
{
    return wxString::FromUTF8(ToUtf8(s));
}

std::u16string U16(const wxString& s)
{
    return FromUtf8(std::string(s.utf8_str()));
}

void EnsureSlash(std::u16string& s)
{
    if (s.empty() || s.back() != u'/')
        s += u'/';
}

std::u16string LowerAscii(std::u16string s)
{
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

// A start-up folder not meant for the user's pictures: a temporary folder, or the program's own
// folder under the data home that the desktop launcher starts it in.
bool IsScratchFolder(const std::u16string& strDir)
{
    const std::u16string lower = LowerAscii(strDir);
    if (lower.find(u"/temp/") != std::u16string::npos || lower.find(u"/locals") != std::u16string::npos ||
        lower.rfind(u"/tmp/", 0) == 0)
        return true;
    std::string strData;
    if (const char* p = std::getenv("XDG_DATA_HOME"); p && *p == '/')
        strData = p;
    else if (const char* h = std::getenv("HOME"); h && *h)
        strData = std::string(h) + "/.local/share";
    if (strData.empty())
        return false;
    std::u16string strOwn = FromUtf8(strData) + u"/albumora/";
    return strDir.rfind(strOwn, 0) == 0;
}

struct SCtrl {
    int nId;
    enum Kind { Static, Button, DefButton, Check, Link, Group } kind;
    const char16_t* pszText;
    int x, y, w, h;
};

// The fixed controls of the window; the boxes, combos and grid are made separately.
constexpr SCtrl kCtrls[] = {
    {IDC_STATUS1, SCtrl::Static, u"state1", 12, 1, 99, 11},
    {IDC_STATUS2, SCtrl::Static, u"state2", 119, 1, 269, 11},
    {IDC_NOTICE, SCtrl::Static, u"", 7, 1, 381, 16},
    {IDC_LIST_BUTTON, SCtrl::DefButton, u"获取相册", 389, 19, 36, 13},
    {IDC_DOWN_BUTTON, SCtrl::Button, u"下载", 430, 19, 36, 13},
    {IDC_PATH_LABEL, SCtrl::Static, u"保存路径:", 7, 40, 31, 10},
    {IDC_CHOOSE_DIR, SCtrl::Button, u"设置", 389, 38, 36, 13},
    {IDC_OPEN_DIR, SCtrl::Button, u"打开", 430, 38, 36, 13},
    {IDC_ALBUM_GROUP, SCtrl::Group, u"相册列表", 3, 52, 465, 246},
    {IDC_EXPORT_LINK, SCtrl::Link, u"导出", 316, 53, 21, 8},
    {IDC_FILTER_LINK, SCtrl::Link, u"筛选", 346, 53, 21, 8},
    {IDC_FIND_LINK, SCtrl::Link, u"查找", 376, 53, 21, 8},
    {IDC_PREVIEW_CHECK, SCtrl::Check, u"预览图", 402, 53, 32, 10},
    {IDC_SELECT_ALL, SCtrl::Check, u"全选", 441, 53, 23, 10},
    {IDC_ORDER_LINK1, SCtrl::Link, u"好评", 223, 53, 21, 8},
    {IDC_ORDER_LINK2, SCtrl::Link, u"好评", 246, 53, 21, 8},
    {IDC_ORDER_LINK3, SCtrl::Link, u"好评", 269, 53, 21, 8},
    {IDC_SERVER_LINE, SCtrl::Static, u"", 4, 301, 265, 8},
    {IDC_UPDATE_LINK, SCtrl::Link, u"程序有更新", 273, 300, 35, 9},
    {IDC_HOME_LINK, SCtrl::Link, u"", 315, 300, 152, 9},
};

} // namespace

CVelloriaDlg::CVelloriaDlg(const std::u16string& strAppDir, bool bStartup)
    : wxFrame(nullptr, wxID_ANY, Wx(APP_CAPTION), wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX)
{
    m_pWork = std::make_shared<CWorkState>();
    m_pWork->m_strAppDir = strAppDir;
    m_pHooks = new CWxHooks(this);
    m_pWork->m_pHooks = m_pHooks;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxInitAllImageHandlers();
    CreateControls();
    BindEvents();
    OnInitDialog(bStartup);
}

CVelloriaDlg::~CVelloriaDlg()
{
    // Workers that still run find the hooks detached and leave the window alone; the working
    // state stays alive as long as one of them holds it. Detached hooks are kept for the rest of
    // the process, since detached threads and the picture job may still call them.
    m_pHooks->Detach();
    // Never destroyed, not even at exit, while detached threads may still run.
    static auto* s_pRetiredHooks = new std::vector<std::unique_ptr<CWxHooks>>;
    s_pRetiredHooks->emplace_back(m_pHooks);
    if (m_pSplash) {
        m_pSplash->HideSplash();
        m_pSplash = nullptr;
    }
}

wxRect CVelloriaDlg::DluRect(int x, int y, int w, int h) const
{
    const wxWindow* pBase = m_pPanel ? static_cast<const wxWindow*>(m_pPanel) : this;
    wxPoint pt = pBase->ConvertDialogToPixels(wxPoint(x, y));
    wxSize sz = pBase->ConvertDialogToPixels(wxSize(w, h));
    return wxRect(pt, sz);
}

void CVelloriaDlg::CreateControls()
{
    m_pPanel = new wxPanel(this, wxID_ANY);
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(9);
    m_pPanel->SetFont(font);
    SetClientSize(DluRect(0, 0, 471, 323).GetSize());

    auto place = [&](wxWindow* p, const wxRect& r) { p->SetSize(r); };
    auto placeCombo = [&](wxWindow* p, int x, int y, int w) {
        wxRect r = DluRect(x, y, w, 12);
        p->SetSize(r.x, r.y, r.width, wxDefaultCoord);
    };

    // Combos first, so the tab order runs site, address, buttons, folder as in the layout.
    m_pSiteCombo = new wxChoice(m_pPanel, IDC_SITE_COMBO);
    placeCombo(m_pSiteCombo, 7, 20, 70);
    m_pQQTypeCombo = new wxChoice(m_pPanel, IDC_QQTYPE_COMBO);
    placeCombo(m_pQQTypeCombo, 79, 20, 53);
    m_pQQTypeCombo->Hide();
    m_pUrlBox = new CComboBox2(m_pPanel, IDC_URL_BOX);
    placeCombo(m_pUrlBox, 134, 20, 252);
    m_pPathBox = new CComboBox2(m_pPanel, IDC_PATH_BOX);
    placeCombo(m_pPathBox, 40, 38, 346);

    for (const SCtrl& c : kCtrls) {
        const wxString strText = Wx(c.pszText);
        const wxRect r = DluRect(c.x, c.y, c.w, c.h);
        wxWindow* p = nullptr;
        switch (c.kind) {
        case SCtrl::Static:
            p = new wxStaticText(m_pPanel, c.nId, strText, r.GetPosition(), r.GetSize(), wxST_NO_AUTORESIZE);
            break;
        case SCtrl::Button:
        case SCtrl::DefButton: {
            auto* b = new wxButton(m_pPanel, c.nId, strText, r.GetPosition(), r.GetSize());
            if (c.kind == SCtrl::DefButton)
                b->SetDefault();
            p = b;
            break;
        }
        case SCtrl::Check:
            // A box narrower than its label would clip it; take at least the natural width.
            p = new wxCheckBox(m_pPanel, c.nId, strText, r.GetPosition());
            p->SetSize(r.x, r.y, std::max(r.width, p->GetBestSize().x),
                       std::max(r.height, p->GetBestSize().y));
            break;
        case SCtrl::Link: {
            // The links open what the window decides, never a fixed address of their own.
            const wxString strLabel = c.nId == IDC_HOME_LINK ? Wx(SrvText::HomeLinkText()) : strText;
            p = new wxHyperlinkCtrl(m_pPanel, c.nId, strLabel, "about:blank", r.GetPosition(), wxDefaultSize,
                                    wxHL_ALIGN_LEFT | wxNO_BORDER);
            break;
        }
        case SCtrl::Group:
            p = new wxStaticBox(m_pPanel, c.nId, strText, r.GetPosition(), r.GetSize());
            break;
        }
        (void)place;
        if (c.kind == SCtrl::Link) {
            // A link keeps its natural height, centred on its line.
            wxSize best = p->GetBestSize();
            p->SetSize(r.x, r.y + (r.height - best.y) / 2, std::max(best.x, 1), best.y);
        }
    }
    // The grid sits inside the group box; made after it so it draws on top.
    const wxRect rg = DluRect(6, 64, 459, 231);
    m_pGrid = new CMyGridCtrl(m_pPanel, IDC_GRID, rg.GetPosition(), rg.GetSize(), wxBORDER_SUNKEN);

    EnableCtrl(IDC_DOWN_BUTTON, false);
    for (int id : {IDC_ORDER_LINK1, IDC_ORDER_LINK2, IDC_ORDER_LINK3, IDC_UPDATE_LINK})
        ShowCtrl(id, false);
    DragAcceptFiles(true);
    m_pPanel->DragAcceptFiles(true);
}

void CVelloriaDlg::BindEvents()
{
    Bind(wxEVT_BUTTON, &CVelloriaDlg::OnButton, this);
    Bind(wxEVT_CHECKBOX, &CVelloriaDlg::OnCheck, this);
    Bind(wxEVT_HYPERLINK, &CVelloriaDlg::OnLink, this);
    Bind(wxEVT_DROP_FILES, &CVelloriaDlg::OnDropFiles, this);
    m_pPanel->Bind(wxEVT_DROP_FILES, &CVelloriaDlg::OnDropFiles, this);
    Bind(wxEVT_CLOSE_WINDOW, &CVelloriaDlg::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &CVelloriaDlg::OnCharHook, this);
    m_pSiteCombo->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnSiteChanged(); });
    m_pUrlBox->Bind(wxEVT_TEXT, &CVelloriaDlg::OnAddressChanged, this);
    m_pUrlBox->Bind(wxEVT_COMBOBOX, &CVelloriaDlg::OnAddressPicked, this);
}

void CVelloriaDlg::OnInitDialog(bool bStartup)
{
    // The desktop has no system menu to extend; the About box is in the menu ("版本信息").
    SetIcons(LoadAppIcons());
    m_bLoginMode1 = 1;
#ifdef ALBUMORA_HAVE_MENU
    BuildMainMenu(this);
#endif
    // The menu bar takes its height from the client area; the layout keeps its full size.
    SetClientSize(DluRect(0, 0, 471, 323).GetSize());
    SetTitle(Wx(APP_CAPTION));
    SetCtrlText(IDC_NOTICE, Wx(SrvText::Notice()));
    ShowCtrl(IDC_NOTICE, true);

    m_pGrid->AttachWorkState(m_pWork.get());
    m_pGrid->m_fnRunOnUi = [pHooks = m_pHooks](const std::function<void()>& fn) {
        return pHooks->RunOnUi([&fn](CVelloriaDlg&) { fn(); });
    };
    SetupAlbumGrid();

    g_pJob->hNotifyWnd = m_pHooks;
    g_pJob->nStatusId = IDC_STATUS2;

    InstallClipboardProvider();
    std::u16string strClip = GetClipboardText();
    Trim(strClip);
    if (!strClip.empty() && strClip.size() < 200)
        m_pUrlBox->SetValue(Wx(strClip));

    std::u16string strAppDir = m_pWork->m_strAppDir;
    if (strAppDir.empty())
        strAppDir = U16(wxGetCwd());
    EnsureSlash(strAppDir);
    m_pWork->m_strAppDir = strAppDir;
    m_pPathBox->SetValue(Wx(strAppDir));
    if (IsScratchFolder(strAppDir)) {
        std::u16string strDocs = U16(wxStandardPaths::Get().GetDocumentsDir());
        EnsureSlash(strDocs);
        strDocs += u"Albumora/";
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(ToUtf8(strDocs)), ec);
        m_pPathBox->SetValue(Wx(strDocs));
    }

    m_Config.ReadEndpointOverride(strAppDir);
    m_pWork->LoadSoftDat();
    // The HTTP client's cookies live in the settings folder's cookies.txt, which the login
    // window's browser writes too; windows built for tests keep the store as they found it.
    if (bStartup)
        InitCookieStore(strAppDir);
    const std::u16string strNewest = SzGet(m_pWork->m_SoftDat.szPathHistory[0]);
    if (!strNewest.empty())
        m_pPathBox->SetValue(Wx(strNewest));

    if (bStartup) {
        ShowSplash();
        try {
            std::thread(&CVelloriaDlg::RunStartup, m_pHooks, m_Config).detach();
        } catch (const std::system_error&) {
            // Without the configuration the program still works with an empty site list.
            OnStartupDone();
            m_pWork->m_bReady = 1;
        }
    }
    Hide();
    EnableCtrl(IDC_HOME_LINK, true);
}

void CVelloriaDlg::ShowSplash()
{
    m_pSplash = new CSplashScreenEx;
    if (!m_pSplash->CreateSplash(this, Wx(SrvText::SplashCaption()))) {
        delete m_pSplash;
        m_pSplash = nullptr;
        return;
    }
    m_pSplash->LoadPicture(LoadSplashBitmap());
    m_pSplash->SetCaptionFont();
    m_pSplash->SetCaptionArea(30, 50, 291, 160);
    m_pSplash->SetCaptionColour(wxColour(255, 255, 255));
    m_pSplash->SetCaptionFormat(SPLASH_TEXT_VCENTER | SPLASH_TEXT_WORDBREAK);
    m_pSplash->ShowSplash();
}

// ---------------------------------------------------------------------------------------------
// Start-up

void CVelloriaDlg::LoadStartupConfig()
{
    RunStartup(m_pHooks, m_Config);
}

void CVelloriaDlg::RunStartup(CWxHooks* pHooks, CSrvConfig cfg)
{
    std::vector<std::u16string> siteNames;
    cfg.Fetch(CSrvConfig::EditionId(SITE_INSTAGRAM), siteNames);
    pHooks->PostToUi([](CVelloriaDlg& d) { d.OnStartupDone(); });
    std::function<void(const std::u16string&)> fnUpdateExit;
    pHooks->RunOnUi([&](CVelloriaDlg& d) {
        d.m_Config = cfg;
        d.m_pSiteCombo->Clear();
        for (const auto& s : siteNames)
            d.m_pSiteCombo->Append(Wx(s));
        if (SITE_INSTAGRAM < static_cast<int>(d.m_pSiteCombo->GetCount()))
            d.m_pSiteCombo->SetSelection(SITE_INSTAGRAM);
        d.ClassifyAddress();
        d.Work().m_bReady = 1;
        d.OnSiteChanged();
    });
    pHooks->RunOnUi([](CVelloriaDlg& d) { d.CheckForUpdate(); });
}

bool CVelloriaDlg::IsNewerVersion(const std::u16string& strField0)
{
    std::u16string strVersion = u"版本号：" + strField0;
    CutBefore(strVersion, u"#");
    return strVersion.compare(APP_VERSION_TEXT) > 0;
}

bool CVelloriaDlg::CheckForUpdate()
{
    if (!IsNewerVersion(m_Config.GetField(0))) {
        const std::u16string strInfo = u"\tSrv Info:" + AsciiToU16(std::to_string(m_Config.m_nEndpointNo)) +
                                       u"_" + AsciiToU16(std::to_string(m_Config.m_nEntryNo));
        // Without a reply there is nothing to confirm; say so instead of claiming a connection.
        const std::u16string strLine =
            m_Config.m_arrFields.empty() ? u"未能获取配置信息" : SrvText::ServerLine();
        SetCtrlText(IDC_SERVER_LINE, Wx(strLine + strInfo));
        return false;
    }
    ShowCtrl(IDC_UPDATE_LINK, true);
    m_pHooks->ShowBox(SrvText::UpdateMessage(), u"提示", MB_OK);
    const std::u16string strPage = m_Config.GetField(1);
    if (m_fnUpdateExit) {
        m_fnUpdateExit(strPage);
        return true;
    }
    OpenTarget(strPage);
    // The browser needs a moment to take the page before the program goes away.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        std::fflush(nullptr);
        _exit(0);
    }).detach();
    return true;
}

void CVelloriaDlg::OnStartupDone()
{
    if (m_pSplash) {
        m_pSplash->HideSplash();
        m_pSplash = nullptr;
    }
    Show();
    Raise();
    m_pWork->m_bReady = 1;
}

// ---------------------------------------------------------------------------------------------
// Controls by id

wxString CVelloriaDlg::GetCtrlText(int nId) const
{
    wxWindow* p = FindWindow(nId);
    if (!p)
        return wxString();
    if (auto* c = dynamic_cast<wxComboBox*>(p))
        return c->GetValue();
    if (auto* ch = dynamic_cast<wxChoice*>(p))
        return ch->GetStringSelection();
    return p->GetLabel();
}

void CVelloriaDlg::SetCtrlText(int nId, const wxString& strText)
{
    wxWindow* p = FindWindow(nId);
    if (!p)
        return;
    if (auto* c = dynamic_cast<wxComboBox*>(p))
        c->SetValue(strText);
    else if (auto* s = dynamic_cast<wxStaticText*>(p))
        s->SetLabelText(strText); // no mnemonics: "&" in an album name shows as it is
    else
        p->SetLabel(strText);
}

void CVelloriaDlg::EnableCtrl(int nId, bool bEnable)
{
    if (wxWindow* p = FindWindow(nId))
        p->Enable(bEnable);
}

bool CVelloriaDlg::IsCtrlEnabled(int nId) const
{
    wxWindow* p = FindWindow(nId);
    return p && p->IsEnabled();
}

void CVelloriaDlg::ShowCtrl(int nId, bool bShow)
{
    if (wxWindow* p = FindWindow(nId))
        p->Show(bShow);
    // The notice covers the two status lines; labels do not hide each other here, so the
    // status lines step aside while it shows.
    if (nId == IDC_NOTICE) {
        ShowCtrl(IDC_STATUS1, !bShow);
        ShowCtrl(IDC_STATUS2, !bShow);
    }
}

// ---------------------------------------------------------------------------------------------
// Command states

void CVelloriaDlg::BeginListUI()
{
    m_pWork->m_byListState = STATE_BUSY;
    for (int id : {IDC_SITE_COMBO, IDC_DOWN_BUTTON, IDC_URL_BOX, IDC_PREVIEW_CHECK})
        EnableCtrl(id, false);
    if (auto* p = dynamic_cast<wxCheckBox*>(FindWindow(IDC_SELECT_ALL)))
        p->SetValue(false);
    SetCtrlText(IDC_LIST_BUTTON, wxString::FromUTF8("终止获取"));
    SetCtrlText(IDC_ALBUM_GROUP, wxString::FromUTF8("相册列表"));
    SetCtrlText(IDC_STATUS1, wxString::FromUTF8("正在获取相册列表，请稍等..."));
    SetCtrlText(IDC_STATUS2, wxString());
    ShowCtrl(IDC_NOTICE, false);
    for (int id :
         {IDC_ORDER_LINK1, IDC_ORDER_LINK2, IDC_ORDER_LINK3, IDC_FIND_LINK, IDC_FILTER_LINK, IDC_EXPORT_LINK})
        EnableCtrl(id, false);
}

void CVelloriaDlg::EndListUI()
{
    m_pWork->m_byListState = STATE_IDLE;
    EnableCtrl(IDC_SITE_COMBO, true);
    EnableCtrl(IDC_DOWN_BUTTON, m_pWork->m_pAlbumList->Count() >= 1);
    SetCtrlText(IDC_LIST_BUTTON, wxString::FromUTF8("获取相册"));
    for (int id : {IDC_URL_BOX, IDC_PREVIEW_CHECK, IDC_ORDER_LINK1, IDC_ORDER_LINK2, IDC_ORDER_LINK3,
                   IDC_FIND_LINK, IDC_FILTER_LINK, IDC_EXPORT_LINK})
        EnableCtrl(id, true);
    // Find and filter stay off while thumbnails show.
    if (m_pWork->m_bPreview.load()) {
        EnableCtrl(IDC_FIND_LINK, false);
        EnableCtrl(IDC_FILTER_LINK, false);
    }
}

void CVelloriaDlg::BeginDownloadUI()
{
    m_pWork->m_byDownState = STATE_BUSY;
    SetCtrlText(IDC_DOWN_BUTTON, wxString::FromUTF8("终止下载"));
    for (int id : {IDC_SITE_COMBO, IDC_LIST_BUTTON, IDC_CHOOSE_DIR, IDC_URL_BOX, IDC_PATH_BOX,
                   IDC_ORDER_LINK1, IDC_ORDER_LINK2, IDC_ORDER_LINK3})
        EnableCtrl(id, false);
}

void CVelloriaDlg::EndDownloadUI()
{
    m_pWork->m_byDownState = STATE_IDLE;
    SetCtrlText(IDC_DOWN_BUTTON, wxString::FromUTF8("下载"));
    for (int id : {IDC_SITE_COMBO, IDC_LIST_BUTTON, IDC_CHOOSE_DIR, IDC_URL_BOX, IDC_PATH_BOX,
                   IDC_ORDER_LINK1, IDC_ORDER_LINK2, IDC_ORDER_LINK3})
        EnableCtrl(id, true);
    SetCtrlText(IDC_STATUS1, wxString::FromUTF8("下载完毕"));
    SetCtrlText(IDC_STATUS2, wxString());
}

void CVelloriaDlg::OnListCommand()
{
    CWorkState& w = *m_pWork;
    if (w.m_bReady.load() != 1)
        return;
    if (w.m_byListState.load() != STATE_IDLE) {
        w.m_byListState = LIST_STOP_ASKED;
        return;
    }
    // A conversion still running must not read the albums about to be freed.
    m_pGrid->NewGeneration();
    SetupAlbumGrid();
    w.m_pAlbumList->ClearAlbums();
    m_pGrid->m_ThumbImages.RemoveAll();
    w.m_byListState = STATE_BUSY;
    w.m_nQQSubType = -1;
    w.m_nSiteType = SITE_INSTAGRAM;
    try {
        std::thread([p = m_pWork] { GetListFunc(*p); }).detach();
    } catch (const std::system_error& e) {
        ShowTipDialog(e.code().value());
    }
}

void CVelloriaDlg::RunDownloadCommand()
{
    CWorkState& w = *m_pWork;
    if (w.m_byDownState.load() != STATE_IDLE) {
        w.m_byDownState = DOWN_STOP_ASKED;
        g_bStopDownload = true;
        return;
    }
    w.m_byDownState = STATE_BUSY;
    try {
        std::thread([p = m_pWork] { DownAlbumFunc(*p); }).detach();
    } catch (const std::system_error&) {
        m_pHooks->ShowBox(u"Create thread:GetListFunc failed.", u"", MB_OK);
    }
}

// ---------------------------------------------------------------------------------------------
// Album grid

void CVelloriaDlg::SetupAlbumGrid()
{
    if (auto* p = dynamic_cast<wxCheckBox*>(FindWindow(IDC_SELECT_ALL)))
        p->SetValue(false);
    m_pGrid->SetupAlbumGrid();
}

void CVelloriaDlg::RebuildAlbumRows()
{
    m_pGrid->RebuildAlbumRows();
}

void CVelloriaDlg::OnPreviewToggle()
{
    auto* pBox = dynamic_cast<wxCheckBox*>(FindWindow(IDC_PREVIEW_CHECK));
    if (!pBox)
        return;
    const bool bChecked = pBox->GetValue();
    if (m_pGrid->m_byConvertState.load() != 0) {
        if (m_pHooks->ShowBox(u"模式转换未完成,是否中断?", u"提示", MB_YESNO) == IDYES)
            m_pGrid->m_byConvertState = 2;
        pBox->SetValue(!bChecked);
        return;
    }
    if (bChecked) {
        if (m_pDlgFind)
            m_pDlgFind->Hide();
        m_pGrid->m_bFindOpen = false;
        EnableCtrl(IDC_FILTER_LINK, false);
        EnableCtrl(IDC_FIND_LINK, false);
    } else {
        EnableCtrl(IDC_FILTER_LINK, true);
        EnableCtrl(IDC_FIND_LINK, true);
    }
    m_pGrid->m_byConvertState = 1;
    m_pWork->m_bPreview = bChecked ? 1 : 0;
    SetupAlbumGrid();
    m_pGrid->StartPreviewConversion();
}

void CVelloriaDlg::SelectAll(bool bSelect)
{
    if (bSelect) {
        m_pGrid->SelectEverything();
    } else {
        m_pGrid->ClearSelection();
        m_pGrid->MoveFocus(-1, -1);
    }
    m_pGrid->Refresh();
}

// ---------------------------------------------------------------------------------------------
// Folders

void CVelloriaDlg::TakeFolder(const std::u16string& strFolder)
{
    if (strFolder.empty())
        return;
    m_pPathBox->SetValue(Wx(strFolder));
    if (m_pWork->AddHistory(HISTORY_PATH, strFolder)) {
        m_pPathBox->AddEntry(Wx(strFolder));
        m_pWork->SaveSoftDat();
    }
}

std::u16string CVelloriaDlg::FolderFromDroppedPath(const std::u16string& strPath)
{
    std::u16string s = strPath.substr(0, 512);
    const size_t nSlash = s.rfind(u'/');
    const size_t nDot = s.rfind(u'.');
    if (nDot != std::u16string::npos && (nSlash == std::u16string::npos || nSlash < nDot))
        s = nSlash == std::u16string::npos ? std::u16string() : s.substr(0, nSlash);
    EnsureSlash(s);
    return s;
}

void CVelloriaDlg::ChooseFolder()
{
    wxDirDialog dlg(this, wxString::FromUTF8("请选择文件保存目录："), wxEmptyString, wxDD_DEFAULT_STYLE);
    if (dlg.ShowModal() != wxID_OK || dlg.GetPath().empty())
        return;
    std::u16string strFolder = U16(dlg.GetPath());
    EnsureSlash(strFolder);
    TakeFolder(strFolder);
}

void CVelloriaDlg::OpenSaveFolder()
{
    if (g_bDownloading.load()) {
        OpenTarget(g_pJob->strFolder);
        return;
    }
    const std::u16string strFolder = U16(m_pPathBox->GetValue());
    if (!strFolder.empty())
        OpenTarget(strFolder);
}

void CVelloriaDlg::OpenTarget(const std::u16string& strTarget)
{
    if (strTarget.empty())
        return;
    if (m_fnOpen) {
        m_fnOpen(strTarget);
        return;
    }
    const wxString s = Wx(strTarget);
    if (strTarget.rfind(u"http://", 0) == 0 || strTarget.rfind(u"https://", 0) == 0)
        wxLaunchDefaultBrowser(s);
    else
        wxLaunchDefaultApplication(s);
}

// ---------------------------------------------------------------------------------------------
// Sites and addresses

void CVelloriaDlg::ClassifyAddress()
{
    const std::u16string strText = U16(m_pUrlBox->GetValue());
    const int nCur = m_pSiteCombo->GetSelection();
    auto match = SiteFromAddress(strText, nCur == wxNOT_FOUND ? -1 : nCur);
    if (!match)
        return;
    if (match->nSite >= 0 && match->nSite < static_cast<int>(m_pSiteCombo->GetCount()))
        m_pSiteCombo->SetSelection(match->nSite);
    OnSiteChanged();
    if (match->nSite == 0 && match->nQQSubType >= 0 &&
        match->nQQSubType < static_cast<int>(m_pQQTypeCombo->GetCount()))
        m_pQQTypeCombo->SetSelection(match->nQQSubType);
}

void CVelloriaDlg::OnSiteChanged()
{
    m_pWork->m_nSiteType = SITE_INSTAGRAM;
    const wxRect rcType = m_pQQTypeCombo->GetRect();
    const wxRect rcUrl = m_pUrlBox->GetRect();
    const int nRight = rcUrl.GetRight();
    if (m_pSiteCombo->GetSelection() != 0) {
        m_pQQTypeCombo->Hide();
        m_pUrlBox->SetSize(rcType.x, rcUrl.y, nRight - rcType.x + 1, rcUrl.height);
    } else {
        m_pQQTypeCombo->Clear();
        for (const char* p : {"QQ空间相册", "QQ群相册", "腾讯微博相册"})
            m_pQQTypeCombo->Append(wxString::FromUTF8(p));
        m_pQQTypeCombo->Show();
        const int nLeft = rcType.GetRight() + 1 + 3;
        m_pUrlBox->SetSize(nLeft, rcUrl.y, nRight - nLeft + 1, rcUrl.height);
        m_pQQTypeCombo->SetSelection(0);
    }
}

void CVelloriaDlg::OnAddressChanged(wxCommandEvent& event)
{
    event.Skip();
    ClassifyAddress();
}

void CVelloriaDlg::OnAddressPicked(wxCommandEvent& event)
{
    event.Skip();
    const int n = m_pUrlBox->GetSelection();
    if (n != wxNOT_FOUND)
        m_pUrlBox->SetValue(m_pUrlBox->GetString(n));
    ClassifyAddress();
}

// ---------------------------------------------------------------------------------------------
// Events

void CVelloriaDlg::OnButton(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case IDC_LIST_BUTTON:
        OnListCommand();
        break;
    case IDC_DOWN_BUTTON:
        RunDownloadCommand();
        break;
    case IDC_CHOOSE_DIR:
        ChooseFolder();
        break;
    case IDC_OPEN_DIR:
        OpenSaveFolder();
        break;
    default:
        event.Skip();
    }
}

void CVelloriaDlg::OnCheck(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case IDC_SELECT_ALL:
        SelectAll(event.IsChecked());
        break;
    case IDC_PREVIEW_CHECK:
        OnPreviewToggle();
        break;
    default:
        event.Skip();
    }
}

void CVelloriaDlg::OnLink(wxHyperlinkEvent& event)
{
    switch (event.GetId()) {
    case IDC_UPDATE_LINK:
        OpenTarget(m_Config.GetField(1));
        break;
    case IDC_HOME_LINK:
        OpenTarget(SrvText::HomePage());
        break;
    case IDC_FIND_LINK:
        ShowFindBox(this, m_pDlgFind, m_pGrid);
        break;
    case IDC_FILTER_LINK:
        RunFilterPrompt(m_pDlgFind, m_pGrid, m_pGrid->m_strFilter, [this] { RebuildAlbumRows(); });
        break;
    case IDC_EXPORT_LINK:
        OnExportLink(*m_pGrid, this);
        break;
    case IDC_ORDER_LINK1: {
        wxWindow* pLink = FindWindow(IDC_ORDER_LINK1);
        wxString strCaption = pLink->GetLabel();
        if (ScoreSortStep(*m_pWork->m_pAlbumList, strCaption)) {
            // The caption carries link markup; the control shows plain text.
            strCaption.Replace("<a>", "");
            strCaption.Replace("</a>", "");
            pLink->SetLabel(strCaption);
            ClearAlbumRows();
            RebuildAlbumRows();
        }
        break;
    }
    case IDC_ORDER_LINK3:
        SortAlbumsByIndex(*m_pWork->m_pAlbumList);
        ClearAlbumRows();
        RebuildAlbumRows();
        break;
    default:
        // 1028 and anything else: answered, nothing happens (a link must never open its
        // placeholder address).
        break;
    }
}

void CVelloriaDlg::ClearAlbumRows()
{
    m_pGrid->ClearSelection();
    m_pGrid->MoveFocus(-1, -1);
    m_pGrid->ResizeRows(m_pGrid->HeaderRows());
    m_pGrid->Refresh();
}

void CVelloriaDlg::OnDropFiles(wxDropFilesEvent& event)
{
    if (event.GetNumberOfFiles() < 1)
        return;
    TakeFolder(FolderFromDroppedPath(U16(event.GetFiles()[0])));
}

void CVelloriaDlg::OnClose(wxCloseEvent& event)
{
    m_bClosing = true;
    m_pGrid->m_bPaintOn = false;
    m_pHooks->Detach();
    Destroy();
}

void CVelloriaDlg::OnCharHook(wxKeyEvent& event)
{
    const int nKey = event.GetKeyCode();
    // An open history list takes Enter and Escape itself (pick / close).
    if (m_pUrlBox->IsListShown() || m_pPathBox->IsListShown()) {
        event.Skip();
        return;
    }
    if (nKey == WXK_ESCAPE) {
        m_pHooks->Detach();
        Destroy();
        return;
    }
    if (nKey == WXK_RETURN || nKey == WXK_NUMPAD_ENTER) {
        // Enter on another focused button presses that button, as in any dialog.
        wxWindow* pFocus = FindFocus();
        if (dynamic_cast<wxButton*>(pFocus) && pFocus->GetId() != IDC_LIST_BUTTON) {
            event.Skip();
            return;
        }
        if (IsCtrlEnabled(IDC_LIST_BUTTON))
            OnListCommand();
        return;
    }
    event.Skip();
}
