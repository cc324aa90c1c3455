// The score and insertion-order sorts of the album list, and the grid rebuilt after them.
#include <gtest/gtest.h>

#include "AlbumGridFixture.h"
#include "shell/AlbumSort.h"

using namespace dialogs_test;

TEST(AlbumSort, ScoreSortAlternatesAndInsertionOrderComesBack)
{
    CAlbumGridFixture fx({u"five", u"minus", u"ten", u"zero"});
    const int32_t kScores[] = {5, -1, 10, 0};
    for (int i = 0; i < 4; ++i)
        fx.work.m_pAlbumList->GetAlbum(i)->nScore = kScores[i];

    // What the score link does: sort, write the caption, rebuild the grid.
    wxString strCaption = wxT("<a>好评</a>");
    auto Click1027 = [&] {
        if (ScoreSortStep(*fx.work.m_pAlbumList, strCaption)) {
            fx.pGrid->ResizeRows(1);
            fx.pGrid->RebuildAlbumRows();
        }
        return fx.NameColumn();
    };
    using Names = std::vector<wxString>;
    // -1 is the largest score as an unsigned number.
    EXPECT_EQ(Click1027(), Names({"minus", "ten", "five", "zero"}));
    EXPECT_EQ(strCaption, wxT("<a>好评↑</a>"));
    EXPECT_EQ(Click1027(), Names({"zero", "five", "ten", "minus"}));
    EXPECT_EQ(strCaption, wxT("<a>好评↓</a>"));
    EXPECT_EQ(Click1027(), Names({"minus", "ten", "five", "zero"}));
    EXPECT_EQ(strCaption, wxT("<a>好评↑</a>"));

    // Sorting moves records only: nIndex still tells the insertion order.
    EXPECT_EQ(fx.work.m_pAlbumList->GetAlbum(0)->nIndex, 1);

    SortAlbumsByIndex(*fx.work.m_pAlbumList);
    fx.pGrid->ResizeRows(1);
    fx.pGrid->RebuildAlbumRows();
    EXPECT_EQ(fx.NameColumn(), Names({"five", "minus", "ten", "zero"}));
}

TEST(AlbumSort, EmptyListKeepsTheCaption)
{
    ST_ALBUMLIST list;
    wxString strCaption = wxT("<a>好评↑</a>");
    EXPECT_FALSE(ScoreSortStep(list, strCaption));
    EXPECT_EQ(strCaption, wxT("<a>好评↑</a>"));
    SortAlbumsByIndex(list); // trivially sorted
}
