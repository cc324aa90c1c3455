// Code pages on real GBK, Big5 and EUC-KR bytes (made with iconv), the UTF-8 test, and the
// UTF-8 boundary helpers.
#include "text/StringCtrl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::string_literals;

namespace {
// printf '中文相册' | iconv -f UTF-8 -t GBK | xxd -i
const std::string kGbk = "\xd6\xd0\xce\xc4\xcf\xe0\xb2\xe1";
// printf '繁體相簿' | iconv -f UTF-8 -t CP950 | xxd -i
const std::string kBig5 = "\xc1\x63\xc5\xe9\xac\xdb\xc3\xaf";
// printf '한국어 앨범' | iconv -f UTF-8 -t EUC-KR | xxd -i
const std::string kEucKr = "\xc7\xd1\xb1\xb9\xbe\xee\x20\xbe\xd9\xb9\xfc";
const std::string kUtf8 = "\xe4\xb8\xad\xe6\x96\x87\xe7\x9b\xb8\xe5\x86\x8c"; // 中文相册
} // namespace

TEST(IsUtf8, BytePatterns)
{
    struct Case {
        std::string bytes;
        bool want;
    } cases[] = {
        {"\xC3\xA9", true},
        {"\xA9", false},
        {"\xC3", false},
        {"abc", false},
        {"", false},
        {"\xC0\x80", true}, // overlong forms pass: only the pattern is checked
        {kUtf8, true},
        {kGbk, false},
        {kBig5, false},
        {kEucKr, false},
        {"\xF0\x9F\x98\x80", true},
        {"\xFC\x80\x80\x80\x80\x80", true},
        {"\xF8\x80\x80\x80", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsUtf8(c.bytes), c.want) << ::testing::PrintToString(c.bytes);
}

TEST(DecodeBytes, RealCodePages)
{
    EXPECT_EQ(DecodeBytes(kGbk, CP_GBK), u"中文相册");
    EXPECT_EQ(DecodeBytes(kGbk, CP_ANSI), u"中文相册"); // the ANSI code page is GBK here
    EXPECT_EQ(DecodeBytes(kBig5, CP_BIG5), u"繁體相簿");
    EXPECT_EQ(DecodeBytes(kEucKr, CP_EUCKR), u"한국어 앨범");
    EXPECT_EQ(DecodeBytes(kUtf8, CP_UTF8), u"中文相册");
    EXPECT_EQ(DecodeBytes("a\0b"s, CP_UTF8), u"a"); // the text ends at the zero
    EXPECT_EQ(DecodeBytes("x\0y"s, CP_GBK), u"x");
    EXPECT_EQ(DecodeBytes("", CP_GBK), u"");
    EXPECT_EQ(DecodeBytes("abc", 12345), u""); // unknown code page
    EXPECT_EQ(AnsiToString(kGbk.c_str()), u"中文相册");
    EXPECT_EQ(DecodeBytes("a\0b\0"s, CP_UTF16LE), u"ab");
}

TEST(DecodeBytes, InvalidInputIsReplacedNotLost)
{
    // A broken lead byte in the middle must not swallow the rest of the page.
    const std::u16string gbk = DecodeBytes("\xd6\xd0\xff" + "ok"s, CP_GBK);
    EXPECT_EQ(gbk.substr(0, 1), u"中");
    EXPECT_EQ(gbk.substr(gbk.size() - 2), u"ok");
    EXPECT_EQ(DecodeBytes("\xd6", CP_GBK), u"\uFFFD"); // cut off at the end
    EXPECT_EQ(DecodeBytes("a\xff"
                          "b",
                          CP_UTF8),
              u"a\uFFFDb");
}

TEST(ToGbk, RealTextAndUnmappable)
{
    EXPECT_EQ(ToGbk(u"中文相册"), kGbk);
    EXPECT_EQ(ToGbk(u"abc 1"), "abc 1");
    EXPECT_EQ(ToGbk(u"a한b"), "a?b"); // Hangul is outside GBK
    EXPECT_EQ(ToGbk(u"x" + std::u16string(1, char16_t(0xD800)) + u"y"), "x?y");
    EXPECT_EQ(DecodeBytes(ToGbk(u"€"), CP_GBK), u"€");
}

TEST(CharsetSetting, PrefixOrderAndCase)
{
    struct Case {
        std::u16string value;
        bool matched;
        unsigned char flag;
    } cases[] = {
        {u"UTF8", true, 0x02},  {u"UTF8-variant", true, 0x02}, {u"ANSI", true, 0x00}, {u"AUTO", true, 0x10},
        {u"BIG5x", true, 0x08}, {u"utf8", false, 0x77},        {u"", false, 0x77},    {u" UTF8", false, 0x77},
    };
    for (const auto& c : cases) {
        unsigned char flag = 0x77;
        EXPECT_EQ(CharsetFlagFromSetting(c.value, flag), c.matched) << ToUtf8(c.value);
        EXPECT_EQ(flag, c.flag) << ToUtf8(c.value);
    }
}

TEST(Utf8Boundary, RoundTripAndInvalidInput)
{
    const std::u16string text = u"a中\U0001F600é";
    EXPECT_EQ(ToUtf8(text), "a\xe4\xb8\xad\xf0\x9f\x98\x80\xc3\xa9");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(Utf8Length(text), 10u);
    // Lone surrogates become U+FFFD on the way out.
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"x"), "\xef\xbf\xbdx");

    struct Case {
        std::string bytes;
        std::u16string want;
    } cases[] = {
        {"\xC0\x80", u"\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xE4\xB8", u"\uFFFD"},                           // truncated at the end
        {"\xE4\xB8x", u"\uFFFDx"},                         // truncated in the middle keeps the next byte
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\x80z", u"\uFFFDz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromUtf8(c.bytes), c.want) << ::testing::PrintToString(c.bytes);
}

TEST(Utf8Boundary, CutNeverSplitsACharacterOrPair)
{
    const std::u16string text = u"ab中\U0001F600z"; // UTF-8 sizes 1 1 3 4 1
    struct Case {
        size_t maxBytes;
        std::u16string want;
    } cases[] = {
        {0, u""},   {1, u"a"},    {4, u"ab"}, {5, u"ab中"}, {8, u"ab中"}, {9, u"ab中\U0001F600"},
        {10, text}, {1000, text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutToUtf8Bytes(text, c.maxBytes), c.want) << c.maxBytes;

    // A 255-byte limit on a long Chinese caption: 85 characters, every one whole.
    const std::u16string caption(210, u'图');
    const std::u16string cut = CutToUtf8Bytes(caption, 255);
    EXPECT_EQ(cut.size(), 85u);
    EXPECT_LE(Utf8Length(cut), 255u);
}

TEST(DecodeBytes, ConcurrentCallersGetTheirOwnConverters)
{
    // Workers decode pages and name pictures at the same time.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&wrong, t] {
            for (int i = 0; i < 300; ++i) {
                const bool ok = (t % 2 ? DecodeBytes(kBig5, CP_BIG5) == u"繁體相簿"
                                       : DecodeBytes(kEucKr, CP_EUCKR) == u"한국어 앨범") &&
                                ToGbk(u"中文相册") == kGbk && DecodeBytes(kGbk, CP_GBK) == u"中文相册";
                if (!ok)
                    ++wrong;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong, 0);
}
