#include "grid/GridCell.h"
#include "grid/GridCtrl.h"

#include <algorithm>
#include <wx/app.h>
#include <wx/control.h>
#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/imaglist.h>
#include <wx/log.h>
#include <wx/settings.h>
#include <wx/tokenzr.h>

namespace {

const char* const kTraceMask = "albumora-grid";

wxSize ImageSize(wxImageList* pList, int nImage)
{
    int w = 0, h = 0;
    pList->GetSize(nImage, w, h);
    return wxSize(w, h);
}

// Moves the text area past the image: below it, or to its right.
void SkipImage(wxRect& rect, const wxSize& img, int nMargin, bool bImageAbove)
{
    if (bImageAbove) {
        rect.y += img.y + nMargin + 1;
        rect.height -= img.y + nMargin + 1;
    } else {
        rect.x += img.x + nMargin + 1;
        rect.width -= img.x + nMargin + 1;
    }
}

// A word-break format is laid out line by line, split at line feeds; others are one line.
wxArrayString SplitLines(const wxString& strText, uint32_t nFormat)
{
    wxArrayString lines;
    if ((nFormat & DT_WORDBREAK) && !(nFormat & DT_SINGLELINE))
        lines = wxSplit(strText, '\n', '\0');
    else
        lines.Add(strText);
    if (lines.empty())
        lines.Add(wxString());
    return lines;
}

// Draws the text lines in rect by the format's alignment, each cut to the width.
void DrawFormattedText(wxDC& dc, const wxString& strText, const wxRect& rect, uint32_t nFormat)
{
    wxArrayString lines = SplitLines(strText, nFormat);
    int nLineH = dc.GetCharHeight();
    int nTotalH = nLineH * static_cast<int>(lines.size());
    int y = rect.y;
    if (nFormat & DT_VCENTER)
        y = rect.y + (rect.height - nTotalH) / 2;
    else if (nFormat & DT_BOTTOM)
        y = rect.GetBottom() + 1 - nTotalH;
    wxDCClipper clip(dc, rect);
    for (const wxString& line : lines) {
        wxString shown = GridFitText(dc, line, rect.width, nFormat);
        int w = dc.GetTextExtent(shown).x;
        int x = rect.x;
        if (nFormat & DT_CENTER)
            x = rect.x + (rect.width - w) / 2;
        else if (nFormat & DT_RIGHT)
            x = rect.GetRight() + 1 - w;
        dc.DrawText(shown, x, y);
        y += nLineH;
    }
}

// The raised or sunken 1-pixel frame of a header cell.
void DrawEdge(wxDC& dc, const wxRect& rc, bool bSunken)
{
    wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_3DHIGHLIGHT);
    wxColour dark = wxSystemSettings::GetColour(bSunken ? wxSYS_COLOUR_3DSHADOW : wxSYS_COLOUR_3DDKSHADOW);
    const wxColour& topLeft = bSunken ? dark : light;
    const wxColour& bottomRight = bSunken ? light : dark;
    int l = rc.x, t = rc.y, r = rc.GetRight(), b = rc.GetBottom(); // inclusive
    dc.SetPen(wxPen(topLeft));
    dc.DrawLine(l, t, r + 1, t);
    dc.DrawLine(l, t, l, b + 1);
    dc.SetPen(wxPen(bottomRight));
    dc.DrawLine(r, t, r, b + 1);
    dc.DrawLine(l, b, r + 1, b);
}

} // namespace

wxString GridFitText(wxDC& dc, const wxString& strText, int nWidth, uint32_t nFormat)
{
    if (!(nFormat & DT_END_ELLIPSIS) || dc.GetTextExtent(strText).x <= nWidth)
        return strText;
    return wxControl::Ellipsize(strText, dc, wxELLIPSIZE_END, std::max(nWidth, 0), wxELLIPSIZE_FLAGS_NONE);
}

// ---------------------------------------------------------------------------------------------
// CGridCellBase

CGridDefaultCell* CGridCellBase::GetDefaultCell() const
{
    CGridCtrl* pGrid = GetGrid();
    return pGrid ? pGrid->DefaultCell(IsFixedRow(), IsFixedCol()) : nullptr;
}

