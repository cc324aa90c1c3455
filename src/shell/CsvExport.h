// Export of the album grid's text as a comma-separated file (GBK, CR LF): a copy of the table as
// shown, from row 1 to the last row; row 0 (the header in list mode) is never written.
//
// UI thread only.
#pragma once

#include <string>
#include <wx/string.h>

class CGridCtrl;
class wxWindow;

// The notice shown before the export: the export copies the table and downloads nothing.
extern const wxChar* const kCsvExportNotice;

// A cell text as written: apostrophes removed, double quotes doubled, commas become "','".
std::u16string CsvField(std::u16string text);

// The bytes of the whole file: one GBK line per row from row 1, every field followed by a
// comma, CR LF after each line; empty when the grid has fewer than two rows.
std::string GridCsvBytes(const CGridCtrl& grid);

// Writes GridCsvBytes to strPath (UTF-8 path) through a temporary file in the same folder.
// False when it cannot be written; an existing file is then left as it was.
bool WriteGridCsv(const CGridCtrl& grid, const std::string& strPath);

// The save dialog: one "*.csv" filter, overwrite confirmed. The chosen path, or "" when cancelled.
wxString AskCsvPath(wxWindow* pParent);

// Writes the grid to strPath, adding ".csv" when the file name has no extension. False when
// nothing could be written.
bool ExportCsvTo(const CGridCtrl& grid, wxString strPath);

// AskCsvPath, then ExportCsvTo. Cancelling or an unwritable file writes nothing and says nothing.
void ExportCsv(CGridCtrl& grid, wxWindow* pParent);

// Link "导出": the notice, then ExportCsv.
void OnExportLink(CGridCtrl& grid, wxWindow* pParent);
