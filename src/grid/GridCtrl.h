// CGridCtrl: a self-drawn table window. Rows and columns of cell objects, fixed (header) rows and
// columns that do not scroll, per-row heights and per-column widths in pixels, pixel scrolling, a
// selection of cells, sorting by a column, mouse and keyboard selection, title tips, copy and
// dragging out as text. Cells are read-only for the user.
//
// Every operation runs on the UI thread. Painting and hit tests visit only the visible rows and
// columns, so their cost does not grow with the table.
#pragma once

#include "grid/GridCell.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>
#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/imaglist.h>
#include <wx/timer.h>
#include <wx/window.h>

class CTitleTip;

struct CCellID {
    int row = -1;
    int col = -1;
    constexpr CCellID() = default;
    constexpr CCellID(int nRow, int nCol) : row(nRow), col(nCol) {}
    bool IsValid() const { return row >= 0 && col >= 0; }
    bool operator==(const CCellID& o) const { return row == o.row && col == o.col; }
    bool operator!=(const CCellID& o) const { return !(*this == o); }
};

struct CCellRange {
    int minRow = -1, minCol = -1, maxRow = -1, maxCol = -1;
    constexpr CCellRange() = default;
    constexpr CCellRange(int r1, int c1, int r2, int c2) : minRow(r1), minCol(c1), maxRow(r2), maxCol(c2) {}
    bool IsValid() const
    {
        return minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0 && minRow <= maxRow &&
               minCol <= maxCol;
    }
    bool InRange(int r, int c) const { return r >= minRow && r <= maxRow && c >= minCol && c <= maxCol; }
};

// Notification codes sent to the owner (CGridNotifyEvent::GetCode()).
constexpr int GVN_CLICK = -2;         // a click ends (button released) on a cell
constexpr int GVN_DBLCLK = -3;        // double click on a cell
constexpr int GVN_RCLICK = -5;        // right button released; (-1, -1) outside the cells
constexpr int GVN_SELCHANGING = -100; // selection is about to change
constexpr int GVN_SELCHANGED = -101;  // selection has changed
constexpr int GVN_BEGINDRAG = -109;   // a drag of cells begins

// Mouse modes.
enum : int {
    MOUSE_NOTHING = 0,
    MOUSE_SELECT_ROW = 3,
    MOUSE_SELECT_CELLS = 4,
    MOUSE_OVER_COL_DIVIDE = 8,
    MOUSE_SIZING_COL = 9,
    MOUSE_PREPARE_DRAG = 11,
    MOUSE_DRAGGING = 12,
};

// Auto-size styles: which rows count when fitting a column.
constexpr int GVS_HEADER = 1;
constexpr int GVS_DATA = 2;
constexpr int GVS_BOTH = 3;

// Grid line modes.
constexpr int GVL_NONE = 0;
constexpr int GVL_HORZ = 1;
constexpr int GVL_VERT = 2;
constexpr int GVL_BOTH = 3;

constexpr int GRID_AUTOSCROLL_TIMER_ID = 513;

// A notification of the grid to its owner; it propagates from the grid to its parent like any
// command event, with the grid's id.
class CGridNotifyEvent : public wxCommandEvent {
  public:
    CGridNotifyEvent(wxEventType type = wxEVT_NULL, int nId = 0, int nCode = 0, int nRow = -1, int nCol = -1)
        : wxCommandEvent(type, nId), m_nCode(nCode), m_nRow(nRow), m_nColumn(nCol)
    {
    }
    int GetCode() const { return m_nCode; }
    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }
    wxEvent* Clone() const override { return new CGridNotifyEvent(*this); }

  private:
    int m_nCode, m_nRow, m_nColumn;
};

wxDECLARE_EVENT(EVT_GRIDCTRL_NOTIFY, CGridNotifyEvent);
// Posted (queued) to the owner after a click on a valid cell, with the grid's id.
wxDECLARE_EVENT(EVT_GRIDCTRL_COMMAND, wxCommandEvent);

class CGridCtrl : public wxWindow {
  public:
    using CellFactory = CGridCellBase* (*)();
    // Returns <0, 0 or >0 like a string comparison.
    using CompareFunc = std::function<int(const CGridCellBase*, const CGridCellBase*)>;

