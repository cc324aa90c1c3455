// The Instagram adapter's page parsing on arbitrary page texts. The adapter has no entry point
// that parses a page without fetching it, so the fuzzed texts are served by a loopback server
// in this process: the profile page, the query answer and the post view each come from the
// input. Every address the adapter finds goes through the naming step into the job, so the
// target also checks that no page text can name a file outside the album folder.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "FuzzSupport.h"
#include "core/WorkState.h"
#include "download/PicJob.h"
#include "sites/Instagram.h"
#include "text/StringCtrl.h"

namespace {

// The adapter pauses between pages to be polite to the service; here those pauses would only
// slow the fuzzer down, so the fuzzing thread's sleeps return at once. Every other thread
// (libFuzzer's own watchdog included) sleeps for real.
thread_local bool t_bNoSleep = false;

struct Pages {
    std::mutex mx;
    std::string profile, query, view;
};
Pages g_pages;

std::string Answer(const std::string& body, bool cookie)
{
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n";
    if (cookie)
        head += "Set-Cookie: csrftoken=tok; Path=/\r\n";
    return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool SendAll(int fd, const std::string& s)
{
    for (size_t off = 0; off < s.size();) {
        ssize_t n = ::send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

// One connection at a time on its own thread: the adapter fetches one page at a time.
void Serve(int fd)
{
    std::string buf;
    char tmp[4096];
    size_t headEnd;
    while ((headEnd = buf.find("\r\n\r\n")) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0)
            return;
        ssize_t n = ::recv(fd, tmp, sizeof tmp, 0);
        if (n <= 0)
            return;
        buf.append(tmp, static_cast<size_t>(n));
    }
    // Bodies are small and unread: the answer depends only on the request line.
    std::string line = buf.substr(0, buf.find("\r\n"));
    std::string body;
    bool cookie = false;
    {
        std::lock_guard lk(g_pages.mx);
        if (line.starts_with("POST /query/"))
            body = g_pages.query;
        else if (line.starts_with("GET /p/"))
            body = g_pages.view;
        else {
            body = g_pages.profile;
            cookie = true;
        }
    }
    SendAll(fd, Answer(body, cookie));
    ::shutdown(fd, SHUT_WR);
}

int StartServer()
{
    int ls = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(ls, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(ls, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(ls, 64) != 0)
        std::abort();
    socklen_t len = sizeof addr;
    ::getsockname(ls, reinterpret_cast<sockaddr*>(&addr), &len);
    std::thread([ls] {
        for (;;) {
            int fd = ::accept4(ls, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            Serve(fd);
            ::close(fd);
        }
    }).detach();
    return ntohs(addr.sin_port);
}

bool IsInsideFolder(const std::u16string& name)
{
    if (name.empty() || name.front() == u'/')
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = name.find(u'/', start);
        std::u16string_view part(name.data() + start,
                                 (end == std::u16string::npos ? name.size() : end) - start);
        if (part.empty() || part == u"." || part == u"..")
            return false;
        if (end == std::u16string::npos)
            return true;
        start = end + 1;
    }
}

} // namespace

// Interposed for the whole process; only the fuzzing thread skips its sleeps.
extern "C" int nanosleep(const struct timespec* req, struct timespec* rem)
{
    if (t_bNoSleep)
        return 0;
    return clock_nanosleep(CLOCK_REALTIME, 0, req, rem);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (const char* v : {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        unsetenv(v);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int port = StartServer();
    static const std::u16string root = AsciiToU16("http://127.0.0.1:" + std::to_string(port));
    t_bNoSleep = true;

    FuzzedDataProvider fdp(data, size);
    const uint8_t bySource = fdp.ConsumeIntegralInRange<uint8_t>(0, 1);
    const uint8_t byNameType = fdp.ConsumeIntegralInRange<uint8_t>(0, 2);
    {
        std::lock_guard lk(g_pages.mx);
        g_pages.view = fdp.ConsumeRandomLengthString(512);
        g_pages.query = fdp.ConsumeRandomLengthString(4096);
        g_pages.profile = fdp.ConsumeRemainingBytesAsString();
    }

    CWorkState st;
    st.m_nSiteType = SITE_INSTAGRAM;
    st.m_bReady = 1;
    st.m_byDownState = STATE_BUSY;
    st.m_strAppDir = FromUtf8(ScratchDir());
    st.m_strSiteBase = root + u"/www.instagram";
    st.m_ExtSet.strInstagramRoot = root;
    st.m_ExtSet.byInstagramPicSource = bySource;
    st.m_SoftDat.SiteSet[SITE_INSTAGRAM].byNameType = byNameType;
    st.m_SoftDat.SiteSet[SITE_INSTAGRAM].byAlbumDirType = ALBUMDIR_NONE;
    InstagramAddProfile(st, u"alice");
    FUZZ_CHECK(st.m_pAlbumList->Count() == 1);

    g_pJob->Reset(st.m_strAppDir);
    InstagramGetPics(st, 0);
    for (const std::u16string& name : g_pJob->arrName)
        FUZZ_CHECK(IsInsideFolder(name));
    FUZZ_CHECK(g_pJob->arrUrl.size() == g_pJob->arrName.size());
    g_pJob->Reset(st.m_strAppDir);
    t_bNoSleep = false;
    return 0;
}
