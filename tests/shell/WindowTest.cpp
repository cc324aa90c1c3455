// The main window's commands in a real window: listing and downloading from the photo service,
// stopping, folders, dropped items and the address history.
#include "ShellTestSupport.h"

#include "controls/ComboBox2.h"
#include "core/AlbumList.h"
#include "grid/MyGridCtrl.h"

#include <wx/clipbrd.h>
#include <wx/uiaction.h>

using namespace shelltest;

namespace {

// Hooks that pass everything to the window's own and let a test look at the window while the list
// procedure is in its last step, fitting the rows (a profile lists at once, too fast to catch by
// polling).
class CPeekHooks : public WindowHooks {
  public:
    CPeekHooks(CWxHooks& real, std::function<void(CVelloriaDlg&)> fnPeek)
        : m_real(real), m_fnPeek(std::move(fnPeek))
    {
    }
    void BeginListUI() override { m_real.BeginListUI(); }
    void EndListUI() override { m_real.EndListUI(); }
    void BeginDownloadUI() override { m_real.BeginDownloadUI(); }
    void EndDownloadUI() override { m_real.EndDownloadUI(); }
    void RunDownloadCommand() override { m_real.RunDownloadCommand(); }
    void AddAlbumRow(int n) override { m_real.AddAlbumRow(n); }
    void FitRowHeights() override
    {
        m_real.RunOnUi(m_fnPeek);
        m_real.FitRowHeights();
    }
    void RedrawGrid() override { m_real.RedrawGrid(); }
    void SelectEverything() override { m_real.SelectEverything(); }
    int GetRowCount() override { return m_real.GetRowCount(); }
    int GetColumnCount() override { return m_real.GetColumnCount(); }
    int GetFixedRowCount() override { return m_real.GetFixedRowCount(); }
    int GetFixedColumnCount() override { return m_real.GetFixedColumnCount(); }
    int NextSelectedRow(int n) override { return m_real.NextSelectedRow(n); }
    int CellData(int r, int c) override { return m_real.CellData(r, c); }
    bool IsCellSelected(int r, int c) override { return m_real.IsCellSelected(r, c); }
    std::u16string GetControlText(int n) override { return m_real.GetControlText(n); }
    void SetControlText(int n, const std::u16string& s) override { m_real.SetControlText(n, s); }
    bool IsControlVisible(int n) override { return m_real.IsControlVisible(n); }
    int GetComboSelection(int n) override { return m_real.GetComboSelection(n); }
    void ResetEntries(int n) override { m_real.ResetEntries(n); }
    void AddEntry(int n, const std::u16string& s) override { m_real.AddEntry(n, s); }
    int MessageBox(const std::u16string& t, const std::u16string& c, int s) override
    {
        return m_real.MessageBox(t, c, s);
    }
    void OpenFolder(const std::u16string& s) override { m_real.OpenFolder(s); }
    void DownNotify(uint32_t a, uint32_t b) override { m_real.DownNotify(a, b); }

  private:
    CWxHooks& m_real;
    std::function<void(CVelloriaDlg&)> m_fnPeek;
};

class WindowTest : public WindowFixture {
  protected:
    std::string Profile(int nPort) const
    {
        return "http://127.0.0.1:" + std::to_string(nPort) + "/www.instagram.com/sample_user";
    }
    // Files directly inside a folder.
    static int FileCount(const fs::path& dir)
    {
        int n = 0;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir, ec))
            n += e.is_regular_file() ? 1 : 0;
        return n;
    }
};

