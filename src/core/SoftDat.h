// The settings store: the raw settings image soft.dat, the optional extension INI, and the
// history lists. The settings folder is always a parameter (the GUI passes its start-up folder,
// the command-line front end its own); nothing here keeps a global.
//
// Not locked: the UI thread and the list thread take turns (the window disables the competing
// commands). Everything runs on the calling thread.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/SiteTable.h"

static_assert(std::endian::native == std::endian::little,
              "soft.dat is a little-endian image read and written as raw memory");

// Names of the two settings files inside the settings folder.
inline constexpr char16_t kSoftDatName[] = u"soft.dat";
inline constexpr char16_t kExtIniName[] = u"下载器扩展设置.ini";

// Download parameters of one site (8 bytes).
struct ST_DOWNPARAM {
    uint16_t wMinSizeK;   // smallest accepted picture, KB; 0 = no minimum
    uint16_t wMaxSizeK;   // largest accepted picture, KB; 0 = no maximum
    uint16_t wThreads;    // parallel workers, 1..15
    uint16_t wTimeoutSec; // per-request time-out, at least 10
};

// Naming rules and option bits of one site (484 bytes). Strings are NUL-terminated UTF-16;
// the settings dialog stores at most 38 characters. They may hold the escapes ?1 .. ?9.
struct ST_SITESET {
    char16_t szPrefix[40];      // before each picture file name
    char16_t szSuffix[40];      // after each picture file name, before the extension
    char16_t szReplaceFrom[40]; // "|"-separated texts to replace in picture names
    char16_t szReplaceTo[40];   // their replacements
    char16_t szAlbumPrefix[40]; // before each album folder name
    char16_t szAlbumSuffix[40]; // after each album folder name
    uint16_t wFlags;            // SSF_* bits
    uint8_t byNameType;         // 0 description, 1 sequence number, 2 address
    uint8_t byAlbumDirType;     // 0 a folder per album, 1 no album folder
};

// Option bits of ST_SITESET::wFlags.
inline constexpr uint16_t SSF_FIX_FORMAT = 0x0001;      // "修正图片格式"
inline constexpr uint16_t SSF_FIX_ORDER = 0x0002;       // "修正图片顺序"
inline constexpr uint16_t SSF_ORIGNAME_FILE = 0x0004;   // "生成图片原始名文件"
inline constexpr uint16_t SSF_THUNDER_ONLY = 0x0008;    // "只生成迅雷下载列表"
inline constexpr uint16_t SSF_OPEN_FOLDER = 0x0010;     // "下载完成后打开保存路径"
inline constexpr uint16_t SSF_MAIN_PIC_ONLY = 0x0020;   // "只下载宝贝(商品)主图"
inline constexpr uint16_t SSF_SKIP_DOWNLOADED = 0x0040; // "不下载以前下载过的图片"
inline constexpr uint16_t SSF_YUPOO_LARGE = 0x0080;     // "又拍相册下载大图（...）"
inline constexpr uint16_t SSF_DESC_PIC_ONLY = 0x0100;   // "只下载宝贝(商品)描述里的图片"

// Name types and album-folder types.
inline constexpr uint8_t NAME_BY_DESC = 0;
inline constexpr uint8_t NAME_BY_NUMBER = 1;
inline constexpr uint8_t NAME_BY_URL = 2;
inline constexpr uint8_t ALBUMDIR_BY_NAME = 0;
inline constexpr uint8_t ALBUMDIR_NONE = 1;

inline constexpr int HISTORY_ENTRIES = 5;
inline constexpr int HISTORY_UNITS = 400;

// The whole soft.dat image: 19808 bytes, no header, no version, no checksum.
struct ST_SOFTDAT {
    ST_DOWNPARAM DownParam[SITE_SLOTS];
    ST_SITESET SiteSet[SITE_SLOTS];
    char16_t szUrlHistory[HISTORY_ENTRIES][HISTORY_UNITS];  // address box, newest first
    char16_t szPathHistory[HISTORY_ENTRIES][HISTORY_UNITS]; // folder box, newest first
};

// The file is this memory image; every offset is fixed by files users already have.
static_assert(sizeof(ST_DOWNPARAM) == 8);
static_assert(offsetof(ST_DOWNPARAM, wMinSizeK) == 0 && offsetof(ST_DOWNPARAM, wMaxSizeK) == 2 &&
              offsetof(ST_DOWNPARAM, wThreads) == 4 && offsetof(ST_DOWNPARAM, wTimeoutSec) == 6);
static_assert(sizeof(ST_SITESET) == 484);
static_assert(offsetof(ST_SITESET, szPrefix) == 0 && offsetof(ST_SITESET, szSuffix) == 80 &&
              offsetof(ST_SITESET, szReplaceFrom) == 160 && offsetof(ST_SITESET, szReplaceTo) == 240 &&
              offsetof(ST_SITESET, szAlbumPrefix) == 320 && offsetof(ST_SITESET, szAlbumSuffix) == 400 &&
              offsetof(ST_SITESET, wFlags) == 480 && offsetof(ST_SITESET, byNameType) == 482 &&
              offsetof(ST_SITESET, byAlbumDirType) == 483);
