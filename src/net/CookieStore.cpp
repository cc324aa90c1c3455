#include "net/CookieStore.h"

#include "net/CurlShare.h"
#include "text/StringCtrl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>

namespace {

constexpr char kHttpOnlyPrefix[] = "#HttpOnly_";
constexpr size_t kMaxCookieFile = 16u * 1024 * 1024;

// The cookies live in libcurl's jar inside the process-wide share, so transfers (redirect hops
// included) send and store them with libcurl's own rules. This handle never transfers: it is
// the door through which we add, list and clear the jar.
struct Store {
    std::mutex mutex;
    CURL* handle = nullptr;
    std::string strPath; // UTF-8 path of cookies.txt; empty = memory only
    std::u16string strPath16;
    std::string strLastFile; // content last read or written
    // libcurl keeps no SameSite: we do, for the login window's file. Kept with the value and
    // expiry it came with; a cookie that a response has set anew since then has none.
    std::map<std::string, ST_COOKIE> sameSite;
};

Store& TheStore()
{
    static Store* store = new Store; // never destroyed: detached threads may outlive main()
    return *store;
}

CURL* StoreHandle(Store& s)
{
    if (!s.handle) {
        CURLSH* share = NetCurlShare();
        s.handle = curl_easy_init();
        curl_easy_setopt(s.handle, CURLOPT_SHARE, share);
        curl_easy_setopt(s.handle, CURLOPT_COOKIEFILE, "");
    }
    return s.handle;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t n = std::char_traits<char>::length(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Control characters would let a cookie value inject header lines.
bool HasControl(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

std::string SameSiteKey(const ST_COOKIE& c)
{
    return Lower(c.strDomain) + '\t' + c.strPath + '\t' + c.strName;
}

bool Expired(const ST_COOKIE& c, int64_t now)
{
    return c.nExpires != 0 && c.nExpires <= now;
}

std::vector<ST_COOKIE> ListLocked(Store& s)
{
    std::vector<ST_COOKIE> out;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(StoreHandle(s), CURLINFO_COOKIELIST, &list) != CURLE_OK)
        return out;
    int64_t now = static_cast<int64_t>(std::time(nullptr));
    for (curl_slist* p = list; p; p = p->next) {
        ST_COOKIE c;
        if (p->data && ParseCookieLine(p->data, c) && !Expired(c, now)) {
            auto it = s.sameSite.find(SameSiteKey(c));
            if (it != s.sameSite.end() && it->second.strValue == c.strValue &&
                it->second.nExpires == c.nExpires)
                c.strSameSite = it->second.strSameSite;
            out.push_back(std::move(c));
        }
    }
    curl_slist_free_all(list);
    return out;
}

void AddLocked(Store& s, const ST_COOKIE& c)
{
    std::string line = FormatCookieLine(c);
    curl_easy_setopt(StoreHandle(s), CURLOPT_COOKIELIST, line.c_str());
    if (c.strSameSite.empty())
        s.sameSite.erase(SameSiteKey(c));
    else
        s.sameSite[SameSiteKey(c)] = c;
}

// Session cookies end with the process, as in a browser; only persistent ones reach the file.
std::string SerializeLocked(Store& s)
{
    std::string out = "# Netscape HTTP Cookie File\n\n";
    for (const ST_COOKIE& c : ListLocked(s))
        if (c.nExpires != 0)
            out += FormatCookieLine(c, true) + '\n';
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    std::random_device rd;
    char tmpName[64];
    std::snprintf(tmpName, sizeof tmpName, "/.cookies-%08x.tmp", rd());
    std::string tmp = dir + tmpName;
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const char* p = content.data();
    size_t left = content.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(tmp.c_str());
    return false;
}

void PersistLocked(Store& s)
{
    if (s.strPath.empty())
        return;
    std::string content = SerializeLocked(s);
    if (content != s.strLastFile && WriteFileAtomically(s.strPath, content))
        s.strLastFile = std::move(content);
}

bool LoadLocked(Store& s)
{
    std::ifstream in(s.strPath, std::ios::binary);
    if (!in) {
        struct stat st;
        return ::stat(s.strPath.c_str(), &st) != 0 && errno == ENOENT;
    }
    // Read in pieces up to the cap, so a small file costs no large zero-filled buffer.
    std::string content;
    char buf[65536];
    while (content.size() < kMaxCookieFile && in) {
        size_t want = std::min(sizeof buf, static_cast<size_t>(kMaxCookieFile) - content.size());
        in.read(buf, static_cast<std::streamsize>(want));
        content.append(buf, static_cast<size_t>(in.gcount()));
    }
    if (in.bad())
        return false;
    std::istringstream lines(content);
    std::string line;
    ST_COOKIE c;
    while (std::getline(lines, line))
        if (ParseCookieLine(line, c))
            AddLocked(s, c);
    // What the file holds is not a change worth writing back.
    s.strLastFile = SerializeLocked(s);
    return true;
}

struct UrlParts {
    bool bHttps = false;
    std::string strHost;
    std::string strPath;
};

bool SplitUrl(const std::string& url, UrlParts& parts)
{
    size_t sep = url.find("://");
    if (sep == std::string::npos)
        return false;
    std::string scheme = Lower(url.substr(0, sep));
    if (scheme != "http" && scheme != "https")
        return false;
    parts.bHttps = scheme == "https";
    size_t hostStart = sep + 3;
    size_t hostEnd = url.find_first_of("/?#", hostStart);
    std::string authority =
        url.substr(hostStart, hostEnd == std::string::npos ? std::string::npos : hostEnd - hostStart);
    size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        authority = close == std::string::npos ? std::string() : authority.substr(1, close - 1);
    } else {
        size_t colon = authority.find(':');
        if (colon != std::string::npos)
            authority.erase(colon);
    }
    while (!authority.empty() && authority.back() == '.')
        authority.pop_back();
    if (authority.empty())
        return false;
    parts.strHost = Lower(authority);
    parts.strPath = "/";
    if (hostEnd != std::string::npos && url[hostEnd] == '/') {
        size_t pathEnd = url.find_first_of("?#", hostEnd);
        parts.strPath =
            url.substr(hostEnd, pathEnd == std::string::npos ? std::string::npos : pathEnd - hostEnd);
    }
    return true;
}

bool DomainMatches(const ST_COOKIE& c, const std::string& host)
{
    std::string domain = Lower(c.strDomain);
    if (host == domain)
        return true;
    return c.bSubdomains && host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(const std::string& cookiePath, const std::string& path)
{
    if (cookiePath.empty() || cookiePath == path)
        return true;
    if (path.compare(0, cookiePath.size(), cookiePath) != 0)
        return false;
    return cookiePath.back() == '/' || (path.size() > cookiePath.size() && path[cookiePath.size()] == '/');
}

} // namespace

bool ParseCookieLine(const std::string& strLine, ST_COOKIE& cookie)
{
    std::string line = strLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    bool httpOnly = false;
    if (line.compare(0, sizeof kHttpOnlyPrefix - 1, kHttpOnlyPrefix) == 0) {
        httpOnly = true;
        line.erase(0, sizeof kHttpOnlyPrefix - 1);
    } else if (line.empty() || line[0] == '#') {
        return false;
    }
    std::vector<std::string> cols;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        cols.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    // Seven columns is the common form; the login window's engine adds SameSite as an eighth.
    if (cols.size() != 7 && cols.size() != 8)
        return false;
    for (const std::string& col : cols)
        if (HasControl(col))
            return false;
    std::string domain = cols[0];
    if (!domain.empty() && domain[0] == '.')
        domain.erase(0, 1);
    const std::string& expires = cols[4];
    if (domain.empty() || expires.empty() || cols[5].find_first_of(";=") != std::string::npos ||
        cols[6].find(';') != std::string::npos)
        return false;
    char* end = nullptr;
    errno = 0;
    long long exp = std::strtoll(expires.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || exp < 0)
        return false;
    ST_COOKIE c;
    c.strDomain = domain;
    c.bSubdomains = EqualsNoCase(cols[1], "TRUE");
    c.strPath = cols[2].empty() ? "/" : cols[2];
    c.bSecure = EqualsNoCase(cols[3], "TRUE");
    c.bHttpOnly = httpOnly;
    c.nExpires = exp;
    c.strName = cols[5];
    c.strValue = cols[6];
    if (cols.size() == 8)
        c.strSameSite = cols[7];
    cookie = std::move(c);
    return true;
}

std::string FormatCookieLine(const ST_COOKIE& c, bool bSameSite)
{
    std::string line = c.bHttpOnly ? kHttpOnlyPrefix : "";
    line += (c.bSubdomains ? "." : "") + c.strDomain + '\t' + (c.bSubdomains ? "TRUE" : "FALSE") + '\t' +
            (c.strPath.empty() ? "/" : c.strPath) + '\t' + (c.bSecure ? "TRUE" : "FALSE") + '\t' +
            std::to_string(c.nExpires) + '\t' + c.strName + '\t' + c.strValue;
    if (bSameSite && !c.strSameSite.empty())
        line += '\t' + c.strSameSite;
    return line;
}

bool InitCookieStore(const std::u16string& strFolder)
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    s.strPath16 = strFolder;
    if (!s.strPath16.empty() && s.strPath16.back() != u'/')
        s.strPath16 += u'/';
    s.strPath16 += u"cookies.txt";
    s.strPath = ToUtf8(s.strPath16);
    return LoadLocked(s);
}

bool ReloadCookieFile()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    if (s.strPath.empty())
        return false;
    std::ifstream probe(s.strPath, std::ios::binary);
    if (!probe)
        return false;
    return LoadLocked(s);
}