TEST_F(WindowTest, PastedProfileIsListedAndDownloadedByPressingTheButton)
{
    e2e::Service svc({"--posts", "12", "--videos", "0", "--pic-max-kb", "40"});
    ASSERT_GT(svc.Port(), 0);
    m_dir.WriteIni(svc.Port());
    // The address arrives the way a user brings it: on the clipboard when the program starts.
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(Profile(svc.Port()))));
    wxTheClipboard->Close();
    PumpEvents(20);
    Open(false);
    ASSERT_EQ(m_pDlg->UrlBox()->GetValue().utf8_string(), Profile(svc.Port()));
    const fs::path out = m_dir.path / "out";
    m_pDlg->PathBox()->SetValue(wxString::FromUTF8(out.string()));
    MakeReady();
    EXPECT_EQ(Text(IDC_LIST_BUTTON), u"获取相册");
    EXPECT_FALSE(Enabled(IDC_DOWN_BUTTON));

    // A real click on the real button.
    wxWindow* pButton = m_pDlg->FindWindow(IDC_LIST_BUTTON);
    wxUIActionSimulator sim;
    sim.MouseMove(pButton->GetScreenRect().GetPosition() + wxPoint(10, 8));
    PumpEvents(50);
    sim.MouseClick();
    ASSERT_TRUE(PumpUntil(
        [&] { return m_pDlg->Work().m_byListState.load() != 0 || Text(IDC_STATUS1) == u"下载完毕"; }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS1) == u"下载完毕"; }, 60000));
    EXPECT_EQ(m_pDlg->Work().m_byDownState.load(), 0);
    EXPECT_EQ(Text(IDC_DOWN_BUTTON), u"下载");
    EXPECT_EQ(Text(IDC_ALBUM_GROUP), u"相册列表(共1个)");
    EXPECT_EQ(m_pDlg->Grid()->RowCount(), 2);
    EXPECT_EQ(m_pDlg->Grid()->CellText(1, 0), "0001");
    EXPECT_EQ(m_pDlg->Grid()->CellText(1, 1), "sample_user");

    EXPECT_EQ(FileCount(out / "sample_user"), 12 + 1); // twelve pictures and the marker file
    EXPECT_TRUE(fs::exists(out / "sample_user" / "pic.nvx"));
    // The address went to the history, the folder opened at the end (recorded, not launched).
    EXPECT_EQ(m_pDlg->UrlBox()->GetEntries().size(), 1u);
    EXPECT_FALSE(m_opened.empty());
}

