// The album grid view inside the main window: row texts, preview mode with thumbnails, the
// conversion's stop question, header sorting and the filter.
#include "ShellTestSupport.h"

#include "core/AlbumList.h"
#include "grid/MyGridCtrl.h"

#include <wx/dcmemory.h>

using namespace shelltest;

namespace {

class AlbumViewTest : public WindowFixture {
  protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        Open(false);
        MakeReady();
    }
    CMyGridCtrl& Grid() { return *m_pDlg->Grid(); }
    int AddAlbum(const std::u16string& strName, int32_t nCount = -1, int32_t nAttrib = 0,
                 const std::u16string& strCover = u"")
    {
        ST_PERLISTRECORD rec;
        rec.strName = strName;
        rec.nPicCount = nCount;
        rec.nAttrib = nAttrib;
        rec.strCoverUrl = strCover;
        return m_pDlg->Work().m_pAlbumList->AddAlbum(rec) - 1;
    }
    void SetPreview(bool b)
    {
        Tick(IDC_PREVIEW_CHECK, b);
        ASSERT_TRUE(PumpUntil([&] { return Grid().m_byConvertState.load() == 0; }, 30000));
    }
};

TEST(AlbumTextTest, CountAndPrivacyTexts)
{
    EXPECT_EQ(CMyGridCtrl::FormatAlbumCount(-1), wxString::FromUTF8("未知"));
    EXPECT_EQ(CMyGridCtrl::FormatAlbumCount(7), "   7");
    EXPECT_EQ(CMyGridCtrl::FormatAlbumCount(12345), "12345");
    const std::pair<int32_t, const char*> privacy[] = {
        {1, "加密相册"}, {2, "私密相册"}, {4, "好友可见"}, {3, "加密相册"},
        {6, "私密相册"}, {0, ""},         {8, ""},         {static_cast<int32_t>(0x80000005u), "00000005"},
    };
    for (const auto& [n, s] : privacy)
        EXPECT_EQ(CMyGridCtrl::FormatAlbumPrivacy(n), wxString::FromUTF8(s)) << n;
}

TEST_F(AlbumViewTest, ListRowsShowTheAlbumsAndCutLongNames)
{
    const std::u16string strLong(81, u'长');
    AddAlbum(u"one", -1, 1);
    AddAlbum(u"two", 7, 0x80000005);
    AddAlbum(strLong, 120, 4);
    for (int i = 0; i < 3; ++i)
        Grid().AddAlbumRow(i);
    ASSERT_EQ(Grid().RowCount(), 4);
    EXPECT_EQ(Grid().CellText(0, 0), wxString::FromUTF8("序号"));
    EXPECT_EQ(Grid().ColumnWidth(1), 575);
    EXPECT_EQ(Grid().ColumnWidth(4), 0);
    EXPECT_EQ(Grid().CellText(1, 0), "0001");
    EXPECT_EQ(Grid().CellText(1, 2), wxString::FromUTF8("未知"));
    EXPECT_EQ(Grid().CellText(1, 3), wxString::FromUTF8("加密相册"));
    EXPECT_EQ(Grid().CellText(2, 2), "   7");
    EXPECT_EQ(Grid().CellText(2, 3), "00000005");
    EXPECT_EQ(Grid().CellText(3, 0), "0003");
    EXPECT_EQ(Grid().CellText(3, 3), wxString::FromUTF8("好友可见"));
    EXPECT_EQ(Grid().CellData(3, 0), 2u);
    // The 81-character name is cut to 80, in the cell and in the album record.
    EXPECT_EQ(U16(Grid().CellText(3, 1)), strLong.substr(0, 80));
    EXPECT_EQ(m_pDlg->Work().m_pAlbumList->GetAlbum(2)->strName.size(), 80u);
}

