// The album-list and download controller.

#include "core/ChangeSource.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "core/WorkState.h"
#include "download/DownList.h"
#include "download/DownProc.h"
#include "download/PicFix.h"
#include "download/PicJob.h"
#include "sites/Instagram.h"
#include "text/StringCtrl.h"

namespace {

// Notices kept enciphered like the program's other fixed texts.
constexpr char16_t kNoticeKey[] = u"Gramvista";
constexpr char16_t kMsgEmptyAddress[] = u"7F66515A437244604C12425C46512348447E0A6C2B4A5F21";
constexpr char16_t kMsgNoScheme[] =
    u"75754825316746362C0358635A3E35204C75726956795B42E48BCEEAC8B7B1BD3264E48BCEEAC8FEA4BDA6292646290D49"
    u"53785C6D3953480F";
constexpr char16_t kMsgNoAlbum[] = u"7F66515A5D4C436B2C594C4E2364405C5A3F6C7C4C38465458532B7C427E2068";
constexpr char16_t kAskStopped[] =
    u"6A5C53315F2F377A5619402254254649443C1B2154553E6743494A605F4F29785E2D3E230D49532E4F3A2F34";

std::u16string Notice(const char16_t* pszStored)
{
    return XorEscapeCodec(pszStored, false, kNoticeKey);
}

std::u16string Format1(const char16_t* pszBefore, int n, const char16_t* pszAfter)
{
    return pszBefore + AsciiToU16(std::to_string(n)) + pszAfter;
}

void EnsureTrailingSlash(std::u16string& s)
{
    if (s.empty() || s.back() != u'/')
        s += u'/';
}

// A sub-folder name an adapter set: one clean component followed by "/".
void CleanSubDir(std::u16string& s)
{
    MakeValidName(s, 0, false);
    if (!s.empty())
        EnsureTrailingSlash(s);
}

bool ExistsOrCreate(const std::u16string& strPath)
{
    const std::string strUtf8 = ToUtf8(strPath);
    struct stat sb;
    if (::stat(strUtf8.c_str(), &sb) == 0)
        return true;
    return ::mkdir(strUtf8.c_str(), 0777) == 0 || errno == EEXIST;
}

// Album positions the user ticked, in grid order.
std::vector<int> CollectChosenAlbums(CWorkState& st)
{
    WindowHooks& hooks = st.Hooks();
    std::vector<int> vec;
    const int nAlbums = st.m_pAlbumList->Count();
    if (st.m_bPreview.load() == 0) {
        int nRow = hooks.GetFixedRowCount() - 1;
        while ((nRow = hooks.NextSelectedRow(nRow)) != -1)
            vec.push_back(hooks.CellData(nRow, 0));
        return vec;
    }
    const int nRows = hooks.GetRowCount(), nCols = hooks.GetColumnCount();
    int nRunning = 0;
    for (int r = hooks.GetFixedRowCount(); r < nRows; ++r)
        for (int c = hooks.GetFixedColumnCount(); c < nCols; ++c, ++nRunning) {
            if (!hooks.IsCellSelected(r, c))
                continue;
            const int nData = hooks.CellData(r, c);
            if (nRunning < nAlbums && nData >= 0 && nData < nAlbums)
                vec.push_back(nData);
        }
    return vec;
}

} // namespace

std::u16string ProfileFromAddress(std::u16string strAddress)
{
    CutAfter(strAddress, u"com/", true);
    CutBefore(strAddress, u"/");
    CutBefore(strAddress, u"?");
    CutBefore(strAddress, u"#");
    return strAddress;
}

void GetListFunc(CWorkState& st)
{
    WindowHooks& hooks = st.Hooks();
    st.ReadExtIni();
    st.m_nSiteType = SITE_INSTAGRAM;
    st.m_strSubDir1.clear();
    st.m_strSubDir2.clear();

    std::u16string strAddress = hooks.GetControlText(IDC_URL_BOX);
    Trim(strAddress);
    if (strAddress.empty()) {
        hooks.MessageBox(Notice(kMsgEmptyAddress));
        st.m_byListState = STATE_IDLE;
        return;
    }
    hooks.BeginListUI();

    bool bAutoDownload = false;
    if (strAddress.find(u"http://") == std::u16string::npos &&
        strAddress.find(u"https://") == std::u16string::npos) {
        hooks.MessageBox(Notice(kMsgNoScheme));
    } else {
        if (hooks.IsControlVisible(IDC_QQTYPE_COMBO))
            st.m_nQQSubType = hooks.GetComboSelection(IDC_QQTYPE_COMBO);
        if (st.m_nSiteType.load() == SITE_INSTAGRAM) {
            st.m_strSiteBase = strAddress;
            CutBefore(st.m_strSiteBase, u".com/");
            InstagramAddProfile(st, ProfileFromAddress(strAddress));
            bAutoDownload = true;
        }
    }

    CleanSubDir(st.m_strSubDir1);
    CleanSubDir(st.m_strSubDir2);

    hooks.FitRowHeights();
    hooks.RedrawGrid();
    const int n = st.m_pAlbumList->Count();
    hooks.SetControlText(IDC_ALBUM_GROUP, Format1(u"相册列表(共", n, u"个)"));
    hooks.SetControlText(IDC_STATUS1, Format1(u"获取相册列表完成，共", n, u"个"));
    hooks.EndListUI();

    if (n > 0) {
        strAddress = hooks.GetControlText(IDC_URL_BOX);
        Trim(strAddress);
        if (st.AddHistory(HISTORY_URL, strAddress)) {
            hooks.AddEntry(IDC_URL_BOX, strAddress);
            st.SaveSoftDat();
        }
        if (bAutoDownload) {
            hooks.SelectEverything();
            hooks.RunDownloadCommand();
        }
    }
}

