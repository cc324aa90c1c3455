// The grid's model, layout, scrolling, drawing and sorting. Mouse, keyboard and selection
// behaviour live in GridCtrlInput.cpp.
#include "grid/GridCtrl.h"
#include "grid/TitleTip.h"

#include <algorithm>
#include <climits>
#include <new>
#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/settings.h>
#include <wx/utils.h>

wxDEFINE_EVENT(EVT_GRIDCTRL_NOTIFY, CGridNotifyEvent);
wxDEFINE_EVENT(EVT_GRIDCTRL_COMMAND, wxCommandEvent);

// clang-format off
wxBEGIN_EVENT_TABLE(CGridCtrl, wxWindow)
    EVT_PAINT(CGridCtrl::OnPaint)
    EVT_SIZE(CGridCtrl::OnSize)
    EVT_SCROLLWIN(CGridCtrl::OnScrollWin)
    EVT_LEFT_DOWN(CGridCtrl::OnLeftDown)
    EVT_LEFT_UP(CGridCtrl::OnLeftUp)
    EVT_LEFT_DCLICK(CGridCtrl::OnLeftDClick)
    EVT_RIGHT_UP(CGridCtrl::OnRightUp)
    EVT_MOTION(CGridCtrl::OnMotion)
    EVT_MOUSEWHEEL(CGridCtrl::OnWheel)
    EVT_MOUSE_CAPTURE_LOST(CGridCtrl::OnCaptureLost)
    EVT_TIMER(GRID_AUTOSCROLL_TIMER_ID, CGridCtrl::OnTimer)
    EVT_KEY_DOWN(CGridCtrl::OnKeyDown)
    EVT_CHAR(CGridCtrl::OnChar)
    EVT_SYS_COLOUR_CHANGED(CGridCtrl::OnSysColourChanged)
    EVT_MENU(wxID_COPY, CGridCtrl::OnEditCommand)
    EVT_MENU(wxID_SELECTALL, CGridCtrl::OnEditCommand)
    EVT_UPDATE_UI(wxID_COPY, CGridCtrl::OnUpdateEditCommand)
    EVT_UPDATE_UI(wxID_SELECTALL, CGridCtrl::OnUpdateEditCommand)
wxEND_EVENT_TABLE()
    // clang-format on

    namespace
{

    CGridCellBase* MakeGridCell()
    {
        return new CGridCell;
    }

    // Ordinal comparison by UTF-16 code unit. wxString holds code points here, so a supplementary
    // character (a surrogate pair in UTF-16) must sort below U+E000..U+FFFF, as its high surrogate does.
    int CompareUtf16(const wxString& a, const wxString& b)
    {
        const wxStringCharType* pa = a.wx_str();
        const wxStringCharType* pb = b.wx_str();
        size_t na = a.length(), nb = b.length();
        size_t n = std::min(na, nb);
        for (size_t i = 0; i < n; ++i) {
            uint32_t ca = static_cast<uint32_t>(pa[i]), cb = static_cast<uint32_t>(pb[i]);
            if (ca == cb)
                continue;
            if ((ca >= 0x10000) != (cb >= 0x10000)) {
                uint32_t ua = ca >= 0x10000 ? 0xD800 + ((ca - 0x10000) >> 10) : ca;
                uint32_t ub = cb >= 0x10000 ? 0xD800 + ((cb - 0x10000) >> 10) : cb;
                if (ua != ub)
                    return ua < ub ? -1 : 1;
                return ca >= 0x10000 ? 1 : -1; // a lone high surrogate against its pair
            }
            return ca < cb ? -1 : 1;
        }
        return na == nb ? 0 : (na < nb ? -1 : 1);
    }

} // namespace

CGridCtrl::CGridCtrl() : m_pfnMakeCell(MakeGridCell), m_AutoScrollTimer(this, GRID_AUTOSCROLL_TIMER_ID)
{
    InitDefaults();
}

CGridCtrl::CGridCtrl(wxWindow* pParent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
    : CGridCtrl()
{
    Create(pParent, id, pos, size, style);
}

void CGridCtrl::InitDefaults()
{
    m_clrSysWindowText = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    m_clrSysWindow = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    m_clrSysBtnFace = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    m_clrSysBtnShadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    m_crWindowColour = m_clrSysBtnShadow;
    m_crFocusSelBkColour = m_crSelBkColour = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    m_crFocusSelTextColour = m_crSelTextColour = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);

    m_cellDefault = std::make_unique<CGridDefaultCell>();
    m_cellFixedRowDef = std::make_unique<CGridDefaultCell>();
    m_cellFixedColDef = std::make_unique<CGridDefaultCell>();
    m_cellFixedRowColDef = std::make_unique<CGridDefaultCell>();
    m_cellDefault->SetTextClr(m_clrSysWindowText);
    m_cellDefault->SetBackClr(m_clrSysWindow);
    for (CGridDefaultCell* p :
         {m_cellFixedRowDef.get(), m_cellFixedColDef.get(), m_cellFixedRowColDef.get()}) {
        p->SetTextClr(m_clrSysWindowText);
        p->SetBackClr(m_clrSysBtnFace);
    }
    m_cellDefault->SetGrid(this);
    m_cellFixedRowDef->SetGrid(this);
    m_cellFixedColDef->SetGrid(this);
    m_cellFixedRowColDef->SetGrid(this);
    m_cellFixedRowDef->SetState(GVIS_FIXED | GVIS_FIXEDROW);
    m_cellFixedColDef->SetState(GVIS_FIXED | GVIS_FIXEDCOL);
    m_cellFixedRowColDef->SetState(GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL);
}

