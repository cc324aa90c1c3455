// Helpers for GUI tests: pump the event loop for a while or until a condition holds.
#pragma once
#include <chrono>
#include <functional>
#include <thread>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>

namespace albumora_test {

// Processes pending events for about `ms` milliseconds.
inline void PumpEvents(int ms = 50)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxYield();
        if (wxTheApp)
            wxTheApp->ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < until);
}

// Pumps events until `cond` holds or `timeoutMs` passes; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 10000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        if (cond())
            return true;
        PumpEvents(10);
    }
    return cond();
}

} // namespace albumora_test
