// How the grid reacts to the user: selection, mouse, keyboard, copy, dragging out, title tips.
#include "grid/GridCtrl.h"
#include "grid/TitleTip.h"

#include <algorithm>
#include <climits>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcscreen.h>
#include <wx/dnd.h>
#include <wx/utils.h>

namespace {

// Large ranges show the wait cursor; a click's few cells should not flicker it.
constexpr int64_t kBusyCursorCells = 20000;

} // namespace

// ---------------------------------------------------------------------------------------------
// Selection model

void CGridCtrl::SelectCell(int nRow, int nCol, bool bSelect)
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    if (!pCell)
        return;
    uint32_t nState = pCell->GetState();
    uint64_t key = MakeKey(nRow, nCol);
    if (bSelect) {
        if (nState & GVIS_SELECTED)
            return;
        pCell->SetState(nState | GVIS_SELECTED);
        // Ranges are walked in row-major order, so the end is usually the right place.
        m_SelectedCellMap.emplace_hint(m_SelectedCellMap.end(), key);
        ++m_arSelInCol[nCol];
    } else {
        if (!(nState & GVIS_SELECTED))
            return;
        pCell->SetState(nState & ~GVIS_SELECTED);
        m_SelectedCellMap.erase(key);
        --m_arSelInCol[nCol];
    }
}

void CGridCtrl::ClearSelection()
{
    for (uint64_t key : m_SelectedCellMap)
        if (CGridCellBase* pCell = CellAt(KeyRow(key), KeyCol(key)))
            pCell->SetState(pCell->GetState() & ~GVIS_SELECTED);
    m_SelectedCellMap.clear();
    std::fill(m_arSelInCol.begin(), m_arSelInCol.end(), 0);
    m_PrevAdded.clear();
    Refresh();
}

void CGridCtrl::EmptyPrevSelection()
{
    m_bPrevSelection = false;
    m_PrevAdded.clear();
}

void CGridCtrl::KeepSelectionAsPrev()
{
    m_bPrevSelection = true;
    m_PrevAdded.clear();
}

void CGridCtrl::MarkRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, bool bForceRepaint,
                          bool bSelect)
{
    if (!m_bSelectable)
        return;
    CCellRange range; // empty
    if (!(nMinRow == -1 && nMinCol == -1 && nMaxRow == -1 && nMaxCol == -1)) {
        nMinRow = std::max(nMinRow, m_nFixedRows);
        nMinCol = std::max(nMinCol, m_nFixedCols);
        nMaxRow = std::min(nMaxRow, m_nRows - 1);
        nMaxCol = std::min(nMaxCol, m_nCols - 1);
        if (nMinRow <= nMaxRow && nMinCol <= nMaxCol)
            range = CCellRange(nMinRow, nMinCol, nMaxRow, nMaxCol);
    }
    int64_t nCells =
        range.IsValid() ? int64_t(range.maxRow - range.minRow + 1) * (range.maxCol - range.minCol + 1) : 0;
    std::unique_ptr<wxBusyCursor> wait;
    if (nCells + static_cast<int64_t>(m_SelectedCellMap.size()) > kBusyCursorCells)
        wait = std::make_unique<wxBusyCursor>();

    if (bSelect) {
        bool bKeepPrev = !(m_bRowSelect && m_bFindOpen);
        if (m_bPrevSelection && bKeepPrev) {
            // Selection = previous selection + range: only cells this drag added can leave it.
            for (auto it = m_PrevAdded.begin(); it != m_PrevAdded.end();) {
                if (!range.InRange(KeyRow(*it), KeyCol(*it))) {
                    SelectCell(KeyRow(*it), KeyCol(*it), false);
                    it = m_PrevAdded.erase(it);
                } else {
                    ++it;
                }
            }
        } else {
            std::vector<uint64_t> outside;
            for (uint64_t key : m_SelectedCellMap)
                if (!range.InRange(KeyRow(key), KeyCol(key)))
                    outside.push_back(key);
            for (uint64_t key : outside)
                SelectCell(KeyRow(key), KeyCol(key), false);
            // The previous selection is gone now.
            EmptyPrevSelection();
        }
        if (range.IsValid())
            for (int r = range.minRow; r <= range.maxRow; ++r)
                for (int c = range.minCol; c <= range.maxCol; ++c) {
                    if (m_bPrevSelection && !m_RowData[r][c]->IsSelected())
                        m_PrevAdded.insert(MakeKey(r, c));
                    SelectCell(r, c, true);
                }
    } else if (range.IsValid()) {
        for (int r = range.minRow; r <= range.maxRow; ++r)
            for (int c = range.minCol; c <= range.maxCol; ++c) {
                SelectCell(r, c, false);
                m_PrevAdded.erase(MakeKey(r, c));
            }
    }
    Refresh();
    if (bForceRepaint)
        Update();
}

