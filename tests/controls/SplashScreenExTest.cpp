// The splash in a real window: placement, fades, the colour key and caption on screen, hiding by
// itself, and Escape.
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "controls/Artwork.h"
#include "controls/ComboBox2.h"
#include "controls/SplashScreenEx.h"
#include "gui_support.h"

using albumora_test::PumpEvents;
using albumora_test::PumpUntil;

namespace {

// A splash on a display that can blend (or not), recording every alpha it is given.
class CRecordingSplash : public CSplashScreenEx {
  public:
    // The alphas go to the caller's vector, which outlives the self-freeing splash.
    CRecordingSplash(bool bCanFade, std::vector<int>& arrAlpha) : m_bCanFade(bCanFade), m_arrAlpha(arrAlpha)
    {
    }
    bool CanSetTransparent() override { return m_bCanFade; }
    bool SetTransparent(wxByte alpha) override
    {
        m_arrAlpha.push_back(alpha);
        return CSplashScreenEx::SetTransparent(alpha);
    }
    bool m_bCanFade;
    std::vector<int>& m_arrAlpha;
};

wxBitmap SolidPicture(const wxColour& clr, const wxRect& rcKey = wxRect())
{
    wxBitmap bmp(300, 167, 24);
    wxMemoryDC dc(bmp);
    dc.SetBackground(wxBrush(clr));
    dc.Clear();
    if (!rcKey.IsEmpty()) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(CSplashScreenEx::TransparentColour));
        dc.DrawRectangle(rcKey);
    }
    dc.SelectObject(wxNullBitmap);
    return bmp;
}

wxColour ScreenPixel(const wxPoint& pt)
{
    wxBitmap bmp(1, 1, 24);
    wxMemoryDC mem(bmp);
    wxScreenDC screen;
    mem.Blit(0, 0, 1, 1, &screen, pt.x, pt.y);
    mem.SelectObject(wxNullBitmap);
    wxImage img = bmp.ConvertToImage();
    return wxColour(img.GetRed(0, 0), img.GetGreen(0, 0), img.GetBlue(0, 0));
}

bool Near(const wxColour& a, const wxColour& b)
{
    return std::abs(a.Red() - b.Red()) < 24 && std::abs(a.Green() - b.Green()) < 24 &&
           std::abs(a.Blue() - b.Blue()) < 24;
}

TEST(SplashScreenEx, CreatePlacesThePictureCentredAndTakesTheCaptionArea)
{
    wxWeakRef<CSplashScreenEx> pSplash = new CSplashScreenEx;
    ASSERT_TRUE(pSplash->CreateSplash(nullptr, "caption"));
    EXPECT_EQ(pSplash->GetSplashFlags(), uint32_t(SPLASH_FADE_IN | SPLASH_FADE_OUT | SPLASH_CENTER_SCREEN));
    EXPECT_EQ(pSplash->GetAutoHide(), 0u);
    EXPECT_FALSE(pSplash->IsShown());

    ASSERT_TRUE(pSplash->LoadPicture(LoadSplashBitmap()));
    EXPECT_EQ(pSplash->GetCaptionArea(), wxRect(0, 0, 300, 167));
    EXPECT_FALSE(pSplash->LoadPicture(wxBitmap())) << "a missing picture is refused";
    pSplash->SetCaptionArea(30, 50, 291, 160);
    EXPECT_EQ(pSplash->GetCaptionArea(), wxRect(30, 50, 261, 110));

    pSplash->ShowSplash();
    ASSERT_TRUE(PumpUntil([&] { return pSplash->IsShownOnScreen(); }));
    PumpEvents(100);
    EXPECT_EQ(pSplash->GetScreenRect(), wxRect((1280 - 300) / 2, (800 - 167) / 2, 300, 167));
    pSplash->HideSplash();
    EXPECT_TRUE(PumpUntil([&] { return !pSplash; })) << "the splash frees itself";
}