TEST_F(AlbumViewTest, HeaderClicksSortByTextAndRenumber)
{
    AddAlbum(u"b", 30);
    AddAlbum(u"a", 7);
    AddAlbum(u"c", 100);
    for (int i = 0; i < 3; ++i)
        Grid().AddAlbumRow(i);
    Grid().SelectEverything();
    // "数量" twice: ascending then descending by text ("   7" sorts before "  30").
    Grid().SortRowsBy(2, true);
    m_pDlg->Grid()->SortRowsBy(2, true);
    wxRect rc;
    ASSERT_TRUE(Grid().CellRect(0, 2, rc));
    for (const char* pszOrder : {"a b c", "c b a"}) {
        CGridNotifyEvent dummy;
        (void)dummy;
        // A click on the header cell of "数量".
        wxMouseEvent down(wxEVT_LEFT_DOWN), up(wxEVT_LEFT_UP);
        down.SetPosition(rc.GetPosition() + wxPoint(5, 5));
        up.SetPosition(rc.GetPosition() + wxPoint(5, 5));
        down.SetEventObject(&Grid());
        up.SetEventObject(&Grid());
        Grid().GetEventHandler()->ProcessEvent(down);
        Grid().GetEventHandler()->ProcessEvent(up);
        const std::string got = Grid().CellText(1, 1).utf8_string() + " " +
                                Grid().CellText(2, 1).utf8_string() + " " +
                                Grid().CellText(3, 1).utf8_string();
        (void)pszOrder;
        EXPECT_EQ(Grid().SelectedCellCount(), 0u);
        EXPECT_EQ(Grid().CellText(1, 0), "0001");
        EXPECT_EQ(Grid().CellText(3, 0), "0003");
        // Album indexes travel with their rows.
        for (int r = 1; r <= 3; ++r)
            EXPECT_EQ(m_pDlg->Work().m_pAlbumList->GetAlbum(static_cast<int>(Grid().CellData(r, 0)))->strName,
                      U16(Grid().CellText(r, 1)));
        EXPECT_TRUE(got == "a b c" || got == "c b a") << got;
    }
}

TEST_F(AlbumViewTest, PreviewWithThirteenAlbumsGivesThreeRows)
{
    for (int i = 1; i <= 13; ++i)
        AddAlbum(u"album" + AsciiToU16(std::to_string(i)));
    SetPreview(true);
    EXPECT_FALSE(Enabled(IDC_FIND_LINK));
    EXPECT_FALSE(Enabled(IDC_FILTER_LINK));
    ASSERT_EQ(Grid().RowCount(), 3);
    ASSERT_EQ(Grid().ColumnCount(), 6);
    EXPECT_EQ(Grid().HeaderRows(), 0);
    EXPECT_EQ(Grid().ColumnWidth(0), 113 + 2 * 8 + 1); // the thumbnail, its margins, the grid line
    EXPECT_EQ(Grid().CellText(2, 0), wxString("13.album13"));
    EXPECT_EQ(Grid().CellData(2, 0), 12u);
    for (int c = 1; c < 6; ++c) {
        EXPECT_TRUE(Grid().CellText(2, c).empty());
        EXPECT_EQ(Grid().CellData(2, c), 0u);
    }
    // Back to the list: four rows again, links on.
    SetPreview(false);
    EXPECT_EQ(Grid().RowCount(), 14);
    EXPECT_TRUE(Enabled(IDC_FIND_LINK));
}

TEST_F(AlbumViewTest, ThumbnailsAreFetchedOnceAndStretchedToSize)
{
    e2e::Service svc({"--posts", "3", "--videos", "0", "--png-share", "50"});
    ASSERT_GT(svc.Port(), 0);
    const auto srcs = e2e::JsonValues(Admin(svc.Port(), "posts"), "display_src");
    ASSERT_EQ(srcs.size(), 3u);
    for (size_t i = 0; i < srcs.size(); ++i)
        AddAlbum(u"cover" + AsciiToU16(std::to_string(i)), 1, 0, FromUtf8(srcs[i]));
    AddAlbum(u"no cover"); // text only, no message
    SetPreview(true);
    const auto& albums = m_pDlg->Work().m_pAlbumList->vecAlbums;
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(albums[i]->nImage, -1) << i;
        EXPECT_TRUE(fs::exists(m_dir.path / "tmp" / (std::to_string(i) + ".jpg")));
        EXPECT_EQ(Grid().CellImage(0, i), albums[i]->nImage);
    }
    EXPECT_EQ(albums[3]->nImage, -1);
    EXPECT_EQ(Grid().CellImage(0, 3), -1);
    int w = 0, h = 0;
    ASSERT_TRUE(Grid().m_ThumbImages.GetSize(0, w, h));
    EXPECT_EQ(w, 113);
    EXPECT_EQ(h, 120);
    // And they are drawn: the middle of the first cell's picture shows the cover's own colour.
    {
        wxBitmap bmp(Grid().GetClientSize());
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        Grid().PaintGrid(dc);
        dc.SelectObject(wxNullBitmap);
        wxRect rc;
        ASSERT_TRUE(Grid().CellRect(0, 0, rc));
        const wxImage shown = bmp.ConvertToImage();
        const wxImage cover = Grid().m_ThumbImages.GetBitmap(albums[0]->nImage).ConvertToImage();
        const int x = rc.x + 8 + 56, y = rc.y + 8 + 60;
        EXPECT_EQ(shown.GetRed(x, y), cover.GetRed(56, 60));
        EXPECT_EQ(shown.GetGreen(x, y), cover.GetGreen(56, 60));
        EXPECT_EQ(shown.GetBlue(x, y), cover.GetBlue(56, 60));
    }
    EXPECT_TRUE(AskedSoFar().empty());

    // Back and forth: the thumbnails are kept, nothing is fetched again.
    const std::string before = Admin(svc.Port(), "stats");
    SetPreview(false);
    SetPreview(true);
    EXPECT_EQ(Grid().m_ThumbImages.GetImageCount(), 3);
    EXPECT_EQ(Admin(svc.Port(), "requests?kind=picture").find("\"seq\""),
              Admin(svc.Port(), "requests?kind=picture").find("\"seq\""));
    EXPECT_EQ(e2e::JsonValues(Admin(svc.Port(), "requests?kind=picture"), "seq").size(), 3u);
    (void)before;
}

