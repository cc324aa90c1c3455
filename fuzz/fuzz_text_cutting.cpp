// Text cutting, splitting, replacing, HtmlDecode and UnescapeUnicode on arbitrary text and
// markers, with the properties callers rely on (pieces rejoin to the text, cuts are suffixes or
// prefixes of the original, decoding never grows the text).
#include "FuzzSupport.h"
#include "text/StringCtrl.h"

namespace {

template <class S> S Join(const std::vector<S>& parts, const S& sep)
{
    S out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? sep : S()) + parts[i];
    return out;
}

template <class S> void CheckCutting(const S& text, const S& a, const S& b, int flags)
{
    S src = text;
    S mid = GetMidString(src, a, b, flags);
    FUZZ_CHECK(mid.size() <= text.size());
    FUZZ_CHECK(mid.empty() || text.find(mid) != S::npos);
    FUZZ_CHECK(src.size() <= text.size() && text.compare(text.size() - src.size(), src.size(), src) == 0);

    S cut = text;
    int pos = CutAfter(cut, a, (flags & 1) != 0);
    if (pos < 0)
        FUZZ_CHECK(cut == text);
    else
        FUZZ_CHECK(cut == text.substr(static_cast<size_t>(pos) + ((flags & 1) ? a.size() : 0)));

    cut = text;
    pos = CutBefore(cut, b);
    FUZZ_CHECK(pos < 0 ? cut == text : cut == text.substr(0, static_cast<size_t>(pos)));

    if (!a.empty()) {
        std::vector<S> parts;
        int n = SplitAll(text, a, parts);
        FUZZ_CHECK(n == CountString(text, a));
        if (n == 0)
            FUZZ_CHECK(parts.empty());
        else
            FUZZ_CHECK(parts.size() == static_cast<size_t>(n) + 1 && Join(parts, a) == text);
        std::vector<S> pieces;
        SplitString(text, a, n, pieces);
        FUZZ_CHECK(pieces.size() == static_cast<size_t>(n) + 1);
        if (n > 0)
            FUZZ_CHECK(pieces == parts);
        // A count larger than the separators must not read past the text.
        SplitString(text, a, n + 3, pieces);
    }

    S rep = text;
    int nRep = StrReplace(rep, a, b);
    if (!a.empty())
        FUZZ_CHECK(rep.size() + static_cast<size_t>(nRep) * a.size() ==
                   text.size() + static_cast<size_t>(nRep) * b.size());
    else
        FUZZ_CHECK(nRep == 0 && rep == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const int flags = fdp.ConsumeIntegralInRange(0, 3);
    const bool bytes = fdp.ConsumeBool();
    if (bytes) {
        std::string a = fdp.ConsumeRandomLengthString(16);
        std::string b = fdp.ConsumeRandomLengthString(16);
        std::string text = fdp.ConsumeRemainingBytesAsString();
        CheckCutting(text, a, b, flags);
        return 0;
    }
    std::u16string a = ConsumeU16(fdp, 16);
    std::u16string b = ConsumeU16(fdp, 16);
    std::u16string text = U16FromBytes(fdp.ConsumeRemainingBytesAsString());
    CheckCutting(text, a, b, flags);

    std::u16string un = UnescapeUnicode(text);
    FUZZ_CHECK(un.size() <= text.size());
    std::u16string dec = text;
    HtmlDecode(dec);
    FUZZ_CHECK(dec.size() <= text.size());
    std::u16string list = text;
    ReplaceList(list, a, b);
    std::u16string trimmed = text;
    Trim(trimmed);
    FUZZ_CHECK(trimmed.size() <= text.size());
    return 0;
}