bool CGridCtrl::Create(wxWindow* pParent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxWindow::Create(pParent, id, pos, size,
                          style | wxWANTS_CHARS | wxVSCROLL | wxHSCROLL | wxFULL_REPAINT_ON_RESIZE,
                          "MyGridCtrl"))
        return false;
    SetBackgroundColour(m_clrSysBtnFace);
    SetCursor(*wxSTANDARD_CURSOR);
    ResetScrollBars();
    return true;
}

CGridCtrl::~CGridCtrl()
{
    m_AutoScrollTimer.Stop();
    if (HasCapture())
        ReleaseMouse();
    if (m_pTitleTip) {
        m_pTitleTip->Hide();
        m_pTitleTip->Destroy();
        m_pTitleTip = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Table

CGridCellBase* CGridCtrl::MakeCell(int nRow, int nCol)
{
    CGridCellBase* pCell = m_pfnMakeCell ? m_pfnMakeCell() : MakeGridCell();
    pCell->SetGrid(this);
    pCell->SetCoords(nRow, nCol);
    uint32_t nState = 0;
    if (nRow < m_nFixedRows)
        nState |= GVIS_FIXED | GVIS_FIXEDROW;
    if (nCol < m_nFixedCols)
        nState |= GVIS_FIXED | GVIS_FIXEDCOL;
    pCell->SetState(nState);
    return pCell;
}

void CGridCtrl::SetFixedBits(int nRow, int nCol)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return;
    uint32_t nState = pCell->GetState() & ~(GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL);
    if (nRow < m_nFixedRows)
        nState |= GVIS_FIXED | GVIS_FIXEDROW;
    if (nCol < m_nFixedCols)
        nState |= GVIS_FIXED | GVIS_FIXEDCOL;
    pCell->SetState(nState);
}

void CGridCtrl::ForgetSelectionFrom(int nFirstRow, int nFirstCol)
{
    for (auto it = m_SelectedCellMap.begin(); it != m_SelectedCellMap.end();) {
        int r = KeyRow(*it), c = KeyCol(*it);
        if (r >= nFirstRow || c >= nFirstCol) {
            if (c < static_cast<int>(m_arSelInCol.size()))
                --m_arSelInCol[c];
            m_PrevAdded.erase(*it);
            it = m_SelectedCellMap.erase(it);
        } else {
            ++it;
        }
    }
    if (m_idCurrentCell.row >= nFirstRow || m_idCurrentCell.col >= nFirstCol)
        m_idCurrentCell = CCellID();
    if (m_SelectionStartCell.row >= nFirstRow || m_SelectionStartCell.col >= nFirstCol)
        m_SelectionStartCell = CCellID();
    if (m_idHoverCell.row >= nFirstRow || m_idHoverCell.col >= nFirstCol)
        m_idHoverCell = CCellID();
    if (m_LeftClickDownCell.row >= nFirstRow || m_LeftClickDownCell.col >= nFirstCol)
        m_LeftClickDownCell = CCellID();
}

bool CGridCtrl::ResizeRows(int nRows)
{
    if (nRows < 0)
        return false;
    if (nRows == m_nRows)
        return true;
    if (nRows < m_nRows) {
        ForgetSelectionFrom(nRows, INT_MAX);
        for (int r = nRows; r < m_nRows; ++r)
            m_nTotalHeight -= m_arRowHeights[r];
        m_RowData.resize(nRows);
        m_arRowHeights.resize(nRows);
        m_bModified = true;
    } else {
        try {
            m_RowData.reserve(nRows);
            m_arRowHeights.reserve(nRows);
            for (int r = m_nRows; r < nRows; ++r) {
                std::vector<std::unique_ptr<CGridCellBase>> row(m_nCols);
                for (int c = 0; c < m_nCols; ++c)
                    row[c].reset(MakeCell(r, c));
                int h = DefaultCell(r < m_nFixedRows, false)->GetHeight();
                m_RowData.push_back(std::move(row));
                m_arRowHeights.push_back(h);
                m_nTotalHeight += h;
            }
        } catch (const std::bad_alloc&) {
            // Keep what was added so far consistent.
            nRows = static_cast<int>(std::min(m_RowData.size(), m_arRowHeights.size()));
            m_RowData.resize(nRows);
            for (int r = nRows; r < static_cast<int>(m_arRowHeights.size()); ++r)
                m_nTotalHeight -= m_arRowHeights[r];
            m_arRowHeights.resize(nRows);
            m_nRows = nRows;
            ResetScrollBars();
            return false;
        }
    }
    m_nRows = nRows;
    if (m_nFixedRows > m_nRows)
        m_nFixedRows = m_nRows;
    ResetScrollBars();
    Refresh();
    return true;
}

bool CGridCtrl::ResizeColumns(int nCols)
{
    if (nCols < 0)
        return false;
    if (nCols == m_nCols)
        return true;
    if (nCols < m_nCols) {
        ForgetSelectionFrom(INT_MAX, nCols);
        for (int c = nCols; c < m_nCols; ++c)
            m_nTotalWidth -= m_arColWidths[c];
        for (auto& row : m_RowData)
            row.resize(nCols);
        m_arColWidths.resize(nCols);
        m_arSelInCol.resize(nCols);
        m_bModified = true;
    } else {
        try {
            for (int r = 0; r < m_nRows; ++r) {
                auto& row = m_RowData[r];
                row.reserve(nCols);
                for (int c = m_nCols; c < nCols; ++c)
                    row.emplace_back(MakeCell(r, c));
            }
            for (int c = m_nCols; c < nCols; ++c) {
                int w = DefaultCell(false, c < m_nFixedCols)->GetWidth();
                m_arColWidths.push_back(w);
                m_nTotalWidth += w;
            }
            m_arSelInCol.resize(nCols, 0);
        } catch (const std::bad_alloc&) {
            for (auto& row : m_RowData)
                row.resize(m_nCols);
            for (int c = m_nCols; c < static_cast<int>(m_arColWidths.size()); ++c)
                m_nTotalWidth -= m_arColWidths[c];
            m_arColWidths.resize(m_nCols);
            m_arSelInCol.resize(m_nCols);
            return false;
        }
    }
    m_nCols = nCols;
    if (m_nFixedCols > m_nCols)
        m_nFixedCols = m_nCols;
    ResetScrollBars();
    Refresh();
    return true;
}

bool CGridCtrl::SetHeaderRows(int nFixedRows)
{
    if (nFixedRows < 0)
        return false;
    if (nFixedRows > m_nRows && !ResizeRows(nFixedRows))
        return false;
    m_nFixedRows = nFixedRows;
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            SetFixedBits(r, c);
    if (m_idCurrentCell.IsValid() && m_idCurrentCell.row < m_nFixedRows)
        MoveFocus(-1, -1);
    ResetScrollBars();
    Refresh();
    return true;
}

bool CGridCtrl::SetHeaderColumns(int nFixedCols)
{
    if (nFixedCols < 0)
        return false;
    if (nFixedCols > m_nCols && !ResizeColumns(nFixedCols))
        return false;
    m_nFixedCols = nFixedCols;
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            SetFixedBits(r, c);
    if (m_idCurrentCell.IsValid() && m_idCurrentCell.col < m_nFixedCols)
        MoveFocus(-1, -1);
    ResetScrollBars();
    Refresh();
    return true;
}

int CGridCtrl::AppendRow()
{
    if (m_nCols == 0 && !ResizeColumns(1))
        return -1;
    int nRow = m_nRows;
    int h = m_cellFixedRowDef->GetHeight();
    try {
        std::vector<std::unique_ptr<CGridCellBase>> row(m_nCols);
        for (int c = 0; c < m_nCols; ++c)
            row[c].reset(MakeCell(nRow, c));
        m_arRowHeights.reserve(nRow + 1);
        m_RowData.push_back(std::move(row));
        m_arRowHeights.push_back(h);
    } catch (const std::bad_alloc&) {
        m_RowData.resize(nRow);
        m_arRowHeights.resize(nRow);
        return -1;
    }
    m_nTotalHeight += h;
    m_nRows = nRow + 1;
    m_RowData[nRow][0]->SetText(wxString());
    ResetSortColumn();
    // The new row is on screen only when the table ended on screen.
    if (m_bVisibleValid && m_VisibleRange.maxRow >= nRow - 1)
        m_bVisibleValid = false;
    ResetScrollBars(false);
    RedrawRow(nRow);
    return nRow;
}

void CGridCtrl::ClearGrid()
{
    HideTitleTip();
    ClearSelection();
    EmptyPrevSelection();
    m_idCurrentCell = m_SelectionStartCell = m_idHoverCell = m_LeftClickDownCell = CCellID();
    m_RowData.clear();
    m_arRowHeights.clear();
    m_arColWidths.clear();
    m_arSelInCol.clear();
    m_nRows = m_nFixedRows = m_nCols = m_nFixedCols = 0;
    m_nTotalHeight = m_nTotalWidth = 0;
    m_nSortColumn = -1;
    m_bModified = true;
    ResetScrollBars();
    Refresh();
}

// ---------------------------------------------------------------------------------------------
// Cells

CGridCellBase* CGridCtrl::CellAt(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols)
        return nullptr;
    return m_RowData[nRow][nCol].get();
}