void CGridCtrl::SelectEverything()
{
    if (!m_bSelectable)
        return;
    SendNotify(GVN_SELCHANGING, -1, -1);
    EmptyPrevSelection();
    MarkRange(m_nFixedRows, m_nFixedCols, m_nRows - 1, m_nCols - 1);
    SendNotify(GVN_SELCHANGED, -1, -1);
}

void CGridCtrl::MoveFocus(int nRow, int nCol)
{
    if (nRow == -1 || nCol == -1 || nRow >= m_nRows || nCol >= m_nCols) {
        nRow = nCol = -1;
    } else {
        nRow = std::max(nRow, m_nFixedRows);
        nCol = std::max(nCol, m_nFixedCols);
        if (nRow >= m_nRows || nCol >= m_nCols)
            nRow = nCol = -1;
    }
    CCellID idNew(nRow, nCol);
    if (idNew == m_idCurrentCell)
        return;
    if (CGridCellBase* pOld = CellAt(m_idCurrentCell.row, m_idCurrentCell.col))
        pOld->SetState(pOld->GetState() & ~GVIS_FOCUSED);
    m_idCurrentCell = idNew;
    if (CGridCellBase* pNew = CellAt(nRow, nCol))
        pNew->SetState(pNew->GetState() | GVIS_FOCUSED);
    // Both cells and, with sunken headers, the header cells in line with them.
    Refresh();
}

bool CGridCtrl::CellSelected(int nRow, int nCol) const
{
    CGridCellBase* pCell = CellAt(nRow, nCol);
    return pCell && pCell->IsSelected();
}

int CGridCtrl::NextSelectedRow(int nAfterRow) const
{
    if (nAfterRow < m_nFixedRows - 1)
        nAfterRow = m_nFixedRows - 1;
    if (nAfterRow + 1 >= m_nRows)
        return -1;
    auto it = m_SelectedCellMap.lower_bound(MakeKey(nAfterRow + 1, 0));
    return it == m_SelectedCellMap.end() ? -1 : KeyRow(*it);
}

CCellRange CGridCtrl::SelectionBounds() const
{
    if (m_SelectedCellMap.empty())
        return CCellRange(m_nRows, m_nCols, -1, -1);
    CCellRange r;
    r.minRow = KeyRow(*m_SelectedCellMap.begin());
    r.maxRow = KeyRow(*m_SelectedCellMap.rbegin());
    for (int c = 0; c < m_nCols; ++c)
        if (m_arSelInCol[c] > 0) {
            if (r.minCol < 0)
                r.minCol = c;
            r.maxCol = c;
        }
    return r;
}

void CGridCtrl::SelectRowAndScroll(int nRow)
{
    if (nRow == -1) {
        if (m_bSelectable) {
            EmptyPrevSelection();
            MarkRange(m_nFixedRows, m_nFixedCols, m_nRows - 1, m_nCols - 1);
        }
        return;
    }
    if (nRow < m_nFixedRows || nRow >= m_nRows)
        return;
    EmptyPrevSelection();
    ClearSelection();
    MoveFocus(-1, -1);
    MarkRange(nRow, m_nFixedCols, nRow, m_nCols - 1);
    if (m_nVScrollPos < m_nVScrollMax) {
        int64_t pos = 0;
        for (int r = m_nFixedRows; r < nRow; ++r)
            pos += m_arRowHeights[r];
        SetScrollPosV(static_cast<int>(std::min<int64_t>(pos, INT_MAX)));
    }
}

void CGridCtrl::SelectRange(CCellID idStart, CCellID idEnd, bool bRows, bool bOnlyEnd)
{
    if (!idEnd.IsValid())
        return;
    if (!idStart.IsValid() || bOnlyEnd)
        idStart = idEnd;
    if (bRows)
        MarkRange(std::min(idStart.row, idEnd.row), m_nFixedCols, std::max(idStart.row, idEnd.row),
                  m_nCols - 1);
    else
        MarkRange(std::min(idStart.row, idEnd.row), std::min(idStart.col, idEnd.col),
                  std::max(idStart.row, idEnd.row), std::max(idStart.col, idEnd.col));
}

void CGridCtrl::SelectToCell(CCellID cell)
{
    if (m_MouseMode == MOUSE_SELECT_ROW)
        SelectRange(m_SelectionStartCell, cell, true, m_bRowSelect && m_bFindOpen);
    else if (m_MouseMode == MOUSE_SELECT_CELLS)
        SelectRange(m_SelectionStartCell, cell, false, false);
}

