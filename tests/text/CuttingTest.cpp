// Cutting, splitting, entities, escapes, list replace, random value and the codecs.
#include "text/StringCtrl.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

using V = std::vector<std::u16string>;

TEST(GetMidString, ConsumeWalksRepeatedRecords)
{
    std::u16string src = u"a[x]b[y]";
    EXPECT_EQ(GetMidString(src, u"[", u"]"), u"x");
    EXPECT_EQ(src, u"a[x]b[y]"); // no consume, no change
    EXPECT_EQ(GetMidString(src, u"[", u"]", MID_CONSUME), u"x");
    EXPECT_EQ(src, u"x]b[y]"); // value and end marker stay
    EXPECT_EQ(GetMidString(src, u"[", u"]", MID_CONSUME), u"y");
    EXPECT_EQ(src, u"y]");
    EXPECT_EQ(GetMidString(src, u"[", u"]", MID_CONSUME), u"");
    EXPECT_EQ(src, u"y]"); // failed start match leaves the source alone
}

TEST(GetMidString, MissingAndEmptyMarkers)
{
    struct Case {
        std::u16string src, start, end;
        int flags;
        std::u16string want;
    } cases[] = {
        {u"k=v;rest", u"k=", u"#", 0, u""},                // end absent
        {u"k=v;rest", u"k=", u"#", MID_TO_END, u"v;rest"}, // ... rest with MID_TO_END
        {u"k=v;rest", u"k=", u";", MID_TO_END, u"v"},      // end present wins over TO_END
        {u"abc", u"zz", u"c", MID_TO_END, u""},            // start absent
        {u"abc", u"a", u"", MID_TO_END, u""},              // empty end marker found at 0
        {u"ab;cd;", u"", u";", 0, u"ab"},                  // empty start marker matches at 0
    };
    for (const auto& c : cases) {
        std::u16string src = c.src;
        EXPECT_EQ(GetMidString(src, c.start, c.end, c.flags), c.want)
            << ToUtf8(c.src) << " / " << ToUtf8(c.start) << " / " << ToUtf8(c.end);
    }
    std::u16string src = u"abc";
    GetMidString(src, u"zz", u"c", MID_CONSUME | MID_TO_END);
    EXPECT_EQ(src, u"abc");
}

TEST(GetMidString, ByteOverloadAndNonAsciiPositions)
{
    std::string body = "<a>\xe4\xb8\xad</a>";
    EXPECT_EQ(GetMidString(body, "<a>", "</a>"), "\xe4\xb8\xad");
    // Positions count UTF-16 units: a surrogate pair is two.
    std::u16string t = u"\U0001F600:x";
    EXPECT_EQ(CutAfter(t, u":"), 2);
}

TEST(CutAfterBefore, PositionsAndUnchangedOnMiss)
{
    std::u16string t = u"abc:12";
    EXPECT_EQ(CutAfter(t, u":"), 3);
    EXPECT_EQ(t, u":12");
    t = u"abc:12";
    EXPECT_EQ(CutAfter(t, u":", true), 3);
    EXPECT_EQ(t, u"12");
    t = u"abc";
    EXPECT_EQ(CutAfter(t, u":", true), -1);
    EXPECT_EQ(t, u"abc");

    t = u"abc;def";
    EXPECT_EQ(CutBefore(t, u";"), 3);
    EXPECT_EQ(t, u"abc");
    t = u";def";
    EXPECT_EQ(CutBefore(t, u";"), 0);
    EXPECT_EQ(t, u"");
    t = u"abc";
    EXPECT_EQ(CutBefore(t, u";"), -1);
    EXPECT_EQ(t, u"abc");

    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 42\r\n";
    EXPECT_EQ(CutAfter(head, "Content-Length:", true), 17);
    EXPECT_EQ(head, " 42\r\n");
}

TEST(Split, CountSplitAll)
{
    EXPECT_EQ(CountString(u"aaa", u"aa"), 1);
    EXPECT_EQ(CountString(u"a,b,,d", u","), 3);
    EXPECT_EQ(CountString(u"abc", u""), 0); // must not hang

    struct Case {
        std::u16string text;
        int count;
        V pieces;
    } cases[] = {
        {u"a,b,,d", 3, {u"a", u"b", u"", u"d"}},
        {u"abd", 0, {}}, // no separator: no pieces at all
        {u"a,", 1, {u"a", u""}},
        {u",", 1, {u"", u""}},
    };
    for (const auto& c : cases) {
        V out{u"stale"};
        EXPECT_EQ(SplitAll(c.text, u",", out), c.count) << ToUtf8(c.text);
        EXPECT_EQ(out, c.pieces) << ToUtf8(c.text);
    }

    V out;
    SplitString(u"a<>b", u"<>", 3, out); // more pieces asked than separators: the rest repeats
    EXPECT_EQ(out, (V{u"a", u"b", u"b", u"b"}));
}

TEST(HtmlDecode, OrderAndOnlySevenEntities)
{
    std::u16string t = u"&amp;lt;b&amp;gt; x&nbsp;y &quot;q&quot; &#39;s&#39; &hellip; &#34; &copy;";
    HtmlDecode(t);
    EXPECT_EQ(t, u"<b> x y \"q\" 's' \u2026 &#34; &copy;");
}

