// Cutting, splitting, entities, escapes, the clipboard hook, the random query value and the
// codecs for scrambled fixed texts. See StringCtrl.h for the contracts.
#include "text/StringCtrl.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>

namespace {

template <class S> S MidImpl(S& src, const S& start, const S& end, int flags)
{
    S result;
    S work = src;
    const auto p = work.find(start);
    if (p == S::npos)
        return result; // source untouched even with MID_CONSUME
    work.erase(0, p + start.size());
    if (flags & MID_TO_END)
        result = work;
    const auto q = work.find(end);
    if (q != S::npos)
        result = work.substr(0, q);
    if (flags & MID_CONSUME)
        src = std::move(work);
    return result;
}

template <class S> int CutAfterImpl(S& text, const S& mark, bool dropMark)
{
    const auto p = text.find(mark);
    if (p == S::npos)
        return -1;
    text.erase(0, dropMark ? p + mark.size() : p);
    return static_cast<int>(p);
}

template <class S> int CutBeforeImpl(S& text, const S& mark)
{
    const auto p = text.find(mark);
    if (p == S::npos)
        return -1;
    text.resize(p);
    return static_cast<int>(p);
}

template <class S> int CountImpl(const S& text, const S& sep)
{
    if (sep.empty())
        return 0; // would never advance
    int n = 0;
    for (auto p = text.find(sep); p != S::npos; p = text.find(sep, p + sep.size()))
        ++n;
    return n;
}

template <class S> void SplitImpl(const S& text, const S& sep, int count, std::vector<S>& out)
{
    out.clear();
    size_t pos = 0;
    for (int i = 0; i <= count; ++i) {
        const auto q = text.find(sep, pos);
        if (q == S::npos) {
            out.push_back(text.substr(pos));
        } else {
            out.push_back(text.substr(pos, q - pos));
            pos = q + sep.size();
        }
    }
}

template <class S> int SplitAllImpl(const S& text, const S& sep, std::vector<S>& out)
{
    out.clear();
    const int n = CountImpl(text, sep);
    if (n > 0)
        SplitImpl(text, sep, n, out);
    return n;
}

template <class S, class V> int ReplaceImpl(S& text, V from, V to)
{
    if (from.empty())
        return 0;
    auto p = text.find(from);
    if (p == S::npos)
        return 0;
    S out;
    out.reserve(text.size());
    size_t last = 0;
    int n = 0;
    for (; p != S::npos; p = text.find(from, last)) {
        out.append(text, last, p - last);
        out.append(to);
        last = p + from.size();
        ++n;
    }
    out.append(text, last, S::npos);
    text = std::move(out);
    return n;
}

int HexValue(unsigned c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    return -1;
}

// Value of the leading hex digits of the first `len` units; stops at the first non-hex unit.
template <class It> unsigned LeadingHex(It first, size_t len)
{
    unsigned v = 0;
    for (size_t i = 0; i < len; ++i, ++first) {
        const int d = HexValue(static_cast<unsigned>(*first));
        if (d < 0)
            break;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return v;
}

std::mutex g_clipMutex;
std::function<std::u16string()> g_clipProvider;

std::u16string HexText(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::u16string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out.push_back(static_cast<char16_t>(digits[b >> 4]));
        out.push_back(static_cast<char16_t>(digits[b & 15]));
    }
    return out;
}

} // namespace

std::u16string GetMidString(std::u16string& src, const std::u16string& start, const std::u16string& end,
                            int flags)
{
    return MidImpl(src, start, end, flags);
}

std::string GetMidString(std::string& src, const std::string& start, const std::string& end, int flags)
{
    return MidImpl(src, start, end, flags);
}

int CutAfter(std::u16string& text, const std::u16string& mark, bool dropMark)
{
    return CutAfterImpl(text, mark, dropMark);
}
int CutAfter(std::string& text, const std::string& mark, bool dropMark)
{
    return CutAfterImpl(text, mark, dropMark);
}
int CutBefore(std::u16string& text, const std::u16string& mark)
{
    return CutBeforeImpl(text, mark);
}
int CutBefore(std::string& text, const std::string& mark)
{
    return CutBeforeImpl(text, mark);
}
int CountString(const std::u16string& text, const std::u16string& sep)
{
    return CountImpl(text, sep);
}
int CountString(const std::string& text, const std::string& sep)
{
    return CountImpl(text, sep);
}

