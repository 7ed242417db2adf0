// CCookieHostWalk: which sites have cookies in the caches a cleaning reaches, and how many
// each, found on a worker thread so that a window can show itself at once: a walk over many
// cookies takes seconds under some systems. The Protected Mode cache is read by the
// low-integrity copy, which plans a cleaning of its cookies, reports them and is told to stop.
// When the walk is over, the worker posts WM_KEEP_HOSTS_READY to the window it was given; a
// stop request ends the walk after the entry at hand.
#pragma once

#include "clean/SecondPass.h"
#include "framework/WorkerThread.h"

#include <map>
#include <optional>
#include <string>

// The cookie hosts of the cache in use and, when second is given, of the copy's cache, with
// how many cookies each has (a cookie both walks met, in a cache the two share, counts once);
// unreadable names left out. False when a walk ended early or the copy failed (the map then
// holds what was found).
bool CollectCookieHosts(std::map<std::string, size_t>& hosts, const std::atomic<bool>* stop = nullptr,
                        const SecondPassRequest* second = nullptr);

class CCookieHostWalk : public CWorkerThread {
public:
    explicit CCookieHostWalk(HWND notify, std::optional<SecondPassRequest> second = std::nullopt)
        : m_notify(notify), m_second(std::move(second)) {}
    ~CCookieHostWalk() override { Stop(); }

    void Run() override;

    // Read on the window's thread, and only after the ready message has arrived.
    const std::map<std::string, size_t>& Hosts() const { return m_hosts; }
    bool Complete() const { return m_complete; }

private:
    HWND m_notify;
    std::optional<SecondPassRequest> m_second;
    std::map<std::string, size_t> m_hosts;
    bool m_complete = false;
};
