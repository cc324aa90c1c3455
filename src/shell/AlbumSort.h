// The two orderings of the album list: by score (toggling descending / ascending, remembered in
// the caption of the score link) and back to the order the albums were added in. Sorting moves
// only the records; nIndex keeps the insertion position. The caller rebuilds the grid after a
// sort, since grid cells carry positions in the list.
//
// UI thread (the list is not being filled while its links are enabled).
#pragma once

#include <wx/string.h>

struct ST_ALBUMLIST;

// Captions of the score link: after a descending sort it holds the up arrow, after an ascending
// one the down arrow.
extern const wxChar* const kScoreCaptionAfterDesc; // "<a>好评↑</a>"
extern const wxChar* const kScoreCaptionAfterAsc;  // "<a>好评↓</a>"

// Scores compared as unsigned 32-bit numbers (-1 ranks above every other score).
void SortAlbumsByScore(ST_ALBUMLIST& list, bool bDescending);
// Ascending nIndex: the order of adding.
void SortAlbumsByIndex(ST_ALBUMLIST& list);

// Link 1027: with an empty list nothing happens and false is returned. Otherwise sorts
// descending when strCaption holds no "↑", else ascending, sets strCaption to the new caption
// and returns true: the caller writes the caption and rebuilds the grid.
bool ScoreSortStep(ST_ALBUMLIST& list, wxString& strCaption);
