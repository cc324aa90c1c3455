// WindowHooks: every way the core reaches the main window and the album grid.
//
// The core never includes the GUI toolkit. It talks to whatever front end is running (the wx
// main window, the terminal front end, a test recorder) through this interface only.
// Every hook may be called from any thread (list thread, download thread, download manager,
// workers); an implementation marshals to its UI thread itself. Hooks that return a value
// block the caller until the answer is there. No hook throws.
#pragma once

#include <cstdint>
#include <string>

// Controls of the main window the core reads or writes, by their numeric ids.
inline constexpr int IDC_PATH_BOX = 1000;      // save-folder combo with history
inline constexpr int IDC_URL_BOX = 1001;       // address combo with history
inline constexpr int IDC_SITE_COMBO = 1002;    // site list
inline constexpr int IDC_GRID = 1003;          // album grid
inline constexpr int IDC_STATUS2 = 1006;       // status line 2: picture progress
inline constexpr int IDC_STATUS1 = 1009;       // status line 1: album progress
inline constexpr int IDC_ALBUM_GROUP = 1011;   // group box "相册列表(共%d个)"
inline constexpr int IDC_PREVIEW_CHECK = 1014; // thumbnail preview switch
inline constexpr int IDC_QQTYPE_COMBO = 1035;  // QQ sub-type combo

// Messages to the main window.
inline constexpr int WM_USER_BASE = 0x0400;
inline constexpr int WM_DOWN_NOTIFY = WM_USER_BASE + 413;  // 1437, sent by the download manager
inline constexpr int WM_STARTUP_DONE = WM_USER_BASE + 415; // 1439, posted by the start-up thread

// Message-box styles and answers (the values the dialog library has always used, so callers
// can combine them as they are used to).
inline constexpr int MB_OK = 0x0000;
inline constexpr int MB_OKCANCEL = 0x0001;
inline constexpr int MB_YESNO = 0x0004;
inline constexpr int MB_ICONERROR = 0x0010;
inline constexpr int MB_ICONQUESTION = 0x0020;
inline constexpr int MB_ICONWARNING = 0x0030;
inline constexpr int MB_ICONINFORMATION = 0x0040;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class WindowHooks {
  public:
    virtual ~WindowHooks() = default;

    // ---- window states (main window) ----
    // Switch the controls into / out of listing; they set m_byListState to 1 / 0.
    virtual void BeginListUI() = 0;
    virtual void EndListUI() = 0;
    // Switch the controls into / out of downloading; they set m_byDownState to 1 / 0.
    // EndDownloadUI also shows "下载完毕".
    virtual void BeginDownloadUI() = 0;
    virtual void EndDownloadUI() = 0;
    // Does what a press of "下载" does: with m_byDownState at 0, sets it to 1 and starts
    // DownAlbumFunc on a new thread; otherwise asks the running download to stop.
    virtual void RunDownloadCommand() = 0;

    // ---- album grid ----
    // Shows the album at this position of the album list's vecAlbums.
    virtual void AddAlbumRow(int nAlbumPos) = 0;
    // Fits every row to its tallest cell once a list has been built.
    virtual void FitRowHeights() = 0;
    // Repaints the grid after a batch of changes.
    virtual void RedrawGrid() = 0;
    // Selects every album cell (a selected album counts as ticked).
    virtual void SelectEverything() = 0;
    virtual int GetRowCount() = 0;
    virtual int GetColumnCount() = 0;
    virtual int GetFixedRowCount() = 0;
    virtual int GetFixedColumnCount() = 0;
    // First row after nAfterRow that holds a selected cell, or -1 when there is none.
    virtual int NextSelectedRow(int nAfterRow) = 0;
    // The item data of the cell (the album position it shows); 0 when there is no such cell.
    virtual int CellData(int nRow, int nCol) = 0;
    virtual bool IsCellSelected(int nRow, int nCol) = 0;

    // ---- controls of the main window (ids above) ----
    virtual std::u16string GetControlText(int nId) = 0;
    virtual void SetControlText(int nId, const std::u16string& strText) = 0;
    virtual bool IsControlVisible(int nId) = 0;
    // Current selection of a combo box, -1 when none.
    virtual int GetComboSelection(int nId) = 0;
    // History combos (1000, 1001): drop every entry of the drop-down list / append one entry.
    virtual void ResetEntries(int nComboId) = 0;
    virtual void AddEntry(int nComboId, const std::u16string& strText) = 0;

    // A modal message box; returns the answer (IDOK, IDYES, IDNO, ...). Questions asked while
    // the window is closing are answered IDNO.
    virtual int MessageBox(const std::u16string& strText, const std::u16string& strCaption = u"",
                           int nStyle = MB_OK) = 0;

    // ---- shell and notices ----
    // Opens a folder in the system file browser.
    virtual void OpenFolder(const std::u16string& strPath) = 0;
    // WM_DOWN_NOTIFY: the manager of one album has ended after nElapsedSec seconds, nTotal
    // pictures in the job. Returns once the window has taken it.
    virtual void DownNotify(uint32_t nElapsedSec, uint32_t nTotal) = 0;
};

// A front end that ignores everything: questions are answered IDNO, the grid is empty.
// The working state points at it until a real front end is attached, so the core never needs
// to check for a missing window.
WindowHooks& NullWindowHooks();
