#include "clean/CookieHostWalk.h"

#include "clean/EntrySelection.h"
#include "clean/KeepList.h"
#include "clean/LowIntegrityProcess.h"
#include "framework/AppMessages.h"

namespace {

void CountHosts(const SelectedEntries& cookies, std::map<std::string, size_t>& hosts) {
    for (const SelectedEntry& cookie : cookies) {
        const std::string host = CookieHost(cookie.url.c_str());
        if (!host.empty()) ++hosts[host];
    }
}

}  // namespace

bool CollectCookieHosts(std::map<std::string, size_t>& hosts, const std::atomic<bool>* stop,
                        const SecondPassRequest* second) {
    std::optional<CSecondPass> copy;
    if (second != nullptr) {
        // Only cookies, none kept: the copy lists them all, and deletes nothing unless told to go.
        copy.emplace(*second, false, true, CKeepList());
        copy->SetStop(stop);
        // A copy that would see this very cache has nothing to add: it is not started.
        if (!copy->Start() && copy->Outcome().status == SecondPassStatus::SameCache) copy.reset();
    }
    CleaningPlan own;
    bool complete = CollectEntries(false, true, own.entries, stop, {},
                                   RunsAtLowIntegrity() ? MissingCache::Empty : MissingCache::Failed);
    CountHosts(own.entries, hosts);
    if (copy) {
        const bool planned = copy->ReadPlan();
        copy->Stop();
        if (planned) {
            CountHosts(copy->Plan().entries, hosts);
            CountHosts(copy->Plan().kept, hosts);
        }
        complete = complete && planned && !copy->Plan().walkFailed;
    }
    return complete;
}

void CCookieHostWalk::Run() {
    m_complete = CollectCookieHosts(m_hosts, &m_bStop, m_second ? &*m_second : nullptr);
    // A stopped walk tells nobody: its window is closing.
    if (!m_bStop) ::PostMessageW(m_notify, WM_KEEP_HOSTS_READY, 0, 0);
}
