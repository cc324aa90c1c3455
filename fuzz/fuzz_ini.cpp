// The INI reader on arbitrary file bytes (any encoding guess, any line shapes), and the
// extension settings read from such a file.
#include "FuzzSupport.h"
#include "core/SoftDat.h"
#include "text/StringCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const std::u16string section = FromUtf8(fdp.ConsumeRandomLengthString(12));
    const std::u16string key = FromUtf8(fdp.ConsumeRandomLengthString(12));
    const std::string file = fdp.ConsumeRemainingBytesAsString();

    const std::string path = ScratchDir() + ToUtf8(kExtIniName);
    WriteFile(path, reinterpret_cast<const uint8_t*>(file.data()), file.size());

    CIni ini(FromUtf8(path));
    FUZZ_CHECK(ini.Exists());
    std::u16string v = ini.GetString(section, key,
                                     u"\x01"
                                     u"default");
    if (v != u"\x01"
             u"default" &&
        !v.empty())
        FUZZ_CHECK(!IsWhiteSpace(v.front()) && !IsWhiteSpace(v.back()));
    ini.GetInt(section, key, -7);
    ini.GetInt(u"Instagram", u"图片获取方式", 1);

    ST_EXTSET ext;
    ReadExtIni(ext, FromUtf8(ScratchDir()));
    FUZZ_CHECK(ext.strInstagramRoot.empty() || ext.strInstagramRoot.back() != u'/');
    return 0;
}