CGridDefaultCell* CGridCtrl::DefaultCell(bool bFixedRow, bool bFixedCol) const
{
    if (bFixedRow && bFixedCol)
        return m_cellFixedRowColDef.get();
    if (bFixedRow)
        return m_cellFixedRowDef.get();
    if (bFixedCol)
        return m_cellFixedColDef.get();
    return m_cellDefault.get();
}

bool CGridCtrl::PutCellText(int nRow, int nCol, const wxString& strText)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetText(strText);
    pCell->SetState(pCell->GetState() | GVIS_MODIFIED);
    m_bModified = true;
    if (nCol == m_nSortColumn)
        ResetSortColumn();
    RedrawCell(nRow, nCol);
    return true;
}

wxString CGridCtrl::CellText(int nRow, int nCol) const
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    return pCell ? pCell->GetText() : wxString();
}

bool CGridCtrl::PutCellData(int nRow, int nCol, uint32_t lParam)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetData(lParam);
    return true;
}

uint32_t CGridCtrl::CellData(int nRow, int nCol) const
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    return pCell ? pCell->GetData() : 0;
}

bool CGridCtrl::PutCellImage(int nRow, int nCol, int nImage)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetImage(nImage);
    RedrawCell(nRow, nCol);
    return true;
}

int CGridCtrl::CellImage(int nRow, int nCol) const
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    return pCell ? pCell->GetImage() : -1;
}

