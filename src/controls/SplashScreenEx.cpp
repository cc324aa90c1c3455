#include "controls/SplashScreenEx.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>
#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/region.h>
#include <wx/settings.h>
#include <wx/time.h>

const wxColour CSplashScreenEx::TransparentColour(212, 120, 120);

namespace {

// Frame time of the fades; the alpha follows the clock, so a slow machine only drops frames.
constexpr int kFadeTickMs = 15;

CSplashScreenEx::ExitHandler& ExitHandlerSlot()
{
    static CSplashScreenEx::ExitHandler fn = [](int nCode) {
        // At once, like the user asked: no waiting for worker threads or destructors.
        std::fflush(nullptr);
        _exit(nCode);
    };
    return fn;
}

// Breaks one paragraph into lines that fit nWidth, at blanks where possible, else between
// characters (Chinese text has no blanks).
void WrapParagraph(wxDC& dc, const wxString& strPara, int nWidth, std::vector<wxString>& arrLines)
{
    wxString strLine;
    size_t nLastBlank = wxString::npos;
    for (wxUniChar ch : strPara) {
        wxString strTry = strLine + ch;
        if (!strLine.empty() && dc.GetTextExtent(strTry).GetWidth() > nWidth) {
            if (ch == ' ') {
                arrLines.push_back(strLine);
                strLine.clear();
                nLastBlank = wxString::npos;
                continue;
            }
            if (nLastBlank != wxString::npos) {
                arrLines.push_back(strLine.Left(nLastBlank));
                strLine = strLine.Mid(nLastBlank + 1) + ch;
            } else {
                arrLines.push_back(strLine);
                strLine = wxString(ch);
            }
            nLastBlank = wxString::npos;
            continue;
        }
        if (ch == ' ')
            nLastBlank = strLine.length();
        strLine = strTry;
    }
    arrLines.push_back(strLine);
}

} // namespace

CSplashScreenEx::ExitHandler CSplashScreenEx::SetExitHandler(ExitHandler fn)
{
    ExitHandler old = std::move(ExitHandlerSlot());
    ExitHandlerSlot() = std::move(fn);
    return old;
}

CSplashScreenEx::CSplashScreenEx() : m_fontCaption(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT))
{
    m_timerFade.SetOwner(this);
    m_timerDisplay.SetOwner(this);
}

CSplashScreenEx::~CSplashScreenEx()
{
    m_timerFade.Stop();
    m_timerDisplay.Stop();
}

bool CSplashScreenEx::CreateSplash(wxWindow* pParent, const wxString& strCaption)
{
    m_pParentWnd = pParent;
    m_strCaption = strCaption;
    m_dwAutoHideMs = 0;
    m_dwSplashFlags = SPLASH_FADE_IN | SPLASH_FADE_OUT | SPLASH_CENTER_SCREEN;

    // No caption bar, no taskbar button, shaped by the picture's colour key.
    const long lStyle =
        wxBORDER_NONE | wxFRAME_TOOL_WINDOW | wxFRAME_NO_TASKBAR | wxFRAME_SHAPED | wxSTAY_ON_TOP;
    if (!Create(pParent, wxID_ANY, wxString(), wxDefaultPosition, wxSize(1, 1), lStyle))
        return false;
    // Painting covers every pixel with the picture; erasing first would only flicker.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_bCanFade = CanSetTransparent();

    Bind(wxEVT_PAINT, &CSplashScreenEx::OnPaint, this);
    Bind(wxEVT_TIMER, &CSplashScreenEx::OnFadeTimer, this, m_timerFade.GetId());
    Bind(wxEVT_TIMER, &CSplashScreenEx::OnDisplayTimer, this, m_timerDisplay.GetId());
    Bind(wxEVT_CHAR_HOOK, &CSplashScreenEx::OnKey, this);
    Bind(wxEVT_KEY_DOWN, &CSplashScreenEx::OnKey, this);
    Bind(wxEVT_CHAR, &CSplashScreenEx::OnKey, this);
    Bind(wxEVT_LEFT_DOWN, &CSplashScreenEx::OnMouseDown, this);
    Bind(wxEVT_RIGHT_DOWN, &CSplashScreenEx::OnMouseDown, this);
    Bind(wxEVT_MIDDLE_DOWN, &CSplashScreenEx::OnMouseDown, this);
    return true;
}

