#include "net/URLSource2.h"

#include "net/CookieStore.h"
#include "net/CurlShare.h"
#include "text/StringCtrl.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The agent strings are part of how servers see this program; the first one deliberately keeps
// its leading "User-Agent:" text.
constexpr char kAgent[] = "User-Agent:Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
                          "Chrome/31.0.1650.64 Safari/537.36";
constexpr char kIeAgent[] = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; SLCC2; .NET CLR "
                            "2.0.50727; .NET CLR 3.5.30729; .NET CLR 3.0.30729; .NET4.0C; .NET4.0E)";
constexpr long kReadSize = 102399; // one body read
constexpr size_t kPostChunk = 1024;
constexpr long kMaxRedirects = 10;
constexpr auto kReadPause = std::chrono::milliseconds(10);
constexpr uint64_t kKiB = 1024;

bool StartsWithNoCase(const std::string& s, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) !=
                                 std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// Browser-style canonical form: unsafe bytes before the first "?" or "#" are percent-encoded;
// the query keeps its bytes except blanks and controls, which no request line can carry; the
// fragment is never sent. Dot segments are resolved by libcurl. "" when the scheme is not http
// or https or there is no host.
std::string CanonicalUrl(const std::u16string& url16)
{
    std::string url = ToUtf8(url16);
    size_t b = 0;
    while (b < url.size() && static_cast<unsigned char>(url[b]) <= 0x20)
        ++b;
    url.erase(0, b);
    size_t sep = url.find("://");
    if (sep == std::string::npos)
        return {};
    std::string scheme = url.substr(0, sep);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http" && scheme != "https")
        return {};
    size_t hostStart = sep + 3;
    size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == hostStart || hostStart >= url.size())
        return {};
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = scheme + "://";
    bool inQuery = false;
    for (size_t i = hostStart; i < url.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(url[i]);
        if (c == '#')
            break;
        if (c == '?')
            inQuery = true;
        bool unsafe = c <= 0x20 || c == 0x7f;
        if (!inQuery && i >= hostEnd)
            unsafe = unsafe || c >= 0x80 ||
                     std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) != std::string_view::npos;
        if (unsafe) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Cuts through every start marker, then off from the first end marker. Only the part from
// `from` on is searched: what lies before was searched in an earlier read. True when the end
// marker was found.
bool TrimByMarkers(std::string& body, const std::string& start, const std::string& end, size_t from = 0)
{
    bool cut = false;
    if (!start.empty()) {
        size_t pos = from >= start.size() ? from - start.size() + 1 : 0;
        while ((pos = body.find(start, pos)) != std::string::npos) {
            body.erase(0, pos + start.size());
            pos = 0;
            cut = true;
        }
    }
    if (!end.empty()) {
        size_t pos = cut ? 0 : (from >= end.size() ? from - end.size() + 1 : 0);
        pos = body.find(end, pos);
        if (pos != std::string::npos) {
            body.erase(pos);
            return true;
        }
    }
    return false;
}

std::u16string HeadToText(const std::string& head)
{
    if (IsUtf8(head))
        return FromUtf8(head);
    return std::u16string(head.begin(), head.end()); // Latin-1: every byte kept
}

bool WriteAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// A body being saved goes to a hidden temporary file beside its target and is renamed into
// place only when the attempt succeeded, so a picture on disk is always complete.
class CTempFile {
  public:
    ~CTempFile() { Discard(); }
    bool Create(const std::string& target)
    {
        size_t slash = target.rfind('/');
        std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
        std::random_device rd;
        for (int i = 0; i < 8; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/.albumora-%08x%04x.part", rd(), rd() & 0xffff);
            m_strPath = dir + name;
            m_fd = ::open(m_strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return true;
            if (errno != EEXIST)
                break;
        }
        m_strPath.clear();
        return false;
    }
    bool Write(const char* p, size_t n) { return WriteAll(m_fd, p, n); }
    // Drops what was written so far (the body of a response that was then redirected).
    bool Truncate() { return ::ftruncate(m_fd, 0) == 0 && ::lseek(m_fd, 0, SEEK_SET) == 0; }
    bool Commit(const std::string& target)
    {
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 || ::rename(m_strPath.c_str(), target.c_str()) != 0)
            return false;
        m_strPath.clear();
        return true;
    }
    void Discard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_strPath.empty())
            ::unlink(m_strPath.c_str());
        m_strPath.clear();
    }

  private:
    int m_fd = -1;
    std::string m_strPath;
};

