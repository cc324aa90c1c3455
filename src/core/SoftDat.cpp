#include "core/SoftDat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/StringCtrl.h"

namespace {

constexpr size_t kImageSize = sizeof(ST_SOFTDAT);

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

char16_t FoldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

bool WriteAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Reads at most nMax bytes; a short file simply yields fewer.
size_t ReadUpTo(int fd, char* p, size_t nMax)
{
    size_t nGot = 0;
    while (nGot < nMax) {
        ssize_t r = ::read(fd, p + nGot, nMax - nGot);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        nGot += static_cast<size_t>(r);
    }
    return nGot;
}

void RepairAndDefault(ST_SOFTDAT& dat, bool bFirstRun)
{
    for (int i = 0; i < SITE_SLOTS; ++i) {
        ST_DOWNPARAM& dp = dat.DownParam[i];
        ST_SITESET& ss = dat.SiteSet[i];
        if (dp.wThreads == 0 || dp.wThreads > 15)
            dp.wThreads = 5;
        if (dp.wTimeoutSec < 10)
            dp.wTimeoutSec = 30;
        if (!bFirstRun)
            continue;
        ss.wFlags |= SSF_OPEN_FOLDER;
        switch (i) {
        case SITE_YUPOO:
            ss.wFlags |= SSF_YUPOO_LARGE | SSF_FIX_ORDER;
            break;
        case SITE_51:
            ss.byNameType = NAME_BY_NUMBER;
            break;
        case SITE_TAOBAO:
        case SITE_JD:
            ss.wFlags |= SSF_FIX_ORDER;
            break;
        case SITE_INSTAGRAM:
            ss.wFlags |= SSF_FIX_FORMAT;
            SzSet(ss.szPrefix, u"?2) ");
            break;
        case SITE_HUABAN:
            dp.wThreads = 3;
            break;
        default:
            break;
        }
    }
}

std::u16string DecodeIniBytes(const std::string& bytes)
{
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return FromUtf8(std::string_view(bytes).substr(3));
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }
    // Without a BOM: a valid multi-byte UTF-8 file is UTF-8, anything else is the legacy code
    // page (pure ASCII reads the same either way).
    if (IsUtf8(bytes))
        return FromUtf8(bytes);
    return DecodeBytes(bytes, CP_GBK);
}

// Blanks around names and values, as the profile reader drops them.
std::u16string_view TrimBlanks(std::u16string_view s)
{
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

void SzSet(char16_t* sz, size_t nUnits, std::u16string_view text)
{
    if (nUnits == 0)
        return;
    size_t n = std::min(text.size(), nUnits - 1);
    // Never keep the first half of a pair whose second half was cut off.
    if (n > 0 && n < text.size() && IsHighSurrogate(text[n - 1]))
        --n;
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), sz);
    std::fill(sz + n, sz + nUnits, u'\0');
}

std::u16string SettingsPath(const std::u16string& strAppDir, std::u16string_view name)
{
    std::u16string path = strAppDir;
    if (!path.empty() && path.back() != u'/')
        path += u'/';
    path += name;
    return path;
}

bool LoadSoftDat(ST_SOFTDAT& dat, const std::u16string& strAppDir)
{
    std::memset(&dat, 0, kImageSize);
    bool bOpened = false;
    std::string path = ToUtf8(SettingsPath(strAppDir, kSoftDatName));
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        // A folder of that name is no settings file.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            bOpened = true;
            char buf[kImageSize];
            size_t n = ReadUpTo(fd, buf, kImageSize);
            std::memcpy(&dat, buf, n);
        }
        ::close(fd);
    }
    RepairAndDefault(dat, !bOpened);
    SaveSoftDat(dat, strAppDir);
    return bOpened;
}

bool SaveSoftDat(const ST_SOFTDAT& dat, const std::u16string& strAppDir)
{
    std::string path = ToUtf8(SettingsPath(strAppDir, kSoftDatName));
    std::string tmpl = path + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    // Keep the permissions the file already had; a new file gets the usual ones.
    struct stat st {};
    mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    bool bOk = WriteAll(fd, reinterpret_cast<const char*>(&dat), kImageSize) && ::fsync(fd) == 0;
    bOk = (::close(fd) == 0) && bOk;
    if (bOk)
        bOk = ::rename(tmpl.c_str(), path.c_str()) == 0;
    if (!bOk)
        ::unlink(tmpl.c_str());
    return bOk;
}

int AddHistory(ST_SOFTDAT& dat, int nList, const std::u16string& text)
{
    char16_t(*entries)[HISTORY_UNITS];
    if (nList == HISTORY_URL)
        entries = dat.szUrlHistory;
    else if (nList == HISTORY_PATH)
        entries = dat.szPathHistory;
    else
        return 0;
    if (text.size() >= HISTORY_UNITS)
        return 0;
    for (int i = 0; i < HISTORY_ENTRIES; ++i)
        if (EqualsNoCase(SzGet(entries[i]), text))
            return 0;
    for (int i = HISTORY_ENTRIES - 1; i > 0; --i)
        std::memcpy(entries[i], entries[i - 1], sizeof(entries[i]));
    SzSet(entries[0], text);
    return 1;
}