TEST_F(WindowTest, CommandStatesThroughAListingAndADownloadThatIsStopped)
{
    // Slow pages and pictures, so every state lasts long enough to be seen.
    e2e::Service svc({"--posts", "40", "--videos", "0", "--latency-ms", "400", "--pic-max-kb", "30"});
    ASSERT_GT(svc.Port(), 0);
    m_dir.WriteIni(svc.Port());
    Open(false);
    m_pDlg->UrlBox()->SetValue(wxString::FromUTF8(Profile(svc.Port())));
    m_pDlg->PathBox()->SetValue(wxString::FromUTF8((m_dir.path / "out").string()));
    MakeReady();
    m_nAnswer = IDYES;

    // What the window shows while the listing runs, seen from inside the listing's last step.
    struct Seen {
        bool bDone = false, bDownEnabled = true, bUrlEnabled = true, bSiteEnabled = true,
             bPreviewEnabled = true;
        bool bListEnabled = false, bNoticeShown = true;
        std::u16string strList, strStatus1;
        int nStateAfterSecondPress = -1;
    } seen;
    CPeekHooks peek(m_pDlg->Hooks(), [&](CVelloriaDlg& d) {
        seen.strList = U16(d.GetCtrlText(IDC_LIST_BUTTON));
        seen.strStatus1 = U16(d.GetCtrlText(IDC_STATUS1));
        seen.bDownEnabled = d.IsCtrlEnabled(IDC_DOWN_BUTTON);
        seen.bUrlEnabled = d.IsCtrlEnabled(IDC_URL_BOX);
        seen.bSiteEnabled = d.IsCtrlEnabled(IDC_SITE_COMBO);
        seen.bPreviewEnabled = d.IsCtrlEnabled(IDC_PREVIEW_CHECK);
        seen.bListEnabled = d.IsCtrlEnabled(IDC_LIST_BUTTON);
        seen.bNoticeShown = d.FindWindow(IDC_NOTICE)->IsShown();
        // A second press only records the stop request, which the listing does not look at.
        Press(IDC_LIST_BUTTON);
        seen.nStateAfterSecondPress = d.Work().m_byListState.load();
        seen.bDone = true;
    });
    m_pDlg->Work().m_pHooks = &peek;
    // The download's workers keep using the hooks after this test body; hand back the window's own
    // and let them finish before the peeking hooks go.
    struct Restore {
        CVelloriaDlg* pDlg;
        ~Restore()
        {
            PumpUntil([&] { return pDlg->Work().m_byDownState.load() == 0; }, 60000);
            pDlg->Work().m_pHooks = &pDlg->Hooks();
        }
    } restore{m_pDlg};

    Press(IDC_LIST_BUTTON);
    ASSERT_TRUE(PumpUntil([&] { return seen.bDone; }, 30000));
    EXPECT_EQ(seen.strList, u"终止获取");
    EXPECT_EQ(seen.strStatus1, u"正在获取相册列表，请稍等...");
    EXPECT_FALSE(seen.bDownEnabled);
    EXPECT_FALSE(seen.bUrlEnabled);
    EXPECT_FALSE(seen.bSiteEnabled);
    EXPECT_FALSE(seen.bPreviewEnabled);
    EXPECT_TRUE(seen.bListEnabled); // stays the stop button
    EXPECT_FALSE(seen.bNoticeShown);
    EXPECT_EQ(seen.nStateAfterSecondPress, 2);

    // The listing ticks the profile and downloads at once.
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_DOWN_BUTTON) == u"终止下载"; }, 30000));
    EXPECT_EQ(Text(IDC_LIST_BUTTON), u"获取相册");
    EXPECT_FALSE(Enabled(IDC_LIST_BUTTON));
    EXPECT_FALSE(Enabled(IDC_CHOOSE_DIR));
    EXPECT_FALSE(Enabled(IDC_PATH_BOX));
    EXPECT_TRUE(Enabled(IDC_DOWN_BUTTON));
    EXPECT_TRUE(m_pDlg->Grid()->CellSelected(1, 0));

    // Second press of "下载": stop requested, the button keeps its text until the thread ends.
    Press(IDC_DOWN_BUTTON);
    EXPECT_EQ(m_pDlg->Work().m_byDownState.load(), 3);
    EXPECT_TRUE(g_bStopDownload.load());
    bool bEarly = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const bool bBack = Text(IDC_DOWN_BUTTON) == u"下载";
            if (!bBack && m_pDlg->Work().m_byDownState.load() == 0)
                bEarly = true;
            return bBack;
        },
        60000));
    EXPECT_FALSE(bEarly);
    EXPECT_EQ(m_pDlg->Work().m_byDownState.load(), 0);
    EXPECT_EQ(Text(IDC_STATUS1), u"下载完毕");
    EXPECT_TRUE(Enabled(IDC_LIST_BUTTON));
    EXPECT_TRUE(Enabled(IDC_PATH_BOX));
    // Fewer than all forty pictures arrived.
    EXPECT_LT(FileCount(m_dir.path / "out" / "sample_user"), 40);
}

TEST_F(WindowTest, AListWithoutAlbumsLeavesDownloadDisabled)
{
    e2e::Service svc({"--posts", "3"});
    ASSERT_GT(svc.Port(), 0);
    m_dir.WriteIni(svc.Port());
    Open(false);
    // Without a scheme the address is refused with a message and no album is listed.
    m_pDlg->UrlBox()->SetValue(wxString::FromUTF8("www.instagram.com/sample_user"));
    MakeReady();
    Press(IDC_LIST_BUTTON);
    ASSERT_TRUE(PumpUntil([&] { return m_pDlg->Work().m_byListState.load() == 0; }, 30000));
    PumpEvents(100);
    EXPECT_EQ(Text(IDC_LIST_BUTTON), u"获取相册");
    EXPECT_FALSE(Enabled(IDC_DOWN_BUTTON));
    EXPECT_EQ(m_pDlg->Work().m_byDownState.load(), 0);
    EXPECT_EQ(AskedSoFar().size(), 1u);
}

TEST_F(WindowTest, EnterRunsTheListCommandOnceStartUpHasFinished)
{
    Open(false);
    m_pDlg->Show();
    m_pDlg->Grid()->SetFocus();
    PumpEvents(100);
    wxUIActionSimulator sim;
    sim.Char(WXK_RETURN);
    PumpEvents(300);
    EXPECT_TRUE(AskedSoFar().empty()); // not ready yet: nothing happens

    MakeReady();
    m_pDlg->Grid()->SetFocus();
    PumpEvents(100);
    sim.Char(WXK_RETURN);
    // The empty address box is refused with a message by the list procedure.
    ASSERT_TRUE(PumpUntil([&] { return !AskedSoFar().empty(); }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return m_pDlg->Work().m_byListState.load() == 0; }, 5000));
}

