#include <gtest/gtest.h>

#include <algorithm>

#include "core/AlbumList.h"
#include "text/StringCtrl.h"

namespace {

ST_PERLISTRECORD Album(std::u16string name)
{
    ST_PERLISTRECORD r;
    r.strName = std::move(name);
    return r;
}

bool IsTimeStamp(const std::u16string& s)
{
    return s.size() == 14 &&
           std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }) &&
           s.compare(0, 2, u"20") == 0;
}

} // namespace

TEST(AlbumList, EqualNamesGetCounters)
{
    ST_ALBUMLIST list;
    ST_PERLISTRECORD src = Album(u"Trip");
    src.strAlbumUrl = u"https://www.instagram.com/trip";
    src.nPicCount = 12;
    src.nAttrib = 2;
    src.nScore = 7;
    src.nValue = 9;
    src.nIndex = 55;
    src.nImage = 3;

    EXPECT_EQ(list.AddAlbum(src), 1);
    EXPECT_EQ(list.AddAlbum(src), 2);
    EXPECT_EQ(list.AddAlbum(Album(u"trip")), 3);
    EXPECT_EQ(list.AddAlbum(src), 4);

    const std::u16string want[] = {u"Trip", u"Trip (1)", u"trip", u"Trip (2)"};
    for (int i = 0; i < 4; ++i) {
        ST_PERLISTRECORD* p = list.GetAlbum(i);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->strName, want[i]);
        EXPECT_EQ(p->nIndex, i);
        EXPECT_EQ(p->nImage, -1);
    }
    const ST_PERLISTRECORD* p = list.GetAlbum(1);
    EXPECT_EQ(p->strAlbumUrl, u"https://www.instagram.com/trip");
    EXPECT_EQ(p->nPicCount, 12);
    EXPECT_EQ(p->nAttrib, 2);
    EXPECT_EQ(p->nScore, 7);
    EXPECT_EQ(p->nValue, 9);
    EXPECT_EQ(list.FindAlbumName(u"Trip (2)"), 0);
    EXPECT_EQ(list.FindAlbumName(u"TRIP"), -1);
}

TEST(AlbumList, NamesAreCleanedIntoFolderNames)
{
    ST_ALBUMLIST list;
    list.AddAlbum(Album(u"a/b:c*?&amp;d"));
    list.AddAlbum(Album(u"..."));
    list.AddAlbum(Album(u"/\\:"));
    list.AddAlbum(Album(std::u16string(1000, u'x')));
    EXPECT_EQ(list.GetAlbum(0)->strName, u"abc&d");
    EXPECT_NE(list.GetAlbum(1)->strName, u"...");
    EXPECT_EQ(list.GetAlbum(1)->strName.find(u'/'), std::u16string::npos);
    EXPECT_TRUE(IsTimeStamp(list.GetAlbum(2)->strName)) << ToUtf8(list.GetAlbum(2)->strName);
    // Two time stamps of the same second still differ.
    EXPECT_TRUE(list.GetAlbum(3)->strName.starts_with(list.GetAlbum(2)->strName.substr(0, 8)));
    EXPECT_NE(list.GetAlbum(3)->strName, list.GetAlbum(2)->strName);
}

TEST(AlbumList, IndexSurvivesReorderingAndClearStartsAfresh)
{
    ST_ALBUMLIST list;
    for (auto n : {u"c", u"a", u"b"})
        list.AddAlbum(Album(n));
    std::sort(list.vecAlbums.begin(), list.vecAlbums.end(),
              [](const auto& x, const auto& y) { return x->strName < y->strName; });
    EXPECT_EQ(list.GetAlbum(0)->strName, u"a");
    EXPECT_EQ(list.GetAlbum(0)->nIndex, 1);
    EXPECT_EQ(list.GetAlbum(2)->nIndex, 0);
    EXPECT_EQ(list.GetAlbum(3), nullptr);
    EXPECT_EQ(list.GetAlbum(-1), nullptr);

    list.ClearAlbums();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.AddAlbum(Album(u"a")), 1);
    EXPECT_EQ(list.GetAlbum(0)->strName, u"a");
    EXPECT_EQ(list.GetAlbum(0)->nIndex, 0);
}
