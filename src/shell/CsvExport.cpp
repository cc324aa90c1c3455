#include "shell/CsvExport.h"

#include <cstdio>
#include <unistd.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

#include "grid/GridCtrl.h"
#include "text/StringCtrl.h"

const wxChar* const kCsvExportNotice = wxT("此导出为导出表格内容，如需下载图片，请点击右上角的 下载 按钮。");

std::u16string CsvField(std::u16string text)
{
    StrRemove(text, u'\'');
    StrReplace(text, u"\"", u"\"\"");
    StrReplace(text, u",", u"','");
    return text;
}

std::string GridCsvBytes(const CGridCtrl& grid)
{
    std::string bytes;
    if (grid.RowCount() < 2)
        return bytes;
    for (int r = 1; r < grid.RowCount(); ++r) {
        std::u16string line;
        for (int c = 0; c < grid.ColumnCount(); ++c) {
            line += CsvField(FromUtf8(grid.CellText(r, c).utf8_string()));
            line += u',';
        }
        bytes += ToGbk(line);
        bytes += "\r\n";
    }
    return bytes;
}

bool WriteGridCsv(const CGridCtrl& grid, const std::string& strPath)
{
    std::string bytes = GridCsvBytes(grid);
    // Written beside the target and renamed over it, so a failed write never leaves a torn file
    // where the user's previous export was.
    std::string strTemp = strPath + ".tmp" + std::to_string(getpid());
    FILE* pFile = std::fopen(strTemp.c_str(), "wb");
    if (!pFile)
        return false;
    bool bOk = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
    bOk = std::fclose(pFile) == 0 && bOk;
    if (!bOk || std::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        std::remove(strTemp.c_str());
        return false;
    }
    return true;
}

wxString AskCsvPath(wxWindow* pParent)
{
    wxFileDialog dlg(pParent, wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
                     wxT("导出后，自行调整列宽(*.csv)|*.csv"), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dlg.ShowModal() != wxID_OK)
        return wxEmptyString;
    return dlg.GetPath();
}

bool ExportCsvTo(const CGridCtrl& grid, wxString strPath)
{
    if (strPath.empty())
        return false;
    // The toolkit's dialog does not add the extension itself.
    if (!strPath.AfterLast('/').Contains(wxT(".")))
        strPath += wxT(".csv");
    return WriteGridCsv(grid, strPath.utf8_string());
}

void ExportCsv(CGridCtrl& grid, wxWindow* pParent)
{
    ExportCsvTo(grid, AskCsvPath(pParent));
}

void OnExportLink(CGridCtrl& grid, wxWindow* pParent)
{
    wxMessageBox(kCsvExportNotice, wxASCII_STR(wxMessageBoxCaptionStr), wxOK, pParent);
    ExportCsv(grid, pParent);
}
