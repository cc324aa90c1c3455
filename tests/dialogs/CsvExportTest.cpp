// CSV export of the grid's text: exact bytes, the header row left out, and the save dialog.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <wx/filedlg.h>

#include "AlbumGridFixture.h"
#include "DialogTestSupport.h"
#include "shell/CsvExport.h"
#include "text/StringCtrl.h"

using namespace dialogs_test;

namespace {

std::string ReadAll(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(CsvExport, FieldsAndLinesAreWrittenAsShown)
{
    EXPECT_EQ(CsvField(u"a,b"), u"a','b");
    EXPECT_EQ(CsvField(u"it's"), u"its");
    EXPECT_EQ(CsvField(u"say \"hi\""), u"say \"\"hi\"\"");
    EXPECT_EQ(CsvField(u"'x','y'"), u"x','y"); // the inserted apostrophes stay

    CAlbumGridFixture fx({u"a,b", u"it's", u"中文😀"});
    fx.pGrid->PutCellText(2, 3, "say \"hi\""); // album names cannot hold quotes; a remark can
    CTempDir dir;
    const std::string strPath = dir.Path() + "out.csv";
    ASSERT_TRUE(WriteGridCsv(*fx.pGrid, strPath));
    const std::string strUnknown = ToGbk(u"未知");
    const std::string strWant = "0001,a','b," + strUnknown + ",,,,\r\n" + //
                                "0002,its," + strUnknown + ",say \"\"hi\"\",,,\r\n" + "0003," +
                                ToGbk(u"中文") + "?," + strUnknown + ",,,,\r\n";
    EXPECT_EQ(ReadAll(strPath), strWant);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(CsvExport, HeaderOnlyGridGivesAnEmptyFile)
{
    CAlbumGridFixture fx({});
    CTempDir dir;
    const std::string strPath = dir.Path() + "empty.csv";
    {
        std::ofstream(strPath) << "old content";
    }
    ASSERT_TRUE(WriteGridCsv(*fx.pGrid, strPath));
    EXPECT_TRUE(std::filesystem::exists(strPath));
    EXPECT_EQ(ReadAll(strPath), "");
    EXPECT_FALSE(WriteGridCsv(*fx.pGrid, dir.Path() + "no/such/folder/x.csv"));
}

TEST(CsvExport, SaveDialogNoticeAndExtension)
{
    CAlbumGridFixture fx({u"one", u"two"});
    CTempDir dir;
    CModalScript script;
    // The native chooser runs its own loop: answer it before it shows.
    script.m_fnAnswer = [&](wxDialog* pDlg) {
        auto* pFile = dynamic_cast<wxFileDialog*>(pDlg);
        EXPECT_NE(pFile, nullptr);
        if (pFile) {
            EXPECT_EQ(pFile->GetWildcard(), wxString::FromUTF8("导出后，自行调整列宽(*.csv)|*.csv"));
            EXPECT_TRUE(pFile->HasFlag(wxFD_OVERWRITE_PROMPT));
            EXPECT_TRUE(pFile->HasFlag(wxFD_SAVE));
        }
        return int(wxID_CANCEL);
    };

    // Cancelled: the notice came first, nothing is written.
    OnExportLink(*fx.pGrid, fx.pFrame);
    ASSERT_EQ(script.m_arMessages.size(), 1u);
    EXPECT_EQ(script.m_arMessages[0],
              wxString::FromUTF8("此导出为导出表格内容，如需下载图片，请点击右上角的 下载 按钮。"));
    EXPECT_EQ(script.m_nDialogs, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);

    // A name without extension gets ".csv"; one with an extension keeps it.
    EXPECT_TRUE(ExportCsvTo(*fx.pGrid, wxString::FromUTF8(dir.Path() + "albums")));
    const std::string strFile = ReadAll(dir.Path() + "albums.csv");
    EXPECT_EQ(std::count(strFile.begin(), strFile.end(), '\n'), 2);
    EXPECT_EQ(strFile.substr(0, 9), "0001,one,");
    EXPECT_TRUE(ExportCsvTo(*fx.pGrid, wxString::FromUTF8(dir.Path() + "albums.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "albums.txt"));
    EXPECT_FALSE(ExportCsvTo(*fx.pGrid, wxEmptyString));
}
