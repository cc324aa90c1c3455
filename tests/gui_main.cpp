// Entry point of the GUI test executables: a real wxApp without a main loop of its own, so each
// test can build real windows, pump events (tests/gui_support.h) and drive them.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

namespace {
class CTestApp : public wxApp {
  public:
    bool OnInit() override
    {
        wxInitAllImageHandlers();
        return true;
    }
};
} // namespace

wxIMPLEMENT_APP_NO_MAIN(CTestApp);

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    wxApp::SetInstance(new CTestApp);
    wxEntryStart(argc, argv);
    if (!wxTheApp->CallOnInit())
        return 1;
    int rc = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return rc;
}