void CGridCellBase::CopyFrom(const CGridCellBase& cell)
{
    SetText(cell.GetText());
    SetImage(cell.GetImage());
    SetData(cell.GetData());
    SetState(cell.GetState());
    SetFormat(cell.GetFormat());
    SetTextClr(cell.GetTextClr());
    SetBackClr(cell.GetBackClr());
    SetFont(cell.IsDefaultFont() ? nullptr : cell.GetFont());
    SetMargin(cell.GetMargin());
    bImageAbove = cell.bImageAbove;
}

void CGridCellBase::Reset()
{
    m_nState = 0;
    bImageAbove = 0;
}

bool CGridCellBase::GetTextRect(wxRect& rect)
{
    int nMargin = GetMargin();
    rect.Deflate(nMargin, nMargin);
    CGridCtrl* pGrid = GetGrid();
    wxImageList* pList = pGrid ? pGrid->GetImageList() : nullptr;
    if (pList && GetImage() >= 0 && GetImage() < pList->GetImageCount()) {
        SkipImage(rect, ImageSize(pList, GetImage()), nMargin, bImageAbove);
    }
    return true;
}

wxSize CGridCellBase::GetTextExtent(const wxString& strText, wxDC* pDC)
{
    std::unique_ptr<wxScreenDC> own;
    if (!pDC) {
        own = std::make_unique<wxScreenDC>();
        pDC = own.get();
    }
    // Selecting a font is the costly part of measuring; rows of cells mostly share one.
    wxFont font = GetFontObject();
    if (!(pDC->GetFont() == font))
        pDC->SetFont(font);
    int nMargin = GetMargin();
    auto measure = [pDC](const wxString& line) {
        // An empty line still takes a line's height.
        return line.empty() ? wxSize(0, pDC->GetCharHeight()) : pDC->GetTextExtent(line);
    };
    wxSize size(0, 0);
    uint32_t nFormat = GetFormat();
    if (!(nFormat & DT_WORDBREAK) || (nFormat & DT_SINGLELINE)) {
        size = measure(strText);
    } else {
        for (const wxString& line : SplitLines(strText, nFormat)) {
            wxSize ext = measure(line);
            size.x = std::max(size.x, ext.x);
            size.y += ext.y;
        }
    }
    return wxSize(size.x + 2 * nMargin, size.y + 2 * nMargin);
}

wxSize CGridCellBase::GetCellExtent(wxDC* pDC)
{
    wxSize size = GetTextExtent(GetText(), pDC);
    CGridCtrl* pGrid = GetGrid();
    wxImageList* pList = pGrid ? pGrid->GetImageList() : nullptr;
    int nMargin = GetMargin();
    if (pList && GetImage() >= 0 && GetImage() < pList->GetImageCount()) {
        wxSize img = ImageSize(pList, GetImage());
        int w = size.x + img.x + 1;
        if (size.x > 2 * nMargin)
            w += nMargin;
        int h = bImageAbove ? size.y + img.y + 2 * nMargin + 1 : std::max(size.y, img.y + 2 * nMargin) + 1;
        size = wxSize(w, h);
    } else {
        size = wxSize(size.x + 1, size.y + 1);
    }
    if (IsFixed())
        size += wxSize(1, 1);
    return size;
}

