// CWxHooks: the main window's side of the core's window hooks.
//
// Every hook may be called from any thread. Work for the window is run on the UI thread
// (CallAfter); a hook that returns something, and every grid hook (so the album list a worker is
// filling is never read by two threads at once), waits until the UI thread has run it. Called on
// the UI thread itself, a hook runs at once. The UI thread never waits for a worker.
//
// Questions (message boxes) from workers go through one queue, so two modal boxes never stack.
// Status line 2 texts are coalesced: the latest text wins and is shown on the next timer tick.
//
// The object lives as long as the process: the window calls Detach() when it goes, after which
// every hook is dropped (questions answered IDNO, reads answered empty) and nothing touches the
// window again.
#pragma once

#include "core/WindowHooks.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

class CVelloriaDlg;

// Makes GetClipboardText (text unit) read the toolkit's clipboard, from any thread.
void InstallClipboardProvider();

class CWxHooks : public WindowHooks {
  public:
    explicit CWxHooks(CVelloriaDlg* pDlg);

    // The window is going: drop every later hook, answer waiting questions IDNO.
    void Detach();
    bool IsAttached() const { return m_bAlive.load(); }

    // Runs fn on the UI thread and waits for it (at once when called there). False when the
    // window was gone before fn could run (fn then did not run).
    bool RunOnUi(const std::function<void(CVelloriaDlg&)>& fn);
    // Runs fn on the UI thread later; dropped when the window is gone by then.
    void PostToUi(std::function<void(CVelloriaDlg&)> fn);

    // Shows a message box on the UI thread (the window's own questions use it too) and returns
    // IDOK, IDYES, IDNO or IDCANCEL.
    int ShowBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle);
    // Tests answer the boxes themselves (UI thread); unset, a real modal box is shown.
    std::function<int(const std::u16string& strText, const std::u16string& strCaption, int nStyle)>
        m_fnShowBox;

    void BeginListUI() override;
    void EndListUI() override;
    void BeginDownloadUI() override;
    void EndDownloadUI() override;
    void RunDownloadCommand() override;

    void AddAlbumRow(int nAlbumPos) override;
    void FitRowHeights() override;
    void RedrawGrid() override;
    void SelectEverything() override;
    int GetRowCount() override;
    int GetColumnCount() override;
    int GetFixedRowCount() override;
    int GetFixedColumnCount() override;
    int NextSelectedRow(int nAfterRow) override;
    int CellData(int nRow, int nCol) override;
    bool IsCellSelected(int nRow, int nCol) override;

    std::u16string GetControlText(int nId) override;
    void SetControlText(int nId, const std::u16string& strText) override;
    bool IsControlVisible(int nId) override;
    int GetComboSelection(int nId) override;
    void ResetEntries(int nComboId) override;
    void AddEntry(int nComboId, const std::u16string& strText) override;

    int MessageBox(const std::u16string& strText, const std::u16string& strCaption = u"",
                   int nStyle = MB_OK) override;

    void OpenFolder(const std::u16string& strPath) override;
    void DownNotify(uint32_t nElapsedSec, uint32_t nTotal) override;

  private:
    struct Question;
    void AskNext(); // UI thread: shows the next queued question when none is showing
    void FlushStatus2();

    CVelloriaDlg* const m_pDlg;
    std::atomic<bool> m_bAlive{true};

    std::mutex m_mtx;
    std::u16string m_strStatus2;
    bool m_bStatus2Pending = false;
    std::deque<Question*> m_Questions;
    bool m_bAsking = false;
};
