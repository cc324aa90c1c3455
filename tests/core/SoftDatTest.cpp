#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "TempDir.h"
#include "core/SoftDat.h"
#include "text/StringCtrl.h"

namespace {

uint16_t U16At(const std::string& bytes, size_t off)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[off]) |
                                 (static_cast<unsigned char>(bytes[off + 1]) << 8));
}

constexpr size_t DownParamOff(int site)
{
    return 8 * static_cast<size_t>(site);
}
constexpr size_t SiteSetOff(int site)
{
    return 192 + 484 * static_cast<size_t>(site);
}

} // namespace

TEST(SoftDat, FirstRunWritesDefaultsAtTheFileOffsets)
{
    TempDir dir;
    ST_SOFTDAT dat;
    EXPECT_FALSE(LoadSoftDat(dat, dir.AppDir()));

    std::string raw = dir.Read(kSoftDatName);
    ASSERT_EQ(raw.size(), 19808u);
    const size_t dp = DownParamOff(SITE_INSTAGRAM), ss = SiteSetOff(SITE_INSTAGRAM);
    EXPECT_EQ(U16At(raw, dp + 4), 5);  // threads
    EXPECT_EQ(U16At(raw, dp + 6), 30); // time-out
    EXPECT_EQ(raw.substr(ss, 10), std::string("?\0"
                                              "2\0"
                                              ")\0"
                                              " \0"
                                              "\0\0",
                                              10));
    EXPECT_EQ(U16At(raw, ss + 480), 0x0011);

    // The other per-site first-run defaults.
    EXPECT_EQ(U16At(raw, SiteSetOff(SITE_YUPOO) + 480), SSF_OPEN_FOLDER | SSF_YUPOO_LARGE | SSF_FIX_ORDER);
    EXPECT_EQ(raw[SiteSetOff(SITE_51) + 482], 1);
    EXPECT_EQ(U16At(raw, SiteSetOff(SITE_TAOBAO) + 480), SSF_OPEN_FOLDER | SSF_FIX_ORDER);
    EXPECT_EQ(U16At(raw, SiteSetOff(SITE_JD) + 480), SSF_OPEN_FOLDER | SSF_FIX_ORDER);
    EXPECT_EQ(U16At(raw, DownParamOff(SITE_HUABAN) + 4), 3);
    EXPECT_EQ(U16At(raw, SiteSetOff(23) + 480), SSF_OPEN_FOLDER);
    EXPECT_EQ(U16At(raw, DownParamOff(23) + 6), 30);

    // The image in memory is the file.
    EXPECT_EQ(std::memcmp(&dat, raw.data(), raw.size()), 0);
}

TEST(SoftDat, LaterLoadsKeepStoredValuesAndSkipDefaults)
{
    TempDir dir;
    ST_SOFTDAT dat;
    LoadSoftDat(dat, dir.AppDir());
    dat.SiteSet[SITE_INSTAGRAM].wFlags = 0;
    SzSet(dat.SiteSet[SITE_INSTAGRAM].szPrefix, u"图?1_");
    dat.DownParam[SITE_INSTAGRAM].wMaxSizeK = 4096;
    ASSERT_TRUE(SaveSoftDat(dat, dir.AppDir()));

    ST_SOFTDAT again;
    EXPECT_TRUE(LoadSoftDat(again, dir.AppDir()));
    EXPECT_EQ(again.SiteSet[SITE_INSTAGRAM].wFlags, 0);
    EXPECT_EQ(SzGet(again.SiteSet[SITE_INSTAGRAM].szPrefix), u"图?1_");
    EXPECT_EQ(again.DownParam[SITE_INSTAGRAM].wMaxSizeK, 4096);
    // Saving went through a temporary file that is gone again.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SoftDat, OutOfRangeThreadsAndTimeoutsAreRepairedOnLoad)
{
    struct {
        uint16_t wThreads, wTimeout, wThreadsWant, wTimeoutWant;
    } const cases[] = {{0, 9, 5, 30}, {16, 10, 5, 10}, {15, 0, 15, 30}, {1, 65535, 1, 65535}};
    for (const auto& c : cases) {
        TempDir dir;
        ST_SOFTDAT src{};
        src.DownParam[SITE_INSTAGRAM] = {1, 2, c.wThreads, c.wTimeout};
        dir.Write(kSoftDatName, std::string(reinterpret_cast<const char*>(&src), sizeof src));

        ST_SOFTDAT dat;
        ASSERT_TRUE(LoadSoftDat(dat, dir.AppDir()));
        EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wThreads, c.wThreadsWant);
        EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wTimeoutSec, c.wTimeoutWant);
        EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wMinSizeK, 1);
        // Repaired values are written back.
        EXPECT_EQ(U16At(dir.Read(kSoftDatName), DownParamOff(SITE_INSTAGRAM) + 4), c.wThreadsWant);
    }
}

