#include "cli/CliOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/WorkState.h"
#include "text/StringCtrl.h"

const char kCliUsage[] =
    "usage: albumora-cli [options] ADDRESS\n"
    "\n"
    "Lists the profile at ADDRESS and downloads every album, as the desktop program does.\n"
    "\n"
    "  -o, --output DIR        save folder (default: newest folder of the history, else the\n"
    "                          current directory)\n"
    "  --settings-dir DIR      folder of soft.dat, the extension INI and cookies.txt\n"
    "                          (default: the current directory)\n"
    "  --yes, --no             answer to the question after a stop during listing\n"
    "\n"
    "Settings for this run only (soft.dat is not changed):\n"
    "  --threads N             parallel downloads, 1..15\n"
    "  --timeout S             time-out in seconds, at least 10\n"
    "  --min-size K            smallest picture in KB (0 = none)\n"
    "  --max-size K            largest picture in KB (0 = none)\n"
    "  --list-only             write the download list instead of downloading\n"
    "  --captions              write the picture-name (caption) file\n"
    "  --skip-downloaded       stop at the newest picture of the previous download\n"
    "  --fix-format, --no-fix-format   give pictures their true extension\n"
    "  --fix-order, --no-fix-order     file times one minute apart, newest first\n"
    "  --open-folder           open the save folder when done\n"
    "  --prefix T, --suffix T  text before / after each picture name (escapes ?1..?9)\n"
    "  --name-type description|number|address\n"
    "  --album-dir name|none\n"
    "\n"
    "Ctrl-C stops after the pictures in flight; a second Ctrl-C exits at once.\n"
    "Exit status: 0 done, 1 set-up error, 2 usage error, 130 stopped by Ctrl-C.\n";

namespace {

// Signed decimal, whole text; false for anything else.
bool ParseLong(const char* psz, long& n)
{
    if (!*psz)
        return false;
    errno = 0;
    char* pEnd = nullptr;
    n = std::strtol(psz, &pEnd, 10);
    return errno == 0 && *pEnd == 0;
}

} // namespace