bool CGridCellBase::Draw(wxDC& dc, int nRow, int nCol, wxRect rect, bool bEraseBkgnd)
{
    CGridCtrl* pGrid = GetGrid();
    CGridDefaultCell* pDef = GetDefaultCell();
    if (!pGrid || !pDef || rect.width <= 0 || rect.height <= 0)
        return false;

    // 1. Colours: own, else the default cell's.
    wxColour textClr = GetTextClr().IsOk() ? GetTextClr() : pDef->GetTextClr();
    wxColour backClr = GetBackClr().IsOk() ? GetBackClr() : pDef->GetBackClr();
    if (!textClr.IsOk())
        textClr = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    bool bOwnBack = GetBackClr().IsOk();

    if (IsFocused() || IsDropHighlighted()) {
        // 2. The focus cell: filled one pixel wider and taller, over its grid lines.
        if (IsSelected()) {
            backClr = pGrid->m_crFocusSelBkColour;
            if (textClr == backClr)
                textClr = pGrid->m_crFocusSelTextColour;
        }
        if (bOwnBack || IsSelected()) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(backClr));
            dc.DrawRectangle(rect.x, rect.y, rect.width + 1, rect.height + 1);
        }
        if (pGrid->m_bFocusFrame) {
            dc.SetPen(wxPen(textClr));
            dc.SetBrush(*wxTRANSPARENT_BRUSH);
            dc.DrawRectangle(rect);
        }
    } else if (IsSelected()) {
        // 3.
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(pGrid->m_crSelBkColour));
        dc.DrawRectangle(rect);
        if (textClr == backClr)
            textClr = pGrid->m_crSelTextColour;
    } else if (bOwnBack || bEraseBkgnd) {
        // 4. The grid's erase already painted the default back colour.
        if (bOwnBack) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(backClr));
            dc.DrawRectangle(rect);
        }
    }

    // 5. Header cells get a raised frame, sunken when in line with the focus cell.
    if (IsFixed() && pGrid->m_nGridLines != GVL_NONE) {
        CCellID focus = pGrid->FocusCell();
        bool bSunken = pGrid->m_bSunkenHeaders && focus.IsValid() && (focus.row == nRow || focus.col == nCol);
        DrawEdge(dc, rect, bSunken);
        rect.Deflate(1, 1);
    }

    // 6.
    dc.SetFont(GetFontObject());
    int nMargin = GetMargin();
    rect.Deflate(nMargin, nMargin);
    if (rect.width <= 0 || rect.height <= 0)
        return true;

    // 7. A picture that does not fit completely is left out rather than cut.
    wxImageList* pList = pGrid->GetImageList();
    bool bHasImage = pList && GetImage() >= 0 && GetImage() < pList->GetImageCount();
    if (bHasImage) {
        wxSize img = ImageSize(pList, GetImage());
        if (img.x <= rect.width && img.y <= rect.height)
            pList->Draw(GetImage(), dc, rect.x, rect.y, wxIMAGELIST_DRAW_TRANSPARENT);
    }

    // 8. The sort mark in the header of the sort column.
    if (nRow == 0 && nCol == pGrid->SortColumn() && IsFixedRow()) {
        int nSize = dc.GetTextExtent("M").y - 4;
        if (nSize > rect.height - 4)
            nSize = rect.height - 4;
        if (nSize > 0) {
            int nOff = 2;
            int right = rect.GetRight() - nOff, bottom = rect.GetBottom() - nOff;
            int left = right - nSize, top = bottom - nSize;
            int mid = left + nSize / 2;
            wxPen shadow(wxSystemSettings::GetColour(wxSYS_COLOUR_3DSHADOW));
            wxPen hilite(wxSystemSettings::GetColour(wxSYS_COLOUR_3DHIGHLIGHT));
            if (pGrid->SortAscending()) {
                dc.SetPen(hilite);
                dc.DrawLine(left, bottom, right, bottom);
                dc.DrawLine(right, bottom, mid, top);
                dc.SetPen(shadow);
                dc.DrawLine(mid, top, left, bottom);
            } else {
                dc.SetPen(shadow);
                dc.DrawLine(left, top, right, top);
                dc.DrawLine(left, top, mid, bottom);
                dc.SetPen(hilite);
                dc.DrawLine(mid, bottom, right, top);
            }
            rect.width -= nSize + nOff;
        }
    }

    // 9. Past the image.
    if (bHasImage) {
        SkipImage(rect, ImageSize(pList, GetImage()), nMargin, bImageAbove);
    }

    // 10.
    if (rect.width > 0 && rect.height > 0) {
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(textClr);
        DrawFormattedText(dc, GetText(), rect, GetFormat() | DT_NOPREFIX);
    }
    return true;
}