// State of one attempt, shared with libcurl's callbacks (all on the calling thread).
struct SAttempt {
    const ST_URLREQUEST& req;
    CURLSource2& src;
    std::string strPost;
    size_t nPostPos = 0;
    std::string strHead;    // head being received
    bool bHeadDone = false; // the final head arrived: body reads from here on
    bool bFailed = false;   // our own verdict (limits, file), beyond libcurl's result
    bool bSetCookie = false;
    bool bSaving = false;
    bool bKeepBody = true;   // hold the body in strBody
    bool bTrim = false;      // marker trimming while reading
    bool bNewData = false;   // body bytes since the last read was processed
    Clock::time_point tLast; // last progress of the current step
    CTempFile file;

    SAttempt(const ST_URLREQUEST& r, CURLSource2& s) : req(r), src(s) {}

    uint64_t MaxBytes() const { return req.dwMaxSizeKB * kKiB; }
    uint64_t MinBytes() const { return req.dwMinSizeKB * kKiB; }
};

// Status code of a head ("HTTP/1.1 302 Found"), or 0.
int StatusOf(const std::string& head)
{
    size_t sp = head.find(' ');
    return sp == std::string::npos ? 0 : std::atoi(head.c_str() + sp + 1);
}

bool HasHeader(const std::string& head, const char* name)
{
    for (size_t pos = 0; (pos = head.find("\r\n", pos)) != std::string::npos;) {
        pos += 2;
        if (StartsWithNoCase(head.substr(pos, 64), name))
            return true;
    }
    return false;
}

// The announced length must lie within the limits before any body byte is read.
bool ContentLengthAllowed(const SAttempt& a, const std::string& head)
{
    std::string rest = head;
    if (CutAfter(rest, std::string("Content-Length:"), true) < 0)
        return true;
    size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t'))
        ++i;
    uint64_t len = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i)
        len = len > UINT64_MAX / 10 - 10 ? UINT64_MAX : len * 10 + static_cast<uint64_t>(rest[i] - '0');
    if (len < a.MinBytes())
        return false;
    // A page held in memory could never grow this large anyway: no need to read it first.
    if (!a.bSaving && len > URL_MEMORY_BODY_CAP)
        return false;
    return a.req.dwMaxSizeKB == 0 || len <= a.MaxBytes();
}

size_t OnHeader(char* p, size_t size, size_t n, void* ud)
{
    SAttempt& a = *static_cast<SAttempt*>(ud);
    size_t total = size * n;
    std::string line(p, total);
    a.tLast = Clock::now();
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new response (after a redirect or an interim 1xx): only the last one counts.
        a.strHead.clear();
        a.bHeadDone = false;
        a.src.strBody.clear();
        a.src.qwBodyLen = 0;
        if (a.bSaving && !a.file.Truncate()) {
            a.bFailed = true;
            return 0;
        }
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (StartsWithNoCase(line, "set-cookie:"))
        a.bSetCookie = true;
    a.strHead += line + "\r\n";
    if (!line.empty())
        return total;

    int status = StatusOf(a.strHead);
    if (status >= 100 && status < 200) {
        a.strHead.clear();
        return total;
    }
    a.src.strHeaders = HeadToText(a.strHead);
    a.src.bGzip = a.strHead.find("gzip") != std::string::npos;
    // libcurl follows a redirect itself; its head is not the one the limits apply to.
    if (status >= 300 && status < 400 && HasHeader(a.strHead, "location:"))
        return total;
    if (!ContentLengthAllowed(a, a.strHead)) {
        a.bFailed = true;
        return 0;
    }
    a.bHeadDone = true;
    a.bTrim = !a.src.bGzip && !a.bSaving && (!a.src.strStartMark.empty() || !a.src.strEndMark.empty());
    return total;
}