CliParse ParseCliOptions(int argc, char** argv, ST_CLIOPTIONS& opt, std::string& strError)
{
    bool bAddress = false;
    bool bBadValue = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char*& psz) {
            if (i + 1 >= argc) {
                strError = "option " + a + " needs a value";
                return false;
            }
            psz = argv[++i];
            return true;
        };
        auto number = [&](std::optional<long>& n) {
            const char* psz;
            if (!value(psz))
                return false;
            long v;
            if (!ParseLong(psz, v)) {
                strError = "option " + a + " needs a number, not '" + psz + "'";
                return false;
            }
            n = v;
            return true;
        };
        const char* psz = nullptr;
        if (a == "-h" || a == "--help")
            return CliParse::Help;
        else if (a == "-o" || a == "--output") {
            if (!value(psz))
                return CliParse::Usage;
            opt.strOutput = FromUtf8(psz);
        } else if (a == "--settings-dir") {
            if (!value(psz))
                return CliParse::Usage;
            opt.strSettingsDir = FromUtf8(psz);
        } else if (a == "--yes")
            opt.nAnswer = 1;
        else if (a == "--no")
            opt.nAnswer = -1;
        else if (a == "--threads" || a == "--timeout" || a == "--min-size" || a == "--max-size") {
            std::optional<long>& n = a == "--threads"    ? opt.nThreads
                                     : a == "--timeout"  ? opt.nTimeout
                                     : a == "--min-size" ? opt.nMinSize
                                                         : opt.nMaxSize;
            if (!number(n))
                return CliParse::Usage;
        } else if (a == "--list-only")
            opt.wSetFlags |= SSF_THUNDER_ONLY;
        else if (a == "--captions")
            opt.wSetFlags |= SSF_ORIGNAME_FILE;
        else if (a == "--skip-downloaded")
            opt.wSetFlags |= SSF_SKIP_DOWNLOADED;
        else if (a == "--fix-format" || a == "--no-fix-format") {
            (a == "--fix-format" ? opt.wSetFlags : opt.wClearFlags) |= SSF_FIX_FORMAT;
            (a == "--fix-format" ? opt.wClearFlags : opt.wSetFlags) &= ~SSF_FIX_FORMAT;
        } else if (a == "--fix-order" || a == "--no-fix-order") {
            (a == "--fix-order" ? opt.wSetFlags : opt.wClearFlags) |= SSF_FIX_ORDER;
            (a == "--fix-order" ? opt.wClearFlags : opt.wSetFlags) &= ~SSF_FIX_ORDER;
        } else if (a == "--open-folder") {
            opt.wSetFlags |= SSF_OPEN_FOLDER;
            opt.bOpenFolder = true;
        } else if (a == "--prefix" || a == "--suffix") {
            if (!value(psz))
                return CliParse::Usage;
            (a == "--prefix" ? opt.strPrefix : opt.strSuffix) = FromUtf8(psz);
        } else if (a == "--name-type") {
            if (!value(psz))
                return CliParse::Usage;
            const std::string v = psz;
            if (v == "description")
                opt.nNameType = NAME_BY_DESC;
            else if (v == "number")
                opt.nNameType = NAME_BY_NUMBER;
            else if (v == "address")
                opt.nNameType = NAME_BY_URL;
            else {
                strError = "--name-type takes description, number or address";
                return CliParse::Usage;
            }
        } else if (a == "--album-dir") {
            if (!value(psz))
                return CliParse::Usage;
            const std::string v = psz;
            if (v == "name")
                opt.nAlbumDirType = ALBUMDIR_BY_NAME;
            else if (v == "none")
                opt.nAlbumDirType = ALBUMDIR_NONE;
            else {
                strError = "--album-dir takes name or none";
                return CliParse::Usage;
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            strError = "unknown option " + a;
            return CliParse::Usage;
        } else {
            if (a == "--") {
                if (++i >= argc)
                    break;
            }
            if (bAddress) {
                strError = "only one address, please";
                return CliParse::Usage;
            }
            opt.strAddress = FromUtf8(argv[i]);
            bAddress = true;
        }
    }
    if (!bAddress) {
        strError = "no address given";
        return CliParse::Usage;
    }
    // The settings dialog's checks: threads 1..15, time-out at least 10. Sizes are stored as
    // 16-bit values, so anything outside that cannot be kept either.
    if (opt.nThreads && (*opt.nThreads < 1 || *opt.nThreads > 15))
        bBadValue = true;
    if (opt.nTimeout && (*opt.nTimeout < 10 || *opt.nTimeout > 65535))
        bBadValue = true;
    for (const auto& n : {opt.nMinSize, opt.nMaxSize})
        if (n && (*n < 0 || *n > 65535))
            bBadValue = true;
    return bBadValue ? CliParse::BadValue : CliParse::Ok;
}

void ApplyCliOverrides(const ST_CLIOPTIONS& opt, CWorkState& st)
{
    ST_DOWNPARAM& param = st.CurDownParam();
    if (opt.nThreads)
        param.wThreads = static_cast<uint16_t>(*opt.nThreads);
    if (opt.nTimeout)
        param.wTimeoutSec = static_cast<uint16_t>(*opt.nTimeout);
    if (opt.nMinSize)
        param.wMinSizeK = static_cast<uint16_t>(*opt.nMinSize);
    if (opt.nMaxSize)
        param.wMaxSizeK = static_cast<uint16_t>(*opt.nMaxSize);
    ST_SITESET& set = st.CurSiteSet();
    // The settings dialog keeps at most 38 characters of a name text.
    auto cut38 = [](std::u16string s) {
        if (s.size() > 38)
            s.resize(s[37] >= 0xD800 && s[37] <= 0xDBFF ? 37 : 38);
        return s;
    };
    if (opt.strPrefix)
        SzSet(set.szPrefix, cut38(*opt.strPrefix));
    if (opt.strSuffix)
        SzSet(set.szSuffix, cut38(*opt.strSuffix));
    if (opt.nNameType)
        set.byNameType = static_cast<uint8_t>(*opt.nNameType);
    if (opt.nAlbumDirType)
        set.byAlbumDirType = static_cast<uint8_t>(*opt.nAlbumDirType);
    set.wFlags = static_cast<uint16_t>((set.wFlags & ~opt.wClearFlags) | opt.wSetFlags);
}
