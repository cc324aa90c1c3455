// LoadSoftDat on arbitrary file bytes: repairs always leave usable download parameters, and
// what it saves loads back identically.
#include <algorithm>
#include <cstring>

#include "FuzzSupport.h"
#include "core/SoftDat.h"
#include "text/StringCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string dir = FromUtf8(ScratchDir());
    WriteFile(ScratchDir() + "soft.dat", data, size);

    static ST_SOFTDAT dat, again;
    FUZZ_CHECK(LoadSoftDat(dat, dir));
    for (const ST_DOWNPARAM& p : dat.DownParam) {
        FUZZ_CHECK(p.wThreads >= 1 && p.wThreads <= 15);
        FUZZ_CHECK(p.wTimeoutSec >= 10);
    }
    FUZZ_CHECK(LoadSoftDat(again, dir));
    FUZZ_CHECK(std::memcmp(&dat, &again, sizeof dat) == 0);

    // Histories read from damaged images (no NUL in a whole entry) stay within their entries.
    for (int i = 0; i < HISTORY_ENTRIES; ++i) {
        FUZZ_CHECK(SzGet(dat.szUrlHistory[i]).size() <= HISTORY_UNITS);
        FUZZ_CHECK(SzGet(dat.szPathHistory[i]).size() <= HISTORY_UNITS);
    }
    std::u16string entry(data, data + std::min<size_t>(size, 450));
    const int list = static_cast<int>(size % 3);
    if (AddHistory(dat, list, entry) == 1) {
        const auto& h = list == HISTORY_URL ? dat.szUrlHistory : dat.szPathHistory;
        FUZZ_CHECK(SzGet(h[0]) == entry.substr(0, entry.find(u'\0')));
        for (int i = 0; i < HISTORY_ENTRIES; ++i)
            FUZZ_CHECK(SzGet(h[i]).size() <= HISTORY_UNITS);
    }
    return 0;
}