bool CGridCtrl::PutCellState(int nRow, int nCol, uint32_t nState)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return false;
    bool bWas = pCell->IsSelected();
    bool bNow = (nState & GVIS_SELECTED) != 0;
    if (bWas != bNow)
        SelectCell(nRow, nCol, bNow); // keeps the map in step
    pCell->SetState(nState);
    RedrawCell(nRow, nCol);
    return true;
}

uint32_t CGridCtrl::CellState(int nRow, int nCol) const
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    return pCell ? pCell->GetState() : 0;
}

// ---------------------------------------------------------------------------------------------
// Sizes

int CGridCtrl::ColumnWidth(int nCol) const
{
    return nCol >= 0 && nCol < m_nCols ? m_arColWidths[nCol] : 0;
}

int CGridCtrl::RowHeight(int nRow) const
{
    return nRow >= 0 && nRow < m_nRows ? m_arRowHeights[nRow] : 0;
}

bool CGridCtrl::PutColumnWidth(int nCol, int nWidth)
{
    if (nCol < 0 || nCol >= m_nCols || nWidth < 0)
        return false;
    m_nTotalWidth += nWidth - m_arColWidths[nCol];
    m_arColWidths[nCol] = nWidth;
    ResetScrollBars();
    Refresh();
    return true;
}

bool CGridCtrl::PutRowHeight(int nRow, int nHeight)
{
    if (nRow < 0 || nRow >= m_nRows || nHeight < 0)
        return false;
    m_nTotalHeight += nHeight - m_arRowHeights[nRow];
    m_arRowHeights[nRow] = nHeight;
    ResetScrollBars();
    Refresh();
    return true;
}

void CGridCtrl::FitRowHeights()
{
    wxBitmap bmp(1, 1);
    wxMemoryDC dc(bmp);
    for (int r = 0; r < m_nRows; ++r) {
        if (m_arRowHeights[r] <= 0)
            continue;
        int h = 0;
        for (int c = 0; c < m_nCols; ++c)
            h = std::max(h, m_RowData[r][c]->GetCellExtent(&dc).y);
        m_nTotalHeight += h - m_arRowHeights[r];
        m_arRowHeights[r] = h;
    }
    ResetScrollBars();
    Refresh();
}

bool CGridCtrl::FitColumnWidth(int nCol, int nAutoSizeStyle)
{
    if (nCol < 0 || nCol >= m_nCols)
        return false;
    if (nAutoSizeStyle < 0)
        nAutoSizeStyle = m_nAutoSizeStyle;
    int nStart = (nAutoSizeStyle & GVS_HEADER) ? 0 : m_nFixedRows;
    int nEnd = (nAutoSizeStyle & GVS_DATA) ? m_nRows : m_nFixedRows;
    wxScreenDC dc;
    int w = 0;
    for (int r = nStart; r < nEnd; ++r)
        w = std::max(w, m_RowData[r][nCol]->GetCellExtent(&dc).x);
    return PutColumnWidth(nCol, w + 1);
}

int CGridCtrl::FixedRowHeight() const
{
    int h = 0;
    for (int r = 0; r < m_nFixedRows; ++r)
        h += m_arRowHeights[r];
    return h;
}

int CGridCtrl::FixedColumnWidth() const
{
    int w = 0;
    for (int c = 0; c < m_nFixedCols; ++c)
        w += m_arColWidths[c];
    return w;
}

// ---------------------------------------------------------------------------------------------
// Layout and scrolling