TEST_F(WindowTest, FolderChosenTwiceKeepsOneHistoryEntry)
{
    Open(false);
    const std::u16string strFolder = m_dir.AppDir() + u"Pictures/";
    m_pDlg->TakeFolder(strFolder);
    m_pDlg->TakeFolder(strFolder);
    m_pDlg->TakeFolder(m_dir.AppDir() + u"PICTURES/"); // the same folder to the history, case ignored
    EXPECT_EQ(m_pDlg->PathBox()->GetEntries().size(), 1u);
    EXPECT_EQ(U16(m_pDlg->PathBox()->GetValue()), m_dir.AppDir() + u"PICTURES/");

    // And it was saved: a new window reads one entry back.
    auto* pAgain = new CVelloriaDlg(m_dir.AppDir(), false);
    PumpEvents(20);
    EXPECT_EQ(pAgain->PathBox()->GetEntries().size(), 1u);
    pAgain->Destroy();
}

TEST_F(WindowTest, DroppedItemsGiveTheirFolder)
{
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"/home/u/pics/cat.jpg", u"/home/u/pics/"},
        {u"/home/u/pics", u"/home/u/pics/"},
        {u"/home/u/my.album", u"/home/u/"}, // a dot in the folder's own name reads as an extension
        {u"/home/u.v/pics", u"/home/u.v/pics/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CVelloriaDlg::FolderFromDroppedPath(in), out) << ToUtf8(in);

    // Real items dropped on the window.
    Open(false);
    fs::create_directories(m_dir.path / "plain");
    fs::create_directories(m_dir.path / "with.dot");
    std::ofstream(m_dir.path / "plain" / "photo.jpg") << "x";
    const std::pair<fs::path, fs::path> drops[] = {
        {m_dir.path / "plain" / "photo.jpg", m_dir.path / "plain"},
        {m_dir.path / "plain", m_dir.path / "plain"},
        {m_dir.path / "with.dot", m_dir.path},
    };
    for (const auto& [item, folder] : drops) {
        // The event owns (and deletes) the array it is given.
        auto* files = new wxString[1]{wxString::FromUTF8(item.string())};
        wxDropFilesEvent ev(wxEVT_DROP_FILES, 1, files);
        m_pDlg->GetEventHandler()->ProcessEvent(ev);
        EXPECT_EQ(m_pDlg->PathBox()->GetValue().utf8_string(), folder.string() + "/");
    }
    EXPECT_EQ(m_pDlg->PathBox()->GetEntries().size(), 2u); // "plain/" once, the parent once
}

TEST_F(WindowTest, AddressHistoryFiltersAsTheUserTypes)
{
    {
        ST_SOFTDAT dat{};
        LoadSoftDat(dat, m_dir.AppDir());
        for (const char16_t* s : {u"http://www.instagram.com/Alpha", u"http://www.instagram.com/beta",
                                  u"http://other.example/ALPHAbet"})
            AddHistory(dat, HISTORY_URL, s);
        ASSERT_TRUE(SaveSoftDat(dat, m_dir.AppDir()));
    }
    Open(false);
    MakeReady();
    ASSERT_EQ(m_pDlg->UrlBox()->GetEntries().size(), 3u);
    // ASCII letters compare without case; the list shows the entries lower-cased.
    auto items = CComboBox2::FilterEntries(m_pDlg->UrlBox()->GetEntries(), "alpha");
    EXPECT_EQ(items.size(), 2u);
    EXPECT_TRUE(CComboBox2::FilterEntries(m_pDlg->UrlBox()->GetEntries(), "gamma").empty());

    // Typed into the real box: the typed-text list opens with the matches, and the text typed
    // is classified on the way (an Instagram address selects the working site 17).
    m_pDlg->UrlBox()->SetFocus();
    PumpEvents(50);
    wxUIActionSimulator sim;
    sim.Text("beta");
    ASSERT_TRUE(PumpUntil([&] { return m_pDlg->UrlBox()->IsTypedListShown(); }, 3000));
    EXPECT_EQ(m_pDlg->UrlBox()->GetCount(), 1u);
    EXPECT_EQ(m_pDlg->UrlBox()->GetValue(), "beta");
}

} // namespace