TEST(SplashScreenEx, FadesInAndOutInSteps)
{
    std::vector<int> arrAlpha;
    wxWeakRef<CRecordingSplash> pSplash = new CRecordingSplash(true, arrAlpha);
    ASSERT_TRUE(pSplash->CreateSplash(nullptr));
    pSplash->LoadPicture(SolidPicture(*wxBLUE));
    pSplash->ShowSplash();
    EXPECT_TRUE(pSplash->IsShown());
    ASSERT_TRUE(PumpUntil([&] { return !arrAlpha.empty() && arrAlpha.back() == 255; }));
    EXPECT_EQ(arrAlpha.front(), 0);
    EXPECT_GT(arrAlpha.size(), 3u) << "a blend, not a jump";
    EXPECT_TRUE(std::is_sorted(arrAlpha.begin(), arrAlpha.end()));

    arrAlpha.clear();
    pSplash->HideSplash();
    pSplash->HideSplash(); // a second call while fading changes nothing
    EXPECT_TRUE(pSplash->IsShown()) << "still visible while it fades out";
    ASSERT_TRUE(PumpUntil([&] { return !pSplash; }));
    ASSERT_GT(arrAlpha.size(), 1u);
    EXPECT_EQ(arrAlpha.back(), 0);
    EXPECT_TRUE(std::is_sorted(arrAlpha.rbegin(), arrAlpha.rend()));
}

TEST(SplashScreenEx, WithoutBlendingShowsAndHidesAtOnce)
{
    std::vector<int> arrAlpha;
    wxWeakRef<CRecordingSplash> pSplash = new CRecordingSplash(false, arrAlpha);
    ASSERT_TRUE(pSplash->CreateSplash(nullptr));
    pSplash->LoadPicture(SolidPicture(*wxBLUE));
    pSplash->ShowSplash();
    EXPECT_TRUE(pSplash->IsShown());
    pSplash->HideSplash();
    EXPECT_FALSE(pSplash->IsShown());
    EXPECT_TRUE(arrAlpha.empty());
    EXPECT_TRUE(PumpUntil([&] { return !pSplash; }));
}

TEST(SplashScreenEx, ColourKeyCutsHolesAndCaptionStaysInItsArea)
{
    // A red window underneath shows through the hole.
    auto* pBelow =
        new wxFrame(nullptr, wxID_ANY, "below", wxPoint(400, 250), wxSize(480, 300), wxBORDER_NONE);
    pBelow->SetBackgroundColour(*wxRED);
    pBelow->Show();
    PumpUntil([&] { return pBelow->IsShownOnScreen(); });

    std::vector<int> arrAlpha;
    wxWeakRef<CRecordingSplash> pSplash = new CRecordingSplash(false, arrAlpha);
    ASSERT_TRUE(pSplash->CreateSplash(nullptr, wxString('W', 200)));
    pSplash->LoadPicture(SolidPicture(*wxBLACK, wxRect(100, 60, 40, 40)));
    pSplash->SetCaptionFont();
    pSplash->SetCaptionColour(*wxWHITE);
    pSplash->SetCaptionArea(150, 10, 290, 60);
    pSplash->SetCaptionFormat(SPLASH_TEXT_VCENTER | SPLASH_TEXT_WORDBREAK);
    pSplash->ShowSplash();
    PumpUntil([&] { return pSplash->IsShownOnScreen(); });
    PumpEvents(300);
    const wxPoint ptOrigin = pSplash->GetScreenPosition();

    EXPECT_TRUE(Near(ScreenPixel(ptOrigin + wxPoint(120, 80)), *wxRED)) << "hole";
    EXPECT_TRUE(Near(ScreenPixel(ptOrigin + wxPoint(60, 80)), *wxBLACK)) << "picture";
    int nWhiteIn = 0, nWhiteOut = 0;
    for (int y = 0; y < 167; y += 2)
        for (int x = 0; x < 300; x += 2) {
            const bool bIn = wxRect(150, 10, 140, 50).Contains(x, y);
            if (Near(ScreenPixel(ptOrigin + wxPoint(x, y)), *wxWHITE))
                ++(bIn ? nWhiteIn : nWhiteOut);
        }
    EXPECT_GT(nWhiteIn, 20) << "the caption is drawn";
    EXPECT_EQ(nWhiteOut, 0) << "and clipped to its area";

    pSplash->HideSplash();
    pBelow->Destroy();
    PumpUntil([&] { return !pSplash; });
}