wxString CGridCtrl::SelectionText() const
{
    CCellRange b = SelectionBounds();
    if (b.maxRow < 0)
        return wxString();
    wxString strOut;
    bool bFirstRow = true;
    for (int r = b.minRow; r <= b.maxRow; ++r) {
        if (m_arRowHeights[r] <= 0)
            continue;
        if (!bFirstRow)
            strOut += "\r\n";
        bFirstRow = false;
        bool bFirstCol = true;
        for (int c = b.minCol; c <= b.maxCol; ++c) {
            if (m_arColWidths[c] <= 0)
                continue;
            if (!bFirstCol)
                strOut += '\t';
            bFirstCol = false;
            const CGridCellBase* pCell = m_RowData[r][c].get();
            if (pCell->IsSelected())
                strOut += pCell->GetText();
        }
    }
    return strOut;
}

bool CGridCtrl::CopySelection()
{
    if (m_SelectedCellMap.empty())
        return false;
    // The clipboard here carries Unicode text; a legacy code page would lose characters.
    wxClipboardLocker lock;
    if (!lock)
        return false;
    return wxTheClipboard->SetData(new wxTextDataObject(SelectionText()));
}

void CGridCtrl::OnEditCommand(wxCommandEvent& event)
{
    if (event.GetId() == wxID_COPY)
        CopySelection();
    else if (event.GetId() == wxID_SELECTALL)
        SelectEverything();
}

void CGridCtrl::OnUpdateEditCommand(wxUpdateUIEvent& event)
{
    if (event.GetId() == wxID_COPY)
        event.Enable(!m_SelectedCellMap.empty());
    else if (event.GetId() == wxID_SELECTALL)
        event.Enable(m_bSelectable);
}

// ---------------------------------------------------------------------------------------------
// Notifications

void CGridCtrl::SendNotify(int nCode, int nRow, int nCol)
{
    CGridNotifyEvent event(EVT_GRIDCTRL_NOTIFY, GetId(), nCode, nRow, nCol);
    event.SetEventObject(this);
    HandleWindowEvent(event);
}

void CGridCtrl::PostClickCommand()
{
    auto* pEvent = new wxCommandEvent(EVT_GRIDCTRL_COMMAND, GetId());
    pEvent->SetEventObject(this);
    wxQueueEvent(GetEventHandler(), pEvent);
}

// ---------------------------------------------------------------------------------------------
// Mouse

int CGridCtrl::ColumnDivideAt(wxPoint pt) const
{
    if (!m_bColumnSizing || pt.y < 0 || pt.y >= FixedRowHeight())
        return -1;
    int nBest = -1, nBestDist = INT_MAX;
    auto consider = [&](int c, int x) {
        if (m_arColWidths[c] <= 0)
            return;
        int dist = std::abs(pt.x - (x + m_arColWidths[c]));
        if (dist <= m_nResizeCaptureRange && dist < nBestDist) {
            nBest = c;
            nBestDist = dist;
        }
    };
    int x = 0;
    for (int c = 0; c < m_nFixedCols; ++c) {
        consider(c, x);
        x += m_arColWidths[c];
    }
    CCellRange vis = VisibleNonFixedCellRange();
    for (int c = vis.minCol; c <= vis.maxCol && c >= 0; ++c) {
        consider(c, x);
        x += m_arColWidths[c];
    }
    return nBest;
}

bool CGridCtrl::IsOverColumnDivide(wxPoint pt) const
{
    return ColumnDivideAt(pt) >= 0;
}