    CGridCtrl();
    CGridCtrl(wxWindow* pParent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0);
    bool Create(wxWindow* pParent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0);
    ~CGridCtrl() override;

    // ---- table size ----
    int RowCount() const { return m_nRows; }
    int ColumnCount() const { return m_nCols; }
    int HeaderRows() const { return m_nFixedRows; }
    int HeaderColumns() const { return m_nFixedCols; }
    bool ResizeRows(int nRows);
    bool ResizeColumns(int nCols);
    bool SetHeaderRows(int nFixedRows);
    bool SetHeaderColumns(int nFixedCols);
    // Adds a row at the end; returns its index, or -1 when it could not be allocated.
    int AppendRow();
    void ClearGrid();

    // ---- cells ----
    CGridCellBase* CellAt(int nRow, int nCol) const;
    bool PutCellText(int nRow, int nCol, const wxString& strText);
    template <typename... Args> bool PutCellTextFmt(int nRow, int nCol, const wxString& strFmt, Args... args)
    {
        return PutCellText(nRow, nCol, wxString::Format(strFmt, args...));
    }
    wxString CellText(int nRow, int nCol) const;
    bool PutCellData(int nRow, int nCol, uint32_t lParam);
    uint32_t CellData(int nRow, int nCol) const;
    bool PutCellImage(int nRow, int nCol, int nImage);
    int CellImage(int nRow, int nCol) const;
    // Keeps the selected-cell map in step with bit GVIS_SELECTED.
    bool PutCellState(int nRow, int nCol, uint32_t nState);
    uint32_t CellState(int nRow, int nCol) const;
    void SetDefaultCellType(CellFactory pfnMakeCell) { m_pfnMakeCell = pfnMakeCell; }
    // The default cell for a cell in a fixed row and/or fixed column.
    CGridDefaultCell* DefaultCell(bool bFixedRow, bool bFixedCol) const;

    // ---- sizes ----
    int ColumnWidth(int nCol) const;
    int RowHeight(int nRow) const;
    bool PutColumnWidth(int nCol, int nWidth);
    bool PutRowHeight(int nRow, int nHeight);
    void FitRowHeights();
    bool FitColumnWidth(int nCol, int nAutoSizeStyle = -1);
    int FixedRowHeight() const;
    int FixedColumnWidth() const;
    int VirtualHeight() const { return static_cast<int>(m_nTotalHeight); }
    int VirtualWidth() const { return static_cast<int>(m_nTotalWidth); }

    // ---- geometry ----
    // The top-left visible non-fixed cell (cached until the next scroll or size change).
    CCellID TopLeftNonFixedCell() const;
    // Visible non-fixed range; maxRow/maxCol are the last (partly) visible ones.
    CCellRange VisibleNonFixedCellRange() const;
    // Rectangle of a visible cell in client coordinates: the right and bottom pixels are the grid
    // lines and are not part of it. False when the cell is not on screen.
    bool CellRect(int nRow, int nCol, wxRect& rect) const;
    // The cell under a client point (fixed cells included); invalid when none.
    CCellID CellFromPoint(wxPoint pt) const;
    int ScrollPosV() const { return m_nVScrollPos; }
    int ScrollPosH() const { return m_nHScrollPos; }
    void SetScrollPosV(int nPos);
    void SetScrollPosH(int nPos);
    void EnsureVisible(int nRow, int nCol);

    // ---- appearance ----
    void SetImageList(wxImageList* pList) { m_pImageList = pList; }
    wxImageList* GetImageList() const { return m_pImageList; }
    void SetRowSelect(bool bRowSelect);
    bool GetRowSelect() const { return m_bRowSelect; }