static_assert(sizeof(ST_SOFTDAT) == 19808);
static_assert(offsetof(ST_SOFTDAT, DownParam) == 0 && offsetof(ST_SOFTDAT, SiteSet) == 192 &&
              offsetof(ST_SOFTDAT, szUrlHistory) == 11808 && offsetof(ST_SOFTDAT, szPathHistory) == 15808);

// Text of a fixed NUL-terminated field (up to the first NUL, or the whole field without one).
template <size_t N> std::u16string SzGet(const char16_t (&sz)[N])
{
    size_t n = 0;
    while (n < N && sz[n] != 0)
        ++n;
    return std::u16string(sz, n);
}
// Stores text into a fixed field: cut to N - 1 units (never between the halves of a surrogate
// pair), NUL-terminated, the rest of the field zeroed.
void SzSet(char16_t* sz, size_t nUnits, std::u16string_view text);
template <size_t N> void SzSet(char16_t (&sz)[N], std::u16string_view text)
{
    SzSet(sz, N, text);
}

// Path of a file in the settings folder (strAppDir ends in '/').
std::u16string SettingsPath(const std::u16string& strAppDir, std::u16string_view name);

// Fills dat from strAppDir + "soft.dat" (all zero first; a short file leaves the rest zero,
// bytes past the image are ignored), repairs thread counts (0 or >15 -> 5) and time-outs
// (<10 -> 30), applies the first-run defaults when the file could not be opened, and saves.
// Returns whether the file was there.
bool LoadSoftDat(ST_SOFTDAT& dat, const std::u16string& strAppDir);

// Writes the whole image: a temporary file in the same folder, then renamed over soft.dat, so a
// crash never leaves a torn file. Returns false (and shows nothing) when it cannot be written.
bool SaveSoftDat(const ST_SOFTDAT& dat, const std::u16string& strAppDir);

// History lists for AddHistory.
inline constexpr int HISTORY_URL = 0;
inline constexpr int HISTORY_PATH = 1;
// Inserts text at the top of a history (0 addresses, 1 folders), dropping the oldest entry.
// Returns 1 when inserted; 0 for another list value, a text of 400 units or more, or a text
// equal (case ignored) to an entry already there. Changes only the image.
int AddHistory(ST_SOFTDAT& dat, int nList, const std::u16string& text);

// Read-only access to an INI file with the private-profile read semantics: sections and keys
// compared case-insensitively, the first match wins, values trimmed. The file may be UTF-8
// (with or without BOM), UTF-16LE with BOM, or GBK. It is read when the object is built.
class CIni {
  public:
    explicit CIni(const std::u16string& strPath);
    bool Exists() const { return m_bExists; }
    // The value, or strDefault when the section or key is missing.
    std::u16string GetString(std::u16string_view strSection, std::u16string_view strKey,
                             std::u16string_view strDefault) const;
    // The value parsed as a signed decimal number (leading blanks and sign, then digits;
    // no digits give 0); nDefault when the value is empty or missing.
    int32_t GetInt(std::u16string_view strSection, std::u16string_view strKey, int32_t nDefault) const;

  private:
    struct Entry {
        size_t nSection; // index into m_Sections
        std::u16string strKey, strValue;
    };
    bool Find(std::u16string_view strSection, std::u16string_view strKey, std::u16string& strValue) const;
    std::vector<std::u16string> m_Sections; // section headers in file order, repeats included
    std::vector<Entry> m_Entries;           // in file order
    bool m_bExists = false;
};

// Values of the extension INI.
struct ST_EXTSET {
    uint8_t byV2Charset = 0;          // [QQ空间] V2编码: text-decoding flag
    uint8_t byV3Charset = 0;          // [QQ空间] V3编码
    uint8_t byOrigNameMode = 1;       // [QQ空间] 取原始名方式
    uint8_t byShuoshuoMode = 0;       // [QQ说说] 下载方式
    uint8_t bPriceInName = 0;         // [淘宝] 图片名中是否有价格: starts with "有"
    uint8_t byTraditional = 0;        // [淘宝] 繁体
    int32_t nPriceDelta = 0;          // [淘宝] 价格增减
    uint8_t byInstagramPicSource = 1; // [Instagram] 图片获取方式: 0 rewrites picture addresses
    uint8_t byJdPicSource = 1;        // [京东] 图片获取方式
    // [Instagram] 站点根地址: web root to use instead of the service's own (no trailing "/"
    // needed); empty = the real service.
    std::u16string strInstagramRoot;
};

// Re-reads strAppDir + "下载器扩展设置.ini" into ext; a missing file or key gives the defaults.
void ReadExtIni(ST_EXTSET& ext, const std::u16string& strAppDir);
