// CWorkState: the working state the main window owns for the life of the process and lends to
// the core procedures (list thread, download thread, adapters, naming step) by reference.
//
// State bytes are atomics: buttons on the UI thread write them while worker threads poll them.
// The strings are written by the list thread only while the download command is disabled and
// read afterwards, as the window keeps the two commands apart. The window is reached only
// through m_pHooks (never null).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/AlbumList.h"
#include "core/SiteTable.h"
#include "core/SoftDat.h"
#include "core/WindowHooks.h"

// Values of m_byListState and m_byDownState.
inline constexpr uint8_t STATE_IDLE = 0;
inline constexpr uint8_t STATE_BUSY = 1;
inline constexpr uint8_t LIST_STOP_ASKED = 2; // second press of "获取相册" (read by nothing)
inline constexpr uint8_t DOWN_ALBUM_DONE = 2; // the naming step ended this album's enumeration
inline constexpr uint8_t DOWN_STOP_ASKED = 3; // the user pressed "下载" again

class CWorkState {
  public:
    CWorkState() = default;
    CWorkState(const CWorkState&) = delete;
    CWorkState& operator=(const CWorkState&) = delete;

    std::atomic<int32_t> m_nSiteType{0};   // working site index (17 in this edition)
    std::atomic<uint8_t> m_bReady{0};      // 1 once start-up has finished
    std::atomic<uint8_t> m_byListState{0}; // 0 idle, 1 listing, 2 stop asked
    std::atomic<uint8_t> m_byDownState{0}; // 0 idle, 1 downloading, 2 album done, 3 stop asked
    std::atomic<uint8_t> m_bPreview{0};    // 1 while the grid shows thumbnails
    std::atomic<int32_t> m_nQQSubType{-1}; // QQ sub-type, -1 before each list

    std::u16string m_strSubDir1; // sub-folders an adapter may set while listing; escape ?8
    std::u16string m_strSubDir2;
    std::u16string m_strSiteBase; // scheme and host part of the typed address
    std::u16string m_strProfile;  // profile the album list was built from
    std::u16string m_strLastMark; // last-download marker of the current album

    std::unique_ptr<ST_ALBUMLIST> m_pAlbumList = std::make_unique<ST_ALBUMLIST>();
    ST_SOFTDAT m_SoftDat{};     // the settings image, loaded once
    ST_EXTSET m_ExtSet;         // INI values, re-read at every list and download
    std::u16string m_strAppDir; // settings folder, ends in '/'

    WindowHooks* m_pHooks = &NullWindowHooks();

    WindowHooks& Hooks() const { return *m_pHooks; }

    // Records of the working site, indexed at the moment of use (an index outside the table
    // falls back to slot 0 rather than reading past it).
    ST_DOWNPARAM& CurDownParam() { return m_SoftDat.DownParam[SiteSlot()]; }
    ST_SITESET& CurSiteSet() { return m_SoftDat.SiteSet[SiteSlot()]; }
    const ST_SITESET& CurSiteSet() const { return m_SoftDat.SiteSet[SiteSlot()]; }
    int SiteSlot() const
    {
        int n = m_nSiteType.load();
        return (n >= 0 && n < SITE_SLOTS) ? n : 0;
    }

    // The store's operations on this state's settings folder.
    // LoadSoftDat also refills the two history combos from the image.
    bool LoadSoftDat();
    // The list thread inserts into the address history and saves while the window may insert a
    // chosen or dropped folder: one lock keeps the history arrays and the file whole.
    bool SaveSoftDat()
    {
        std::lock_guard<std::mutex> lock(m_mxSoftDat);
        return ::SaveSoftDat(m_SoftDat, m_strAppDir);
    }
    int AddHistory(int nList, const std::u16string& text)
    {
        std::lock_guard<std::mutex> lock(m_mxSoftDat);
        return ::AddHistory(m_SoftDat, nList, text);
    }
    void ReadExtIni() { ::ReadExtIni(m_ExtSet, m_strAppDir); }

  private:
    std::mutex m_mxSoftDat;
};