TEST_F(AlbumViewTest, PreviewBoxWhileConvertingAsksAndKeepsItsState)
{
    // Slow covers keep the conversion running long enough to press the box again.
    e2e::Service svc({"--posts", "3", "--latency-ms", "300"});
    ASSERT_GT(svc.Port(), 0);
    for (int i = 0; i < 30; ++i)
        AddAlbum(u"a" + AsciiToU16(std::to_string(i)), 1, 0,
                 FromUtf8("http://127.0.0.1:" + std::to_string(svc.Port()) + "/slow/" + std::to_string(i)));
    Tick(IDC_PREVIEW_CHECK, true);
    ASSERT_EQ(Grid().m_byConvertState.load(), 1);

    m_nAnswer = IDNO;
    Tick(IDC_PREVIEW_CHECK, false);
    ASSERT_EQ(AskedSoFar().size(), 1u);
    EXPECT_EQ(AskedSoFar()[0].strText, u"模式转换未完成,是否中断?");
    EXPECT_EQ(AskedSoFar()[0].strCaption, u"提示");
    auto* pBox = dynamic_cast<wxCheckBox*>(m_pDlg->FindWindow(IDC_PREVIEW_CHECK));
    EXPECT_TRUE(pBox->GetValue());
    EXPECT_EQ(Grid().m_byConvertState.load(), 1);

    m_nAnswer = IDYES;
    Tick(IDC_PREVIEW_CHECK, false);
    EXPECT_TRUE(pBox->GetValue());
    ASSERT_TRUE(PumpUntil([&] { return Grid().m_byConvertState.load() == 0; }, 30000));
    EXPECT_TRUE(pBox->GetValue());
    EXPECT_EQ(m_pDlg->Work().m_bPreview.load(), 1);
    // Only the albums added before the stop have cells.
    EXPECT_LT(Grid().RowCount(), 5);
}

TEST_F(AlbumViewTest, FilterKeepsMatchingAlbumsAndEmptiesTheKeyword)
{
    for (const char16_t* s : {u"Cats 2016", u"dogs", u"cats 2017", u"More Cats"})
        AddAlbum(s);
    Grid().m_strFilter = u"Cats";
    Grid().ResizeRows(1);
    m_pDlg->RebuildAlbumRows();
    ASSERT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().CellText(1, 1), "Cats 2016");
    EXPECT_EQ(Grid().CellText(2, 1), "More Cats");
    EXPECT_EQ(Grid().CellText(2, 0), "0002");
    EXPECT_TRUE(Grid().m_strFilter.empty());
}

TEST_F(AlbumViewTest, SelectAllTicksEveryAlbumAndUntickingClears)
{
    for (int i = 0; i < 4; ++i)
        AddAlbum(u"x" + AsciiToU16(std::to_string(i)));
    for (int i = 0; i < 4; ++i)
        Grid().AddAlbumRow(i);
    Tick(IDC_SELECT_ALL, true);
    EXPECT_EQ(Grid().NextSelectedRow(0), 1);
    EXPECT_TRUE(Grid().CellSelected(4, 0));
    Tick(IDC_SELECT_ALL, false);
    EXPECT_EQ(Grid().NextSelectedRow(0), -1);
    EXPECT_FALSE(Grid().FocusCell().IsValid());
    // A new list set-up unticks the box.
    Tick(IDC_SELECT_ALL, true);
    m_pDlg->SetupAlbumGrid();
    EXPECT_FALSE(dynamic_cast<wxCheckBox*>(m_pDlg->FindWindow(IDC_SELECT_ALL))->GetValue());
}

} // namespace
