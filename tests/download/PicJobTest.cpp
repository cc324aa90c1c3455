#include <regex>

#include "DownTestSupport.h"
#include "download/PicJob.h"

using NameList = std::vector<std::u16string>;

class PicJobTest : public DownFixture {
  protected:
    // Names pictures (address, caption) of one album and returns the job's file names.
    NameList NameAll(int nAlbum, const std::vector<std::pair<std::u16string, std::u16string>>& pics)
    {
        for (const auto& [url, caption] : pics)
            AddPicToJob(st, url, caption, u"", nAlbum);
        return Names();
    }
};

TEST_F(PicJobTest, SequenceNamesSkipTheUniquenessTest)
{
    Set().byNameType = 1;
    int a = AddAlbum(u"Trip");
    EXPECT_EQ(NameAll(a, {{u"http://h/a.png", u"x"}, {u"http://h/b.png", u"x"}, {u"http://h/c", u"x"}}),
              (NameList{u"1.jpg", u"2.jpg", u"3.jpg"}));
    // The album folder is created at the first picture and holds the rest.
    EXPECT_EQ(g_pJob->strFolder, Base() + u"Trip/");
    EXPECT_TRUE(fs::is_directory(Folder()));
    EXPECT_EQ(hooks.Text(IDC_STATUS2), u"已获取到3张图片信息");
}

TEST_F(PicJobTest, EqualCaptionsGetCountersIgnoringAsciiCase)
{
    int a = AddAlbum(u"Trip");
    EXPECT_EQ(NameAll(a, {{u"u1", u"Sunset"}, {u"u2", u"Sunset"}, {u"u3", u"SUNSET"}, {u"u4", u"Sunset"}}),
              (NameList{u"Sunset.jpg", u"Sunset(1).jpg", u"SUNSET(2).jpg", u"Sunset(3).jpg"}));
    EXPECT_EQ(FindJobName(u"sunset(2).JPG"), 2);
    EXPECT_EQ(FindJobName(u"Sunset(4).jpg"), -1);
}

TEST_F(PicJobTest, CounterSkipsANameACaptionAlreadyTook)
{
    // Counters continue where the last search ended, but must still skip a name that a caption
    // produced by itself, exactly as a fresh scan from (1) would.
    int a = AddAlbum(u"Trip");
    EXPECT_EQ(NameAll(a, {{u"u1", u"Sunset(2)"},
                          {u"u2", u"Sunset"},
                          {u"u3", u"Sunset"},
                          {u"u4", u"Sunset"},
                          {u"u5", u"Sunset(4)"},
                          {u"u6", u"Sunset"}}),
              (NameList{u"Sunset(2).jpg", u"Sunset.jpg", u"Sunset(1).jpg", u"Sunset(3).jpg", u"Sunset(4).jpg",
                        u"Sunset(5).jpg"}));
}

TEST_F(PicJobTest, AddressNamesKeepTheirExtension)
{
    Set().byNameType = 2;
    int a = AddAlbum(u"Trip");
    EXPECT_EQ(NameAll(a, {{u"http://h/a/x.png", u""},
                          {u"http://h/b/x.png", u""},
                          {u"http://h/c/X.PNG", u""},
                          {u"http://h/clip", u""},
                          {u"nofolder", u""}}),
              (NameList{u"x.png", u"x(1).png", u"X(2).PNG", u"clip.jpg", u"5.jpg"}));
}

TEST_F(PicJobTest, CaptionThatCleansToNothingTakesTheAlbumName)
{
    int a = AddAlbum(u"Trip");
    EXPECT_EQ(NameAll(a, {{u"u1", u"   "}, {u"u2", u"&quot;?*&lt;&gt;"}, {u"u3", u""}}),
              (NameList{u"Trip.jpg", u"Trip(1).jpg", u"Trip(2).jpg"}));
}