CIni::CIni(const std::u16string& strPath)
{
    std::string path = ToUtf8(strPath);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    m_bExists = true;
    std::string bytes;
    char buf[8192];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        bytes.append(buf, static_cast<size_t>(r));
    }
    ::close(fd);

    std::u16string text = DecodeIniBytes(bytes);
    std::u16string_view rest(text);
    while (!rest.empty()) {
        size_t eol = rest.find(u'\n');
        std::u16string_view line = TrimBlanks(rest.substr(0, eol));
        rest = eol == std::u16string_view::npos ? std::u16string_view() : rest.substr(eol + 1);
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            size_t close = line.find(u']');
            line.remove_prefix(1);
            if (close != std::u16string_view::npos)
                line = line.substr(0, close - 1);
            m_Sections.emplace_back(TrimBlanks(line));
            continue;
        }
        size_t eq = line.find(u'=');
        // Lines before the first section and lines without "=" hold no value.
        if (m_Sections.empty() || eq == std::u16string_view::npos)
            continue;
        std::u16string_view value = TrimBlanks(line.substr(eq + 1));
        // One pair of enclosing quotes is not part of the value.
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        m_Entries.push_back(
            {m_Sections.size() - 1, std::u16string(TrimBlanks(line.substr(0, eq))), std::u16string(value)});
    }
}

bool CIni::Find(std::u16string_view strSection, std::u16string_view strKey, std::u16string& strValue) const
{
    // Only the first section of that name is searched, and the first key of that name wins.
    size_t nSection = 0;
    while (nSection < m_Sections.size() && !EqualsNoCase(m_Sections[nSection], strSection))
        ++nSection;
    if (nSection == m_Sections.size())
        return false;
    for (const auto& e : m_Entries)
        if (e.nSection == nSection && EqualsNoCase(e.strKey, strKey)) {
            strValue = e.strValue;
            return true;
        }
    return false;
}

std::u16string CIni::GetString(std::u16string_view strSection, std::u16string_view strKey,
                               std::u16string_view strDefault) const
{
    std::u16string strValue;
    if (Find(strSection, strKey, strValue))
        return strValue;
    return std::u16string(strDefault);
}

int32_t CIni::GetInt(std::u16string_view strSection, std::u16string_view strKey, int32_t nDefault) const
{
    std::u16string text = GetString(strSection, strKey, u"");
    if (text.empty())
        return nDefault;
    std::u16string_view s = std::u16string_view(text).substr(0, 64);
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool bNeg = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        bNeg = s[i++] == u'-';
    int64_t n = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        if (n < (int64_t{1} << 40)) // far past any 32-bit value; no overflow
            n = n * 10 + (s[i] - u'0');
    if (bNeg)
        n = -n;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(n)));
}

void ReadExtIni(ST_EXTSET& ext, const std::u16string& strAppDir)
{
    ext = ST_EXTSET{};
    CIni ini(SettingsPath(strAppDir, kExtIniName));
    if (!ini.Exists())
        return;

    auto charset = [&](std::u16string_view key) {
        unsigned char flag = 0;
        CharsetFlagFromSetting(ini.GetString(u"QQ空间", key, u"ANSI"), flag);
        return static_cast<uint8_t>(flag);
    };
    ext.byV2Charset = charset(u"V2编码");
    ext.byV3Charset = charset(u"V3编码");
    ext.byOrigNameMode = static_cast<uint8_t>(ini.GetInt(u"QQ空间", u"取原始名方式", 1));
    ext.byShuoshuoMode = static_cast<uint8_t>(ini.GetInt(u"QQ说说", u"下载方式", 0));
    ext.bPriceInName = ini.GetString(u"淘宝", u"图片名中是否有价格", u"无").starts_with(u"有") ? 1 : 0;
    ext.byTraditional = static_cast<uint8_t>(ini.GetInt(u"淘宝", u"繁体", 0));
    ext.nPriceDelta = ini.GetInt(u"淘宝", u"价格增减", 0);
    ext.byInstagramPicSource = static_cast<uint8_t>(ini.GetInt(u"Instagram", u"图片获取方式", 1));
    ext.byJdPicSource = static_cast<uint8_t>(ini.GetInt(u"京东", u"图片获取方式", 1));
    std::u16string root = ini.GetString(u"Instagram", u"站点根地址", u"");
    while (!root.empty() && root.back() == u'/')
        root.pop_back();
    ext.strInstagramRoot = root;
}
