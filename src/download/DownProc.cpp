#include "download/DownProc.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/AlbumList.h"
#include "core/WindowHooks.h"
#include "download/DownFile.h"
#include "net/URLSource2.h"
#include "text/StringCtrl.h"

namespace {

constexpr uint32_t kSingleThreadPauseMs = 2000;

// Slots whose worker has ended, handed from the workers to the manager.
struct CSlotEnds {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<uint32_t> ended;

    void Push(uint32_t nSlot)
    {
        {
            std::lock_guard<std::mutex> lk(mutex);
            ended.push_back(nSlot);
        }
        cv.notify_one();
    }
    // Waits without time limit for at least one ended slot and takes them all.
    std::deque<uint32_t> TakeAll()
    {
        std::unique_lock<std::mutex> lk(mutex);
        cv.wait(lk, [this] { return !ended.empty(); });
        std::deque<uint32_t> out;
        out.swap(ended);
        return out;
    }
};

// Starts the worker for picture nIndex in slot nSlot. A worker that cannot be started counts as
// finished at once, so its slot is free again and the count still reaches the total.
void StartWorker(std::vector<std::thread>& threads, uint32_t nSlot, uint32_t nIndex, CSlotEnds& ends)
{
    try {
        threads[nSlot] = std::thread([nSlot, nIndex, &ends] {
            DownPicWorker(nIndex);
            ends.Push(nSlot);
        });
    } catch (const std::system_error&) {
        g_nFinished.fetch_add(1);
        ends.Push(nSlot);
    }
}

// The 2000 ms pause between pictures with one thread, cut short by a stop.
void PauseUnlessStopped()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSingleThreadPauseMs);
    while (!g_bStopDownload.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// True (and the saved file removed) when the last response's status line says the server
// answered with an error (4xx or 5xx) instead of the picture.
bool DropErrorPage(const ST_URLREQUEST& req, const CURLSource2& resp)
{
    const std::u16string& head = resp.strHeaders;
    size_t sp = head.find(u' ');
    if (!head.starts_with(u"HTTP/") || sp == std::u16string::npos || sp + 1 >= head.size())
        return false;
    const char16_t c = head[sp + 1];
    if (c != u'4' && c != u'5')
        return false;
    std::error_code ec;
    std::filesystem::remove(FsPath(req.strSavePath), ec);
    return true;
}

std::u16string ProgressText(int32_t nFinished, uint32_t nTotal)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%u......", nFinished, nTotal);
    return u"已下载" + AsciiToU16(buf);
}

} // namespace

std::thread StartDownPicFunc()
{
    g_bStopDownload = false;
    try {
        return std::thread(DownPicFunc);
    } catch (const std::system_error&) {
        return std::thread();
    }
}

void DownPicFunc()
{
    ST_DOWNJOB& job = *g_pJob;
    WindowHooks* pHooks = job.hNotifyWnd;
    g_nFinished = 0;
    const uint32_t nTotal = static_cast<uint32_t>(job.arrUrl.size());
    // A thread count of 0 would download nothing and still report the album as done.
    const uint32_t nThreads = std::max<uint32_t>(g_dwThreads.load(), 1);
    const uint32_t nSlots = std::min(nThreads, nTotal);
    if (nSlots == 0)
        return;

    g_bDownloading = true;
    const auto tStart = std::chrono::steady_clock::now();
    CSlotEnds ends;
    std::vector<std::thread> threads(nSlots);
    std::vector<uint32_t> picture(nSlots);
    for (uint32_t slot = 0; slot < nSlots; ++slot) {
        picture[slot] = slot;
        StartWorker(threads, slot, slot, ends);
    }
    uint32_t nNext = nSlots;
    int64_t nShown = static_cast<int64_t>(nTotal) + 1;

    for (bool bLast = false; !bLast;) {
        std::deque<uint32_t> ended = ends.TakeAll();
        if (g_bStopDownload.load())
            break;
        for (uint32_t slot : ended) {
            if (threads[slot].joinable())
                threads[slot].join();
            if (nNext < nTotal) {
                if (nThreads == 1)
                    PauseUnlessStopped();
                // After a stop no new picture starts; the pictures in flight are waited for below.
                if (g_bStopDownload.load())
                    break;
                picture[slot] = nNext;
                StartWorker(threads, slot, nNext, ends);
                ++nNext;
            }
        }
        const int32_t nFinished = g_nFinished.load();
        if (nFinished >= static_cast<int32_t>(nTotal))
            bLast = true;
        if ((nFinished != nShown || bLast) && pHooks != nullptr) {
            pHooks->SetControlText(job.nStatusId, ProgressText(nFinished, nTotal));
        }
        nShown = nFinished;
        if (g_bStopDownload.load())
            break;
    }

    // Workers still running finish their picture before the job is emptied or any file of the
    // album is renamed or re-timed.
    for (std::thread& t : threads)
        if (t.joinable())
            t.join();

    if (pHooks != nullptr) {
        const auto nElapsed =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - tStart)
                .count();
        pHooks->DownNotify(static_cast<uint32_t>(nElapsed), nTotal);
    }
    g_bDownloading = false;
}

void DownPicWorker(uint32_t nIndex)
{
    try {
        const ST_DOWNJOB& job = *g_pJob;
        const bool bHeaders = !job.arrHeader.empty();
        ST_URLREQUEST req(u"", u"", 20000);
        CURLSource2 resp;

        // at(): a job whose arrays disagree in length fails this picture instead of reading past them.
        const std::u16string& strAddress = job.arrUrl.at(nIndex);
        std::u16string strAlternate;
        size_t crlf = strAddress.find(u"\r\n");
        if (crlf != std::u16string::npos) {
            req.strUrl = strAddress.substr(0, crlf);
            strAlternate = strAddress.substr(crlf + 2);
        } else {
            req.strUrl = strAddress;
        }
        if (bHeaders)
            req.strHeaders = job.arrHeader.at(nIndex);
        // Names come only from the naming step, which never yields a path, so the picture
        // always lands in the album folder.
        req.strSavePath = job.strFolder + job.arrName.at(nIndex);
        req.dwReadTimeout = g_dwTimeoutSec.load() * 1000;
        req.dwMinSizeKB = g_dwMinSizeK.load();
        req.dwMaxSizeKB = g_dwMaxSizeK.load();
        req.byTries = 2;
        req.byRetryDelay = 1;

        FetchUrl(req, resp, FETCH_CACHE_WRITE | FETCH_CACHE_READ);
        // An error page is no picture: saved under the picture's name it would pass for a
        // complete download. Drop it, and let the alternate try as if nothing had come.
        bool bErrorPage = DropErrorPage(req, resp);

        if (!strAlternate.empty()) {
            size_t topitme = strAlternate.find(u".topitme.");
            bool bTopitme = topitme != std::u16string::npos && topitme > 0;
            if (bErrorPage || resp.qwBodyLen == 0 || (bTopitme && resp.qwBodyLen < 600)) {
                req.strUrl = strAlternate;
                FetchUrl(req, resp, FETCH_CACHE_WRITE | FETCH_CACHE_READ);
                DropErrorPage(req, resp);
            }
        }
    } catch (...) {
        // One picture's failure ends only that picture.
    }
    g_nFinished.fetch_add(1);
}
