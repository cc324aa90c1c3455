// A WindowHooks for tests: records every call, keeps control texts, history entries and a small
// grid model, and answers message boxes from a script. Thread-safe: workers may call it while
// the test inspects it or waits for a call.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/WindowHooks.h"
#include "core/WorkState.h"

class RecordingHooks : public WindowHooks {
  public:
    struct Call {
        std::string strName;    // hook name, e.g. "SetControlText"
        int nId = 0;            // control id, row, album position, elapsed seconds ...
        int nArg = 0;           // column, style, total ...
        std::u16string strText; // text argument
        std::u16string strCaption;
    };

    // With a state attached, Begin/End hooks set its list and download states as the window does.
    explicit RecordingHooks(CWorkState* pState = nullptr) : m_pState(pState) {}
    void Attach(CWorkState* pState)
    {
        std::lock_guard lk(m_mx);
        m_pState = pState;
    }

    // ---- scripting ----
    // Answers for the next message boxes, in order; afterwards the default answer.
    void QueueAnswer(int nAnswer)
    {
        std::lock_guard lk(m_mx);
        m_Answers.push_back(nAnswer);
    }
    void SetDefaultAnswer(int nAnswer)
    {
        std::lock_guard lk(m_mx);
        m_nDefaultAnswer = nAnswer;
    }
    void SetText(int nId, std::u16string strText)
    {
        std::lock_guard lk(m_mx);
        m_Texts[nId] = std::move(strText);
    }
    void SetVisible(int nId, bool bVisible)
    {
        std::lock_guard lk(m_mx);
        m_Visible[nId] = bVisible;
    }
    void SetComboSelection(int nId, int nSel)
    {
        std::lock_guard lk(m_mx);
        m_ComboSel[nId] = nSel;
    }
    // Called (outside the lock, on the caller's thread) by RunDownloadCommand.
    void OnRunDownload(std::function<void()> fn)
    {
        std::lock_guard lk(m_mx);
        m_fnRunDownload = std::move(fn);
    }
    // Grid model: size and fixed rows/columns; cells carry a data value and a selected state.
    void SetGrid(int nRows, int nCols, int nFixedRows = 0, int nFixedCols = 0)
    {
        std::lock_guard lk(m_mx);
        m_nRows = nRows;
        m_nCols = nCols;
        m_nFixedRows = nFixedRows;
        m_nFixedCols = nFixedCols;
        m_Cells.clear();
    }
    void SetCell(int nRow, int nCol, int nData, bool bSelected)
    {
        std::lock_guard lk(m_mx);
        m_Cells[{nRow, nCol}] = {nData, bSelected};
    }

    // ---- inspection ----
    std::vector<Call> Calls() const
    {
        std::lock_guard lk(m_mx);
        return m_Calls;
    }
    std::vector<Call> CallsNamed(const std::string& strName) const
    {
        std::lock_guard lk(m_mx);
        std::vector<Call> v;
        for (const auto& c : m_Calls)
            if (c.strName == strName)
                v.push_back(c);
        return v;
    }
    int Count(const std::string& strName) const { return static_cast<int>(CallsNamed(strName).size()); }
    // Every text set into control nId, in order.
    std::vector<std::u16string> TextsSet(int nId) const
    {
        std::vector<std::u16string> v;
        for (const auto& c : CallsNamed("SetControlText"))
            if (c.nId == nId)
                v.push_back(c.strText);
        return v;
    }
    std::u16string Text(int nId) const
    {
        std::lock_guard lk(m_mx);
        auto it = m_Texts.find(nId);
        return it == m_Texts.end() ? std::u16string() : it->second;
    }
    // Entries of a history combo after ResetEntries/AddEntry.
    std::vector<std::u16string> Entries(int nComboId) const
    {
        std::lock_guard lk(m_mx);
        auto it = m_Entries.find(nComboId);
        return it == m_Entries.end() ? std::vector<std::u16string>() : it->second;
    }
    // Waits until the hook has been called at least nCount times; false after the time limit.
    bool WaitFor(const std::string& strName, int nCount = 1,
                 std::chrono::milliseconds limit = std::chrono::seconds(30)) const
    {
        std::unique_lock lk(m_mx);
        return m_cv.wait_for(lk, limit, [&] {
            int n = 0;
            for (const auto& c : m_Calls)
                n += c.strName == strName;
            return n >= nCount;
        });
    }