void CGridCtrl::ResetScrollBars(bool bApplyNow)
{
    InvalidateTopLeft();
    wxSize client = GetHandle() ? GetClientSize() : wxSize(0, 0);
    m_nVScrollMax = m_nTotalHeight > client.y ? static_cast<int>(m_nTotalHeight - client.y) : 0;
    m_nHScrollMax = m_nTotalWidth > client.x ? static_cast<int>(m_nTotalWidth - client.x) : 0;
    m_nVScrollPos = std::clamp(m_nVScrollPos, 0, m_nVScrollMax);
    m_nHScrollPos = std::clamp(m_nHScrollPos, 0, m_nHScrollMax);
    if (!GetHandle())
        return;
    // Native scroll bar calls are costly; while rows are appended one by one they are coalesced.
    if (bApplyNow) {
        ApplyScrollBars();
    } else if (!m_bScrollPending) {
        m_bScrollPending = true;
        CallAfter([this] { ApplyScrollBars(); });
    }
}

void CGridCtrl::ApplyScrollBars()
{
    m_bScrollPending = false;
    wxSize client = GetClientSize();
    if (m_nTotalHeight > client.y)
        SetScrollbar(wxVERTICAL, m_nVScrollPos, client.y, static_cast<int>(m_nTotalHeight));
    else
        SetScrollbar(wxVERTICAL, 0, 0, 0);
    if (m_nTotalWidth > client.x)
        SetScrollbar(wxHORIZONTAL, m_nHScrollPos, client.x, static_cast<int>(m_nTotalWidth));
    else
        SetScrollbar(wxHORIZONTAL, 0, 0, 0);
}

void CGridCtrl::InvalidateTopLeft()
{
    m_bTopLeftValid = false;
    m_bVisibleValid = false;
}

CCellID CGridCtrl::TopLeftNonFixedCell() const
{
    if (m_bTopLeftValid)
        return m_idTopLeftCell;
    int nRow = m_nFixedRows, nTop = 0;
    while (nRow < m_nRows - 1 && nTop + m_arRowHeights[nRow] <= m_nVScrollPos)
        nTop += m_arRowHeights[nRow++];
    int nCol = m_nFixedCols, nLeft = 0;
    while (nCol < m_nCols - 1 && nLeft + m_arColWidths[nCol] <= m_nHScrollPos)
        nLeft += m_arColWidths[nCol++];
    m_idTopLeftCell = CCellID(nRow, nCol);
    m_bTopLeftValid = true;
    return m_idTopLeftCell;
}

CCellRange CGridCtrl::VisibleNonFixedCellRange() const
{
    if (m_bVisibleValid)
        return m_VisibleRange;
    CCellID tl = TopLeftNonFixedCell();
    wxSize client = GetHandle() ? GetClientSize() : wxSize(0, 0);
    int y = FixedRowHeight(), nMaxRow = tl.row - 1;
    for (int r = tl.row; r < m_nRows && y < client.y; ++r) {
        y += m_arRowHeights[r];
        nMaxRow = r;
    }
    int x = FixedColumnWidth(), nMaxCol = tl.col - 1;
    for (int c = tl.col; c < m_nCols && x < client.x; ++c) {
        x += m_arColWidths[c];
        nMaxCol = c;
    }
    m_VisibleRange = CCellRange(tl.row, tl.col, nMaxRow, nMaxCol);
    m_bVisibleValid = true;
    return m_VisibleRange;
}

int CGridCtrl::RowTop(int nRow) const
{
    if (nRow < 0 || nRow >= m_nRows)
        return INT_MIN;
    if (nRow < m_nFixedRows) {
        int y = 0;
        for (int r = 0; r < nRow; ++r)
            y += m_arRowHeights[r];
        return y;
    }
    CCellRange vis = VisibleNonFixedCellRange();
    if (nRow < vis.minRow || nRow > vis.maxRow)
        return INT_MIN;
    int y = FixedRowHeight();
    for (int r = vis.minRow; r < nRow; ++r)
        y += m_arRowHeights[r];
    return y;
}

int CGridCtrl::ColumnLeft(int nCol) const
{
    if (nCol < 0 || nCol >= m_nCols)
        return INT_MIN;
    if (nCol < m_nFixedCols) {
        int x = 0;
        for (int c = 0; c < nCol; ++c)
            x += m_arColWidths[c];
        return x;
    }
    CCellRange vis = VisibleNonFixedCellRange();
    if (nCol < vis.minCol || nCol > vis.maxCol)
        return INT_MIN;
    int x = FixedColumnWidth();
    for (int c = vis.minCol; c < nCol; ++c)
        x += m_arColWidths[c];
    return x;
}

bool CGridCtrl::CellRect(int nRow, int nCol, wxRect& rect) const
{
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols)
        return false;
    if (m_arRowHeights[nRow] <= 0 || m_arColWidths[nCol] <= 0)
        return false;
    int y = RowTop(nRow), x = ColumnLeft(nCol);
    if (y == INT_MIN || x == INT_MIN)
        return false;
    rect = wxRect(x, y, m_arColWidths[nCol] - 1, m_arRowHeights[nRow] - 1);
    return true;
}

