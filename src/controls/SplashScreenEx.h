// Start-up splash: a borderless, taskbar-less picture window with a caption drawn over it, faded
// in when shown and faded out when it goes. The main window creates it during its initialisation
// and drops it when the start-up work reports back. User-interface thread only.
//
// Typical use (the object frees itself after HideSplash; do not touch the pointer afterwards):
//
//     auto* pSplash = new CSplashScreenEx;
//     pSplash->CreateSplash(this, strCaption);      // flags: fade in, fade out, centre on screen
//     pSplash->LoadPicture(LoadSplashBitmap());     // controls/Artwork.h
//     pSplash->SetCaptionFont();
//     pSplash->SetCaptionArea(30, 50, 291, 160);    // left, top, right, bottom
//     pSplash->SetCaptionColour(*wxWHITE);
//     pSplash->SetCaptionFormat(SPLASH_TEXT_VCENTER | SPLASH_TEXT_WORDBREAK);
//     pSplash->ShowSplash();
//     ...
//     pSplash->HideSplash();
//
// Escape pressed on the splash ends the process with exit code 0 (see SetExitHandler).
#pragma once

#include <cstdint>
#include <functional>
#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/frame.h>
#include <wx/timer.h>

// Style bits of the splash.
enum : uint32_t {
    SPLASH_FADE_IN = 0x01,       // appear with a 500 ms blend
    SPLASH_FADE_OUT = 0x02,      // disappear with a 200 ms blend
    SPLASH_SHADOW = 0x04,        // drop shadow (the window manager decides; kept for callers)
    SPLASH_CENTER_SCREEN = 0x08, // centre on the screen
    SPLASH_CENTER_PARENT = 0x10, // centre on the parent (only without SPLASH_CENTER_SCREEN)
    SPLASH_HIDE_ON_INPUT = 0x20, // a mouse-button or key press on the window hides it
};

// Caption drawing flags; the values are those of the classic text-output flags so that stored or
// shared format numbers (21 = centred both ways and wrapped, 0x14 = left, centred, wrapped) keep
// their meaning.
enum : uint32_t {
    SPLASH_TEXT_LEFT = 0x00,
    SPLASH_TEXT_CENTER = 0x01,
    SPLASH_TEXT_RIGHT = 0x02,
    SPLASH_TEXT_VCENTER = 0x04,
    SPLASH_TEXT_BOTTOM = 0x08,
    SPLASH_TEXT_WORDBREAK = 0x10,
    SPLASH_TEXT_SINGLELINE = 0x20,
};

class CSplashScreenEx : public wxFrame {
  public:
    // Pixels of this colour are cut out of the window (the colour key).
    static const wxColour TransparentColour; // RGB(212, 120, 120)
    static constexpr int FadeInMs = 500;
    static constexpr int FadeOutMs = 200;

    CSplashScreenEx();
    ~CSplashScreenEx() override;

    // Stores parent and caption, sets the flags to fade in | fade out | centre on screen and the
    // display time to 0 (stay until HideSplash), creates the window hidden. True on success.
    bool CreateSplash(wxWindow* pParent, const wxString& strCaption = wxString());

    // Takes the picture: sizes the window to it, resets the caption area to the whole picture,
    // places the window as the flags say and cuts out the colour-keyed pixels. False for an
    // invalid bitmap (nothing changes then).
    bool LoadPicture(const wxBitmap& bmpPicture);

    // Caption font: 10 points, normal sans-serif.
    void SetCaptionFont();
    // Caption area inside the picture, as left, top, right, bottom; repaints at once.
    void SetCaptionArea(int nLeft, int nTop, int nRight, int nBottom);
    // Caption colour; repaints at once.
    void SetCaptionColour(const wxColour& clr);
    // Caption drawing flags (SPLASH_TEXT_*); no repaint.
    void SetCaptionFormat(uint32_t dwFormat);

    // Shows the window without activating it, fading in when asked and possible; starts the
    // display timer when the display time is not 0.
    void ShowSplash();
    // Hides the window (fading out when asked and possible) and then destroys it; the object is
    // freed by the toolkit afterwards. Safe to call more than once before it is gone.
    void HideSplash();

    // Style bits and display time; CreateSplash resets both, so change them after it.
    void SetSplashFlags(uint32_t dwFlags) { m_dwSplashFlags = dwFlags; }
    uint32_t GetSplashFlags() const { return m_dwSplashFlags; }
    void SetAutoHide(uint32_t dwMs) { m_dwAutoHideMs = dwMs; }
    uint32_t GetAutoHide() const { return m_dwAutoHideMs; }

    wxRect GetCaptionArea() const { return m_rcCaption; }
    const wxString& GetCaptionText() const { return m_strCaption; }
    // True from HideSplash until the window is destroyed.
    bool IsHiding() const { return m_bHiding; }

    // What Escape calls to end the process; the default flushes stdio and ends the process at
    // once with the given code. Tests install their own to observe it. Returns the previous one.
    using ExitHandler = std::function<void(int)>;
    static ExitHandler SetExitHandler(ExitHandler fn);

  private:
    void OnPaint(wxPaintEvent& event);
    void OnFadeTimer(wxTimerEvent& event);
    void OnDisplayTimer(wxTimerEvent& event);
    void OnKey(wxKeyEvent& event);
    void OnMouseDown(wxMouseEvent& event);

    void DrawCaption(wxDC& dc);
    void StartFade(bool bIn);
    void FinishHide();
    void PlaceWindow();
    void ApplyShape();

    wxWindow* m_pParentWnd = nullptr;
    wxBitmap m_bmpPicture;
    wxFont m_fontCaption;
    uint32_t m_dwSplashFlags = 0;
    uint32_t m_dwAutoHideMs = 2000;
    wxString m_strCaption;
    wxRect m_rcCaption;
    uint32_t m_dwCaptionFormat = SPLASH_TEXT_CENTER | SPLASH_TEXT_VCENTER | SPLASH_TEXT_WORDBREAK;
    wxColour m_clrCaption = *wxBLACK;
    int m_nPictureWidth = 0;
    int m_nPictureHeight = 0;
    int m_nScreenX = 0;
    int m_nScreenY = 0;

    // Whether this display can blend windows; looked up once when the window is created.
    bool m_bCanFade = false;
    bool m_bHiding = false;
    bool m_bFadingIn = false;
    int m_nAlpha = 255;
    wxLongLong m_llFadeStart = 0;
    int m_nFadeFrom = 0;
    int m_nFadeTo = 255;
    int m_nFadeMs = 0;
    wxTimer m_timerFade;
    wxTimer m_timerDisplay;
};