bool CSplashScreenEx::LoadPicture(const wxBitmap& bmpPicture)
{
    if (!bmpPicture.IsOk())
        return false;
    m_bmpPicture = bmpPicture;
    m_nPictureWidth = bmpPicture.GetWidth();
    m_nPictureHeight = bmpPicture.GetHeight();
    m_rcCaption = wxRect(0, 0, m_nPictureWidth, m_nPictureHeight);
    PlaceWindow();
    if (GetHandle()) {
        SetSize(m_nScreenX, m_nScreenY, m_nPictureWidth, m_nPictureHeight);
        ApplyShape();
    }
    return true;
}

void CSplashScreenEx::PlaceWindow()
{
    if (m_dwSplashFlags & SPLASH_CENTER_SCREEN) {
        int nDisplay = wxDisplay::GetFromWindow(this);
        wxRect rcScreen = wxDisplay(nDisplay == wxNOT_FOUND ? 0u : unsigned(nDisplay)).GetGeometry();
        m_nScreenX = rcScreen.x + (rcScreen.width - m_nPictureWidth) / 2;
        m_nScreenY = rcScreen.y + (rcScreen.height - m_nPictureHeight) / 2;
    } else if ((m_dwSplashFlags & SPLASH_CENTER_PARENT) && m_pParentWnd) {
        wxRect rcParent = m_pParentWnd->GetScreenRect();
        m_nScreenX = rcParent.x + (rcParent.width - m_nPictureWidth) / 2;
        m_nScreenY = rcParent.y + (rcParent.height - m_nPictureHeight) / 2;
    }
}

void CSplashScreenEx::ApplyShape()
{
    // Every pixel not of the key colour belongs to the window; a picture without the key colour
    // gives the full rectangle.
    wxRegion rgn(m_bmpPicture, TransparentColour);
    SetShape(rgn);
    Refresh();
    Update();
}

void CSplashScreenEx::SetCaptionFont()
{
    m_fontCaption = wxFont(wxFontInfo(10).Family(wxFONTFAMILY_SWISS));
}

void CSplashScreenEx::SetCaptionArea(int nLeft, int nTop, int nRight, int nBottom)
{
    m_rcCaption = wxRect(wxPoint(nLeft, nTop), wxPoint(nRight - 1, nBottom - 1));
    if (GetHandle()) {
        Refresh();
        Update();
    }
}

void CSplashScreenEx::SetCaptionColour(const wxColour& clr)
{
    m_clrCaption = clr;
    if (GetHandle()) {
        Refresh();
        Update();
    }
}

void CSplashScreenEx::SetCaptionFormat(uint32_t dwFormat)
{
    m_dwCaptionFormat = dwFormat;
}

void CSplashScreenEx::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    if (m_bmpPicture.IsOk())
        dc.DrawBitmap(m_bmpPicture, 0, 0);
    DrawCaption(dc);
}

