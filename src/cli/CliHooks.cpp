#include "cli/CliHooks.h"

#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "core/ChangeSource.h"
#include "core/WorkState.h"
#include "text/StringCtrl.h"

extern char** environ;

namespace {

// Display columns of a UTF-8 line: East Asian wide characters take two.
size_t DisplayWidth(std::u16string_view s)
{
    size_t n = 0;
    for (char16_t c : s) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue; // second half of a pair, counted with the first
        n += (c >= 0x1100 && (c <= 0x115F || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                              (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                              (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6)))
                 ? 2
                 : 1;
    }
    return n;
}

std::u16string CutToWidth(const std::u16string& s, size_t nMax)
{
    std::u16string out;
    size_t w = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        size_t len = (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size()) ? 2 : 1;
        std::u16string_view ch(s.data() + i, len);
        size_t cw = DisplayWidth(ch);
        if (w + cw > nMax)
            break;
        out.append(ch);
        w += cw;
        i += len - 1;
    }
    return out;
}

size_t TerminalColumns()
{
    struct winsize ws {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

// The part of a status text before its first digit: lines of the same kind replace each other.
std::string KindOf(const std::string& s)
{
    size_t p = s.find_first_of("0123456789");
    return s.substr(0, p);
}

bool StartsWith(const std::u16string& s, std::u16string_view prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

CCliHooks::CCliHooks(CWorkState& st, const ST_CLIOPTIONS& opt, bool bTerminal)
    : m_st(st), m_opt(opt), m_bTerminal(bTerminal)
{
}

CCliHooks::~CCliHooks()
{
    JoinDownload();
}

std::string CCliHooks::Elapsed() const
{
    auto s =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_tStart).count();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60),
                  static_cast<long long>(s % 60));
    return buf;
}

// ---- output ----

