// The album list (what a listing found, shown in the grid) and the picture job (the pictures of
// the one album being downloaded), with the run-state globals beside them.
//
// The album list is written by the list thread and read by the download thread and the grid;
// the two commands never run at once, so it has no lock. g_pJob is filled by the download thread
// before an album's manager starts and touched again only after the manager has ended; workers
// read it. Counters and flags touched by several threads are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class WindowHooks;

// One album.
struct ST_PERLISTRECORD {
    std::u16string strName;       // unique within the list; folder and list-file names; escape ?1
    std::u16string strAlbumUrl;   // album page (Instagram: the profile page)
    std::u16string strCoverUrl;   // cover picture, the thumbnail in preview mode
    std::u16string strCreateTime; // creation time as text (album-folder escape ?5, site 0 only)
    std::u16string strSpare;      // carried along, read by nothing
    int32_t nPicCount = -1;       // pictures in the album, -1 = unknown ("未知")
    int32_t nAttrib = 0;          // 0x1 password, 0x2 private, 0x4 friends only
    int32_t nScore = 0;           // score ordering key; escape ?4
    int32_t nValue = 0;           // escape ?5
    int32_t nIndex = 0;           // position when added; survives reorderings; escapes ?3 ?9
    int32_t nImage = -1;          // thumbnail in the grid's image list, -1 = none yet
};

// Access-attribute bits of nAttrib.
inline constexpr int32_t ALBUM_ATTR_PASSWORD = 0x1;
inline constexpr int32_t ALBUM_ATTR_PRIVATE = 0x2;
inline constexpr int32_t ALBUM_ATTR_FRIENDS = 0x4;

// The album list; owns its records. Grid cells carry positions in vecAlbums, so whoever
// reorders vecAlbums rebuilds the grid afterwards.
struct ST_ALBUMLIST {
    std::vector<std::unique_ptr<ST_PERLISTRECORD>> vecAlbums;
    int32_t nSelected = 0; // albums chosen for the current download run; escape ?6

    ST_ALBUMLIST() = default;
    ST_ALBUMLIST(const ST_ALBUMLIST&) = delete;
    ST_ALBUMLIST& operator=(const ST_ALBUMLIST&) = delete;
    ~ST_ALBUMLIST() { ClearAlbums(); }

    // Adds a copy of src: name cleaned into a valid folder name (time stamp when nothing is
    // left), made unique with " (1)", " (2)", ... (exact, case-sensitive); nIndex = position,
    // nImage = -1. Returns the new number of albums (the new album is at that number - 1).
    int AddAlbum(const ST_PERLISTRECORD& src);
    // 0 when an album with exactly this name exists, -1 otherwise.
    int FindAlbumName(const std::u16string& strName) const;
    // Destroys every record, last first.
    void ClearAlbums();
    // The record at nPos of vecAlbums, or nullptr when nPos is out of range.
    ST_PERLISTRECORD* GetAlbum(int nPos) const;
    int Count() const { return static_cast<int>(vecAlbums.size()); }
};

// The picture job of the album being processed. Entry i of the three arrays is picture i + 1.
struct ST_DOWNJOB {
    // Picture addresses; an entry may hold "primary\r\nalternate".
    std::vector<std::u16string> arrUrl;
    // File names relative to strFolder.
    std::vector<std::u16string> arrName;
    // Extra request headers per picture, CR LF separated (may be empty).
    std::vector<std::u16string> arrHeader;
    // Folder of this album's pictures, always ending in '/'.
    std::u16string strFolder;
    // Receives the progress text and the completion notice. Set once at start-up.
    WindowHooks* hNotifyWnd = nullptr;
    // Status line that shows the progress.
    int32_t nStatusId = 1006;
    // Kept by the naming step beside arrName so that a name lookup costs constant time:
    // the name with ASCII letters folded to lower case -> its first index in arrName.
    std::unordered_map<std::u16string, int> mapNameIndex;

    // Empties the three arrays and the name index; the folder becomes strBaseFolder.
    void Reset(const std::u16string& strBaseFolder)
    {
        arrUrl.clear();
        arrName.clear();
        arrHeader.clear();
        mapNameIndex.clear();
        strFolder = strBaseFolder;
    }
    int Count() const { return static_cast<int>(arrUrl.size()); }
};

// The one picture job, created at process start and never freed.
extern ST_DOWNJOB* const g_pJob;

// Run state of the download engine.
extern std::atomic<bool> g_bStopDownload; // stop request; cleared when a manager starts
extern std::atomic<bool> g_bDownloading;  // true while an album's manager runs
extern std::atomic<int32_t> g_nFinished;  // workers of the current album that have ended
// Copy of the site's download parameters, taken at the start of each download run.
extern std::atomic<uint32_t> g_dwMinSizeK;
extern std::atomic<uint32_t> g_dwMaxSizeK;
extern std::atomic<uint32_t> g_dwThreads;
extern std::atomic<uint32_t> g_dwTimeoutSec;