void CGridCtrl::OnLeftDown(wxMouseEvent& event)
{
    HideTitleTip();
    wxPoint pt = event.GetPosition();
    SetFocus();
    m_LeftClickDownPoint = m_LastMousePoint = pt;
    m_bLMouseButtonDown = true;
    m_bSwallowLeftUp = false;
    m_LeftClickDownCell = CellFromPoint(pt);
    CCellID cell = m_LeftClickDownCell;
    if (!cell.IsValid()) {
        // Right of the last column the header's last divider can still be grabbed.
        int nDivCol = ColumnDivideAt(pt);
        if (nDivCol < 0)
            return;
        cell = CCellID(0, nDivCol);
    }

    // The album grid toggles rows by plain clicks: a press counts as Ctrl-held, except in row
    // selection with the find box open, where a click picks just that row.
    bool bCtrl = event.ControlDown() || !(m_bRowSelect && m_bFindOpen);
    if (event.ShiftDown()) {
        if (!m_SelectionStartCell.IsValid())
            m_SelectionStartCell = m_idCurrentCell;
    } else {
        m_SelectionStartCell = cell;
    }

    wxRect rc;
    CCellID pressed = m_LeftClickDownCell;
    if (pressed.IsValid() && CellRect(pressed.row, pressed.col, rc))
        CellAt(pressed.row, pressed.col)->OnClickDown(pt - rc.GetTopLeft());

    bool bOnDivide = ColumnDivideAt(pt) >= 0;
    if (pressed.IsValid() && !bOnDivide && CellSelected(pressed.row, pressed.col)) {
        MoveFocus(pressed.row, pressed.col);
        if (bCtrl) {
            if (m_bRowSelect)
                MarkRange(pressed.row, m_nFixedCols, pressed.row, m_nCols - 1, false, false);
            else
                MarkRange(pressed.row, pressed.col, pressed.row, pressed.col, false, false);
            return;
        }
        if (m_bDragOut)
            m_MouseMode = MOUSE_PREPARE_DRAG;
    } else if (pressed.IsValid() && !bOnDivide) {
        bool bFixed = pressed.row < m_nFixedRows || pressed.col < m_nFixedCols;
        if (bFixed)
            MoveFocus(-1, -1);
        else
            MoveFocus(pressed.row, pressed.col);
    }

    if (!HasCapture())
        CaptureMouse();

    // A divider hover left behind by a pointer that moved away without a move event.
    if (m_MouseMode == MOUSE_OVER_COL_DIVIDE && !bOnDivide)
        m_MouseMode = MOUSE_NOTHING;
    if (m_MouseMode == MOUSE_NOTHING && bOnDivide) {
        SetCursor(wxCursor(wxCURSOR_SIZEWE));
        m_MouseMode = MOUSE_OVER_COL_DIVIDE;
    }
    if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
        m_nSizingCol = ColumnDivideAt(pt);
        if (m_nSizingCol < 0) {
            m_MouseMode = MOUSE_NOTHING;
            return;
        }
        m_MouseMode = MOUSE_SIZING_COL;
        m_nTrackX = pt.x;
        Refresh();
        return;
    }
    if (m_MouseMode != MOUSE_PREPARE_DRAG) {
        SendNotify(GVN_SELCHANGING, pressed.row, pressed.col);
        EmptyPrevSelection();
        if (bCtrl)
            KeepSelectionAsPrev();
        if (pressed.row < m_nFixedRows) {
            OnHeaderClick(pressed.col);
        } else {
            m_MouseMode = m_bRowSelect ? MOUSE_SELECT_ROW : MOUSE_SELECT_CELLS;
            SelectToCell(pressed);
            m_AutoScrollTimer.Start(m_nAutoScrollInterval);
        }
    }
}

void CGridCtrl::OnMotion(wxMouseEvent& event)
{
    wxPoint pt = event.GetPosition();
    m_LastMousePoint = pt;
    if (m_bLMouseButtonDown && m_MouseMode != MOUSE_NOTHING) {
        switch (m_MouseMode) {
        case MOUSE_SELECT_ROW:
        case MOUSE_SELECT_CELLS: {
            CCellID cell = CellFromPoint(pt);
            if (cell.IsValid() && cell.row >= m_nFixedRows && cell != m_idCurrentCell) {
                SelectToCell(cell);
                MoveFocus(cell.row, cell.col);
            }
            break;
        }
        case MOUSE_SIZING_COL: {
            int nLeft = ColumnLeft(m_nSizingCol);
            int x = std::clamp(pt.x, nLeft == INT_MIN ? 0 : nLeft + 1, std::max(GetClientSize().x, 1));
            if (x != m_nTrackX) {
                m_nTrackX = x;
                Refresh();
            }
            break;
        }
        case MOUSE_PREPARE_DRAG:
            if (pt != m_LeftClickDownPoint)
                BeginDragOut();
            break;
        default:
            break;
        }
        return;
    }

    if (!m_bLMouseButtonDown) {
        if (IsOverColumnDivide(pt)) {
            if (!m_bCursorSizing)
                SetCursor(wxCursor(wxCURSOR_SIZEWE));
            m_bCursorSizing = true;
            m_MouseMode = MOUSE_OVER_COL_DIVIDE;
        } else {
            if (m_bCursorSizing)
                SetCursor(*wxSTANDARD_CURSOR);
            m_bCursorSizing = false;
            m_MouseMode = MOUSE_NOTHING;
        }
    }
    if (m_MouseMode == MOUSE_NOTHING) {
        CCellID cell = CellFromPoint(pt);
        if (cell != m_idHoverCell) {
            if (CGridCellBase* pOld = CellAt(m_idHoverCell.row, m_idHoverCell.col))
                pOld->OnMouseLeave();
            m_idHoverCell = cell;
            if (CGridCellBase* pNew = CellAt(cell.row, cell.col))
                pNew->OnMouseEnter();
        }
        if (CGridCellBase* pCell = CellAt(cell.row, cell.col)) {
            pCell->OnMouseOver();
            if (m_bCellTips && !m_bLMouseButtonDown)
                ShowTitleTip(cell);
        }
    }
}

