// The cookies.txt parser: single lines (a parsed cookie formats back to a line that parses to
// the same cookie), whole files through the store, and the header built from them, which must
// never carry a line break into a request.
#include "FuzzSupport.h"
#include "net/CookieStore.h"
#include "text/StringCtrl.h"

namespace {
bool Same(const ST_COOKIE& a, const ST_COOKIE& b)
{
    return a.strDomain == b.strDomain && a.bSubdomains == b.bSubdomains && a.strPath == b.strPath &&
           a.bSecure == b.bSecure && a.bHttpOnly == b.bHttpOnly && a.nExpires == b.nExpires &&
           a.strName == b.strName && a.strValue == b.strValue && a.strSameSite == b.strSameSite;
}
bool HasBreak(const std::string& s)
{
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    // Reloading the store costs far more than parsing lines; go through it for one input in 16
    // so the line parser gets most of the time.
    const bool viaStore = fdp.ConsumeIntegralInRange(0, 15) == 7;
    const std::string url = fdp.ConsumeRandomLengthString(80);
    const std::string file = fdp.ConsumeRemainingBytesAsString();

    size_t start = 0;
    while (start <= file.size()) {
        size_t end = file.find('\n', start);
        std::string line = file.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ST_COOKIE c;
        if (ParseCookieLine(line, c)) {
            std::string again = FormatCookieLine(c, true);
            FUZZ_CHECK(!HasBreak(again));
            ST_COOKIE d;
            FUZZ_CHECK(ParseCookieLine(again, d));
            FUZZ_CHECK(Same(c, d));
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    if (!viaStore)
        return 0;
    static const bool bound = [] { return InitCookieStore(FromUtf8(ScratchDir())); }();
    FUZZ_CHECK(bound);
    WriteFile(ScratchDir() + "cookies.txt", reinterpret_cast<const uint8_t*>(file.data()), file.size());
    FUZZ_CHECK(ReloadCookieFile());
    for (const ST_COOKIE& c : GetAllCookies())
        FUZZ_CHECK(!HasBreak(c.strName) && !HasBreak(c.strValue));
    for (const std::string& u : {url, std::string("http://") + url, std::string("https://") + url,
                                 std::string("https://www.instagram.com/")}) {
        std::string header = CookieHeaderForUrl(u);
        FUZZ_CHECK(!HasBreak(header));
    }
    ClearCookies();
    return 0;
}
