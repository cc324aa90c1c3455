// CTitleTip: the pop-up that shows the whole text of a cut-off cell over the cell. It holds the
// mouse while shown and hands every event on: a move off the cell and any button press hide it
// and go to the window under the pointer, a key goes to the grid.
#pragma once

#include <wx/font.h>
#include <wx/popupwin.h>

class CGridCtrl;

class CTitleTip : public wxPopupWindow {
  public:
    explicit CTitleTip(CGridCtrl* pGrid);

    // Shows `strText` at the top-left of rcText (client coordinates of the grid); rcHover is the
    // area whose leaving hides the tip.
    void Show(const wxRect& rcText, const wxString& strText, const wxFont& font, const wxRect& rcHover);
    void Hide();
    bool IsShownTip() const { return m_bShown; }
    wxString GetTipText() const { return m_strText; }
    wxRect GetHoverRect() const { return m_rectHover; }

  private:
    void OnPaint(wxPaintEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnKey(wxKeyEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void ForwardMouse(wxMouseEvent& event, wxEventType type);

    CGridCtrl* m_pGrid;
    wxString m_strText;
    wxFont m_Font;
    wxRect m_rectHover; // grid client coordinates
    bool m_bShown = false;
    long m_nLastLeftDown = 0;
    int m_nDblClickTime;
};
