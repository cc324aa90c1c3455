// Cells of the self-drawn grid (CGridCtrl): the abstract cell, its state bits and the text
// drawing formats. Cells are owned by their grid and touched only on the UI thread.
#pragma once

#include <cstdint>
#include <wx/colour.h>
#include <wx/dc.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

class CGridCtrl;
class CGridDefaultCell;

// Cell state bits.
constexpr uint32_t GVIS_FOCUSED = 0x01;
constexpr uint32_t GVIS_SELECTED = 0x02;
constexpr uint32_t GVIS_DROPHILITED = 0x04;
constexpr uint32_t GVIS_READONLY = 0x08;
constexpr uint32_t GVIS_FIXED = 0x10;
constexpr uint32_t GVIS_FIXEDROW = 0x20;
constexpr uint32_t GVIS_FIXEDCOL = 0x40;
constexpr uint32_t GVIS_MODIFIED = 0x80;

// Text drawing format bits (the values of the classic text-drawing call, so stored formats keep
// their meaning).
constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_VCENTER = 0x0004;
constexpr uint32_t DT_BOTTOM = 0x0008;
constexpr uint32_t DT_WORDBREAK = 0x0010;
constexpr uint32_t DT_SINGLELINE = 0x0020;
constexpr uint32_t DT_NOPREFIX = 0x0800;
constexpr uint32_t DT_END_ELLIPSIS = 0x8000;
// "Use the default cell's format".
constexpr uint32_t GV_FORMAT_DEFAULT = 0xFFFFFFFFu;

// "Use the default cell's colour": an unset wxColour.
inline const wxColour& ClrDefault()
{
    static const wxColour clr;
    return clr;
}

// The text a cell shows in `width` pixels with `format`: cut with a trailing "..." when the format
// asks for an end ellipsis and the text does not fit.
wxString GridFitText(wxDC& dc, const wxString& strText, int nWidth, uint32_t nFormat);

class CGridCellBase {
  public:
    CGridCellBase() = default;
    CGridCellBase(const CGridCellBase&) = delete;
    CGridCellBase& operator=(const CGridCellBase&) = delete;
    virtual ~CGridCellBase() = default;

    // Setters.
    virtual void SetText(const wxString& strText) = 0;
    virtual void SetImage(int nImage) = 0;
    virtual void SetData(uint32_t lParam) = 0;
    virtual void SetState(uint32_t nState) { m_nState = nState; }
    virtual void SetFormat(uint32_t nFormat) = 0;
    virtual void SetTextClr(const wxColour& clr) = 0;
    virtual void SetBackClr(const wxColour& clr) = 0;
    // Copies the font, or drops the cell's own font when given null.
    virtual void SetFont(const wxFont* pFont) = 0;
    virtual void SetMargin(int nMargin) = 0;
    virtual void SetGrid(CGridCtrl* pGrid) = 0;
    virtual void SetCoords(int nRow, int nCol) = 0;

    // Getters; format, font and margin fall back to the default cell when unset.
    virtual wxString GetText() const = 0;
    virtual wxString GetTipText() const { return GetText(); }
    virtual int GetImage() const = 0;
    virtual uint32_t GetData() const = 0;
    virtual uint32_t GetState() const { return m_nState; }
    virtual uint32_t GetFormat() const = 0;
    virtual wxColour GetTextClr() const = 0;
    virtual wxColour GetBackClr() const = 0;
    virtual const wxFont* GetFont() const = 0;
    virtual wxFont GetFontObject() const = 0;
    virtual CGridCtrl* GetGrid() const = 0;
    virtual wxWindow* GetEditWnd() const { return nullptr; }
    virtual int GetMargin() const = 0;
    virtual CGridDefaultCell* GetDefaultCell() const;
    virtual bool IsDefaultFont() const = 0;
    virtual bool IsEditing() const { return false; }

    virtual bool IsFocused() const { return (m_nState & GVIS_FOCUSED) != 0; }
    virtual bool IsFixed() const { return (m_nState & GVIS_FIXED) != 0; }
    virtual bool IsFixedCol() const { return (m_nState & GVIS_FIXEDCOL) != 0; }
    virtual bool IsFixedRow() const { return (m_nState & GVIS_FIXEDROW) != 0; }
    virtual bool IsSelected() const { return (m_nState & GVIS_SELECTED) != 0; }
    virtual bool IsReadOnly() const { return (m_nState & GVIS_READONLY) != 0; }
    virtual bool IsModified() const { return (m_nState & GVIS_MODIFIED) != 0; }
    virtual bool IsDropHighlighted() const { return (m_nState & GVIS_DROPHILITED) != 0; }

    virtual void CopyFrom(const CGridCellBase& cell);
    virtual void Reset();

    // Drawing and measuring.
    virtual bool Draw(wxDC& dc, int nRow, int nCol, wxRect rect, bool bEraseBkgnd = true);
    // The cell rectangle shrunk by the margin and moved past the image.
    virtual bool GetTextRect(wxRect& rect);
    virtual bool GetTipTextRect(wxRect& rect) { return GetTextRect(rect); }
    virtual wxSize GetTextExtent(const wxString& strText, wxDC* pDC = nullptr);
    virtual wxSize GetCellExtent(wxDC* pDC = nullptr);

    // Editing and printing are not used: the cells are read-only.
    virtual bool Edit(int, int, const wxRect&, const wxPoint&, int, int) { return false; }
    virtual bool ValidateEdit(const wxString&) { return true; }
    virtual void EndEdit() {}
    virtual bool PrintCell(wxDC&, int, int, const wxRect&) { return false; }
    virtual void OnEndEdit() {}

    // Mouse hooks; points are relative to the cell.
    virtual void OnMouseEnter();
    virtual void OnMouseOver();
    virtual void OnMouseLeave();
    virtual void OnClick(wxPoint ptCellRelative);
    virtual void OnClickDown(wxPoint ptCellRelative);
    virtual void OnRClick(wxPoint ptCellRelative);
    virtual void OnDblClick(wxPoint ptCellRelative);
    virtual bool OnSetCursor();

    uint8_t bImageAbove = 0; // image above the text instead of left of it

  protected:
    uint32_t m_nState = 0;
};