CCellID CGridCtrl::CellFromPoint(wxPoint pt) const
{
    wxSize client = GetClientSize();
    if (pt.x < 0 || pt.y < 0 || pt.x >= client.x || pt.y >= client.y)
        return CCellID();
    CCellID id;
    int y = 0;
    for (int r = 0; r < m_nFixedRows && id.row < 0; ++r) {
        if (pt.y < y + m_arRowHeights[r])
            id.row = r;
        y += m_arRowHeights[r];
    }
    if (id.row < 0) {
        CCellRange vis = VisibleNonFixedCellRange();
        for (int r = vis.minRow; r <= vis.maxRow && r >= 0; ++r) {
            if (pt.y < y + m_arRowHeights[r]) {
                id.row = r;
                break;
            }
            y += m_arRowHeights[r];
        }
    }
    int x = 0;
    for (int c = 0; c < m_nFixedCols && id.col < 0; ++c) {
        if (pt.x < x + m_arColWidths[c])
            id.col = c;
        x += m_arColWidths[c];
    }
    if (id.col < 0) {
        CCellRange vis = VisibleNonFixedCellRange();
        for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c) {
            if (pt.x < x + m_arColWidths[c]) {
                id.col = c;
                break;
            }
            x += m_arColWidths[c];
        }
    }
    return id.IsValid() ? id : CCellID();
}

void CGridCtrl::SetScrollPosV(int nPos)
{
    nPos = std::clamp(nPos, 0, m_nVScrollMax);
    if (nPos == m_nVScrollPos)
        return;
    m_nVScrollPos = nPos;
    InvalidateTopLeft();
    HideTitleTip();
    if (GetHandle() && !m_bScrollPending)
        SetScrollPos(wxVERTICAL, nPos);
    Refresh();
}

void CGridCtrl::SetScrollPosH(int nPos)
{
    nPos = std::clamp(nPos, 0, m_nHScrollMax);
    if (nPos == m_nHScrollPos)
        return;
    m_nHScrollPos = nPos;
    InvalidateTopLeft();
    HideTitleTip();
    if (GetHandle() && !m_bScrollPending)
        SetScrollPos(wxHORIZONTAL, nPos);
    Refresh();
}

void CGridCtrl::EnsureVisible(int nRow, int nCol)
{
    wxSize client = GetClientSize();
    if (nRow >= m_nFixedRows && nRow < m_nRows) {
        // Position of the row in the scrolled area.
        int64_t top = 0;
        for (int r = m_nFixedRows; r < nRow; ++r)
            top += m_arRowHeights[r];
        int64_t bottom = top + m_arRowHeights[nRow];
        int nView = client.y - FixedRowHeight();
        if (top < m_nVScrollPos)
            SetScrollPosV(static_cast<int>(top));
        else if (bottom > m_nVScrollPos + nView)
            SetScrollPosV(static_cast<int>(std::min<int64_t>(top, bottom - nView)));
    }
    if (nCol >= m_nFixedCols && nCol < m_nCols) {
        int64_t left = 0;
        for (int c = m_nFixedCols; c < nCol; ++c)
            left += m_arColWidths[c];
        int64_t right = left + m_arColWidths[nCol];
        int nView = client.x - FixedColumnWidth();
        if (left < m_nHScrollPos)
            SetScrollPosH(static_cast<int>(left));
        else if (right > m_nHScrollPos + nView)
            SetScrollPosH(static_cast<int>(std::min<int64_t>(left, right - nView)));
    }
}

void CGridCtrl::RedrawCell(int nRow, int nCol)
{
    if (!GetHandle() || !IsShown())
        return;
    wxRect rect;
    if (CellRect(nRow, nCol, rect)) {
        rect.width += 1;
        rect.height += 1;
        RefreshRect(rect, false);
    }
}

void CGridCtrl::RedrawRow(int nRow)
{
    if (!GetHandle() || !IsShown())
        return;
    int y = RowTop(nRow);
    if (y != INT_MIN)
        RefreshRect(wxRect(0, y, GetClientSize().x, m_arRowHeights[nRow]), false);
}

void CGridCtrl::SetRowSelect(bool bRowSelect)
{
    ClearSelection();
    EmptyPrevSelection();
    MoveFocus(-1, -1);
    ResetSortColumn();
    m_bRowSelect = bRowSelect;
    Refresh();
}

// ---------------------------------------------------------------------------------------------
// Drawing

void CGridCtrl::OnPaint(wxPaintEvent&)
{
    wxPaintDC pdc(this);
    if (!m_bOffscreen) {
        PaintGrid(pdc);
        return;
    }
    wxRect box = GetUpdateRegion().GetBox();
    if (box.IsEmpty())
        box = wxRect(GetClientSize());
    if (box.IsEmpty())
        return;
    if (!m_bmpOffscreen.IsOk() || m_bmpOffscreen.GetWidth() < box.width ||
        m_bmpOffscreen.GetHeight() < box.height)
        m_bmpOffscreen.Create(box.width, box.height);
    wxMemoryDC mdc(m_bmpOffscreen);
    mdc.SetBackground(wxBrush(GetBackgroundColour()));
    mdc.Clear();
    mdc.SetDeviceOrigin(-box.x, -box.y);
    PaintGrid(mdc);
    mdc.SetDeviceOrigin(0, 0);
    pdc.Blit(box.x, box.y, box.width, box.height, &mdc, 0, 0);
}

