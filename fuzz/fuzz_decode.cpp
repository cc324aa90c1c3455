// Byte-to-text decoding at every boundary: IsUtf8, DecodeBytes in every code page, the UTF-8
// helpers and the UTF-8 cut used for file names.
#include "FuzzSupport.h"
#include "text/StringCtrl.h"

namespace {
bool IsHigh(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool HasLoneSurrogate(const std::u16string& t)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (IsHigh(t[i]) && i + 1 < t.size() && IsLow(t[i + 1]))
            ++i;
        else if (IsHigh(t[i]) || IsLow(t[i]))
            return true;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const size_t cut = fdp.ConsumeIntegralInRange<size_t>(0, 300);
    const std::string bytes = fdp.ConsumeRemainingBytesAsString();

    if (IsUtf8(bytes.data(), bytes.size())) {
        bool high = false;
        for (unsigned char c : bytes)
            high |= c >= 0x80;
        FUZZ_CHECK(high);
    }
    for (int cp : {CP_ANSI, CP_GBK, CP_BIG5, CP_UTF16LE, CP_EUCKR, CP_UTF8, 12345}) {
        std::u16string t = DecodeBytes(bytes, cp);
        FUZZ_CHECK(t.find(u'\0') == std::u16string::npos);
    }
    std::string z = bytes + '\0';
    AnsiToString(z.c_str());

    // UTF-8 boundary helpers: decoding is total, and valid text survives a round trip.
    std::u16string t = FromUtf8(bytes);
    std::string u8 = ToUtf8(t);
    FUZZ_CHECK(FromUtf8(u8) == t);
    FUZZ_CHECK(Utf8Length(t) == u8.size());

    std::u16string any = U16FromBytes(bytes);
    std::string anyU8 = ToUtf8(any);
    FUZZ_CHECK(Utf8Length(any) == anyU8.size());
    if (!HasLoneSurrogate(any))
        FUZZ_CHECK(FromUtf8(anyU8) == any);

    std::u16string head = CutToUtf8Bytes(any, cut);
    FUZZ_CHECK(Utf8Length(head) <= cut);
    FUZZ_CHECK(any.compare(0, head.size(), head) == 0);
    // Never between the halves of a pair.
    if (!head.empty() && head.size() < any.size())
        FUZZ_CHECK(!(IsHigh(head.back()) && IsLow(any[head.size()])));

    ToGbk(any);
    return 0;
}