TEST_F(PicJobTest, RemoteCaptionsNeverChooseAPath)
{
    int a = AddAlbum(u"Trip");
    NameList names = NameAll(a, {{u"u1", u"/tmp/x"}, {u"u2", u"../../x"}, {u"u3", u"C:\\x"}, {u"u4", u".."}});
    EXPECT_EQ(names, (NameList{u"tmpx.jpg", u"x.jpg", u"Cx.jpg", u"。。.jpg"}));
    for (const auto& n : names) {
        fs::path p = Folder() / ToUtf8(n);
        EXPECT_EQ(p.parent_path(), Folder().parent_path()) << ToUtf8(n);
    }
}

TEST_F(PicJobTest, OverlongNamesBecomeTimeStampsOrAreCut)
{
    int a = AddAlbum(u"Trip");
    AddPicToJob(st, u"u1", std::u16string(1000, u'a'), u"", a);
    EXPECT_TRUE(std::regex_match(ToUtf8(Names()[0]), std::regex(R"(\d{14}\.jpg)"))) << ToUtf8(Names()[0]);

    // A 300-character caption in a 40-character folder keeps 250 - 40 characters.
    g_pJob->Reset(u"");
    Set().byAlbumDirType = 1;
    ASSERT_LT(Base().size(), 38u) << "temporary folder too long for this case";
    std::u16string strBase = Base() + std::u16string(39 - Base().size(), u'x') + u"/";
    ASSERT_EQ(strBase.size(), 40u);
    fs::create_directory(ToUtf8(strBase));
    g_pJob->Reset(strBase);
    AddPicToJob(st, u"u1", std::u16string(300, u'b'), u"", a);
    EXPECT_EQ(Names()[0], std::u16string(210, u'b') + u".jpg");
}

TEST_F(PicJobTest, WideCaptionsFitOneFileNameComponent)
{
    int a = AddAlbum(u"Trip");
    // 210 CJK characters are 630 bytes of UTF-8; emoji are surrogate pairs of 4 bytes.
    std::u16string strCjk(210, u'\u6587');
    std::u16string strEmoji;
    for (int i = 0; i < 120; ++i)
        strEmoji += u"\U0001F600";
    NameList names = NameAll(a, {{u"u1", strCjk}, {u"u2", strCjk}, {u"u3", strEmoji}, {u"u4", strEmoji}});
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1].substr(names[1].size() - 7), u"(1).jpg");
    EXPECT_EQ(names[3].substr(names[3].size() - 7), u"(1).jpg");
    for (const auto& n : names) {
        std::string utf8 = ToUtf8(n);
        EXPECT_LE(utf8.size(), 255u);
        EXPECT_GE(utf8.size(), 250u);
        EXPECT_EQ(FromUtf8(utf8), n) << "a surrogate pair was split";
        // The name can really be created in the album folder.
        WriteBytes(Folder() / utf8, "x");
        EXPECT_TRUE(fs::exists(Folder() / utf8));
    }
}

TEST_F(PicJobTest, EscapesInPictureNames)
{
    AddAlbum(u"First");
    int a = AddAlbum(u"Trip");
    st.m_pAlbumList->GetAlbum(a)->nScore = 7;
    st.m_pAlbumList->GetAlbum(a)->nValue = 9;
    st.m_pAlbumList->nSelected = 1;
    st.m_strSubDir1 = u"sub";
    SzSet(Set().szPrefix, u"?1-?2-?3-?4-?5-?6-?7-?8-?9 ");
    AddPicToJob(st, u"u1", u"cap", u"", a);
    AddPicToJob(st, u"u2", u"cap", u"", a);
    // ?2 makes the name numbered: no counter is added even though the captions are equal.
    EXPECT_EQ(Names(),
              (NameList{u"Trip-1-2-7-9-1-2-sub-0002 cap.jpg", u"Trip-2-2-7-9-1-2-sub-0002 cap.jpg"}));
}