bool CreateSaveDir(CWorkState& st, std::u16string& strPath)
{
    Trim(strPath);
    EnsureTrailingSlash(strPath);
    // A leading "/" is the root here, so the walk starts after it instead of dropping it.
    size_t nPos = strPath[0] == u'/' ? 1 : 0;
    for (;;) {
        const size_t nSlash = strPath.find(u'/', nPos);
        if (nSlash == std::u16string::npos)
            return true;
        if (nSlash >= 1) {
            const std::u16string strPrefix = strPath.substr(0, nSlash);
            if (!ExistsOrCreate(strPrefix)) {
                st.Hooks().MessageBox(strPrefix);
                return false;
            }
        }
        nPos = nSlash + 1;
    }
}

void DownAlbumFunc(CWorkState& st)
{
    WindowHooks& hooks = st.Hooks();
    st.ReadExtIni();

    std::u16string strBase = hooks.GetControlText(IDC_PATH_BOX);
    Trim(strBase);
    if (strBase.empty()) {
        hooks.MessageBox(u"请先设置保存路径");
        st.m_byDownState = STATE_IDLE;
        return;
    }
    EnsureTrailingSlash(strBase);
    strBase += st.m_strSubDir1 + st.m_strSubDir2;
    if (!CreateSaveDir(st, strBase)) {
        hooks.MessageBox(u"请检测设置的保存路径是否有误");
        st.m_byDownState = STATE_IDLE;
        return;
    }

    SetDirTime(strBase, std::time(nullptr));
    hooks.BeginDownloadUI();
    g_pJob->strFolder = strBase;
    const ST_DOWNPARAM param = st.CurDownParam();
    g_dwMinSizeK = param.wMinSizeK;
    g_dwMaxSizeK = param.wMaxSizeK;
    g_dwThreads = param.wThreads;
    g_dwTimeoutSec = param.wTimeoutSec;

    const std::vector<int> vecChosen = CollectChosenAlbums(st);
    const int nChosen = static_cast<int>(vecChosen.size());
    st.m_pAlbumList->nSelected = nChosen;
    if (nChosen == 0)
        hooks.MessageBox(Notice(kMsgNoAlbum));

    uint32_t nQueued = 0;
    bool bConfirmed = false;
    for (int i = 0; i < nChosen; ++i) {
        if (st.m_byDownState.load() == DOWN_STOP_ASKED)
            break;
        const int nAlbum = vecChosen[i];
        g_pJob->Reset(strBase);
        st.m_byDownState = STATE_BUSY;
        hooks.SetControlText(IDC_STATUS1, u"正在下载第" + AsciiToU16(std::to_string(i + 1)) + u"/" +
                                              AsciiToU16(std::to_string(nChosen)) + u"个图集");
        hooks.SetControlText(IDC_STATUS2, u"......");

        const int nSite = st.m_nSiteType.load();
        if (nSite == SITE_INSTAGRAM)
            InstagramGetPics(st, nAlbum);
        else if (nSite > SITE_MAX_CLASSIFIED)
            hooks.MessageBox(u"Error ListType Code.");

        const bool bHasPics = g_pJob->Count() > 0;
        if (st.m_byDownState.load() == DOWN_STOP_ASKED && bHasPics && !bConfirmed) {
            if (hooks.MessageBox(Notice(kAskStopped), u"", MB_YESNO | MB_ICONQUESTION) == IDYES)
                bConfirmed = true;
        }
        if (!bHasPics || (st.m_byDownState.load() == DOWN_STOP_ASKED && !bConfirmed))
            continue;

        nQueued += static_cast<uint32_t>(g_pJob->Count());
        const uint16_t wFlags = st.CurSiteSet().wFlags;
        if (wFlags & SSF_THUNDER_ONLY) {
            const ST_PERLISTRECORD* pAlbum = st.m_pAlbumList->GetAlbum(nAlbum);
            WriteDownList(g_pJob->strFolder + (pAlbum ? pAlbum->strName : std::u16string()) + u".lst");
            continue;
        }
        hooks.SetControlText(IDC_STATUS2, u"已开始下载图片");
        std::thread manager = StartDownPicFunc();
        if (!manager.joinable()) {
            hooks.MessageBox(u"Create thread:DownPicFunc failed.");
            continue;
        }
        manager.join();
        if (st.m_byDownState.load() != DOWN_STOP_ASKED)
            WriteLastMark(g_pJob->arrUrl[0], g_pJob->strFolder);
        if (wFlags & SSF_FIX_FORMAT)
            FixJobFormat(nSite == SITE_INSTAGRAM ? u".mp4" : u"");
        if (wFlags & SSF_FIX_ORDER)
            FixJobOrder();
    }

    hooks.EndDownloadUI();
    if (nQueued > 0 && (st.CurSiteSet().wFlags & SSF_OPEN_FOLDER))
        hooks.OpenFolder(g_pJob->strFolder);
}