void CGridCtrl::OnLeftUp(wxMouseEvent& event)
{
    if (m_bSwallowLeftUp || !m_bLMouseButtonDown) {
        m_bSwallowLeftUp = false;
        m_bLMouseButtonDown = false;
        return;
    }
    wxPoint pt = event.GetPosition();
    m_bLMouseButtonDown = false;
    if (HasCapture())
        ReleaseMouse();
    m_AutoScrollTimer.Stop();

    CCellID pressed = m_LeftClickDownCell;
    CCellID released = CellFromPoint(pt);
    wxRect rc;
    auto clickHook = [&](CCellID id) {
        if (CGridCellBase* pCell = CellAt(id.row, id.col)) {
            wxPoint rel = CellRect(id.row, id.col, rc) ? pt - rc.GetTopLeft() : pt;
            pCell->OnClick(rel);
        }
    };

    if (m_MouseMode == MOUSE_PREPARE_DRAG) {
        clickHook(pressed);
        SendNotify(GVN_CLICK, pressed.row, pressed.col);
        SendNotify(GVN_SELCHANGING, pressed.row, pressed.col);
        ClearSelection();
        SendNotify(GVN_SELCHANGED, pressed.row, pressed.col);
    } else if (m_MouseMode == MOUSE_SIZING_COL) {
        m_nTrackX = -1;
        if (pt != m_LeftClickDownPoint) {
            int nLeft = ColumnLeft(m_nSizingCol);
            if (nLeft != INT_MIN) {
                // The pointer never goes left of one pixel past the column's left edge.
                int x = std::max(pt.x, nLeft + 1);
                PutColumnWidth(m_nSizingCol, std::max(1, x - nLeft));
            }
        }
        Refresh();
    } else {
        if (pressed.IsValid())
            SendNotify(GVN_SELCHANGED, released.row, released.col);
        if (released.IsValid()) {
            clickHook(released);
            SendNotify(GVN_CLICK, released.row, released.col);
        }
    }
    // The previous selection only matters while one press extends the selection.
    EmptyPrevSelection();
    m_MouseMode = MOUSE_NOTHING;
    m_bCursorSizing = false;
    SetCursor(*wxSTANDARD_CURSOR);
    if (pressed.IsValid())
        PostClickCommand();
}

void CGridCtrl::OnLeftDClick(wxMouseEvent& event)
{
    wxPoint pt = event.GetPosition();
    int nDivCol = m_MouseMode == MOUSE_SIZING_COL ? m_nSizingCol : ColumnDivideAt(pt);
    if (nDivCol >= 0 && (m_MouseMode == MOUSE_OVER_COL_DIVIDE || m_MouseMode == MOUSE_SIZING_COL ||
                         m_MouseMode == MOUSE_NOTHING)) {
        // Here the second press of a double click already started a divider drag: drop it.
        m_nTrackX = -1;
        m_AutoScrollTimer.Stop();
        if (HasCapture())
            ReleaseMouse();
        m_bSwallowLeftUp = m_bLMouseButtonDown;
        m_bLMouseButtonDown = false;
        m_MouseMode = MOUSE_NOTHING;
        FitColumnWidth(nDivCol, m_nAutoSizeStyle);
        Refresh();
        return;
    }
    CCellID cell = CellFromPoint(pt);
    if (CGridCellBase* pCell = CellAt(cell.row, cell.col)) {
        wxRect rc;
        pCell->OnDblClick(CellRect(cell.row, cell.col, rc) ? pt - rc.GetTopLeft() : pt);
        SendNotify(GVN_DBLCLK, cell.row, cell.col);
    }
}

void CGridCtrl::OnRightUp(wxMouseEvent& event)
{
    wxPoint pt = event.GetPosition();
    CCellID cell = CellFromPoint(pt);
    if (!cell.IsValid()) {
        SendNotify(GVN_RCLICK, -1, -1);
        return;
    }
    MoveFocus(std::max(cell.row, m_nFixedRows), std::max(cell.col, m_nFixedCols));
    wxRect rc;
    if (CellRect(cell.row, cell.col, rc))
        CellAt(cell.row, cell.col)->OnRClick(pt - rc.GetTopLeft());
    SendNotify(GVN_RCLICK, cell.row, cell.col);
}