    // ---- sorting ----
    void SetCompareFunction(CompareFunc fn) { m_pfnCompare = std::move(fn); }
    void SortRowsBy(int nCol, bool bAscending);
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bSortAscending; }
    void ResetSortColumn();

    // ---- selection and focus ----
    void MarkRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, bool bForceRepaint = false,
                   bool bSelect = true);
    void SelectEverything();
    void MoveFocus(int nRow, int nCol);
    CCellID FocusCell() const { return m_idCurrentCell; }
    CCellID SelectionStartCell() const { return m_SelectionStartCell; }
    bool CellSelected(int nRow, int nCol) const;
    int NextSelectedRow(int nAfterRow) const;
    CCellRange SelectionBounds() const;
    size_t SelectedCellCount() const { return m_SelectedCellMap.size(); }
    void SelectRowAndScroll(int nRow);
    // Selected cells as text: tab between columns, CR LF between rows, none after the last.
    wxString SelectionText() const;
    // Puts SelectionText() on the clipboard; false when nothing is selected or it failed.
    bool CopySelection();
    void ClearSelection();

    bool IsModified() const { return m_bModified; }
    void SetModified(bool b) { m_bModified = b; }
    int MouseMode() const { return m_MouseMode; }
    CTitleTip* TitleTip() const { return m_pTitleTip; }

    // Draws the whole grid into dc (client coordinates). Public so a test or a caller can render
    // it off-screen.
    void PaintGrid(wxDC& dc);
    // Number of cells drawn by the last PaintGrid.
    int LastPaintCellCount() const { return m_nLastPaintCells; }

    // ---- settings (fields; change them on the UI thread, then Refresh()) ----
    wxColour m_crGridLineColour{192, 192, 192};
    int m_nGridLines = GVL_BOTH;
    wxColour m_crWindowColour;     // background outside the cells
    wxColour m_crFocusSelBkColour; // selected back colour of the focus cell
    wxColour m_crSelBkColour;      // selected back colour of other cells
    wxColour m_crFocusSelTextColour;
    wxColour m_crSelTextColour;
    bool m_bSunkenHeaders = true;
    bool m_bFocusFrame = true;
    bool m_bOffscreen = true;
    // Drawing switch and "no paint in progress"; the owner switches drawing off around a rebuild
    // and waits for m_bPaintDone.
    std::atomic<bool> m_bPaintOn{true};
    std::atomic<bool> m_bPaintDone{true};
    bool m_bSelectable = true;
    bool m_bFindOpen = false;
    bool m_bCellTips = true;
    bool m_bHeaderSort = false;
    bool m_bRenumberRows = true;
    bool m_bDragOut = false;
    bool m_bColumnSizing = true;
    bool m_bWantTab = true;
    int m_nAutoSizeStyle = GVS_BOTH;
    int m_nResizeCaptureRange = 3;
    int m_nAutoScrollInterval = 25;
    int m_nRowsPerWheelNotch = 3;

  protected:
    static uint64_t MakeKey(int nRow, int nCol) { return (uint64_t(uint32_t(nRow)) << 32) | uint32_t(nCol); }
    static int KeyRow(uint64_t key) { return static_cast<int>(key >> 32); }
    static int KeyCol(uint64_t key) { return static_cast<int>(key & 0xFFFFFFFFu); }

    void InitDefaults();
    CGridCellBase* MakeCell(int nRow, int nCol);
    void SetFixedBits(int nRow, int nCol);
    // Drops selection entries and cell ids at or beyond the given row or column.
    void ForgetSelectionFrom(int nFirstRow, int nFirstCol);
    // Recomputes the scroll ranges; the native bars follow at once or on the next event pass.
    void ResetScrollBars(bool bApplyNow = true);
    void ApplyScrollBars();
    void InvalidateTopLeft();
    int RowTop(int nRow) const;     // client y of a visible row's top, or INT_MIN
    int ColumnLeft(int nCol) const; // client x of a visible column's left edge, or INT_MIN
    void RedrawCell(int nRow, int nCol);
    void RedrawRow(int nRow);
    void SendNotify(int nCode, int nRow, int nCol);
    void PostClickCommand();
    void SelectCell(int nRow, int nCol, bool bSelect);
    void OnHeaderClick(int nCol);
    void Renumber();
    void QuickSort(int nLow, int nHigh, int nCol, bool bAscending);
    int CompareRows(int nRowA, int nRowB, int nCol) const;
    int CompareCells(const CGridCellBase* a, const CGridCellBase* b) const;
    void SwapRows(int nRowA, int nRowB);
    // Selects from idStart to idEnd: whole rows or the rectangle; bOnlyEnd takes idEnd alone.
    void SelectRange(CCellID idStart, CCellID idEnd, bool bRows, bool bOnlyEnd);
    // Extends from the selection start to `cell` by the current mouse mode.
    void SelectToCell(CCellID cell);
    void EmptyPrevSelection();
    void KeepSelectionAsPrev();
    int ColumnDivideAt(wxPoint pt) const; // column whose right edge is under pt in the header, or -1
    bool IsOverColumnDivide(wxPoint pt) const;
    void ScrollLines(int nOrient, int nLines);
    void ScrollPage(int nOrient, int nPages);
    CCellID NextCellForKey(int nKey, bool bShift, bool bCtrl);
    bool HandleMoveKey(int nKey, bool bShift, bool bCtrl);
    void ShowTitleTip(CCellID cell);
    void HideTitleTip();
    void FitVisibleColumns();
    void BeginDragOut();

    // Event handlers.
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnScrollWin(wxScrollWinEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnLeftDClick(wxMouseEvent& event);
    void OnRightUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnSysColourChanged(wxSysColourChangedEvent& event);
    // The standard copy and select-all commands.
    void OnEditCommand(wxCommandEvent& event);
    void OnUpdateEditCommand(wxUpdateUIEvent& event);

    // Table.
    int m_nRows = 0, m_nFixedRows = 0, m_nCols = 0, m_nFixedCols = 0;
    std::vector<int> m_arRowHeights, m_arColWidths;
    std::vector<std::vector<std::unique_ptr<CGridCellBase>>> m_RowData;
    int64_t m_nTotalHeight = 0, m_nTotalWidth = 0; // running sums, so the scroll bars cost O(1)
    CellFactory m_pfnMakeCell;
    std::unique_ptr<CGridDefaultCell> m_cellDefault, m_cellFixedRowDef, m_cellFixedColDef,
        m_cellFixedRowColDef;
    wxImageList* m_pImageList = nullptr;
    bool m_bRowSelect = false;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    CompareFunc m_pfnCompare;
    bool m_bModified = false;

    // Scrolling and layout.
    int m_nVScrollPos = 0, m_nHScrollPos = 0;
    int m_nVScrollMax = 0, m_nHScrollMax = 0; // largest positions
    mutable bool m_bTopLeftValid = false;
    mutable CCellID m_idTopLeftCell;
    mutable bool m_bVisibleValid = false;
    mutable CCellRange m_VisibleRange;
    bool m_bScrollPending = false;
    wxBitmap m_bmpOffscreen;
    wxColour m_clrSysWindowText, m_clrSysWindow, m_clrSysBtnFace, m_clrSysBtnShadow;
    bool m_bInSize = false;
    int m_nLastPaintCells = 0;

    // Selection. Keys are row << 32 | column, in row-major order, so the next selected row is a
    // lookup; a key of column * 65536 + row would mix up cells of tables beyond 65535 rows.
    std::set<uint64_t> m_SelectedCellMap;
    std::vector<int> m_arSelInCol; // selected cells per column, for the selection bounds
    // The previous selection is the selection at the press (kept in place); m_PrevAdded holds the
    // cells a drag added on top of it, so extending a large selection costs only the swept cells.
    bool m_bPrevSelection = false;
    std::set<uint64_t> m_PrevAdded;
    CCellID m_idCurrentCell, m_SelectionStartCell;

    // Mouse.
    int m_MouseMode = MOUSE_NOTHING;
    bool m_bLMouseButtonDown = false;
    bool m_bSwallowLeftUp = false;
    wxPoint m_LeftClickDownPoint, m_LastMousePoint;
    CCellID m_LeftClickDownCell;
    CCellID m_idHoverCell;
    int m_nSizingCol = -1;
    int m_nTrackX = -1; // x of the divider tracking line, -1 none
    bool m_bCursorSizing = false;
    wxTimer m_AutoScrollTimer;
    CTitleTip* m_pTitleTip = nullptr;

    friend class CTitleTip;
    wxDECLARE_EVENT_TABLE();
};
