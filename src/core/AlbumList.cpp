#include "core/AlbumList.h"

#include "text/StringCtrl.h"

// Deliberately leaked: workers that outlive the window may still read it at process exit.
ST_DOWNJOB* const g_pJob = new ST_DOWNJOB;

std::atomic<bool> g_bStopDownload{false};
std::atomic<bool> g_bDownloading{false};
std::atomic<int32_t> g_nFinished{0};
std::atomic<uint32_t> g_dwMinSizeK{0};
std::atomic<uint32_t> g_dwMaxSizeK{0};
std::atomic<uint32_t> g_dwThreads{5};
std::atomic<uint32_t> g_dwTimeoutSec{30};

int ST_ALBUMLIST::AddAlbum(const ST_PERLISTRECORD& src)
{
    auto rec = std::make_unique<ST_PERLISTRECORD>(src);
    rec->nImage = -1;
    rec->nIndex = Count();

    // The name becomes a folder name, so it is cleaned the way every folder name is.
    MakeValidName(rec->strName, VALIDNAME_TIME, true);
    if (FindAlbumName(rec->strName) == 0) {
        const std::u16string strBase = rec->strName;
        for (uint32_t n = 1;; ++n) {
            std::u16string strCandidate = strBase + u" (" + AsciiToU16(std::to_string(n)) + u")";
            if (FindAlbumName(strCandidate) == -1) {
                rec->strName = std::move(strCandidate);
                break;
            }
        }
    }
    vecAlbums.push_back(std::move(rec));
    return Count();
}

int ST_ALBUMLIST::FindAlbumName(const std::u16string& strName) const
{
    for (const auto& p : vecAlbums)
        if (p->strName == strName)
            return 0;
    return -1;
}

void ST_ALBUMLIST::ClearAlbums()
{
    while (!vecAlbums.empty())
        vecAlbums.pop_back();
}

ST_PERLISTRECORD* ST_ALBUMLIST::GetAlbum(int nPos) const
{
    if (nPos < 0 || nPos >= Count())
        return nullptr;
    return vecAlbums[static_cast<size_t>(nPos)].get();
}
