// The picture job's naming step: every picture a site adapter finds passes through AddPicToJob,
// which names its file, creates the album folder at the album's first picture, applies the
// do-not-download-again marker and appends the picture to g_pJob.
//
// Threads: AddPicToJob, FindJobName and the marker functions run on the download thread, while
// no manager of the job runs. SetDirTime may be called from any thread.
#pragma once

#include <ctime>
#include <string>

class CWorkState;

// Names the picture, appends it to the job (address, file name, extra headers) and shows the
// count in status line 2. nAlbum is the album's position in the album list. With the
// do-not-download-again option, an address equal to the album's last-download marker sets
// m_byDownState = 2 instead and the picture is not added.
void AddPicToJob(CWorkState& st, const std::u16string& strUrl, const std::u16string& strCaption,
                 const std::u16string& strHeader, int nAlbum);

// True when the name ends in .jpeg .jpg .bmp .gif .png or .tif (any letter case).
bool HasPicExt(const std::u16string& strName);

// Index of the first job entry whose file name equals strName ignoring ASCII letter case, or -1.
// Constant time through the job's name index.
int FindJobName(const std::u16string& strName);

// Rebuilds the job's name index from arrName, for passes that rename job entries.
void RebuildJobNameIndex();

// Sets access and modification time of a folder (Linux has no settable creation time). Nothing
// happens for time 0 or a folder that cannot be reached.
void SetDirTime(const std::u16string& strFolder, time_t tTime);

// The last-download marker "pic.nvx" of an album folder (strFolder ends in '/'): one address in
// UTF-16LE, no byte-order mark, no line end. ReadLastMark gives "" when there is none.
std::u16string ReadLastMark(const std::u16string& strFolder);
// Writes the marker; a folder that cannot be written is skipped silently.
void WriteLastMark(const std::u16string& strUrl, const std::u16string& strFolder);
