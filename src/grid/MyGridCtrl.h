// CMyGridCtrl: the album grid. The generic grid plus the album grid's own set-up; the album grid
// view adds its operations (rows of albums, find, export) to this class.
#pragma once

#include "grid/GridCtrl.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <wx/imaglist.h>

class CWorkState;

class CMyGridCtrl : public CGridCtrl {
  public:
    CMyGridCtrl() = default;
    CMyGridCtrl(wxWindow* pParent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0)
        : CGridCtrl(pParent, id, pos, size, style)
    {
    }

    // Header sorting with renumbering on, the given counts, no fixed columns, white background,
    // no focus frame, light cyan selection with black text, dragging out on; then the row
    // selection mode (which clears selection, focus and sort column).
    void InitGrid(int nFixedRows, int nRows, int nCols, bool bRowSelect);

    // ---- the album view ----
    // The album grid shows the albums of this working state (album list, preview flag, settings
    // folder for the thumbnail files). Set once by the owner, before any other album operation.
    void AttachWorkState(CWorkState* pWork) { m_pWork = pWork; }

    // Empties the grid and builds the header (list mode) or the thumbnail columns (preview mode)
    // for the working state's m_bPreview. Waits for a paint in progress first.
    void SetupAlbumGrid();

    // Shows album i of the album list (appends, never replaces). In preview mode an album
    // without a thumbnail gets one from its cover picture first (fetched on this thread, so
    // prefer AddAlbumRowFetched off the UI thread). UI thread.
    void AddAlbumRow(int i);
    // The two halves of AddAlbumRow, for callers that fetch on a worker thread:
    // FetchAlbumCover (any thread; reads only the album's cover address and nImage, which the
    // caller passes in) downloads the cover to "tmp/<i>.jpg" under the settings folder and
    // returns that path, or "" when there is nothing to fetch or the fetch failed;
    // ShowAlbumRow (UI thread) shows the album, turning a fetched cover file into its thumbnail.
    static std::u16string FetchAlbumCover(const std::u16string& strAppDir, int i,
                                          const std::u16string& strCoverUrl, int nImage);
    void ShowAlbumRow(int i, const std::u16string& strCoverFile);

    // Re-adds every album of the list in list order, stopping early when m_byConvertState
    // becomes 2; then sets m_byConvertState to 0 and empties m_strFilter. Runs on any thread:
    // off the UI thread every grid step goes through m_fnRunOnUi (so a rebuild never touches a
    // grid that has gone), and the covers are fetched on the calling thread. A new album list
    // (NewGeneration) ends a rebuild at its next album.
    void RebuildAlbumRows();
    // The preview conversion: RebuildAlbumRows on its own thread. False when the thread could
    // not be started (m_byConvertState is then 0 again).
    bool StartPreviewConversion();

    // Called before the album list is cleared: a running rebuild stops touching the old albums.
    void NewGeneration() { ++m_nGeneration; }

    // Runs a step on the UI thread and waits for it; false when the window went away. The owner
    // installs it; the default runs the step on the calling thread.
    using UiRunner = std::function<bool(const std::function<void()>&)>;
    UiRunner m_fnRunOnUi;

    // "未知" for -1, else the count right-aligned in four places.
    static wxString FormatAlbumCount(int32_t nCount);
    // Privacy text of the album's flags.
    static wxString FormatAlbumPrivacy(int32_t nAttrib);

    // Album view state.
    uint8_t m_byThumbCols = 6;
    uint8_t m_byThumbW = 113;
    uint8_t m_byThumbH = 120;
    std::atomic<uint8_t> m_byConvertState{0}; // 0 idle, 1 converting, 2 stop asked
    std::u16string m_strFilter;               // album filter keyword; empty = none (UI thread)
    wxImageList m_ThumbImages{113, 120, false, 0};

  private:
    static void RunRebuild(CMyGridCtrl* pGrid, UiRunner fnRunOnUi);

    CWorkState* m_pWork = nullptr;
    std::atomic<uint32_t> m_nGeneration{0};
};
