#include <sys/stat.h>

#include "DownTestSupport.h"
#include "download/PicFix.h"
#include "download/PicJob.h"

using PicFixTest = DownFixture;

namespace {
time_t MTime(const fs::path& p)
{
    struct stat sb {};
    ::stat(p.c_str(), &sb);
    return sb.st_mtime;
}
} // namespace

TEST_F(PicFixTest, ExtensionFollowsTheFirstBytes)
{
    struct Case {
        std::string strBytes;
        std::u16string strFallback;
        std::string strExpected; // file name after the pass
    };
    const std::string mp4("\0\0\0\x18"
                          "ftypmp42",
                          12);
    const std::vector<Case> cases = {
        {"\xFF\xD8\xFF\xE0", u"", "a.jpg"},
        {"\x89PNG\r\n", u".mp4", "a.png"},
        {"GIF89a", u"", "a.gif"},
        {"BM\x10\0", u"", "a.bmp"},
        {std::string("\0\0\x02\0\0\0\0", 7), u"", "a.tga"},
        {std::string("\0\0\x10\0\0", 5), u"", "a.tga"},
        {std::string("\0\0\x01\0\x01\0", 6), u"", "a.ico"},
        {std::string("\0\0\x02\0\x01\0", 6), u"", "a.cur"},
        {"MM text", u"", "a.tiff"},
        {"II", u"", "a.tiff"},
        {mp4, u".mp4", "a.mp4"},
        {mp4, u"", "a.jpg"},
        {"", u".mp4", "a.mp4"},
        {"\xFF", u"", "a.jpg"}, // a short file: the missing bytes count as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strExpected + " from " + std::to_string(c.strBytes.size()) + " bytes");
        fs::remove_all(m_dir);
        fs::create_directory(m_dir);
        WriteBytes(m_dir / "a.jpg", c.strBytes);
        std::u16string strPath = Base() + u"a.jpg";
        EXPECT_TRUE(FixPicExt(strPath, c.strFallback));
        EXPECT_EQ(strPath, Base() + AsciiToU16(c.strExpected));
        EXPECT_EQ(ReadBytes(m_dir / c.strExpected), c.strBytes);
    }
}

TEST_F(PicFixTest, RenameNeverReplacesAnotherFile)
{
    WriteBytes(m_dir / "x.jpg", "\x89PNG-new");
    WriteBytes(m_dir / "x.png", "\x89PNG-old");
    std::u16string strPath = Base() + u"x.jpg";
    EXPECT_FALSE(FixPicExt(strPath));
    EXPECT_EQ(strPath, Base() + u"x.jpg");
    EXPECT_EQ(ReadBytes(m_dir / "x.jpg"), "\x89PNG-new");
    EXPECT_EQ(ReadBytes(m_dir / "x.png"), "\x89PNG-old");

    std::u16string strMissing = Base() + u"none.jpg";
    EXPECT_FALSE(FixPicExt(strMissing));
    EXPECT_EQ(strMissing, Base() + u"none.jpg");
}

TEST_F(PicFixTest, JobFormatPassRenamesAndTheJobFollows)
{
    int a = AddAlbum(u"Trip");
    for (const char16_t* caption : {u"x", u"clip", u"missing"})
        AddPicToJob(st, u"u", caption, u"", a);
    WriteBytes(Folder() / "x.jpg", "\x89PNG....");
    WriteBytes(Folder() / "clip.jpg", std::string("\0\0\0\x18"
                                                  "ftyp",
                                                  8));

    FixJobFormat(u""); // other sites: unknown content keeps its extension
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"x.png", u"clip.jpg", u"missing.jpg"}));
    FixJobFormat(u".mp4");
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"x.png", u"clip.mp4", u"missing.jpg"}));
    EXPECT_TRUE(fs::exists(Folder() / "clip.mp4"));
    EXPECT_FALSE(fs::exists(Folder() / "missing.jpg"));
    // The name index follows the new names.
    EXPECT_EQ(FindJobName(u"CLIP.mp4"), 1);
    EXPECT_EQ(FindJobName(u"clip.jpg"), -1);
}

TEST_F(PicFixTest, OrderPassTimesPicturesOneMinuteApartNewestFirst)
{
    int a = AddAlbum(u"Trip");
    for (int i = 0; i < 10; ++i)
        AddPicToJob(st, u"u", u"p", u"", a);
    for (size_t i = 0; i < 10; ++i)
        if (i != 4) // picture 5 failed to download
            WriteBytes(Folder() / ToUtf8(Names()[i]), "x");
    // Old enough that the pass visibly sets the times.
    for (size_t i = 0; i < 10; ++i)
        if (i != 4)
            SetPicTime(g_pJob->strFolder + Names()[i], 1000000);

    FixJobOrder();
    std::vector<time_t> times;
    for (size_t i = 0; i < 10; ++i)
        times.push_back(i == 4 ? 0 : MTime(Folder() / ToUtf8(Names()[i])));
    EXPECT_FALSE(fs::exists(Folder() / ToUtf8(Names()[4])));
    EXPECT_GT(times[0], 1000000);
    for (size_t i = 1; i < 10; ++i) {
        if (i != 4) {
            EXPECT_EQ(times[i], times[0] - 60 * static_cast<time_t>(i)) << i;
        }
    }

    // Time 0 leaves a file alone.
    SetPicTime(g_pJob->strFolder + Names()[0], 0);
    EXPECT_EQ(MTime(Folder() / ToUtf8(Names()[0])), times[0]);
}
