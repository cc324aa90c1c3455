// DownProc: the worker pool that fetches the pictures of the current job into the album folder.
//
// One manager thread per album (DownPicFunc) keeps up to g_dwThreads worker threads busy, one
// short-lived thread per picture (DownPicWorker). The download thread starts the manager with
// StartDownPicFunc and joins it before it touches the job again. After a stop (g_bStopDownload)
// the manager starts no new picture and waits for the pictures in flight, so once it has ended
// no worker reads the job or writes into the album folder any more.
#pragma once

#include <cstdint>
#include <thread>

// Clears g_bStopDownload and starts the manager. The returned thread is not joinable when it
// could not be created; the caller joins it.
std::thread StartDownPicFunc();

// The manager: downloads every job entry, shows "已下载%d/%d......" in the job's status line
// whenever the finished count changes and, at the end, reports the elapsed seconds and the total
// through the job's hNotifyWnd (nothing is shown when it is null).
void DownPicFunc();

// One picture: fetches job entry nIndex (two tries, then the alternate address after a CR LF when
// the primary gave nothing) into the album folder, then counts itself in g_nFinished.
void DownPicWorker(uint32_t nIndex);
