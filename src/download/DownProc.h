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

class WindowHooks;

// Clears g_bStopDownload and starts the manager. The returned thread is not joinable when it
// could not be created. pHooks receives the progress text and the completion notice; it may be
// null (then nothing is shown).
std::thread StartDownPicFunc(WindowHooks* pHooks);

// The manager: downloads every job entry, shows "已下载%d/%d......" in status line 2 whenever the
// finished count changes and, at the end, reports the elapsed seconds and the total.
void DownPicFunc(WindowHooks* pHooks);

// One picture: fetches job entry nIndex (two tries, then the alternate address after a CR LF when
// the primary gave nothing) into the album folder, then counts itself in g_nFinished.
void DownPicWorker(uint32_t nIndex);