TEST(SplashScreenEx, HidesItselfAfterItsTimeOrOnInput)
{
    wxWeakRef<CSplashScreenEx> pTimed = new CSplashScreenEx;
    ASSERT_TRUE(pTimed->CreateSplash(nullptr));
    pTimed->LoadPicture(SolidPicture(*wxBLUE));
    pTimed->SetAutoHide(300);
    pTimed->ShowSplash();
    EXPECT_TRUE(PumpUntil([&] { return !pTimed; }));

    // Without the input flag a click does nothing; with it the click hides.
    wxWeakRef<CSplashScreenEx> pClicked = new CSplashScreenEx;
    ASSERT_TRUE(pClicked->CreateSplash(nullptr));
    pClicked->LoadPicture(SolidPicture(*wxBLUE));
    pClicked->SetSplashFlags(SPLASH_CENTER_SCREEN);
    pClicked->ShowSplash();
    PumpUntil([&] { return pClicked->IsShownOnScreen(); });
    wxMouseEvent click(wxEVT_LEFT_DOWN);
    click.SetEventObject(pClicked.get());
    pClicked->ProcessWindowEvent(click);
    PumpEvents(100);
    ASSERT_TRUE(pClicked);
    EXPECT_TRUE(pClicked->IsShown());
    pClicked->SetSplashFlags(SPLASH_CENTER_SCREEN | SPLASH_HIDE_ON_INPUT);
    pClicked->ProcessWindowEvent(click);
    EXPECT_TRUE(PumpUntil([&] { return !pClicked; }));
}

TEST(SplashScreenEx, EscapeEndsTheProcessWithCodeZero)
{
    std::vector<int> arrCodes;
    auto oldHandler = CSplashScreenEx::SetExitHandler([&](int nCode) { arrCodes.push_back(nCode); });

    wxWeakRef<CSplashScreenEx> pSplash = new CSplashScreenEx;
    ASSERT_TRUE(pSplash->CreateSplash(nullptr));
    pSplash->LoadPicture(SolidPicture(*wxBLUE));
    pSplash->ShowSplash();
    PumpUntil([&] { return pSplash->IsShownOnScreen(); });

    // Another key does nothing (no input flag); Escape ends the process.
    for (int nKey : {int('a'), int(WXK_ESCAPE)}) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = nKey;
        key.SetEventObject(pSplash.get());
        pSplash->ProcessWindowEvent(key);
    }
    EXPECT_EQ(arrCodes, std::vector<int>{0});

    CSplashScreenEx::SetExitHandler(oldHandler);
    pSplash->HideSplash();
    PumpUntil([&] { return !pSplash; });
}

// A still picture of both controls for looking at: runs only with ALBUMORA_CONTROLS_DEMO set, e.g.
//   shot out.png 5 env ALBUMORA_CONTROLS_DEMO=8 ./controls_tests --gtest_filter='*Demo*'
TEST(ControlsDemo, ShowsSplashAndHistoryBox)
{
    const char* pszSeconds = std::getenv("ALBUMORA_CONTROLS_DEMO");
    if (!pszSeconds)
        GTEST_SKIP() << "set ALBUMORA_CONTROLS_DEMO=<seconds> to look at the controls";
    auto* pFrame = new wxFrame(nullptr, wxID_ANY, "demo", wxPoint(20, 20), wxSize(460, 260));
    pFrame->SetIcons(LoadAppIcons());
    // On a panel: a frame's only child would be stretched over the whole frame.
    auto* pPanel = new wxPanel(pFrame);
    auto* pBox = new CComboBox2(pPanel, 1001, wxString(), wxPoint(10, 10), wxSize(420, -1));
    for (const char* psz : {"https://www.instagram.com/photo.album/",
                            "https://www.instagram.com/photos_2015/", "https://www.instagram.com/travel/"})
        pBox->AddEntry(psz);
    pFrame->Show();
    PumpUntil([&] { return pFrame->IsShownOnScreen(); });
    pBox->SetFocus();
    PumpEvents(100);
    wxUIActionSimulator().Text("photo");

    auto* pSplash = new CSplashScreenEx;
    pSplash->CreateSplash(nullptr, wxString::FromUTF8("正在读取配置，请稍候…\nLoading the configuration"));
    pSplash->LoadPicture(LoadSplashBitmap());
    pSplash->SetCaptionFont();
    pSplash->SetCaptionArea(30, 50, 291, 160);
    pSplash->SetCaptionColour(*wxWHITE);
    pSplash->SetCaptionFormat(SPLASH_TEXT_VCENTER | SPLASH_TEXT_WORDBREAK);
    pSplash->ShowSplash();
    PumpEvents(std::atoi(pszSeconds) * 1000);
    pSplash->HideSplash();
    pFrame->Destroy();
    PumpEvents(300);
}

} // namespace
