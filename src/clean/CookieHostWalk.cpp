#include "clean/CookieHostWalk.h"

#include "clean/EntrySelection.h"
#include "clean/KeepList.h"
#include "framework/AppMessages.h"

bool CollectCookieHosts(std::map<std::string, size_t>& hosts, const std::atomic<bool>* stop) {
    SelectedEntries cookies;
    const bool complete = CollectEntries(false, true, cookies, stop);
    for (const SelectedEntry& cookie : cookies) {
        const std::string host = CookieHost(cookie.url.c_str());
        if (!host.empty()) ++hosts[host];
    }
    return complete;
}

void CCookieHostWalk::Run() {
    m_complete = CollectCookieHosts(m_hosts, &m_bStop);
    // A stopped walk tells nobody: its window is closing.
    if (!m_bStop) ::PostMessageW(m_notify, WM_KEEP_HOSTS_READY, 0, 0);
}
