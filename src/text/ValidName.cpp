// MakeValidName: the one routine that turns page or user text into a single path component.
#include "text/StringCtrl.h"

#include <algorithm>
#include <ctime>

namespace {

bool AllDots(const std::u16string& text)
{
    return !text.empty() && text.find_first_not_of(u'.') == std::u16string::npos;
}

std::u16string LocalTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return {};
    char buf[32];
    const size_t n = std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &local);
    return AsciiToU16(std::string_view(buf, n));
}

} // namespace

void MakeValidName(std::u16string& text, uint32_t number, bool fallback)
{
    HtmlDecode(text);
    while (StrReplace(text, u"  ", u" ") > 0) {
    }
    Trim(text);
    if (AllDots(text)) // before the dots are stripped, so such a name survives as full-width stops
        text.assign(text.size(), u'\u3002');

    // NUL is dropped as well: the file system would cut the name there.
    static constexpr std::u16string_view kIllegal = u"\r\n\\/:*?\"<>|\a";
    std::erase_if(text, [](char16_t c) { return c == 0 || kIllegal.find(c) != std::u16string_view::npos; });
    std::replace(text.begin(), text.end(), u'\t', u'_');

    // Repeat until stable: removed characters can leave blanks that, once trimmed, uncover dots
    // again ("| .. |" must not end as "..").
    for (;;) {
        const size_t before = text.size();
        TrimRight(text, u'.');
        TrimLeft(text, u'.');
        Trim(text);
        if (text.size() == before)
            break;
    }

    if (!fallback || (!text.empty() && text.size() < 1000))
        return;
    if (number == VALIDNAME_TIME)
        text = LocalTimeStamp();
    else
        text = AsciiToU16("pic" + std::to_string(number));
}