void CGridCellBase::OnMouseEnter()
{
    wxLogTrace(kTraceMask, "Mouse entered cell\n");
}

void CGridCellBase::OnMouseOver() {}

void CGridCellBase::OnMouseLeave()
{
    wxLogTrace(kTraceMask, "Mouse left cell\n");
}

void CGridCellBase::OnClick(wxPoint pt)
{
    wxLogTrace(kTraceMask, "Mouse Left btn up in cell at x=%i y=%i\n", pt.x, pt.y);
}

void CGridCellBase::OnClickDown(wxPoint pt)
{
    wxLogTrace(kTraceMask, "Mouse Left btn down in cell at x=%i y=%i\n", pt.x, pt.y);
}

void CGridCellBase::OnRClick(wxPoint pt)
{
    wxLogTrace(kTraceMask, "Mouse right-clicked in cell at x=%i y=%i\n", pt.x, pt.y);
}

void CGridCellBase::OnDblClick(wxPoint pt)
{
    wxLogTrace(kTraceMask, "Mouse double-clicked in cell at x=%i y=%i\n", pt.x, pt.y);
}

bool CGridCellBase::OnSetCursor()
{
    if (CGridCtrl* pGrid = GetGrid())
        pGrid->SetCursor(*wxSTANDARD_CURSOR);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CGridCell

CGridCell::CGridCell() = default;

void CGridCell::SetFont(const wxFont* pFont)
{
    if (pFont && pFont->IsOk())
        m_pFont = std::make_unique<wxFont>(*pFont);
    else
        m_pFont.reset();
}

uint32_t CGridCell::GetFormat() const
{
    if (m_nFormat != GV_FORMAT_DEFAULT)
        return m_nFormat;
    CGridDefaultCell* pDef = GetDefaultCell();
    return pDef ? pDef->GetFormat() : (DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

const wxFont* CGridCell::GetFont() const
{
    if (m_pFont)
        return m_pFont.get();
    CGridDefaultCell* pDef = GetDefaultCell();
    return pDef ? pDef->GetFont() : nullptr;
}

wxFont CGridCell::GetFontObject() const
{
    const wxFont* pFont = GetFont();
    return pFont && pFont->IsOk() ? *pFont : wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

int CGridCell::GetMargin() const
{
    if (m_nMargin >= 0)
        return m_nMargin;
    CGridDefaultCell* pDef = GetDefaultCell();
    return pDef ? pDef->GetMargin() : 3;
}

void CGridCell::CopyFrom(const CGridCellBase& cell)
{
    CGridCellBase::CopyFrom(cell);
    if (auto* p = dynamic_cast<const CGridCell*>(&cell)) {
        // Keep "unset" as unset rather than the resolved defaults.
        m_nFormat = p->m_nFormat;
        m_nMargin = p->m_nMargin;
        SetFont(p->m_pFont.get());
    }
}

void CGridCell::Reset()
{
    CGridCellBase::Reset();
    m_strText.clear();
    m_nImage = -1;
    m_lParam = 0;
    m_nFormat = GV_FORMAT_DEFAULT;
    m_crFgClr = ClrDefault();
    m_crBkClr = ClrDefault();
    m_pFont.reset();
    m_nMargin = -1;
    m_pGrid = nullptr;
}

// ---------------------------------------------------------------------------------------------
// CGridDefaultCell

CGridDefaultCell::CGridDefaultCell()
{
    m_nFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    m_nMargin = 3;
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    SetFont(&font);
}

void CGridDefaultCell::SetFont(const wxFont* pFont)
{
    if (!pFont || !pFont->IsOk())
        return;
    m_Font = *pFont;
    if (!wxTheApp) {
        m_nMargin = 3;
        m_Size = wxSize(40, 16);
        return;
    }
    wxScreenDC dc;
    dc.SetFont(m_Font);
    m_nMargin = dc.GetTextExtent(" ").x;
    m_Size.x = dc.GetTextExtent(" XXXXXXXXXXXX ").x;
    m_Size.y = dc.GetCharHeight() * 3 / 2;
}
