// Starts transport workers the way the dialogs do (a new start block that
// the worker owns) and waits, bounded, for their end.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "transport/HTTPTransport.h"

namespace runtest {

inline std::shared_ptr<CHTTPExchange> Start(LPTHREAD_START_ROUTINE entry, const std::string& url,
                                            const std::string& body, int bPostRequest = 1) {
    auto ex = std::make_shared<CHTTPExchange>();
    auto* start = new HTTP_THREAD_START;
    std::memset(&start->param, 0, sizeof(start->param));
    std::snprintf(start->param.szUrl, sizeof(start->param.szUrl), "%s", url.c_str());
    std::snprintf(start->param.szPostData, sizeof(start->param.szPostData), "%s", body.c_str());
    start->param.bPostRequest = bPostRequest;
    start->exchange = ex;
    HANDLE h = CreateThread(nullptr, 0, entry, start, 0, nullptr);
    if (h == nullptr) {
        delete start;
        return nullptr;
    }
    CloseHandle(h);
    return ex;
}

inline bool WaitEnd(const CHTTPExchange& ex, int timeoutMs = 60000) {
    for (int waited = 0; ex.m_bThreadEnd.load() == 0; waited += 5) {
        if (waited >= timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs an authentication worker to its end; null when it did not end in time.
inline std::shared_ptr<CHTTPExchange> Run(LPTHREAD_START_ROUTINE entry, const std::string& url, const std::string& body,
                                          int bPostRequest = 1) {
    auto ex = Start(entry, url, body, bPostRequest);
    if (!ex || !WaitEnd(*ex)) return nullptr;
    return ex;
}

inline std::shared_ptr<CReportExchange> StartReport(LPTHREAD_START_ROUTINE entry, const std::string& url,
                                                    const std::string& body) {
    auto rep = std::make_shared<CReportExchange>();
    std::snprintf(rep->szHTTPUrl, sizeof(rep->szHTTPUrl), "%s", url.c_str());
    std::snprintf(rep->szPostParam, sizeof(rep->szPostParam), "%s", body.c_str());
    auto* start = new REPORT_THREAD_START{rep};
    HANDLE h = CreateThread(nullptr, 0, entry, start, 0, nullptr);
    if (h == nullptr) {
        delete start;
        return nullptr;
    }
    CloseHandle(h);
    return rep;
}

// The result variable once it is no longer -999; -999 when it did not come in time.
inline int WaitResult(const std::atomic<int>& result, int timeoutMs = 60000) {
    for (int waited = 0; result.load() == -999 && waited < timeoutMs; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return result.load();
}

}  // namespace runtest