TEST_F(PicJobTest, EscapesInAlbumFolderNames)
{
    struct Case {
        int nSite;
        std::u16string strFolder;
    };
    for (const Case& c : {Case{17, u"[Trip_2_1_5_0002]"}, Case{0, u"[Trip_2_1_2017-05_0002]"}}) {
        SCOPED_TRACE(c.nSite);
        st.m_pAlbumList->ClearAlbums();
        st.m_nSiteType = c.nSite;
        AddAlbum(u"First");
        int a = AddAlbum(u"Trip");
        st.m_pAlbumList->GetAlbum(a)->strCreateTime = u"2017-05";
        SzSet(Set().szAlbumPrefix, u"[");
        SzSet(Set().szAlbumSuffix, u"_?3_?4_?5_?9]");
        g_pJob->Reset(Base());
        AddPicToJob(st, u"u1", u"cap", u"", a);
        EXPECT_EQ(g_pJob->strFolder, Base() + c.strFolder + u"/");
        EXPECT_TRUE(fs::is_directory(Folder()));
    }
}

TEST_F(PicJobTest, ReplaceListAppliesToPictureNames)
{
    SzSet(Set().szReplaceFrom, u"a|b");
    SzSet(Set().szReplaceTo, u"1|2");
    int a = AddAlbum(u"Trip");
    AddPicToJob(st, u"u1", u"abc", u"", a);
    EXPECT_EQ(Names()[0], u"12c.jpg");
}

TEST_F(PicJobTest, LastMarkStopsTheAlbumOnlyWithTheOption)
{
    int a = AddAlbum(u"Trip");
    fs::create_directory(m_dir / "Trip");
    WriteLastMark(u"http://h/2.jpg", Base() + u"Trip/");
    // The marker file is the address in UTF-16LE, no byte-order mark, no line end.
    EXPECT_EQ(ReadBytes(m_dir / "Trip" / "pic.nvx"), std::string("h\0t\0t\0p\0:\0/\0/\0h\0/\0"
                                                                 "2\0.\0j\0p\0g\0",
                                                                 28));
    for (bool bOption : {true, false}) {
        SCOPED_TRACE(bOption);
        Set().wFlags = bOption ? SSF_SKIP_DOWNLOADED : 0;
        st.m_byDownState = 1;
        g_pJob->Reset(Base());
        for (const char16_t* url : {u"http://h/1.jpg", u"http://h/2.jpg", u"http://h/3.jpg"}) {
            AddPicToJob(st, url, u"", u"", a);
            if (st.m_byDownState == DOWN_ALBUM_DONE)
                break; // the adapter stops enumerating here
        }
        EXPECT_EQ(st.m_strLastMark, u"http://h/2.jpg");
        EXPECT_EQ(g_pJob->Count(), bOption ? 1 : 3);
        EXPECT_EQ(st.m_byDownState.load(), bOption ? DOWN_ALBUM_DONE : 1);
    }
    // No marker file: nothing to stop at.
    EXPECT_EQ(ReadLastMark(Base()), u"");
}

TEST_F(PicJobTest, HasPicExtMatchesOnlyTheSixExtensions)
{
    for (const char16_t* s : {u"a.jpg", u"a.JPEG", u"x.y.Png", u"a.gif", u"a.bmp", u"a.tif"})
        EXPECT_TRUE(HasPicExt(s)) << ToUtf8(s);
    for (const char16_t* s : {u"a.tiff", u"a.jpe", u"jpg", u"a.jpg.txt", u"a.mp4", u""})
        EXPECT_FALSE(HasPicExt(s)) << ToUtf8(s);
}

TEST_F(PicJobTest, EmptiedJobForgetsItsNames)
{
    int a = AddAlbum(u"Trip");
    NameAll(a, {{u"u1", u"Sunset"}, {u"u2", u"Sunset"}});
    g_pJob->Reset(Base());
    EXPECT_EQ(FindJobName(u"Sunset.jpg"), -1);
    // The next album starts its names and counters afresh.
    EXPECT_EQ(NameAll(a, {{u"u1", u"Sunset"}, {u"u2", u"Sunset"}}),
              (NameList{u"Sunset.jpg", u"Sunset(1).jpg"}));
}