void AddCookie(const ST_COOKIE& cookie)
{
    ST_COOKIE c = cookie;
    if (!c.strDomain.empty() && c.strDomain[0] == '.')
        c.strDomain.erase(0, 1);
    if (c.strDomain.empty() || HasControl(c.strDomain) || HasControl(c.strPath) || HasControl(c.strName) ||
        HasControl(c.strValue) || c.strName.find_first_of(";=") != std::string::npos ||
        c.strValue.find(';') != std::string::npos)
        return;
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    AddLocked(s, c);
    PersistLocked(s);
}

std::vector<ST_COOKIE> GetAllCookies()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    return ListLocked(s);
}

void ClearCookies()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    curl_easy_setopt(StoreHandle(s), CURLOPT_COOKIELIST, "ALL");
    s.sameSite.clear();
    PersistLocked(s);
}

std::u16string GetCookieFilePath()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    return s.strPath16;
}

std::string CookieHeaderForUrl(const std::string& strUrl)
{
    UrlParts url;
    if (!SplitUrl(strUrl, url))
        return {};
    std::vector<ST_COOKIE> all = GetAllCookies();
    std::vector<const ST_COOKIE*> hits;
    for (const ST_COOKIE& c : all)
        if ((!c.bSecure || url.bHttps) && DomainMatches(c, url.strHost) &&
            PathMatches(c.strPath, url.strPath))
            hits.push_back(&c);
    // The order libcurl sends them in: longer paths, then longer domains, then longer names first.
    std::stable_sort(hits.begin(), hits.end(), [](const ST_COOKIE* a, const ST_COOKIE* b) {
        if (a->strPath.size() != b->strPath.size())
            return a->strPath.size() > b->strPath.size();
        if (a->strDomain.size() != b->strDomain.size())
            return a->strDomain.size() > b->strDomain.size();
        return a->strName.size() > b->strName.size();
    });
    std::string out;
    for (const ST_COOKIE* c : hits) {
        if (!out.empty())
            out += "; ";
        out += c->strName + '=' + c->strValue;
    }
    return out;
}

void NetCookiesChanged()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lk(s.mutex);
    PersistLocked(s);
}
