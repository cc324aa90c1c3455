// The two text files the engine writes beside an album's pictures: the download-manager list
// (addresses for an external downloader) and the picture-name file (one caption per picture).
//
// Threads: called by the download thread only (directly, or through AddPicToJob), never while
// the album's workers run.
#pragma once

#include <string>

// Writes every address of the current job as GBK text, one CR LF line per address (an entry
// holding a primary and an alternate address yields two lines). The file is created afresh.
// False when it cannot be written.
bool WriteDownList(const std::u16string& strPath);

// Appends the caption, unchanged, as one UTF-16LE line ("%s\r\n") to strFolder + strAlbumName +
// ".txt". With bFirst the file is created afresh and starts with the byte-order mark FF FE.
// A file that cannot be opened is skipped silently.
void AppendPicName(const std::u16string& strFolder, const std::u16string& strAlbumName,
                   const std::u16string& strCaption, bool bFirst);
