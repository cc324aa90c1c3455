#include "shell/AlbumSort.h"

#include <algorithm>

#include "core/AlbumList.h"

const wxChar* const kScoreCaptionAfterDesc = wxT("<a>好评↑</a>");
const wxChar* const kScoreCaptionAfterAsc = wxT("<a>好评↓</a>");

void SortAlbumsByScore(ST_ALBUMLIST& list, bool bDescending)
{
    auto Key = [](const std::unique_ptr<ST_PERLISTRECORD>& p) { return static_cast<uint32_t>(p->nScore); };
    std::sort(list.vecAlbums.begin(), list.vecAlbums.end(),
              [&](const auto& a, const auto& b) { return bDescending ? Key(a) > Key(b) : Key(a) < Key(b); });
}

void SortAlbumsByIndex(ST_ALBUMLIST& list)
{
    std::sort(list.vecAlbums.begin(), list.vecAlbums.end(), [](const auto& a, const auto& b) {
        return static_cast<uint32_t>(a->nIndex) < static_cast<uint32_t>(b->nIndex);
    });
}

bool ScoreSortStep(ST_ALBUMLIST& list, wxString& strCaption)
{
    if (list.vecAlbums.empty())
        return false;
    bool bDescending = !strCaption.Contains(wxT("↑"));
    strCaption = bDescending ? kScoreCaptionAfterDesc : kScoreCaptionAfterAsc;
    SortAlbumsByScore(list, bDescending);
    return true;
}
