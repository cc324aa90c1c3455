// CMyGridCtrl: the album grid. The generic grid plus the album grid's own set-up; the album grid
// view adds its operations (rows of albums, find, export) to this class.
#pragma once

#include "grid/GridCtrl.h"

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
};