void CSplashScreenEx::DrawCaption(wxDC& dc)
{
    if (m_strCaption.empty() || m_rcCaption.IsEmpty())
        return;
    dc.SetFont(m_fontCaption);
    dc.SetTextForeground(m_clrCaption);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    wxDCClipper clip(dc, m_rcCaption);

    std::vector<wxString> arrLines;
    if (m_dwCaptionFormat & SPLASH_TEXT_SINGLELINE) {
        wxString strLine = m_strCaption;
        strLine.Replace("\r", wxString());
        strLine.Replace("\n", " ");
        arrLines.push_back(strLine);
    } else {
        for (const wxString& strPara : wxSplit(m_strCaption, '\n', 0)) {
            wxString strClean = strPara;
            strClean.Replace("\r", wxString());
            if (m_dwCaptionFormat & SPLASH_TEXT_WORDBREAK)
                WrapParagraph(dc, strClean, m_rcCaption.width, arrLines);
            else
                arrLines.push_back(strClean);
        }
    }

    const int nLineHeight = dc.GetCharHeight();
    const int nTextHeight = nLineHeight * int(arrLines.size());
    int y = m_rcCaption.y;
    if (m_dwCaptionFormat & SPLASH_TEXT_VCENTER)
        y += (m_rcCaption.height - nTextHeight) / 2;
    else if (m_dwCaptionFormat & SPLASH_TEXT_BOTTOM)
        y += m_rcCaption.height - nTextHeight;
    for (const wxString& strLine : arrLines) {
        const int nWidth = dc.GetTextExtent(strLine).GetWidth();
        int x = m_rcCaption.x;
        if (m_dwCaptionFormat & SPLASH_TEXT_CENTER)
            x += (m_rcCaption.width - nWidth) / 2;
        else if (m_dwCaptionFormat & SPLASH_TEXT_RIGHT)
            x += m_rcCaption.width - nWidth;
        dc.DrawText(strLine, x, y);
        y += nLineHeight;
    }
}

void CSplashScreenEx::ShowSplash()
{
    if (!GetHandle() || m_bHiding)
        return;
    SetSize(m_nScreenX, m_nScreenY, m_nPictureWidth, m_nPictureHeight);
    if ((m_dwSplashFlags & SPLASH_FADE_IN) && m_bCanFade) {
        m_nAlpha = 0;
        SetTransparent(0);
        ShowWithoutActivating();
        StartFade(true);
    } else {
        ShowWithoutActivating();
    }
    if (m_dwAutoHideMs != 0)
        m_timerDisplay.StartOnce(int(m_dwAutoHideMs));
}

void CSplashScreenEx::HideSplash()
{
    if (!GetHandle() || m_bHiding)
        return;
    m_bHiding = true;
    m_timerDisplay.Stop();
    if ((m_dwSplashFlags & SPLASH_FADE_OUT) && m_bCanFade && IsShown())
        StartFade(false);
    else
        FinishHide();
}

void CSplashScreenEx::StartFade(bool bIn)
{
    m_bFadingIn = bIn;
    m_nFadeFrom = m_nAlpha;
    m_nFadeTo = bIn ? 255 : 0;
    m_nFadeMs = bIn ? FadeInMs : FadeOutMs;
    m_llFadeStart = wxGetLocalTimeMillis();
    m_timerFade.Start(kFadeTickMs);
}

void CSplashScreenEx::OnFadeTimer(wxTimerEvent&)
{
    const long long llElapsed = (wxGetLocalTimeMillis() - m_llFadeStart).GetValue();
    const bool bDone = llElapsed >= m_nFadeMs;
    const int nAlpha =
        bDone ? m_nFadeTo : m_nFadeFrom + int((m_nFadeTo - m_nFadeFrom) * llElapsed / std::max(1, m_nFadeMs));
    if (nAlpha != m_nAlpha) {
        m_nAlpha = nAlpha;
        SetTransparent(wxByte(nAlpha));
    }
    if (!bDone)
        return;
    m_timerFade.Stop();
    if (!m_bFadingIn)
        FinishHide();
}

void CSplashScreenEx::FinishHide()
{
    m_timerFade.Stop();
    Hide();
    Destroy();
}

void CSplashScreenEx::OnDisplayTimer(wxTimerEvent&)
{
    m_timerDisplay.Stop();
    HideSplash();
}

void CSplashScreenEx::OnKey(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_ESCAPE) {
        ExitHandlerSlot()(0);
        return;
    }
    if (m_dwSplashFlags & SPLASH_HIDE_ON_INPUT) {
        HideSplash();
        return;
    }
    event.Skip();
}

void CSplashScreenEx::OnMouseDown(wxMouseEvent& event)
{
    if (m_dwSplashFlags & SPLASH_HIDE_ON_INPUT) {
        HideSplash();
        return;
    }
    event.Skip();
}