TEST(UnescapeUnicode, Escapes)
{
    struct Case {
        std::u16string in, want;
    } cases[] = {
        {u"\\u00e9x", u"\u00e9x"},
        {u"a\\u12", u"a12"},                // short piece: kept, escape dropped
        {u"\\u12zzq", u"\u0012q"},          // hex parsing stops at the first non-hex unit
        {u"\\uzzzz", std::u16string(1, 0)}, // no digits at all: unit 0
        {u"no escapes \\x", u"no escapes \\x"},
        {u"\\ud83d\\ude00!", u"\U0001F600!"},              // a pair written as two escapes
        {u"\\ud83d", std::u16string(1, char16_t(0xD83D))}, // a lone half stays a lone half
        {u"\\u4E2D\\u6587", u"中文"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnescapeUnicode(c.in), c.want) << ToUtf8(c.in);
}

TEST(ReplaceList, PairwiseOrWhole)
{
    struct Case {
        std::u16string text, search, repl, want;
    } cases[] = {
        {u"abd", u"a|b", u"1|2", u"12d"},
        {u"abd a|b", u"a|b", u"1", u"abd 1"}, // different counts: whole lists
        {u"abc", u"a|1", u"1|x", u"xbc"},     // each step sees the previous result
        {u"abc", u"|b", u"Z|", u"ac"},        // empty search item changes nothing
    };
    for (auto& c : cases) {
        std::u16string t = c.text;
        ReplaceList(t, c.search, c.repl);
        EXPECT_EQ(t, c.want) << ToUtf8(c.text) << " " << ToUtf8(c.search);
    }
}

TEST(RandomFraction, FormatAndRange)
{
    const std::string s = ToUtf8(RandomFraction());
    ASSERT_EQ(s.size(), 19u) << s; // "d.dddddddddddddddd\n"
    EXPECT_EQ(s.substr(1, 1), ".");
    EXPECT_EQ(s.back(), '\n');
    EXPECT_EQ(s.find_first_not_of("0123456789", 2), 18u) << s;
    const double v = std::stod(s);
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 1.0);
}

TEST(Clipboard, ProviderInstalledAndRemoved)
{
    EXPECT_EQ(GetClipboardText(), u"");
    SetClipboardTextProvider([] { return std::u16string(u"https://example.invalid/p"); });
    EXPECT_EQ(GetClipboardText(), u"https://example.invalid/p");
    SetClipboardTextProvider([]() -> std::u16string { throw 1; });
    EXPECT_EQ(GetClipboardText(), u"");
    SetClipboardTextProvider({});
    EXPECT_EQ(GetClipboardText(), u"");
}

TEST(Codecs, NibbleHex)
{
    std::string b = "\x4A\x00\xFF"s;
    NibbleHexCodec(b, true);
    EXPECT_EQ(b, "B5FF00");
    NibbleHexCodec(b, false);
    EXPECT_EQ(b, "\x4A\x00\xFF"s);
    for (std::string bad : {"B5F", "B5XY"}) {
        NibbleHexCodec(bad, false);
        EXPECT_EQ(bad, "");
    }
}

TEST(Codecs, XorHexKnownAnswerAndRoundTrip)
{
    // 'a' ^ 'k' = 0x0A, 'b' ^ 'e' = 0x07, 'c' ^ 'k' = 0x08 (the key wraps).
    EXPECT_EQ(XorHexCodec(u"abc", true, u"ke"), u"0A0708");
    EXPECT_EQ(XorHexCodec(u"0A0708", false, u"ke"), u"abc");
    EXPECT_EQ(XorHexCodec(u"0A070", false, u"ke"), u""); // odd length
    EXPECT_EQ(XorHexCodec(u"abc", true, u""), u"");      // no key: no division by zero
    const std::u16string text = u"请先设置保存路径 \r\n Gramvista";
    EXPECT_EQ(XorHexCodec(XorHexCodec(text, true, u"钥匙key"), false, u"钥匙key"), text);
}

TEST(Codecs, XorEscapeKeepsControlBytesOutAndRoundTrips)
{
    // Text bytes equal to the key byte, key^13 and key^10 are the escaped cases.
    const std::u16string key = u"K";
    const std::u16string text = u"K" + std::u16string(1, u'K' ^ 13) + std::u16string(1, u'K' ^ 10) + u"z";
    std::string stored = ToUtf8(XorEscapeCodec(text, true, key));
    std::string raw = stored;
    NibbleHexCodec(raw, false);
    EXPECT_EQ(raw, "K1K2K3"s + char('z' ^ 'K'));
    EXPECT_EQ(XorEscapeCodec(FromUtf8(stored), false, key), text);

    const std::u16string mixed = u"参数错误\r\n下载完毕\tEnd";
    EXPECT_EQ(XorEscapeCodec(XorEscapeCodec(mixed, true, u"k3y"), false, u"k3y"), mixed);
    EXPECT_EQ(XorEscapeCodec(u"x", true, u""), u"");
}

TEST(Codecs, ShiftUndoesItself)
{
    EXPECT_EQ(ShiftCodec(u"abc", 1, 2), u"beh"); // a+1, b+1+2, c+1+4
    const std::u16string text = u"Hello world";
    EXPECT_EQ(ShiftCodec(ShiftCodec(text, 2, 1), -2, -1), text);
    EXPECT_EQ(ShiftCodec(u"中文", 0, 0), u"中文");
}