size_t OnBody(char* p, size_t size, size_t n, void* ud)
{
    SAttempt& a = *static_cast<SAttempt*>(ud);
    size_t total = size * n;
    a.tLast = Clock::now();
    a.bNewData = true;
    if (a.bSaving) {
        a.src.qwBodyLen += total;
        if (!a.file.Write(p, total) || (a.req.dwMaxSizeKB != 0 && a.src.qwBodyLen > a.MaxBytes())) {
            a.bFailed = true;
            return 0;
        }
        if (!a.bKeepBody)
            return total;
    }
    a.src.strBody.append(p, total);
    if (!a.bSaving)
        a.src.qwBodyLen = a.src.strBody.size();
    if (a.src.strBody.size() > URL_MEMORY_BODY_CAP) {
        a.bFailed = true;
        return 0;
    }
    // With trimming the limit applies to what is left after each read (checked in the loop).
    if (!a.bTrim && a.req.dwMaxSizeKB != 0 && a.src.strBody.size() > a.MaxBytes()) {
        a.bFailed = true;
        return 0;
    }
    return total;
}

// The request body leaves in pieces of 1024 bytes.
size_t OnUpload(char* buf, size_t size, size_t n, void* ud)
{
    SAttempt& a = *static_cast<SAttempt*>(ud);
    size_t take = std::min({size * n, kPostChunk, a.strPost.size() - a.nPostPos});
    std::copy_n(a.strPost.data() + a.nPostPos, take, buf);
    a.nPostPos += take;
    a.tLast = Clock::now();
    return take;
}

// libcurl rewinds the body when it must send it again (a 307 redirect, a dead kept-alive link).
int OnSeek(void* ud, curl_off_t offset, int origin)
{
    SAttempt& a = *static_cast<SAttempt*>(ud);
    if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > a.strPost.size())
        return CURL_SEEKFUNC_FAIL;
    a.nPostPos = static_cast<size_t>(offset);
    return CURL_SEEKFUNC_OK;
}

