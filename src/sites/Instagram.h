// Instagram adapter: a profile address becomes one album, and that album's posts become
// pictures of the job, page by page through the service's web query endpoint.
// Both entry points run on the list or download thread (never the UI thread); they reach the
// window only through the working state's hooks.
#pragma once

#include <string>

class CWorkState;

// The service's real secure web root. The extension INI may point the adapter elsewhere.
inline constexpr char16_t kInstagramDefaultRoot[] = u"https://www.instagram.com";

// Scheme and host (no trailing "/") used for the query endpoint, the post view, the cookie
// scope, the referer and the former photo host: the INI override when set, else the default.
std::u16string InstagramWebRoot(const CWorkState& st);

// Builds the profile album from a profile name and adds it when start-up has finished.
void InstagramAddProfile(CWorkState& st, const std::u16string& strProfile);

// Enumerates every picture and video of the album at nAlbum into g_pJob through AddPicToJob.
// Returns when the profile is exhausted, a request fails, or m_byDownState becomes 2 or 3.
void InstagramGetPics(CWorkState& st, int nAlbum);

// The query body for owner id and cursor (both GBK bytes). False, and strBody untouched,
// when the filled body would not fit the 1024-byte body buffer with its terminating NUL.
bool InstagramQueryBody(const std::string& strOwnerId, const std::string& strCursor, std::string& strBody);
