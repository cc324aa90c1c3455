// MakeValidName: the listed cleaning cases, the fallbacks, and names that must never escape
// their folder.
#include "text/StringCtrl.h"

#include <gtest/gtest.h>

#include <random>

namespace {
std::u16string Valid(std::u16string text, uint32_t number = 0, bool fallback = false)
{
    MakeValidName(text, number, fallback);
    return text;
}
} // namespace

TEST(MakeValidName, Cleaning)
{
    struct Case {
        std::u16string in, want;
    } cases[] = {
        {u"a  b   c", u"a b c"},
        {u"...", u"\u3002\u3002\u3002"}, // dots only survive as full-width stops
        {u"  ..  ", u"\u3002\u3002"},
        {u".hidden.", u"hidden"},
        {u"A/B:C*D?E", u"ABCDE"},
        {u"a\\b\"c<d>e|f\r\ng\a", u"abcdefg"},
        {u"a\tb", u"a_b"},
        {u"Tom &amp; Jerry", u"Tom & Jerry"},
        {u"x&lt;y&gt;", u"xy"}, // decoded first, then removed
        {u"?1", u"1"},
        {u"  中文 相册  ", u"中文 相册"},
        {u"\u3000full\u3000", u"full"},
        {std::u16string(u"a\0b", 3), u"ab"}, // NUL would cut the name at the file system
    };
    for (const auto& c : cases)
        EXPECT_EQ(Valid(c.in), c.want) << ToUtf8(c.in);
}

TEST(MakeValidName, Fallbacks)
{
    EXPECT_EQ(Valid(u"", 7, true), u"pic7");
    EXPECT_EQ(Valid(u"", 7, false), u"");
    EXPECT_EQ(Valid(u"?*|", 3, true), u"pic3"); // cleaned to nothing
    const std::string stamp = ToUtf8(Valid(u"", VALIDNAME_TIME, true));
    EXPECT_EQ(stamp.size(), 14u);
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << stamp;

    EXPECT_EQ(Valid(std::u16string(1000, u'x'), 9, true), u"pic9");
    EXPECT_EQ(Valid(std::u16string(999, u'x'), 9, true), std::u16string(999, u'x'));
    EXPECT_EQ(Valid(std::u16string(1000, u'x'), 9, false), std::u16string(1000, u'x'));
}

TEST(MakeValidName, NeverASeparatorOrADotName)
{
    // Removed characters can leave blanks which, trimmed, would uncover dots again.
    for (std::u16string in : {u"| .. |", u"| . |", u"|.|", u"/../", u"..", u".", u"&#39;..&#39;",
                              u"|\u3000..\u3000|", u"\t..", u"&nbsp;..&nbsp;|"}) {
        const std::u16string out = Valid(in);
        EXPECT_NE(out, u".") << ToUtf8(in);
        EXPECT_NE(out, u"..") << ToUtf8(in);
    }

    // Random texts from the characters that matter.
    const std::u16string alphabet = std::u16string(u"./\\ \t|:?&;amp#39x\u3000\r\n") + char16_t(0);
    std::mt19937 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        std::u16string in;
        const int len = static_cast<int>(rng() % 12);
        for (int j = 0; j < len; ++j)
            in += alphabet[rng() % alphabet.size()];
        const std::u16string out = Valid(in);
        ASSERT_EQ(out.find(u'/'), std::u16string::npos) << ToUtf8(in);
        ASSERT_EQ(out.find(char16_t(0)), std::u16string::npos) << ToUtf8(in);
        ASSERT_NE(out, u".") << ToUtf8(in);
        ASSERT_NE(out, u"..") << ToUtf8(in);
    }
}