TEST(SoftDat, TruncatedOrGarbageFileLoadsWithinRange)
{
    std::mt19937 rng(42);
    std::string garbage(30000, '\0');
    for (auto& ch : garbage)
        ch = static_cast<char>(rng());
    for (const std::string& content : {std::string("\x07\x00\x03", 3), std::string(), garbage}) {
        TempDir dir;
        dir.Write(kSoftDatName, content);
        ST_SOFTDAT dat;
        ASSERT_TRUE(LoadSoftDat(dat, dir.AppDir()));
        for (int i = 0; i < SITE_SLOTS; ++i) {
            EXPECT_GE(dat.DownParam[i].wThreads, 1);
            EXPECT_LE(dat.DownParam[i].wThreads, 15);
            EXPECT_GE(dat.DownParam[i].wTimeoutSec, 10);
        }
        // Bytes present are taken as they are, missing ones are zero; no first-run defaults.
        if (content.size() < 19808) {
            EXPECT_EQ(dat.DownParam[0].wMinSizeK, content.size() >= 2 ? 7 : 0);
            EXPECT_EQ(dat.SiteSet[SITE_INSTAGRAM].wFlags, 0);
        } else {
            EXPECT_EQ(std::memcmp(&dat.SiteSet, garbage.data() + 192, sizeof dat.SiteSet), 0);
        }
        EXPECT_EQ(dir.Read(kSoftDatName).size(), 19808u);
    }
}

TEST(SoftDat, UnwritableFolderFailsSilentlyAndKeepsDefaultsInMemory)
{
    TempDir dir;
    std::u16string missing = dir.AppDir() + u"no/such/folder/";
    ST_SOFTDAT dat;
    EXPECT_FALSE(LoadSoftDat(dat, missing));
    EXPECT_EQ(dat.DownParam[SITE_INSTAGRAM].wThreads, 5);
    EXPECT_EQ(dat.SiteSet[SITE_INSTAGRAM].wFlags, 0x0011);
    EXPECT_FALSE(SaveSoftDat(dat, missing));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no"));
}

TEST(SoftDat, SzSetCutsAtFieldSizeWithoutSplittingPairs)
{
    char16_t sz[5];
    SzSet(sz, u"abcdefgh");
    EXPECT_EQ(SzGet(sz), u"abcd");
    SzSet(sz, u"abc\U0001F600"); // the pair would need units 3 and 4; unit 4 is the NUL
    EXPECT_EQ(SzGet(sz), u"abc");
    EXPECT_EQ(sz[3], 0);
    SzSet(sz, u"a");
    EXPECT_EQ(SzGet(sz), u"a");
    EXPECT_EQ(sz[4], 0);
}

// ---- histories ----

TEST(AddHistory, InsertsNewestFirstAndDropsTheOldest)
{
    ST_SOFTDAT dat{};
    for (int i = 1; i <= 6; ++i)
        ASSERT_EQ(
            AddHistory(dat, HISTORY_URL, u"https://www.instagram.com/u" + AsciiToU16(std::to_string(i))), 1);
    EXPECT_EQ(SzGet(dat.szUrlHistory[0]), u"https://www.instagram.com/u6");
    EXPECT_EQ(SzGet(dat.szUrlHistory[4]), u"https://www.instagram.com/u2");
    EXPECT_EQ(SzGet(dat.szPathHistory[0]), u"");

    // A case-only variant of an entry is no new entry, and the order stays.
    EXPECT_EQ(AddHistory(dat, HISTORY_URL, u"HTTPS://WWW.INSTAGRAM.COM/U4"), 0);
    EXPECT_EQ(SzGet(dat.szUrlHistory[0]), u"https://www.instagram.com/u6");
    EXPECT_EQ(SzGet(dat.szUrlHistory[2]), u"https://www.instagram.com/u4");

    EXPECT_EQ(AddHistory(dat, HISTORY_PATH, u"/home/u/图片/"), 1);
    EXPECT_EQ(SzGet(dat.szPathHistory[0]), u"/home/u/图片/");
    EXPECT_EQ(AddHistory(dat, 2, u"x"), 0);
    EXPECT_EQ(AddHistory(dat, -1, u"x"), 0);
}

TEST(AddHistory, LengthLimitIs399Units)
{
    ST_SOFTDAT dat{};
    EXPECT_EQ(AddHistory(dat, HISTORY_PATH, std::u16string(400, u'文')), 0);
    EXPECT_EQ(SzGet(dat.szPathHistory[0]), u"");
    EXPECT_EQ(AddHistory(dat, HISTORY_PATH, std::u16string(399, u'文')), 1);
    EXPECT_EQ(SzGet(dat.szPathHistory[0]), std::u16string(399, u'文'));
    EXPECT_EQ(dat.szPathHistory[0][399], 0);
}

// ---- INI ----