void SplitString(const std::u16string& text, const std::u16string& sep, int count,
                 std::vector<std::u16string>& out)
{
    SplitImpl(text, sep, count, out);
}
void SplitString(const std::string& text, const std::string& sep, int count, std::vector<std::string>& out)
{
    SplitImpl(text, sep, count, out);
}
int SplitAll(const std::u16string& text, const std::u16string& sep, std::vector<std::u16string>& out)
{
    return SplitAllImpl(text, sep, out);
}
int SplitAll(const std::string& text, const std::string& sep, std::vector<std::string>& out)
{
    return SplitAllImpl(text, sep, out);
}

int StrReplace(std::u16string& text, std::u16string_view from, std::u16string_view to)
{
    return ReplaceImpl(text, from, to);
}
int StrReplace(std::string& text, std::string_view from, std::string_view to)
{
    return ReplaceImpl(text, from, to);
}

int StrRemove(std::u16string& text, char16_t c)
{
    const auto before = text.size();
    std::erase(text, c);
    return static_cast<int>(before - text.size());
}

bool IsWhiteSpace(char16_t c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20)
        return true;
    if (c < 0x85)
        return false;
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

void TrimLeft(std::u16string& text)
{
    size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    text.erase(0, i);
}

void TrimRight(std::u16string& text)
{
    size_t n = text.size();
    while (n > 0 && IsWhiteSpace(text[n - 1]))
        --n;
    text.resize(n);
}

void Trim(std::u16string& text)
{
    TrimRight(text);
    TrimLeft(text);
}

void TrimLeft(std::u16string& text, char16_t c)
{
    const auto i = text.find_first_not_of(c);
    text.erase(0, i == std::u16string::npos ? text.size() : i);
}

void TrimRight(std::u16string& text, char16_t c)
{
    const auto i = text.find_last_not_of(c);
    text.resize(i == std::u16string::npos ? 0 : i + 1);
}

bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::u16string AsciiToU16(std::string_view ascii)
{
    std::u16string out;
    out.reserve(ascii.size());
    for (unsigned char c : ascii)
        out.push_back(static_cast<char16_t>(c));
    return out;
}

void HtmlDecode(std::u16string& text)
{
    // The order matters: "&amp;" goes before the entities it may have been hiding.
    StrReplace(text, u"&quot;", u"\"");
    StrReplace(text, u"&amp;", u"&");
    StrReplace(text, u"&lt;", u"<");
    StrReplace(text, u"&gt;", u">");
    StrReplace(text, u"&nbsp;", u" ");
    StrReplace(text, u"&hellip;", u"\u2026");
    StrReplace(text, u"&#39;", u"'");
}

std::u16string UnescapeUnicode(const std::u16string& text)
{
    const std::u16string sep = u"\\u";
    const int n = CountString(text, sep);
    if (n == 0)
        return text;
    std::vector<std::u16string> pieces;
    SplitString(text, sep, n, pieces);
    std::u16string out = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i) {
        const std::u16string& piece = pieces[i];
        if (piece.size() < 4) {
            out += piece;
            continue;
        }
        out.push_back(static_cast<char16_t>(LeadingHex(piece.begin(), 4)));
        out.append(piece, 4, std::u16string::npos);
    }
    return out;
}

void ReplaceList(std::u16string& text, const std::u16string& search, const std::u16string& repl)
{
    const std::u16string bar = u"|";
    const int ns = CountString(search, bar);
    const int nr = CountString(repl, bar);
    if (ns != nr) {
        StrReplace(text, search, repl);
        return;
    }
    std::vector<std::u16string> from, to;
    SplitString(search, bar, ns, from);
    SplitString(repl, bar, nr, to);
    for (size_t i = 0; i < from.size(); ++i)
        StrReplace(text, from[i], to[i]);
}

std::u16string GetClipboardText()
{
    std::function<std::u16string()> provider;
    {
        std::lock_guard lock(g_clipMutex);
        provider = g_clipProvider;
    }
    if (!provider)
        return {};
    try {
        return provider();
    } catch (...) {
        return {}; // nothing crosses the unit boundary
    }
}