void CGridCtrl::PaintGrid(wxDC& dc)
{
    m_bPaintDone = false;
    if (!m_bPaintOn) {
        m_bPaintDone = true;
        return;
    }
    m_nLastPaintCells = 0;
    wxSize client = GetClientSize();
    int nFixedH = FixedRowHeight(), nFixedW = FixedColumnWidth();
    CCellRange vis = VisibleNonFixedCellRange();

    // Right and bottom ends of what the cells cover.
    int nRight = nFixedW, nBottom = nFixedH;
    for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c)
        nRight += m_arColWidths[c];
    for (int r = vis.minRow; r <= vis.maxRow && r >= 0; ++r)
        nBottom += m_arRowHeights[r];
    nRight = std::min(nRight, client.x);
    nBottom = std::min(nBottom, client.y);

    // Erase.
    dc.SetPen(*wxTRANSPARENT_PEN);
    auto fill = [&dc](const wxColour& clr, int x, int y, int w, int h) {
        if (w <= 0 || h <= 0)
            return;
        dc.SetBrush(wxBrush(clr));
        dc.DrawRectangle(x, y, w, h);
    };
    fill(m_cellFixedRowColDef->GetBackClr(), 0, 0, nFixedW, nFixedH);
    fill(m_cellFixedRowDef->GetBackClr(), nFixedW, 0, nRight - nFixedW, nFixedH);
    fill(m_cellFixedColDef->GetBackClr(), 0, nFixedH, nFixedW, nBottom - nFixedH);
    fill(m_cellDefault->GetBackClr(), nFixedW, nFixedH, nRight - nFixedW, nBottom - nFixedH);
    fill(m_crWindowColour, nRight, 0, client.x - nRight, client.y);
    fill(m_crWindowColour, 0, nBottom, nRight, client.y - nBottom);

    auto drawCell = [&](int r, int c, int x, int y) {
        int w = m_arColWidths[c], h = m_arRowHeights[r];
        if (w <= 0 || h <= 0)
            return;
        m_RowData[r][c]->Draw(dc, r, c, wxRect(x, y, w - 1, h - 1), false);
        ++m_nLastPaintCells;
    };

    // Fixed corner, fixed cells of the visible rows, fixed cells of the visible columns.
    int y = 0;
    for (int r = 0; r < m_nFixedRows; ++r) {
        int x = 0;
        for (int c = 0; c < m_nFixedCols; ++c) {
            drawCell(r, c, x, y);
            x += m_arColWidths[c];
        }
        y += m_arRowHeights[r];
    }
    y = nFixedH;
    for (int r = vis.minRow; r <= vis.maxRow && r >= 0; ++r) {
        int x = 0;
        for (int c = 0; c < m_nFixedCols; ++c) {
            drawCell(r, c, x, y);
            x += m_arColWidths[c];
        }
        y += m_arRowHeights[r];
    }
    y = 0;
    for (int r = 0; r < m_nFixedRows; ++r) {
        int x = nFixedW;
        for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c) {
            drawCell(r, c, x, y);
            x += m_arColWidths[c];
        }
        y += m_arRowHeights[r];
    }

    // Grid lines at the right and bottom edge of each visible column and row.
    if (m_nGridLines != GVL_NONE) {
        dc.SetPen(wxPen(m_crGridLineColour, 1, wxPENSTYLE_SOLID));
        if (m_nGridLines & GVL_VERT) {
            int x = 0;
            auto line = [&](int c) {
                x += m_arColWidths[c];
                if (m_arColWidths[c] > 0)
                    dc.DrawLine(x - 1, 0, x - 1, nBottom);
            };
            for (int c = 0; c < m_nFixedCols; ++c)
                line(c);
            for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c)
                line(c);
        }
        if (m_nGridLines & GVL_HORZ) {
            int yy = 0;
            auto line = [&](int r) {
                yy += m_arRowHeights[r];
                if (m_arRowHeights[r] > 0)
                    dc.DrawLine(0, yy - 1, nRight, yy - 1);
            };
            for (int r = 0; r < m_nFixedRows; ++r)
                line(r);
            for (int r = vis.minRow; r <= vis.maxRow && r >= 0; ++r)
                line(r);
        }
    }

    // The visible non-fixed cells.
    y = nFixedH;
    for (int r = vis.minRow; r <= vis.maxRow && r >= 0; ++r) {
        int x = nFixedW;
        for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c) {
            drawCell(r, c, x, y);
            x += m_arColWidths[c];
        }
        y += m_arRowHeights[r];
    }

    // The tracking line of a divider drag.
    if (m_MouseMode == MOUSE_SIZING_COL && m_nTrackX >= 0) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(*wxBLACK_BRUSH);
        dc.DrawRectangle(m_nTrackX, 0, 2, client.y);
    }
    m_bPaintDone = true;
}