// Connected (or a kept-alive connection picked): sending starts a new step.
int OnConnected(void* ud, char*, char*, int, int)
{
    static_cast<SAttempt*>(ud)->tLast = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Splits the caller's header text into lines and leaves out what libcurl would add that the
// caller did not ask for.
curl_slist* BuildHeaders(const std::u16string& text, bool hasBody)
{
    std::string all = ToUtf8(text);
    curl_slist* list = nullptr;
    bool hasAccept = false, hasExpect = false, hasType = false;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        std::string line = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (!line.empty()) {
            hasAccept = hasAccept || StartsWithNoCase(line, "accept:");
            hasExpect = hasExpect || StartsWithNoCase(line, "expect:");
            hasType = hasType || StartsWithNoCase(line, "content-type:");
            list = curl_slist_append(list, line.c_str());
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (!hasAccept)
        list = curl_slist_append(list, "Accept:");
    if (!hasExpect) // no 100-continue round trip: the body follows the head at once
        list = curl_slist_append(list, "Expect:");
    if (hasBody && !hasType)
        list = curl_slist_append(list, "Content-Type:");
    return list;
}

void SetupHandle(CURL* h, SAttempt& a, const std::string& url, uint32_t dwFlags, curl_slist* headers)
{
    const ST_URLREQUEST& req = a.req;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_SHARE, NetCurlShare());
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, ""); // use the shared jar, read no file
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_AUTOREFERER, 0L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, (dwFlags & FETCH_IE_AGENT) ? kIeAgent : kAgent);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReadSize);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(req.dwTimeout));
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &a);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &a);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &a);

    std::string verb = ToUtf8(req.strVerb.empty() ? std::u16string(u"GET") : req.strVerb);
    if (req.pPostData || verb == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(a.strPost.size()));
        curl_easy_setopt(h, CURLOPT_READFUNCTION, OnUpload);
        curl_easy_setopt(h, CURLOPT_READDATA, &a);
        curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, OnSeek);
        curl_easy_setopt(h, CURLOPT_SEEKDATA, &a);
        if (verb != "POST")
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else if (verb == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (verb != "GET") {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
}

// Drives the transfer read by read, with a wait limit on every step. Returns true on success.
bool RunTransfer(CURL* h, SAttempt& a)
{
    CURLM* multi = curl_multi_init();
    if (!multi)
        return false;
    curl_multi_add_handle(multi, h);
    const ST_URLREQUEST& req = a.req;
    bool ok = false;
    a.tLast = Clock::now();
    for (;;) {
        int running = 0;
        size_t before = a.src.strBody.size();
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (a.bFailed)
            break;
        if (a.bNewData) {
            a.bNewData = false;
            if (a.bTrim) {
                // The end marker ends the transfer at once and counts as success.
                if (TrimByMarkers(a.src.strBody, a.src.strStartMark, a.src.strEndMark, before)) {
                    a.src.qwBodyLen = a.src.strBody.size();
                    ok = true;
                    break;
                }
                a.src.qwBodyLen = a.src.strBody.size();
                if (req.dwMaxSizeKB != 0 && a.src.strBody.size() > a.MaxBytes())
                    break;
            }
            std::this_thread::sleep_for(kReadPause);
        }
        int queued = 0;
        if (CURLMsg* msg = curl_multi_info_read(multi, &queued); msg && msg->msg == CURLMSG_DONE) {
            ok = msg->data.result == CURLE_OK && !a.bFailed;
            break;
        }
        uint32_t limit = a.bHeadDone ? req.dwReadTimeout : req.dwTimeout;
        int waitMs = 1000;
        if (limit != 0) {
            auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - a.tLast).count();
            if (spent >= limit)
                break;
            waitMs = static_cast<int>(std::min<int64_t>(waitMs, limit - spent));
        }
        curl_multi_poll(multi, nullptr, 0, std::max(waitMs, 1), nullptr);
    }
    curl_multi_remove_handle(multi, h);
    curl_multi_cleanup(multi);
    return ok;
}

} // namespace

ST_URLREQUEST::ST_URLREQUEST(std::u16string url, std::u16string savePath, uint32_t timeoutMs)
    : strUrl(std::move(url)), strVerb(u"GET"), strSavePath(std::move(savePath)), dwReadTimeout(timeoutMs),
      dwTimeout(timeoutMs)
{
}

void ST_URLREQUEST::SetPostData(std::string_view data)
{
    pPostData.reset();
    size_t zero = data.find('\0');
    if (zero != std::string_view::npos)
        data = data.substr(0, zero);
    if (!data.empty())
        pPostData.emplace(data);
}

void ST_URLREQUEST::Reset()
{
    strUrl.clear();
    strVerb = u"GET";
    strHeaders.clear();
    strStartMark.clear();
    strEndMark.clear();
    strSavePath.clear();
    pPostData.reset();
    dwReadTimeout = dwTimeout = 20000;
    dwMinSizeKB = dwMaxSizeKB = 0;
}

bool CURLSource2::Request(const ST_URLREQUEST& req, uint32_t dwFlags)
{
    strBody.clear();
    qwBodyLen = 0;
    bGzip = false;
    strStartMark = req.strStartMark;
    strEndMark = req.strEndMark;
    bBodyOnDisk = !req.strSavePath.empty();

    std::string url = CanonicalUrl(req.strUrl);
    if (url.empty())
        return false;
    SAttempt a(req, *this);
    a.bSaving = bBodyOnDisk;
    // The validity test of FetchUrl reads the body: keep it when the test needs more than a size.
    a.bKeepBody = !a.bSaving || !req.strFailMark.empty() || req.dwMinBodyLen != 0;
    std::string savePath = ToUtf8(req.strSavePath);
    if (a.bSaving && !a.file.Create(savePath))
        return false; // e.g. the folder does not exist: no request, no file
    if (req.pPostData)
        a.strPost = *req.pPostData;

    CURL* h = curl_easy_init();
    if (!h)
        return false;
    curl_slist* headers = BuildHeaders(req.strHeaders, req.pPostData.has_value());
    SetupHandle(h, a, url, dwFlags, headers);
    bool ok = RunTransfer(h, a);
    curl_easy_cleanup(h);
    curl_slist_free_all(headers);
    if (a.bSetCookie)
        NetCookiesChanged();

    if (ok) {
        uint64_t got = a.bSaving ? qwBodyLen : strBody.size();
        ok = got >= a.MinBytes() && (req.dwMaxSizeKB == 0 || got <= a.MaxBytes());
    }
    if (ok && a.bSaving)
        ok = a.file.Commit(savePath);
    return ok;
}

