// CCookieHostWalk: which sites have cookies in the cache in use, and how many each, found on a
// worker thread so that a window can show itself at once: a walk over many cookies takes
// seconds under some systems. When the walk is over, the worker posts WM_KEEP_HOSTS_READY to
// the window it was given; a stop request ends the walk after the entry at hand.
#pragma once

#include "framework/WorkerThread.h"

#include <map>
#include <string>

// The cookie hosts of the cache in use and how many cookies each has; unreadable names left
// out. False when the walk ended early (the map then holds what it found).
bool CollectCookieHosts(std::map<std::string, size_t>& hosts, const std::atomic<bool>* stop = nullptr);

class CCookieHostWalk : public CWorkerThread {
public:
    explicit CCookieHostWalk(HWND notify) : m_notify(notify) {}
    ~CCookieHostWalk() override { Stop(); }

    void Run() override;

    // Read on the window's thread, and only after the ready message has arrived.
    const std::map<std::string, size_t>& Hosts() const { return m_hosts; }
    bool Complete() const { return m_complete; }

private:
    HWND m_notify;
    std::map<std::string, size_t> m_hosts;
    bool m_complete = false;
};
