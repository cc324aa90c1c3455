#include "download/DownList.h"
#include "DownTestSupport.h"
#include "download/PicJob.h"

using DownListTest = DownFixture;

TEST_F(DownListTest, ListIsGbkWithOneCrLfLinePerAddress)
{
    g_pJob->arrUrl = {u"http://h/1.jpg", u"http://h/2.jpg\r\nhttp://alt/2.jpg", u"http://h/\u4E2D\u6587.jpg",
                      u"http://h/\U0001F600.jpg"};
    ASSERT_TRUE(WriteDownList(Base() + u"Trip.lst"));
    EXPECT_EQ(ReadBytes(m_dir / "Trip.lst"), "http://h/1.jpg\r\n"
                                             "http://h/2.jpg\r\nhttp://alt/2.jpg\r\n"
                                             "http://h/\xD6\xD0\xCE\xC4.jpg\r\n" +
                                                 ToGbk(u"http://h/\U0001F600.jpg") + "\r\n");
    // Rewritten afresh, and nothing but the list is left in the folder.
    g_pJob->arrUrl = {u"http://h/9.jpg"};
    ASSERT_TRUE(WriteDownList(Base() + u"Trip.lst"));
    EXPECT_EQ(ReadBytes(m_dir / "Trip.lst"), "http://h/9.jpg\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    EXPECT_FALSE(WriteDownList(Base() + u"missing/Trip.lst"));
}

TEST_F(DownListTest, CaptionFileRecordsEveryCaptionUnchanged)
{
    Set().wFlags = SSF_ORIGNAME_FILE;
    int a = AddAlbum(u"Trip");
    for (const char16_t* caption : {u"a?", u"", u"b\r\nc"})
        AddPicToJob(st, u"u", caption, u"", a);
    const std::string expected("\xFF\xFE"
                               "a\0?\0\r\0\n\0"
                               "\r\0\n\0"
                               "b\0\r\0\n\0c\0\r\0\n\0",
                               26);
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "Trip.txt"), expected);

    // The album's next run starts the file afresh.
    g_pJob->Reset(Base());
    AddPicToJob(st, u"u", u"\u4E2D", u"", a);
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "Trip.txt"), std::string("\xFF\xFE\x2D\x4E\r\0\n\0", 8));
}

TEST_F(DownListTest, NoCaptionFileWithoutTheOptionOrForAStoppedPicture)
{
    int a = AddAlbum(u"Trip");
    AddPicToJob(st, u"u1", u"one", u"", a);
    EXPECT_FALSE(fs::exists(m_dir / "Trip" / "Trip.txt"));

    g_pJob->Reset(Base());
    WriteLastMark(u"u2", Base() + u"Trip/");
    Set().wFlags = SSF_ORIGNAME_FILE | SSF_SKIP_DOWNLOADED;
    AddPicToJob(st, u"u1", u"one", u"", a);
    AddPicToJob(st, u"u2", u"two", u"", a);
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "Trip.txt"), std::string("\xFF\xFEo\0n\0e\0\r\0\n\0", 12));
}