    // ---- WindowHooks ----
    void BeginListUI() override { SetState(&CWorkState::m_byListState, 1, "BeginListUI"); }
    void EndListUI() override { SetState(&CWorkState::m_byListState, 0, "EndListUI"); }
    void BeginDownloadUI() override { SetState(&CWorkState::m_byDownState, 1, "BeginDownloadUI"); }
    void EndDownloadUI() override { SetState(&CWorkState::m_byDownState, 0, "EndDownloadUI"); }
    void RunDownloadCommand() override
    {
        std::function<void()> fn;
        {
            std::lock_guard lk(m_mx);
            fn = m_fnRunDownload;
        }
        Record("RunDownloadCommand");
        if (fn)
            fn();
    }
    void AddAlbumRow(int nAlbumPos) override
    {
        {
            std::lock_guard lk(m_mx);
            // List mode: one row per album, its position as the data of column 0.
            if (m_nCols == 0)
                m_nCols = 1;
            if (m_nRows < m_nFixedRows)
                m_nRows = m_nFixedRows;
            m_Cells[{m_nRows, 0}] = {nAlbumPos, false};
            ++m_nRows;
        }
        Record("AddAlbumRow", nAlbumPos);
    }
    void FitRowHeights() override { Record("FitRowHeights"); }
    void RedrawGrid() override { Record("RedrawGrid"); }
    void SelectEverything() override
    {
        {
            std::lock_guard lk(m_mx);
            for (int r = m_nFixedRows; r < m_nRows; ++r)
                for (int c = m_nFixedCols; c < m_nCols; ++c)
                    m_Cells[{r, c}].bSelected = true;
        }
        Record("SelectEverything");
    }
    int GetRowCount() override
    {
        return Locked([&] { return m_nRows; });
    }
    int GetColumnCount() override
    {
        return Locked([&] { return m_nCols; });
    }
    int GetFixedRowCount() override
    {
        return Locked([&] { return m_nFixedRows; });
    }
    int GetFixedColumnCount() override
    {
        return Locked([&] { return m_nFixedCols; });
    }
    int NextSelectedRow(int nAfterRow) override
    {
        return Locked([&] {
            for (int r = nAfterRow + 1; r < m_nRows; ++r)
                for (int c = 0; c < m_nCols; ++c) {
                    auto it = m_Cells.find({r, c});
                    if (it != m_Cells.end() && it->second.bSelected)
                        return r;
                }
            return -1;
        });
    }
    int CellData(int nRow, int nCol) override
    {
        return Locked([&] {
            auto it = m_Cells.find({nRow, nCol});
            return it == m_Cells.end() ? 0 : it->second.nData;
        });
    }
    bool IsCellSelected(int nRow, int nCol) override
    {
        return Locked([&] {
            auto it = m_Cells.find({nRow, nCol});
            return it != m_Cells.end() && it->second.bSelected;
        });
    }
    std::u16string GetControlText(int nId) override { return Text(nId); }
    void SetControlText(int nId, const std::u16string& strText) override
    {
        {
            std::lock_guard lk(m_mx);
            m_Texts[nId] = strText;
        }
        Record("SetControlText", nId, 0, strText);
    }
    bool IsControlVisible(int nId) override
    {
        return Locked([&] {
            auto it = m_Visible.find(nId);
            return it != m_Visible.end() && it->second;
        });
    }
    int GetComboSelection(int nId) override
    {
        return Locked([&] {
            auto it = m_ComboSel.find(nId);
            return it == m_ComboSel.end() ? -1 : it->second;
        });
    }
    void ResetEntries(int nComboId) override
    {
        {
            std::lock_guard lk(m_mx);
            m_Entries[nComboId].clear();
        }
        Record("ResetEntries", nComboId);
    }
    void AddEntry(int nComboId, const std::u16string& strText) override
    {
        {
            std::lock_guard lk(m_mx);
            m_Entries[nComboId].push_back(strText);
        }
        Record("AddEntry", nComboId, 0, strText);
    }
    int MessageBox(const std::u16string& strText, const std::u16string& strCaption, int nStyle) override
    {
        int nAnswer;
        {
            std::lock_guard lk(m_mx);
            if (!m_Answers.empty()) {
                nAnswer = m_Answers.front();
                m_Answers.pop_front();
            } else {
                nAnswer = m_nDefaultAnswer;
            }
        }
        Record("MessageBox", nAnswer, nStyle, strText, strCaption);
        return nAnswer;
    }
    void OpenFolder(const std::u16string& strPath) override { Record("OpenFolder", 0, 0, strPath); }
    void DownNotify(uint32_t nElapsedSec, uint32_t nTotal) override
    {
        Record("DownNotify", static_cast<int>(nElapsedSec), static_cast<int>(nTotal));
    }

  private:
    struct Cell {
        int nData = 0;
        bool bSelected = false;
    };

    void Record(std::string strName, int nId = 0, int nArg = 0, std::u16string strText = {},
                std::u16string strCaption = {})
    {
        Call c{std::move(strName), nId, nArg, std::move(strText), std::move(strCaption)};
        {
            std::lock_guard lk(m_mx);
            m_Calls.push_back(std::move(c));
        }
        m_cv.notify_all();
    }
    void SetState(std::atomic<uint8_t> CWorkState::*member, uint8_t value, const char* name)
    {
        CWorkState* p;
        {
            std::lock_guard lk(m_mx);
            p = m_pState;
        }
        if (p)
            (p->*member).store(value);
        Record(name);
    }
    template <class F> auto Locked(F f) const -> decltype(f())
    {
        std::lock_guard lk(m_mx);
        return f();
    }

    mutable std::mutex m_mx;
    mutable std::condition_variable m_cv;
    CWorkState* m_pState = nullptr;
    std::vector<Call> m_Calls;
    std::deque<int> m_Answers;
    int m_nDefaultAnswer = IDOK;
    std::map<int, std::u16string> m_Texts;
    std::map<int, bool> m_Visible;
    std::map<int, int> m_ComboSel;
    std::map<int, std::vector<std::u16string>> m_Entries;
    std::function<void()> m_fnRunDownload;
    int m_nRows = 0, m_nCols = 0, m_nFixedRows = 0, m_nFixedCols = 0;
    std::map<std::pair<int, int>, Cell> m_Cells;
};
