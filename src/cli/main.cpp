// albumora-cli: the command-line front end. Lists a profile address and downloads every album
// through the same controller the window uses, with the terminal as its window.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>

#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "core/ChangeSource.h"
#include "core/WorkState.h"
#include "net/CookieStore.h"
#include "text/StringCtrl.h"

namespace {

std::atomic<int> g_nInterrupts{0};

void OnInterrupt(int)
{
    // The first press asks for an orderly stop (seen by the ticker); the second leaves at once.
    if (g_nInterrupts.fetch_add(1) >= 1)
        ::_exit(130);
}

std::u16string CurrentDir()
{
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf))
        return u"./";
    std::u16string s = FromUtf8(buf);
    if (s.empty() || s.back() != u'/')
        s += u'/';
    return s;
}

// Relative folders are taken from the current directory, as a shell user expects.
std::u16string Absolute(std::u16string strPath)
{
    std::u16string strTrimmed = strPath;
    Trim(strTrimmed);
    if (strTrimmed.empty() || strTrimmed[0] == u'/')
        return strPath;
    return CurrentDir() + strTrimmed;
}

} // namespace

int main(int argc, char** argv)
{
    ST_CLIOPTIONS opt;
    std::string strError;
    switch (ParseCliOptions(argc, argv, opt, strError)) {
    case CliParse::Help:
        std::fputs(kCliUsage, stdout);
        return 0;
    case CliParse::Usage:
        std::fprintf(stderr, "albumora-cli: %s\n\n%s", strError.c_str(), kCliUsage);
        return 2;
    case CliParse::BadValue:
        // The settings dialog's own message for a thread count or time-out it does not accept.
        std::fputs("albumora-cli: 参数错误 (--threads 1~15, --timeout >=10)\n", stderr);
        return 2;
    case CliParse::Ok:
        break;
    }

    std::u16string strAppDir = opt.strSettingsDir.empty() ? CurrentDir() : Absolute(opt.strSettingsDir);
    if (strAppDir.back() != u'/')
        strAppDir += u'/';
    struct stat sb;
    if (::stat(ToUtf8(strAppDir).c_str(), &sb) != 0 || !S_ISDIR(sb.st_mode)) {
        std::fprintf(stderr, "albumora-cli: settings folder %s does not exist\n", ToUtf8(strAppDir).c_str());
        return 2;
    }

    CWorkState st;
    st.m_strAppDir = strAppDir;
    CCliHooks hooks(st, opt, ::isatty(STDERR_FILENO) != 0);
    st.m_pHooks = &hooks;
    g_pJob->hNotifyWnd = &hooks;
    g_pJob->nStatusId = IDC_STATUS2;
    InitCookieStore(strAppDir);
    st.LoadSoftDat();
    st.m_nSiteType = SITE_INSTAGRAM;
    st.m_bReady = 1;

    std::u16string strOutput;
    if (opt.strOutput)
        strOutput = Absolute(*opt.strOutput);
    else if (std::u16string strNewest = SzGet(st.m_SoftDat.szPathHistory[0]); !strNewest.empty())
        strOutput = strNewest;
    else
        strOutput = CurrentDir();
    hooks.SetControlText(IDC_URL_BOX, opt.strAddress);
    hooks.SetControlText(IDC_PATH_BOX, strOutput);

    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);

    // What a press of "获取相册" does before the list thread starts.
    st.m_pAlbumList->ClearAlbums();
    st.m_byListState = STATE_BUSY;

    std::atomic<bool> bDone{false};
    std::thread ticker([&] {
        bool bStopHandled = false;
        while (!bDone.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (g_nInterrupts.load() > 0) {
                if (!bStopHandled) {
                    hooks.RequestStop();
                    bStopHandled = true;
                }
                // The download thread sets state 1 at the start of every album; a stop asked
                // for just before must not be lost there.
                if (st.m_byDownState.load() == STATE_BUSY)
                    st.m_byDownState = DOWN_STOP_ASKED;
            }
            hooks.Tick();
        }
    });

    std::thread list([&] { GetListFunc(st); });
    list.join();
    hooks.JoinDownload();
    bDone = true;
    ticker.join();
    hooks.FinishOutput();

    const CCliHooks::Summary sum = hooks.GetSummary();
    std::printf("\nSummary\n"
                "  albums:           %d\n"
                "  pictures found:   %u\n"
                "  pictures on disk: %u\n"
                "  failed pictures:  %u\n"
                "  elapsed:          %s\n",
                sum.nAlbums, sum.nFound, sum.nOnDisk, sum.nFailed, hooks.ElapsedText().c_str());
    if (sum.bDownloadBegan && !g_pJob->strFolder.empty())
        std::printf("  folder:           %s\n", ToUtf8(g_pJob->strFolder).c_str());
    std::fflush(stdout);

    if (g_nInterrupts.load() > 0 || hooks.StopRequested())
        return 130;
    if (sum.nAlbums == 0 || !sum.bDownloadBegan)
        return 1;
    return 0;
}