// ---------------------------------------------------------------------------------------------
// Sorting

void CGridCtrl::ResetSortColumn()
{
    if (m_nSortColumn < 0)
        return;
    int nOld = m_nSortColumn;
    m_nSortColumn = -1;
    for (int r = 0; r < m_nFixedRows; ++r)
        RedrawCell(r, nOld);
}

int CGridCtrl::CompareRows(int nRowA, int nRowB, int nCol) const
{
    const CGridCellBase* a = CellAt(nRowA, nCol);
    const CGridCellBase* b = CellAt(nRowB, nCol);
    return CompareCells(a, b);
}

int CGridCtrl::CompareCells(const CGridCellBase* a, const CGridCellBase* b) const
{
    if (!a || !b)
        return 0;
    if (m_pfnCompare)
        return m_pfnCompare(a, b);
    return CompareUtf16(a->GetText(), b->GetText());
}

void CGridCtrl::SwapRows(int nRowA, int nRowB)
{
    std::swap(m_RowData[nRowA], m_RowData[nRowB]);
    std::swap(m_arRowHeights[nRowA], m_arRowHeights[nRowB]);
}

void CGridCtrl::QuickSort(int nLow, int nHigh, int nCol, bool bAscending)
{
    // Recurse into the smaller part and loop on the larger, so the depth stays logarithmic even
    // for inputs that split badly.
    while (nLow < nHigh) {
        const CGridCellBase* pPivot = CellAt((nLow + nHigh) / 2, nCol);
        int lo = nLow, hi = nHigh;
        auto cmp = [&](int nRow) {
            int n = CompareCells(CellAt(nRow, nCol), pPivot);
            return bAscending ? n : -n;
        };
        while (lo <= hi) {
            while (lo < nHigh && cmp(lo) < 0)
                ++lo;
            while (hi > nLow && cmp(hi) > 0)
                --hi;
            if (lo <= hi) {
                if (lo != hi && CompareRows(lo, hi, nCol) != 0)
                    SwapRows(lo, hi);
                ++lo;
                --hi;
            }
        }
        if (hi - nLow < nHigh - lo) {
            if (nLow < hi)
                QuickSort(nLow, hi, nCol, bAscending);
            nLow = lo;
        } else {
            if (lo < nHigh)
                QuickSort(lo, nHigh, nCol, bAscending);
            nHigh = hi;
        }
    }
}

void CGridCtrl::SortRowsBy(int nCol, bool bAscending)
{
    if (nCol < 0 || nCol >= m_nCols)
        return;
    if (m_nSortColumn != nCol && m_nSortColumn >= 0)
        for (int r = 0; r < m_nFixedRows; ++r)
            RedrawCell(r, m_nSortColumn);
    m_nSortColumn = nCol;
    m_bSortAscending = bAscending;
    ClearSelection();
    EmptyPrevSelection();
    MoveFocus(-1, -1);
    m_SelectionStartCell = CCellID();
    QuickSort(m_nFixedRows, m_nRows - 1, nCol, bAscending);
    InvalidateTopLeft(); // row heights moved with their rows
    Refresh();
}

void CGridCtrl::Renumber()
{
    int n = 1;
    for (int r = m_nFixedRows; r < m_nRows; ++r)
        if (m_nCols > 0)
            m_RowData[r][0]->SetText(wxString::Format("%04d", n++));
}

void CGridCtrl::OnHeaderClick(int nCol)
{
    if (!m_bHeaderSort || nCol < 0 || nCol >= m_nCols)
        return;
    if (nCol != 0 || !m_bRenumberRows) {
        wxBusyCursor wait;
        bool bAscending = nCol != m_nSortColumn || !m_bSortAscending;
        SortRowsBy(nCol, bAscending);
    }
    if (m_bRenumberRows)
        Renumber();
    Refresh();
}

// ---------------------------------------------------------------------------------------------
// System colours

void CGridCtrl::OnSysColourChanged(wxSysColourChangedEvent& event)
{
    wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    for (CGridDefaultCell* p : {m_cellDefault.get(), m_cellFixedRowDef.get(), m_cellFixedColDef.get(),
                                m_cellFixedRowColDef.get()}) {
        if (p->GetTextClr() == m_clrSysWindowText)
            p->SetTextClr(text);
        if (p == m_cellDefault.get() ? p->GetBackClr() == m_clrSysWindow : p->GetBackClr() == m_clrSysBtnFace)
            p->SetBackClr(p == m_cellDefault.get() ? window : face);
    }
    if (m_crWindowColour == m_clrSysBtnShadow)
        m_crWindowColour = shadow;
    m_clrSysWindowText = text;
    m_clrSysWindow = window;
    m_clrSysBtnFace = face;
    m_clrSysBtnShadow = shadow;
    Refresh();
    event.Skip();
}
