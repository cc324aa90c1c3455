// Post-processing of an album's saved pictures: the true extension judged by the content, and
// file times one minute apart so that a date-sorted file browser shows the album in site order.
//
// Threads: the download thread runs the job passes after the album's manager has ended (the
// manager waits for all of its workers, so no file is still being written).
#pragma once

#include <ctime>
#include <string>

// Renames the file at strPath after its first bytes (see the signature table in PicFix.cpp);
// content without a known signature takes strFallback, or keeps its extension when strFallback
// is empty. An existing file of the new name is never replaced. On success strPath holds the new
// path (also when the name did not change) and the result is true; false when the file is
// missing, unreadable or could not be renamed, with strPath unchanged.
bool FixPicExt(std::u16string& strPath, const std::u16string& strFallback = u"");

// FixPicExt over every picture of the current job; the job's names follow the renames.
// Pictures that were never written are skipped.
void FixJobFormat(const std::u16string& strFallback = u"");

// Gives the job's pictures times now, now - 60 s, now - 120 s, ... in job order.
void FixJobOrder();

// Sets access and modification time of an existing file (Linux has no settable creation time).
// Nothing happens for time 0 or a file that cannot be reached.
void SetPicTime(const std::u16string& strPath, time_t tTime);
