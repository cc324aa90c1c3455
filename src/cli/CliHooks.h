// The terminal as the program's window: a WindowHooks over stdout/stderr for albumora-cli.
//
// Status lines become a live progress line on a terminal and plain lines otherwise; message
// boxes become lines on stderr; the grid is a list of album rows that are all selected. Every
// hook may be called from any thread; one lock keeps the output lines whole.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliOptions.h"
#include "core/WindowHooks.h"

class CWorkState;

class CCliHooks : public WindowHooks {
  public:
    CCliHooks(CWorkState& st, const ST_CLIOPTIONS& opt, bool bTerminal);
    ~CCliHooks() override;

    // Ctrl-C: asks the running download to stop as a second press of "下载" does; before the
    // download has started it keeps it from starting.
    void RequestStop();
    bool StopRequested() const { return m_bStopRequested.load(); }
    // Waits for the download thread, if one was started.
    void JoinDownload();
    // Redraws the live line (elapsed time); called by a ticker.
    void Tick();

    struct Summary {
        int nAlbums = 0;
        uint32_t nFound = 0, nOnDisk = 0, nFailed = 0;
        bool bDownloadBegan = false;
    };
    Summary GetSummary();
    // Time since the hooks were made, "m:ss".
    std::string ElapsedText() const { return Elapsed(); }
    // Clears the live line before the caller prints its own lines.
    void FinishOutput();

    // ---- WindowHooks ----
    void BeginListUI() override;
    void EndListUI() override;
    void BeginDownloadUI() override;
    void EndDownloadUI() override;
    void RunDownloadCommand() override;
    void AddAlbumRow(int nAlbumPos) override;
    void FitRowHeights() override {}
    void RedrawGrid() override {}
    void SelectEverything() override;
    int GetRowCount() override;
    int GetColumnCount() override { return 1; }
    int GetFixedRowCount() override { return 1; }
    int GetFixedColumnCount() override { return 0; }
    int NextSelectedRow(int nAfterRow) override;
    int CellData(int nRow, int nCol) override;
    bool IsCellSelected(int nRow, int nCol) override;
    std::u16string GetControlText(int nId) override;
    void SetControlText(int nId, const std::u16string& strText) override;
    bool IsControlVisible(int) override { return false; }
    int GetComboSelection(int) override { return -1; }
    void ResetEntries(int) override {}
    void AddEntry(int, const std::u16string&) override {}
    int MessageBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle) override;
    void OpenFolder(const std::u16string& strPath) override;
    void DownNotify(uint32_t nElapsedSec, uint32_t nTotal) override;

  private:
    void PrintLineLocked(FILE* f, const std::string& strLine);
    void DrawLocked(bool bForce);
    void FlushStatus2Locked();
    void CloseAlbumLocked();
    std::string Elapsed() const;

    CWorkState& m_st;
    const ST_CLIOPTIONS& m_opt;
    const bool m_bTerminal;
    const std::chrono::steady_clock::time_point m_tStart = std::chrono::steady_clock::now();

    std::mutex m_mx;
    std::map<int, std::u16string> m_Texts;
    struct Row {
        int nAlbum;
        bool bSelected;
    };
    std::vector<Row> m_Rows;
    std::atomic<bool> m_bStopRequested{false};
    std::thread m_Download;
    Summary m_Sum;
    uint32_t m_nFoundThisAlbum = 0;
    // Output state.
    bool m_bLiveShown = false;
    std::string m_strPendingStatus2; // plain mode: the latest line 2 not printed yet
    std::string m_strLastStatus2Kind;
    std::chrono::steady_clock::time_point m_tLastStatus2{};
    std::chrono::steady_clock::time_point m_tLastDraw{};
};