void SetClipboardTextProvider(std::function<std::u16string()> provider)
{
    std::lock_guard lock(g_clipMutex);
    g_clipProvider = std::move(provider);
}

std::u16string RandomFraction()
{
    // A private generator seeded with the time in seconds: the same second gives the same value,
    // and no other caller's random sequence is disturbed.
    std::minstd_rand engine(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    const unsigned r = static_cast<unsigned>(engine() % 32768u);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%0.16f\n", r / 32767.0);
    return AsciiToU16(buf);
}

void NibbleHexCodec(std::string& bytes, bool encode)
{
    if (encode) {
        std::string out;
        out.reserve(bytes.size() * 2);
        static const char digits[] = "0123456789ABCDEF";
        for (unsigned char b : bytes) {
            const unsigned char c = static_cast<unsigned char>(~b);
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 15]);
        }
        bytes = std::move(out);
        return;
    }
    std::string out;
    if (bytes.size() % 2 == 0) {
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i < bytes.size(); i += 2) {
            const int hi = HexValue(static_cast<unsigned char>(bytes[i]));
            const int lo = HexValue(static_cast<unsigned char>(bytes[i + 1]));
            if (hi < 0 || lo < 0) {
                out.clear(); // malformed stored text: give nothing rather than garbage
                break;
            }
            out.push_back(static_cast<char>(~(hi * 16 + lo) & 0xFF));
        }
    }
    bytes = std::move(out);
}

std::u16string XorHexCodec(const std::u16string& text, bool encode, const std::u16string& key)
{
    const std::string k = ToGbk(key);
    if (k.empty())
        return {};
    std::string bytes;
    if (encode) {
        bytes = ToGbk(text);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ k[i % k.size()]);
        return HexText(bytes);
    }
    if (text.size() % 2 != 0)
        return {};
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const unsigned v = LeadingHex(text.begin() + static_cast<std::ptrdiff_t>(i), 2);
        bytes.push_back(static_cast<char>(v ^ static_cast<unsigned char>(k[(i / 2) % k.size()])));
    }
    return DecodeBytes(bytes, CP_GBK);
}

std::u16string XorEscapeCodec(const std::u16string& text, bool encode, const std::u16string& key)
{
    const std::string k = ToGbk(key);
    if (k.empty())
        return {};
    if (encode) {
        const std::string t = ToGbk(text);
        std::string out;
        out.reserve(t.size() * 2);
        for (size_t i = 0; i < t.size(); ++i) {
            const char kb = k[i % k.size()];
            const char x = static_cast<char>(t[i] ^ kb);
            if (x == 0) {
                out += kb;
                out += '1';
            } else if (x == 13) {
                out += kb;
                out += '2';
            } else if (x == 10) {
                out += kb;
                out += '3';
            } else {
                out += x;
            }
        }
        NibbleHexCodec(out, true);
        return AsciiToU16(out);
    }
    std::string bytes = ToGbk(text);
    NibbleHexCodec(bytes, false);
    std::string out;
    out.reserve(bytes.size());
    size_t j = 0; // key index: one step per plain byte
    for (size_t i = 0; i < bytes.size(); ++i, ++j) {
        const char kb = k[j % k.size()];
        if (bytes[i] != kb) {
            out += static_cast<char>(bytes[i] ^ kb);
            continue;
        }
        if (i + 1 >= bytes.size())
            break; // an escape cut off at the end has no plain byte
        const char d = bytes[++i];
        out += d == '1' ? kb : d == '2' ? static_cast<char>(kb ^ 13) : static_cast<char>(kb ^ 10);
    }
    return DecodeBytes(out, CP_GBK);
}

std::u16string ShiftCodec(const std::u16string& text, int base, int step)
{
    std::string bytes = ToGbk(text);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const long long v = static_cast<unsigned char>(bytes[i]) + static_cast<long long>(base) +
                            static_cast<long long>(i) * step;
        bytes[i] = static_cast<char>(static_cast<unsigned long long>(v) & 0xFF);
    }
    return DecodeBytes(bytes, CP_GBK);
}
