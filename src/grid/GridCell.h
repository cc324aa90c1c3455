// The concrete cell used at every grid position, and the default cells that hold what a cell
// falls back on (format, colours, font, margin, default size).
#pragma once

#include "grid/GridCellBase.h"

#include <memory>

class CGridCell : public CGridCellBase {
  public:
    CGridCell();
    ~CGridCell() override = default;

    void SetText(const wxString& strText) override { m_strText = strText; }
    void SetImage(int nImage) override { m_nImage = nImage; }
    void SetData(uint32_t lParam) override { m_lParam = lParam; }
    void SetFormat(uint32_t nFormat) override { m_nFormat = nFormat; }
    void SetTextClr(const wxColour& clr) override { m_crFgClr = clr; }
    void SetBackClr(const wxColour& clr) override { m_crBkClr = clr; }
    void SetFont(const wxFont* pFont) override;
    void SetMargin(int nMargin) override { m_nMargin = nMargin; }
    void SetGrid(CGridCtrl* pGrid) override { m_pGrid = pGrid; }
    void SetCoords(int, int) override {}

    wxString GetText() const override { return m_strText; }
    int GetImage() const override { return m_nImage; }
    uint32_t GetData() const override { return m_lParam; }
    uint32_t GetFormat() const override;
    wxColour GetTextClr() const override { return m_crFgClr; }
    wxColour GetBackClr() const override { return m_crBkClr; }
    const wxFont* GetFont() const override;
    wxFont GetFontObject() const override;
    CGridCtrl* GetGrid() const override { return m_pGrid; }
    int GetMargin() const override;
    bool IsDefaultFont() const override { return !m_pFont; }

    void CopyFrom(const CGridCellBase& cell) override;
    void Reset() override;

  protected:
    wxString m_strText;
    int m_nImage = -1;
    uint32_t m_lParam = 0;
    uint32_t m_nFormat = GV_FORMAT_DEFAULT;
    wxColour m_crFgClr; // unset: the default cell's
    wxColour m_crBkClr;
    std::unique_ptr<wxFont> m_pFont;
    int m_nMargin = -1;
    CGridCtrl* m_pGrid = nullptr;
};

// Defaults for one kind of cell (normal, fixed row, fixed column, fixed both).
class CGridDefaultCell : public CGridCell {
  public:
    CGridDefaultCell();

    // Also sets margin (one space), width (" XXXXXXXXXXXX ") and height (3/2 of the text height).
    void SetFont(const wxFont* pFont) override;
    uint32_t GetFormat() const override { return m_nFormat; }
    const wxFont* GetFont() const override { return &m_Font; }
    wxFont GetFontObject() const override { return m_Font; }
    int GetMargin() const override { return m_nMargin; }
    CGridDefaultCell* GetDefaultCell() const override { return nullptr; }

    int GetWidth() const { return m_Size.x; }
    int GetHeight() const { return m_Size.y; }
    void SetWidth(int nWidth) { m_Size.x = nWidth; }
    void SetHeight(int nHeight) { m_Size.y = nHeight; }

  protected:
    wxFont m_Font;
    wxSize m_Size{30, 10};
};