void CGridCtrl::OnWheel(wxMouseEvent& event)
{
    int d = event.GetWheelRotation();
    int nOrient = event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL ? wxHORIZONTAL : wxVERTICAL;
    int nDelta = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
    // Positive turns scroll up (or left).
    if (m_nRowsPerWheelNotch == -1)
        ScrollPage(nOrient, -d / nDelta);
    else
        ScrollLines(nOrient, -m_nRowsPerWheelNotch * d / nDelta);
}

void CGridCtrl::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    m_AutoScrollTimer.Stop();
    m_bLMouseButtonDown = false;
    m_nTrackX = -1;
    m_MouseMode = MOUSE_NOTHING;
    EmptyPrevSelection();
    SetCursor(*wxSTANDARD_CURSOR);
    Refresh();
}

void CGridCtrl::OnTimer(wxTimerEvent&)
{
    if (!m_bLMouseButtonDown || (m_MouseMode != MOUSE_SELECT_ROW && m_MouseMode != MOUSE_SELECT_CELLS)) {
        m_AutoScrollTimer.Stop();
        return;
    }
    // The last pointer position the captured mouse reported.
    wxPoint pt = m_LastMousePoint;
    wxSize client = GetClientSize();
    int nFixedH = FixedRowHeight(), nFixedW = FixedColumnWidth();
    auto extend = [&] {
        wxPoint clamped(std::clamp(pt.x, nFixedW, std::max(nFixedW, client.x - 1)),
                        std::clamp(pt.y, nFixedH, std::max(nFixedH, client.y - 1)));
        CCellID cell = CellFromPoint(clamped);
        if (cell.IsValid())
            SelectToCell(cell);
    };
    if (pt.y >= client.y) {
        HandleMoveKey(WXK_DOWN, false, false);
        extend();
    } else if (pt.y < nFixedH) {
        HandleMoveKey(WXK_UP, false, false);
        extend();
    }
    if (pt.x >= client.x) {
        HandleMoveKey(WXK_RIGHT, false, false);
        extend();
    } else if (pt.x < nFixedW) {
        HandleMoveKey(WXK_LEFT, false, false);
        extend();
    }
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void CGridCtrl::ScrollLines(int nOrient, int nLines)
{
    CCellID tl = TopLeftNonFixedCell();
    if (nOrient == wxVERTICAL) {
        int nPos = m_nVScrollPos;
        int r = tl.row;
        for (int i = 0; i < nLines && r < m_nRows; ++i) {
            while (r < m_nRows && m_arRowHeights[r] == 0)
                ++r;
            if (r < m_nRows)
                nPos += m_arRowHeights[r++];
        }
        r = tl.row - 1;
        for (int i = 0; i < -nLines && r >= m_nFixedRows; ++i) {
            while (r >= m_nFixedRows && m_arRowHeights[r] == 0)
                --r;
            if (r >= m_nFixedRows)
                nPos -= m_arRowHeights[r--];
        }
        // A partly scrolled top row: the first step up only reveals it.
        SetScrollPosV(nPos);
    } else {
        int nPos = m_nHScrollPos;
        int c = tl.col;
        for (int i = 0; i < nLines && c < m_nCols; ++i) {
            while (c < m_nCols && m_arColWidths[c] == 0)
                ++c;
            if (c < m_nCols)
                nPos += m_arColWidths[c++];
        }
        c = tl.col - 1;
        for (int i = 0; i < -nLines && c >= m_nFixedCols; ++i) {
            while (c >= m_nFixedCols && m_arColWidths[c] == 0)
                --c;
            if (c >= m_nFixedCols)
                nPos -= m_arColWidths[c--];
        }
        SetScrollPosH(nPos);
    }
}

void CGridCtrl::ScrollPage(int nOrient, int nPages)
{
    wxSize client = GetClientSize();
    if (nOrient == wxVERTICAL)
        SetScrollPosV(m_nVScrollPos + nPages * std::max(1, client.y - FixedRowHeight()));
    else
        SetScrollPosH(m_nHScrollPos + nPages * std::max(1, client.x - FixedColumnWidth()));
}

void CGridCtrl::OnScrollWin(wxScrollWinEvent& event)
{
    HideTitleTip();
    int nOrient = event.GetOrientation();
    wxEventType type = event.GetEventType();
    auto setPos = [&](int nPos) {
        if (nOrient == wxVERTICAL)
            SetScrollPosV(nPos);
        else
            SetScrollPosH(nPos);
    };
    if (type == wxEVT_SCROLLWIN_LINEUP)
        ScrollLines(nOrient, -1);
    else if (type == wxEVT_SCROLLWIN_LINEDOWN)
        ScrollLines(nOrient, 1);
    else if (type == wxEVT_SCROLLWIN_PAGEUP)
        ScrollPage(nOrient, -1);
    else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
        ScrollPage(nOrient, 1);
    else if (type == wxEVT_SCROLLWIN_TOP)
        setPos(0);
    else if (type == wxEVT_SCROLLWIN_BOTTOM)
        setPos(INT_MAX);
    else if (type == wxEVT_SCROLLWIN_THUMBTRACK || type == wxEVT_SCROLLWIN_THUMBRELEASE)
        setPos(event.GetPosition());
}

void CGridCtrl::OnSize(wxSizeEvent& event)
{
    if (m_bInSize)
        return;
    m_bInSize = true;
    HideTitleTip();
    ResetScrollBars();
    Refresh();
    m_bInSize = false;
    event.Skip();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void CGridCtrl::FitVisibleColumns()
{
    for (int c = 0; c < m_nCols; ++c)
        if (m_arColWidths[c] > 0)
            FitColumnWidth(c, m_nAutoSizeStyle);
    Refresh();
}

CCellID CGridCtrl::NextCellForKey(int nKey, bool bShift, bool bCtrl)
{
    CCellID cur = m_idCurrentCell, next = cur;
    auto visCol = [&](int c) { return c >= m_nFixedCols && c < m_nCols && m_arColWidths[c] > 0; };
    auto visRow = [&](int r) { return r >= m_nFixedRows && r < m_nRows && m_arRowHeights[r] > 0; };
    auto stepCol = [&](int c, int d) {
        for (c += d; c >= m_nFixedCols && c < m_nCols; c += d)
            if (visCol(c))
                return c;
        return -1;
    };
    auto stepRow = [&](int r, int d) {
        for (r += d; r >= m_nFixedRows && r < m_nRows; r += d)
            if (visRow(r))
                return r;
        return -1;
    };
    auto firstCol = [&] { return stepCol(m_nFixedCols - 1, 1); };
    auto lastCol = [&] { return stepCol(m_nCols, -1); };
    auto firstRow = [&] { return stepRow(m_nFixedRows - 1, 1); };
    auto lastRow = [&] { return stepRow(m_nRows, -1); };

    switch (nKey) {
    case WXK_LEFT:
        if (int c = stepCol(cur.col, -1); c >= 0)
            next.col = c;
        break;
    case WXK_RIGHT:
        if (int c = stepCol(cur.col, 1); c >= 0)
            next.col = c;
        break;
    case WXK_UP:
        if (int r = stepRow(cur.row, -1); r >= 0)
            next.row = r;
        break;
    case WXK_DOWN:
        if (int r = stepRow(cur.row, 1); r >= 0)
            next.row = r;
        break;
    case WXK_TAB:
        if (!bShift) {
            if (int c = stepCol(cur.col, 1); c >= 0)
                next.col = c;
            else if (int r = stepRow(cur.row, 1); r >= 0 && firstCol() >= 0)
                next = CCellID(r, firstCol());
        } else {
            if (int c = stepCol(cur.col, -1); c >= 0)
                next.col = c;
            else if (int r = stepRow(cur.row, -1); r >= 0 && lastCol() >= 0)
                next = CCellID(r, lastCol());
        }
        break;
    case WXK_PAGEUP:
    case WXK_PAGEDOWN: {
        int nOldTop = TopLeftNonFixedCell().row;
        int nOldPos = m_nVScrollPos;
        ScrollPage(wxVERTICAL, nKey == WXK_PAGEDOWN ? 1 : -1);
        int nMoved = TopLeftNonFixedCell().row - nOldTop;
        if (m_nVScrollPos == nOldPos)
            next.row = nKey == WXK_PAGEDOWN ? m_nRows - 1 : m_nFixedRows;
        else
            next.row = std::clamp(cur.row + nMoved, m_nFixedRows, m_nRows - 1);
        break;
    }
    case WXK_HOME:
        if (bCtrl) {
            if (firstRow() >= 0 && firstCol() >= 0)
                next = CCellID(firstRow(), firstCol());
            SetScrollPosV(0);
        } else if (firstCol() >= 0) {
            next.col = firstCol();
        }
        SetScrollPosH(0);
        break;
    case WXK_END:
        if (bCtrl) {
            if (lastRow() >= 0 && lastCol() >= 0)
                next = CCellID(lastRow(), lastCol());
            SetScrollPosV(INT_MAX);
        } else if (lastCol() >= 0) {
            next.col = lastCol();
        }
        SetScrollPosH(INT_MAX);
        break;
    default:
        break;
    }
    return next;
}

bool CGridCtrl::HandleMoveKey(int nKey, bool bShift, bool bCtrl)
{
    if (!m_idCurrentCell.IsValid())
        return false;
    CCellID next = NextCellForKey(nKey, bShift, bCtrl);
    if (next == m_idCurrentCell || !next.IsValid())
        return true;
    if (m_MouseMode == MOUSE_NOTHING) {
        EmptyPrevSelection();
        if (!bShift || !m_SelectionStartCell.IsValid())
            m_SelectionStartCell = bShift ? m_idCurrentCell : next;
        SendNotify(GVN_SELCHANGING, next.row, next.col);
        SelectRange(m_SelectionStartCell, next, m_bRowSelect, false);
        SendNotify(GVN_SELCHANGED, next.row, next.col);
    }
    MoveFocus(next.row, next.col);
    EnsureVisible(next.row, next.col);
    Refresh();
    return true;
}

void CGridCtrl::OnKeyDown(wxKeyEvent& event)
{
    int nKey = event.GetKeyCode();
    bool bCtrl = event.ControlDown(), bShift = event.ShiftDown();
    if (nKey == WXK_TAB && (!m_bWantTab || bCtrl)) {
        Navigate(bShift ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
        return;
    }
    if (!m_idCurrentCell.IsValid()) {
        // Copy and select all do not need a focus cell.
        if (bCtrl && (nKey == 'C' || nKey == WXK_INSERT))
            CopySelection();
        else if (bCtrl && nKey == 'A')
            SelectEverything();
        else if (!(nKey >= WXK_START || nKey == WXK_TAB || bCtrl))
            event.Skip();
        return;
    }
    switch (nKey) {
    case 'C':
    case WXK_INSERT:
        if (bCtrl)
            CopySelection();
        return;
    case 'A':
        if (bCtrl)
            SelectEverything();
        return;
    case WXK_NUMPAD_ADD:
        if (bCtrl)
            FitVisibleColumns();
        return;
    case WXK_LEFT:
    case WXK_RIGHT:
    case WXK_UP:
    case WXK_DOWN:
    case WXK_TAB:
    case WXK_PAGEUP:
    case WXK_PAGEDOWN:
    case WXK_HOME:
    case WXK_END:
        HandleMoveKey(nKey, bShift, bCtrl);
        return;
    default:
        // F2, Delete, Ctrl+X, Ctrl+V, Shift+Insert and typed characters: the cells are read-only.
        return;
    }
}

void CGridCtrl::OnChar(wxKeyEvent&)
{
    // Typed characters would start editing elsewhere; the cells are read-only.
}

// ---------------------------------------------------------------------------------------------
// Dragging out and title tips

void CGridCtrl::BeginDragOut()
{
    wxString strText = SelectionText();
    if (strText.empty()) {
        m_MouseMode = MOUSE_NOTHING;
        return;
    }
    CCellRange b = SelectionBounds();
    SendNotify(GVN_BEGINDRAG, b.minRow, b.minCol);
    m_MouseMode = MOUSE_DRAGGING;
    m_AutoScrollTimer.Stop();
    if (HasCapture())
        ReleaseMouse();
    wxTextDataObject data(strText);
    wxDropSource source(data, this);
    source.DoDragDrop(wxDrag_AllowMove); // whatever the target does, the cells stay as they are
    m_MouseMode = MOUSE_NOTHING;
    m_bLMouseButtonDown = false;
    SetCursor(*wxSTANDARD_CURSOR);
}

void CGridCtrl::ShowTitleTip(CCellID cell)
{
    if (m_pTitleTip && m_pTitleTip->IsShownTip())
        return;
    CGridCellBase* pCell = CellAt(cell.row, cell.col);
    wxRect rcCell;
    if (!pCell || !CellRect(cell.row, cell.col, rcCell))
        return;
    wxString strText = pCell->GetTipText();
    if (strText.empty())
        return;
    wxRect rcText = rcCell;
    pCell->GetTipTextRect(rcText);
    wxScreenDC dc;
    wxFont font = pCell->GetFontObject();
    dc.SetFont(font);
    if (dc.GetTextExtent(strText).x <= rcText.width)
        return;
    if (!m_pTitleTip)
        m_pTitleTip = new CTitleTip(this);
    wxRect rcHover = rcCell;
    rcHover.width += 1;
    rcHover.height += 1;
    m_pTitleTip->Show(rcText, strText, font, rcHover);
}

void CGridCtrl::HideTitleTip()
{
    if (m_pTitleTip && m_pTitleTip->IsShownTip())
        m_pTitleTip->Hide();
}
