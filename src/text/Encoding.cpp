// Code pages through iconv, the UTF-8 plausibility test, and our own UTF-8 <-> UTF-16 for the
// file-system and network boundaries (no iconv needed there, and invalid input never throws).
#include "text/StringCtrl.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr const char* kUtf16Native = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const char* IconvName(int codePage)
{
    switch (codePage) {
    case CP_ANSI:
    case CP_GBK:
        return "GBK";
    case CP_BIG5:
        return "CP950";
    case CP_EUCKR:
        return "EUC-KR";
    default:
        return nullptr;
    }
}

// iconv descriptors are not thread-safe and costly to open: keep one per thread and direction.
class CIconvCache {
  public:
    ~CIconvCache()
    {
        for (auto& [key, cd] : m_map)
            iconv_close(cd);
    }
    iconv_t Get(const char* to, const char* from)
    {
        const std::string key = std::string(to) + '\n' + from;
        auto it = m_map.find(key);
        if (it == m_map.end()) {
            iconv_t cd = iconv_open(to, from);
            if (cd == reinterpret_cast<iconv_t>(-1))
                return cd;
            it = m_map.emplace(key, cd).first;
        }
        iconv(it->second, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        return it->second;
    }

  private:
    std::map<std::string, iconv_t> m_map;
};

iconv_t Converter(const char* to, const char* from)
{
    thread_local CIconvCache cache;
    return cache.Get(to, from);
}

std::u16string DecodeIconv(const char* bytes, size_t n, const char* from)
{
    iconv_t cd = Converter(kUtf16Native, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::u16string out;
    char16_t buf[4096];
    char* in = const_cast<char*>(bytes);
    size_t inLeft = n;
    while (inLeft > 0) {
        char* o = reinterpret_cast<char*>(buf);
        size_t oLeft = sizeof buf;
        const size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        const int err = errno;
        out.append(buf, static_cast<size_t>(o - reinterpret_cast<char*>(buf)) / sizeof(char16_t));
        if (rc != static_cast<size_t>(-1))
            break;
        if (err == E2BIG)
            continue;
        out.push_back(kReplacement);
        if (err == EILSEQ) {
            ++in; // skip the offending byte and go on
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break; // EINVAL: a sequence cut off at the end
        }
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHigh(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Code point at text[i] and the units it takes; a lone surrogate gives U+FFFD in one unit.
char32_t CodePointAt(std::u16string_view text, size_t i, size_t& units)
{
    const char16_t c = text[i];
    units = 1;
    if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    }
    if (IsHigh(c) || IsLow(c))
        return kReplacement;
    return c;
}

size_t Utf8Bytes(char32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

} // namespace

std::string ToGbk(std::u16string_view text)
{
    std::string out;
    iconv_t cd = Converter("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.reserve(text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        size_t units = 0;
        const char16_t c = text[i];
        if (c < 0x80) { // ASCII is GBK as it is
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const char32_t cp = CodePointAt(text, i, units);
        i += units;
        if (cp == kReplacement && c != kReplacement) {
            out += '?'; // lone surrogate
            continue;
        }
        unsigned char in4[4] = {static_cast<unsigned char>(cp), static_cast<unsigned char>(cp >> 8),
                                static_cast<unsigned char>(cp >> 16), static_cast<unsigned char>(cp >> 24)};
        char buf[8];
        char* in = reinterpret_cast<char*>(in4);
        size_t inLeft = 4;
        char* o = buf;
        size_t oLeft = sizeof buf;
        if (iconv(cd, &in, &inLeft, &o, &oLeft) == static_cast<size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out += '?'; // GBK cannot hold it: the converter's default character
            continue;
        }
        out.append(buf, static_cast<size_t>(o - buf));
    }
    return out;
}

std::u16string DecodeBytes(const char* bytes, size_t n, int codePage)
{
    if (bytes == nullptr || n == 0)
        return {};
    std::u16string out;
    if (codePage == CP_UTF8) {
        out = FromUtf8(std::string_view(bytes, n));
    } else if (codePage == CP_UTF16LE) {
        out.reserve(n / 2 + 1);
        for (size_t i = 0; i + 1 < n; i += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        if (n % 2)
            out.push_back(kReplacement);
    } else {
        const char* name = IconvName(codePage);
        if (name == nullptr)
            return {};
        out = DecodeIconv(bytes, n, name);
    }
    const auto zero = out.find(char16_t(0));
    if (zero != std::u16string::npos)
        out.resize(zero);
    return out;
}

std::u16string DecodeBytes(std::string_view bytes, int codePage)
{
    return DecodeBytes(bytes.data(), bytes.size(), codePage);
}

std::u16string AnsiToString(const char* bytes)
{
    if (bytes == nullptr)
        return {};
    return DecodeBytes(bytes, std::strlen(bytes), CP_ANSI);
}

bool IsUtf8(const char* bytes, size_t n)
{
    if (bytes == nullptr)
        return false;
    int expected = 0;
    bool high = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80)
            high = true;
        if (expected > 0) {
            if (b < 0x80 || b > 0xBF)
                return false;
            --expected;
            continue;
        }
        if (b < 0x80)
            continue;
        if (b <= 0xBF)
            return false; // a continuation byte with no lead byte
        if (b <= 0xDF)
            expected = 1;
        else if (b <= 0xEF)
            expected = 2;
        else if (b <= 0xF7)
            expected = 3;
        else if (b == 0xFC || b == 0xFD)
            expected = 5;
        else
            expected = 4;
    }
    return expected == 0 && high;
}

bool IsUtf8(std::string_view bytes)
{
    return IsUtf8(bytes.data(), bytes.size());
}

bool CharsetFlagFromSetting(std::u16string_view value, unsigned char& flag)
{
    static const struct {
        std::u16string_view prefix;
        unsigned char flag;
    } table[] = {{u"UTF8", 0x02}, {u"ANSI", 0x00}, {u"AUTO", 0x10}, {u"BIG5", 0x08}};
    for (const auto& entry : table) {
        if (value.starts_with(entry.prefix)) {
            flag = entry.flag;
            return true;
        }
    }
    return false;
}

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size();) {
        size_t units = 0;
        AppendUtf8(out, CodePointAt(text, i, units));
        i += units;
    }
    return out;
}

std::u16string FromUtf8(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0)
                lo = 0xA0; // overlong
            if (b == 0xED)
                hi = 0x9F; // surrogate code points
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0)
                lo = 0x90;
            if (b == 0xF4)
                hi = 0x8F; // above U+10FFFF
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        int k = 0;
        for (; k < need && j < n; ++k, ++j) {
            const unsigned char c = static_cast<unsigned char>(bytes[j]);
            if (c < lo || c > hi)
                break;
            lo = 0x80;
            hi = 0xBF;
            cp = (cp << 6) | (c & 0x3F);
        }
        i = j;
        if (k < need) {
            out.push_back(kReplacement); // one replacement per maximal broken sequence
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

size_t Utf8Length(std::u16string_view text)
{
    size_t bytes = 0;
    for (size_t i = 0; i < text.size();) {
        size_t units = 0;
        bytes += Utf8Bytes(CodePointAt(text, i, units));
        i += units;
    }
    return bytes;
}

std::u16string CutToUtf8Bytes(std::u16string_view text, size_t maxBytes)
{
    size_t bytes = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t units = 0;
        const size_t add = Utf8Bytes(CodePointAt(text, i, units));
        if (bytes + add > maxBytes)
            break;
        bytes += add;
        i += units;
    }
    return std::u16string(text.substr(0, i));
}