bool GzipInflate(std::string& strOut, const char* pIn, size_t nLen, size_t nMaxOut)
{
    z_stream zs{};
    if (inflateInit2(&zs, 47) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pIn));
    size_t left = nLen;
    size_t produced = 0;
    bool ok = false;
    unsigned char buf[8192];
    for (;;) {
        if (zs.avail_in == 0 && left > 0) {
            zs.avail_in = static_cast<uInt>(std::min<size_t>(left, UINT_MAX));
            left -= zs.avail_in;
        }
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        int r = inflate(&zs, Z_NO_FLUSH);
        size_t got = sizeof buf - zs.avail_out;
        strOut.append(reinterpret_cast<char*>(buf), got);
        produced += got;
        if (r == Z_STREAM_END) {
            ok = true;
            break;
        }
        if (r != Z_OK || produced > nMaxOut)
            break;
    }
    inflateEnd(&zs);
    return ok;
}

namespace {

bool PassesValidityTest(const ST_URLREQUEST& req, const CURLSource2& src, uint32_t dwFlags)
{
    if (req.dwMinBodyLen == 0 && req.strFailMark.empty())
        return src.qwBodyLen != 0;
    std::string inflated;
    const std::string* body = &src.strBody;
    if ((dwFlags & FETCH_CACHE_WRITE) && src.bGzip) {
        GzipInflate(inflated, src.strBody.data(), src.strBody.size());
        body = &inflated;
    }
    return body->size() > req.dwMinBodyLen &&
           (req.strFailMark.empty() || body->find(req.strFailMark) == std::string::npos);
}

} // namespace

bool FetchUrl(ST_URLREQUEST& req, CURLSource2& src, uint32_t dwFlags)
{
    for (unsigned n = 1; n <= req.byTries; ++n) {
        if (src.Request(req, dwFlags) && PassesValidityTest(req, src, dwFlags))
            return true;
        std::this_thread::sleep_for(std::chrono::seconds(req.byRetryDelay));
    }
    return false;
}

void CURLSource2::GetText(std::u16string& strText, uint32_t dwFlags) const
{
    std::string body;
    if ((dwFlags & TEXT_UNZIP) && bGzip)
        GzipInflate(body, strBody.data(), strBody.size());
    else
        body = strBody;
    if (bGzip)
        TrimByMarkers(body, strStartMark, strEndMark);

    if (strHeaders.find(u"charset=GBK") != std::u16string::npos) {
        if (dwFlags & TEXT_GBKNUL) {
            std::replace(body.begin(), body.end(), '\0', '\x7f');
            strText = DecodeBytes(body, CP_GBK);
            StrRemove(strText, u'\x7f');
        } else {
            strText = DecodeBytes(body.substr(0, body.find('\0')), CP_GBK);
        }
    } else {
        int cp = CP_GBK;
        if (dwFlags & TEXT_UTF8)
            cp = CP_UTF8;
        else if (dwFlags & TEXT_EUCKR)
            cp = CP_EUCKR;
        else if (dwFlags & TEXT_BIG5)
            cp = CP_BIG5;
        else if ((dwFlags & TEXT_AUTO) && IsUtf8(body))
            cp = CP_UTF8;
        strText = DecodeBytes(body.substr(0, body.find('\0')), cp);
    }
    HtmlDecode(strText);
}

std::u16string GetUrlCookie(const std::u16string& strUrl)
{
    return FromUtf8(CookieHeaderForUrl(ToUtf8(strUrl)));
}
