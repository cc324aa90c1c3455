#include "grid/MyGridCtrl.h"

void CMyGridCtrl::InitGrid(int nFixedRows, int nRows, int nCols, bool bRowSelect)
{
    m_bHeaderSort = true;
    m_bRenumberRows = true;
    SetHeaderRows(nFixedRows);
    SetHeaderColumns(0);
    ResizeRows(nRows);
    ResizeColumns(nCols);
    // Cells are read-only anyway; nothing to switch off for editing.
    m_crWindowColour = wxColour(255, 255, 255);
    m_bFocusFrame = false;
    m_crFocusSelBkColour = m_crSelBkColour = wxColour(199, 227, 227);
    m_crFocusSelTextColour = m_crSelTextColour = wxColour(0, 0, 0);
    m_bDragOut = true;
    SetRowSelect(bRowSelect);
}