void CCliHooks::PrintLineLocked(FILE* f, const std::string& strLine)
{
    if (m_bLiveShown) {
        std::fputs("\r\033[K", stderr);
        m_bLiveShown = false;
    }
    std::fputs(strLine.c_str(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

void CCliHooks::DrawLocked(bool bForce)
{
    if (!m_bTerminal)
        return;
    auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_tLastDraw < std::chrono::milliseconds(100))
        return;
    m_tLastDraw = now;
    std::u16string strLine = u"[" + AsciiToU16(Elapsed()) + u"] " + m_Texts[IDC_STATUS1];
    const std::u16string& s2 = m_Texts[IDC_STATUS2];
    if (m_nFoundThisAlbum > 0 && !StartsWith(s2, u"已获取到"))
        strLine += u" | 找到" + AsciiToU16(std::to_string(m_nFoundThisAlbum)) + u"张";
    if (!s2.empty())
        strLine += u" | " + s2;
    strLine = CutToWidth(strLine, TerminalColumns() - 1);
    std::fputs("\r\033[K", stderr);
    std::fputs(ToUtf8(strLine).c_str(), stderr);
    std::fflush(stderr);
    m_bLiveShown = true;
}

void CCliHooks::FlushStatus2Locked()
{
    if (!m_strPendingStatus2.empty()) {
        PrintLineLocked(stdout, "[" + Elapsed() + "] " + m_strPendingStatus2);
        m_strPendingStatus2.clear();
        m_tLastStatus2 = std::chrono::steady_clock::now();
    }
}

void CCliHooks::Tick()
{
    std::lock_guard lk(m_mx);
    if (m_bTerminal) {
        if (m_bLiveShown || !m_Texts[IDC_STATUS1].empty())
            DrawLocked(false);
    } else if (!m_strPendingStatus2.empty() &&
               std::chrono::steady_clock::now() - m_tLastStatus2 >= std::chrono::seconds(1)) {
        FlushStatus2Locked();
    }
}

void CCliHooks::FinishOutput()
{
    std::lock_guard lk(m_mx);
    FlushStatus2Locked();
    if (m_bLiveShown) {
        DrawLocked(true);
        std::fputc('\n', stderr);
        m_bLiveShown = false;
    }
}

// The album just enumerated: its found pictures join the run's count.
void CCliHooks::CloseAlbumLocked()
{
    m_Sum.nFound += m_nFoundThisAlbum;
    m_nFoundThisAlbum = 0;
}

// ---- window states ----

void CCliHooks::BeginListUI()
{
    m_st.m_byListState = STATE_BUSY;
}

void CCliHooks::EndListUI()
{
    m_st.m_byListState = STATE_IDLE;
}

void CCliHooks::BeginDownloadUI()
{
    m_st.m_byDownState = STATE_BUSY;
    // A Ctrl-C that came while the run was starting still counts.
    if (m_bStopRequested.load()) {
        m_st.m_byDownState = DOWN_STOP_ASKED;
        g_bStopDownload = true;
    }
    std::lock_guard lk(m_mx);
    m_Sum.bDownloadBegan = true;
}

void CCliHooks::EndDownloadUI()
{
    m_st.m_byDownState = STATE_IDLE;
    std::lock_guard lk(m_mx);
    CloseAlbumLocked();
    FlushStatus2Locked();
    m_Texts[IDC_STATUS1] = u"下载完毕";
    if (m_bTerminal)
        DrawLocked(true);
    else
        PrintLineLocked(stdout, "[" + Elapsed() + "] 下载完毕");
}

void CCliHooks::RunDownloadCommand()
{
    if (m_st.m_byDownState.load() != STATE_IDLE) {
        RequestStop();
        return;
    }
    if (m_bStopRequested.load())
        return;
    // Settings of this run take effect here, after the list step saved soft.dat for the
    // address history, so they never reach the file.
    ApplyCliOverrides(m_opt, m_st);
    m_st.m_byDownState = STATE_BUSY;
    std::lock_guard lk(m_mx);
    m_Download = std::thread([this] { DownAlbumFunc(m_st); });
}

void CCliHooks::RequestStop()
{
    m_bStopRequested = true;
    if (m_st.m_byDownState.load() != STATE_IDLE) {
        m_st.m_byDownState = DOWN_STOP_ASKED;
        g_bStopDownload = true;
    }
    std::lock_guard lk(m_mx);
    PrintLineLocked(stderr, "albumora-cli: 正在停止：进行中的图片下载完后结束（再按一次 Ctrl-C 立即退出）");
}

void CCliHooks::JoinDownload()
{
    std::thread t;
    {
        std::lock_guard lk(m_mx);
        t = std::move(m_Download);
    }
    if (t.joinable())
        t.join();
}

CCliHooks::Summary CCliHooks::GetSummary()
{
    std::lock_guard lk(m_mx);
    Summary s = m_Sum;
    s.nAlbums = m_st.m_pAlbumList->Count();
    return s;
}

// ---- grid: one row per album below a header row; every row may be selected ----

void CCliHooks::AddAlbumRow(int nAlbumPos)
{
    std::lock_guard lk(m_mx);
    m_Rows.push_back({nAlbumPos, false});
}

void CCliHooks::SelectEverything()
{
    std::lock_guard lk(m_mx);
    for (Row& r : m_Rows)
        r.bSelected = true;
}

int CCliHooks::GetRowCount()
{
    std::lock_guard lk(m_mx);
    return 1 + static_cast<int>(m_Rows.size());
}

int CCliHooks::NextSelectedRow(int nAfterRow)
{
    std::lock_guard lk(m_mx);
    for (int r = std::max(nAfterRow + 1, 1); r <= static_cast<int>(m_Rows.size()); ++r)
        if (m_Rows[r - 1].bSelected)
            return r;
    return -1;
}

int CCliHooks::CellData(int nRow, int nCol)
{
    std::lock_guard lk(m_mx);
    if (nCol != 0 || nRow < 1 || nRow > static_cast<int>(m_Rows.size()))
        return 0;
    return m_Rows[nRow - 1].nAlbum;
}

bool CCliHooks::IsCellSelected(int nRow, int nCol)
{
    std::lock_guard lk(m_mx);
    return nCol == 0 && nRow >= 1 && nRow <= static_cast<int>(m_Rows.size()) && m_Rows[nRow - 1].bSelected;
}

// ---- controls ----

std::u16string CCliHooks::GetControlText(int nId)
{
    std::lock_guard lk(m_mx);
    return m_Texts[nId];
}

void CCliHooks::SetControlText(int nId, const std::u16string& strText)
{
    std::lock_guard lk(m_mx);
    m_Texts[nId] = strText;
    if (nId == IDC_STATUS2 && StartsWith(strText, u"已获取到")) {
        // The naming step just added a picture (on this very thread): the job holds them all.
        m_nFoundThisAlbum = static_cast<uint32_t>(g_pJob->Count());
    }
    if (nId == IDC_STATUS1 && StartsWith(strText, u"正在下载第"))
        CloseAlbumLocked();
    if (nId != IDC_STATUS1 && nId != IDC_STATUS2)
        return;
    if (m_bTerminal) {
        DrawLocked(nId == IDC_STATUS1);
        return;
    }
    const std::string strLine = ToUtf8(strText);
    if (nId == IDC_STATUS1) {
        FlushStatus2Locked();
        PrintLineLocked(stdout, "[" + Elapsed() + "] " + strLine);
        return;
    }
    // Line 2 changes with every picture: print a new kind of text at once, the same kind at
    // most once a second (the latest text wins).
    const std::string strKind = KindOf(strLine);
    m_strPendingStatus2 = strLine;
    if (strKind != m_strLastStatus2Kind ||
        std::chrono::steady_clock::now() - m_tLastStatus2 >= std::chrono::seconds(1)) {
        m_strLastStatus2Kind = strKind;
        FlushStatus2Locked();
    }
}

int CCliHooks::MessageBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle)
{
    const bool bQuestion = (nStyle & 0x0F) == MB_YESNO;
    std::unique_lock lk(m_mx);
    FlushStatus2Locked();
    std::string strLine = "albumora-cli: ";
    if (!strCaption.empty())
        strLine += ToUtf8(strCaption) + ": ";
    strLine += ToUtf8(strText);
    if (!bQuestion) {
        PrintLineLocked(stderr, strLine);
        return IDOK;
    }
    if (m_opt.nAnswer != 0) {
        PrintLineLocked(stderr, strLine + (m_opt.nAnswer > 0 ? " -> 是 (--yes)" : " -> 否 (--no)"));
        return m_opt.nAnswer > 0 ? IDYES : IDNO;
    }
    if (!::isatty(STDIN_FILENO)) {
        PrintLineLocked(stderr, strLine + " -> 否 (no terminal to ask; use --yes)");
        return IDNO;
    }
    if (m_bLiveShown) {
        std::fputs("\r\033[K", stderr);
        m_bLiveShown = false;
    }
    std::fputs((strLine + " [y/N] ").c_str(), stderr);
    std::fflush(stderr);
    char buf[64] = {};
    const bool bRead = std::fgets(buf, sizeof buf, stdin) != nullptr;
    return bRead && (buf[0] == 'y' || buf[0] == 'Y') ? IDYES : IDNO;
}

void CCliHooks::OpenFolder(const std::u16string& strPath)
{
    std::lock_guard lk(m_mx);
    PrintLineLocked(stdout, "保存路径: " + ToUtf8(strPath));
    // The file browser opens only when asked for on this command line: soft.dat has the option
    // on by default, and a terminal run (often on a machine without a desktop) should not
    // start one unasked.
    if (!m_opt.bOpenFolder)
        return;
    const std::string strUtf8 = ToUtf8(strPath);
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(strUtf8.c_str()), nullptr};
    pid_t pid;
    if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0)
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
}

void CCliHooks::DownNotify(uint32_t nElapsedSec, uint32_t nTotal)
{
    // The manager has ended and waited for its workers: every file that exists now is complete.
    uint32_t nOnDisk = 0;
    for (const std::u16string& strName : g_pJob->arrName) {
        struct stat sb;
        if (::stat(ToUtf8(g_pJob->strFolder + strName).c_str(), &sb) == 0 && S_ISREG(sb.st_mode))
            ++nOnDisk;
    }
    std::lock_guard lk(m_mx);
    m_Sum.nOnDisk += nOnDisk;
    m_Sum.nFailed += nTotal > nOnDisk ? nTotal - nOnDisk : 0;
}