namespace {

const char16_t kIniText[] = u"; settings\r\n"
                            u"[QQ空间]\r\n"
                            u"V2编码 = UTF8-mixed\r\n"
                            u"V3编码=utf8\r\n"
                            u"取原始名方式=\r\n"
                            u"[QQ说说]\r\n"
                            u"下载方式=7abc\r\n"
                            u"[淘宝]\r\n"
                            u"图片名中是否有价格=有价格\r\n"
                            u"繁体=abc\r\n"
                            u"价格增减=  -12\r\n"
                            u"[instagram]\r\n"
                            u"图片获取方式=0\r\n"
                            u"站点根地址=http://127.0.0.1:8080/\r\n"
                            u"[京东]\r\n"
                            u"图片获取方式=3\r\n";

std::string Utf16LeWithBom(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

} // namespace

TEST(ReadExtIni, ReadsEveryKeyInEachFileEncoding)
{
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"UTF-8", ToUtf8(kIniText)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + ToUtf8(kIniText)},
        {"UTF-16LE with BOM", Utf16LeWithBom(kIniText)},
        {"GBK", ToGbk(kIniText)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        TempDir dir;
        dir.Write(kExtIniName, f.bytes);
        ST_EXTSET ext;
        ext.byV3Charset = 99; // stale values from an earlier read do not survive
        ReadExtIni(ext, dir.AppDir());
        EXPECT_EQ(ext.byV2Charset, 2);
        EXPECT_EQ(ext.byV3Charset, 0);
        EXPECT_EQ(ext.byOrigNameMode, 1); // empty value: default
        EXPECT_EQ(ext.byShuoshuoMode, 7);
        EXPECT_EQ(ext.bPriceInName, 1);
        EXPECT_EQ(ext.byTraditional, 0);
        EXPECT_EQ(ext.nPriceDelta, -12);
        EXPECT_EQ(ext.byInstagramPicSource, 0);
        EXPECT_EQ(ext.byJdPicSource, 3);
        EXPECT_EQ(ext.strInstagramRoot, u"http://127.0.0.1:8080");
    }
}

TEST(ReadExtIni, MissingFileOrKeysGiveDefaults)
{
    TempDir dir;
    ST_EXTSET ext;
    ext.byInstagramPicSource = 0;
    ext.strInstagramRoot = u"http://old";
    ReadExtIni(ext, dir.AppDir());
    EXPECT_EQ(ext.byInstagramPicSource, 1);
    EXPECT_EQ(ext.strInstagramRoot, u"");

    dir.Write(kExtIniName, "[Other]\nx=1\n");
    ReadExtIni(ext, dir.AppDir());
    EXPECT_EQ(ext.byV2Charset, 0);
    EXPECT_EQ(ext.bPriceInName, 0);
    EXPECT_EQ(ext.byOrigNameMode, 1);
    EXPECT_EQ(ext.byJdPicSource, 1);
    EXPECT_EQ(ext.nPriceDelta, 0);
}

TEST(ReadExtIni, CharsetValuesMapByLeadingText)
{
    const struct {
        const char* value;
        uint8_t code;
    } cases[] = {{"UTF8", 2}, {"UTF8abc", 2}, {"utf8", 0}, {"ANSI", 0},     {"AUTO", 16},
                 {"BIG5", 8}, {"GBK", 0},     {"", 0},     {"  AUTO  ", 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TempDir dir;
        dir.Write(kExtIniName, std::string("[QQ空间]\nV2编码=") + c.value + "\n");
        ST_EXTSET ext;
        ReadExtIni(ext, dir.AppDir());
        EXPECT_EQ(ext.byV2Charset, c.code);
    }
}

TEST(CIni, ProfileReadSemantics)
{
    TempDir dir;
    std::string longValue(1500, 'v');
    dir.Write(u"t.ini", "k=before any section\n"
                        "[Main]\n"
                        "Num1=12abc\nnum2=abc\nnum3=\nnum4=  -5\nnum5=+7\n"
                        "Quoted=\"a b\"\nLong=" +
                            longValue +
                            "\n"
                            "dup=first\nDUP=second\n"
                            "[main]\n"
                            "extra=hidden by the first section\n");
    CIni ini(dir.AppDir() + u"t.ini");
    ASSERT_TRUE(ini.Exists());

    const struct {
        const char16_t* key;
        int32_t want;
    } ints[] = {{u"num1", 12}, {u"NUM2", 0}, {u"num3", -3}, {u"num4", -5}, {u"num5", 7}, {u"missing", -3}};
    for (const auto& c : ints)
        EXPECT_EQ(ini.GetInt(u"MAIN", c.key, -3), c.want) << ToUtf8(c.key);

    EXPECT_EQ(ini.GetString(u"main", u"quoted", u""), u"a b");
    EXPECT_EQ(ini.GetString(u"Main", u"Long", u""), FromUtf8(longValue));
    EXPECT_EQ(ini.GetString(u"Main", u"dup", u""), u"first");
    EXPECT_EQ(ini.GetString(u"Main", u"extra", u"def"), u"def");
    EXPECT_EQ(ini.GetString(u"", u"k", u"def"), u"def");
    EXPECT_EQ(ini.GetString(u"Nope", u"num1", u"def"), u"def");

    CIni none(dir.AppDir() + u"absent.ini");
    EXPECT_FALSE(none.Exists());
    EXPECT_EQ(none.GetInt(u"Main", u"num1", 4), 4);
}
