#include "grid/TitleTip.h"
#include "grid/GridCtrl.h"

#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/settings.h>
#include <wx/time.h>

CTitleTip::CTitleTip(CGridCtrl* pGrid) : wxPopupWindow(pGrid, wxBORDER_SIMPLE), m_pGrid(pGrid)
{
    SetName("ZTitleTip");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_nDblClickTime = 500;
    Bind(wxEVT_PAINT, &CTitleTip::OnPaint, this);
    Bind(wxEVT_MOTION, &CTitleTip::OnMouse, this);
    Bind(wxEVT_LEFT_DOWN, &CTitleTip::OnMouse, this);
    Bind(wxEVT_LEFT_DCLICK, &CTitleTip::OnMouse, this);
    Bind(wxEVT_RIGHT_DOWN, &CTitleTip::OnMouse, this);
    Bind(wxEVT_MIDDLE_DOWN, &CTitleTip::OnMouse, this);
    Bind(wxEVT_MOUSEWHEEL, &CTitleTip::OnMouse, this);
    Bind(wxEVT_LEAVE_WINDOW, &CTitleTip::OnMouse, this);
    Bind(wxEVT_KEY_DOWN, &CTitleTip::OnKey, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CTitleTip::OnCaptureLost, this);
}

void CTitleTip::Show(const wxRect& rcText, const wxString& strText, const wxFont& font, const wxRect& rcHover)
{
    if (m_bShown)
        return;
    m_strText = strText;
    m_Font = font;
    m_rectHover = rcHover;
    wxScreenDC dc;
    dc.SetFont(font);
    // One space at each end, as the tip reads better with some air.
    wxSize ext = dc.GetTextExtent(" " + strText + " ");
    wxSize border = GetSize() - GetClientSize();
    wxPoint pos = m_pGrid->ClientToScreen(rcText.GetTopLeft());
    SetSize(pos.x, pos.y, ext.x + border.x, std::max(rcText.height, 1) + border.y);
    wxPopupWindow::Show(true);
    Raise();
    m_bShown = true;
    if (!HasCapture())
        CaptureMouse();
    Refresh();
}

void CTitleTip::Hide()
{
    if (!m_bShown)
        return;
    m_bShown = false;
    if (HasCapture())
        ReleaseMouse();
    wxPopupWindow::Show(false);
}

void CTitleTip::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK)));
    dc.Clear();
    dc.SetFont(m_Font);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    wxString strShown = " " + m_strText + " ";
    int y = (GetClientSize().y - dc.GetCharHeight()) / 2;
    dc.DrawText(strShown, 0, y);
}

void CTitleTip::ForwardMouse(wxMouseEvent& event, wxEventType type)
{
    wxPoint ptScreen = ClientToScreen(event.GetPosition());
    wxWindow* pTarget = wxFindWindowAtPoint(ptScreen);
    if (!pTarget || pTarget == this)
        pTarget = m_pGrid;
    wxMouseEvent fwd(event);
    fwd.SetEventType(type);
    fwd.SetPosition(pTarget->ScreenToClient(ptScreen));
    fwd.SetEventObject(pTarget);
    fwd.SetId(pTarget->GetId());
    pTarget->GetEventHandler()->ProcessEvent(fwd);
}

void CTitleTip::OnMouse(wxMouseEvent& event)
{
    if (!m_bShown)
        return;
    wxEventType type = event.GetEventType();
    wxPoint ptGrid = m_pGrid->ScreenToClient(ClientToScreen(event.GetPosition()));
    if (type == wxEVT_MOTION || type == wxEVT_LEAVE_WINDOW) {
        if (m_rectHover.Contains(ptGrid))
            return;
        Hide();
        ForwardMouse(event, wxEVT_MOTION);
        return;
    }
    Hide();
    if (type == wxEVT_LEFT_DOWN) {
        long now = static_cast<long>(wxGetLocalTimeMillis().GetLo());
        bool bDouble = now - m_nLastLeftDown <= m_nDblClickTime;
        m_nLastLeftDown = now;
        ForwardMouse(event, bDouble ? wxEVT_LEFT_DCLICK : wxEVT_LEFT_DOWN);
        return;
    }
    ForwardMouse(event, type);
}

void CTitleTip::OnKey(wxKeyEvent& event)
{
    Hide();
    wxKeyEvent fwd(event);
    fwd.SetEventObject(m_pGrid);
    m_pGrid->GetEventHandler()->ProcessEvent(fwd);
}

void CTitleTip::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    Hide();
}
