// MakeValidName: whatever a page or caption holds, the result is one safe path component.
#include "FuzzSupport.h"
#include "text/StringCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const bool fallback = fdp.ConsumeBool();
    const uint32_t number = fdp.ConsumeBool() ? VALIDNAME_TIME : fdp.ConsumeIntegral<uint32_t>();
    const bool utf8 = fdp.ConsumeBool();
    const std::string rest = fdp.ConsumeRemainingBytesAsString();
    std::u16string name = utf8 ? FromUtf8(rest) : U16FromBytes(rest);
    const size_t inputUnits = name.size();

    MakeValidName(name, number, fallback);

    FUZZ_CHECK(name.find(u'/') == std::u16string::npos);
    FUZZ_CHECK(name != u"." && name != u"..");
    FUZZ_CHECK(name.find(u'\0') == std::u16string::npos);
    for (char16_t c : std::u16string_view(u"\\:*?\"<>|\r\n"))
        FUZZ_CHECK(name.find(c) == std::u16string::npos);
    if (!name.empty()) {
        FUZZ_CHECK(name.front() != u'.' && name.back() != u'.');
        FUZZ_CHECK(!IsWhiteSpace(name.front()) && !IsWhiteSpace(name.back()));
    }
    if (fallback)
        FUZZ_CHECK(!name.empty() && name.size() < 1000);
    else
        FUZZ_CHECK(name.size() <= inputUnits);

    // Cut as callers do for the file system: still a safe component.
    std::u16string cut = CutToUtf8Bytes(name, 255);
    FUZZ_CHECK(cut != u"." && cut != u".." && ToUtf8(cut).size() <= 255);
    return 0;
}
