// The report a cleaning pass in another process sends back over a pipe: first its plan (what
// it would delete and which cookies it keeps), then, once told to go, what became of each
// planned entry, and its totals. The receiver trusts none of it: every record is checked, and
// a report that breaks a rule ends as a broken report, never as a result.
//
// A report is a sequence of records, each a type byte, a 32-bit little-endian payload length
// and the payload (integers little-endian):
//   'H' heartbeat: empty; the sender is at work (a long walk). Any time before the result
//   'P' plan:   u64 entries to go, u64 cookies kept, u8 walk failed           (once, first)
//   'G' to go:  u64 bytes, the entry's name as the cache's own bytes (no NUL)  (as many as announced)
//   'K' kept:   u64 bytes, the cookie's name                                  (then as many as announced)
//   'E' entry:  u8 outcome of the next planned entry; only after the whole plan, at most one per entry
//   'R' result: u64 deleted, not found, in use, not deleted, file left, denied, bytes freed; u8 walk failed
//               (once, last, after every planned entry; must agree with the entries)
// The names are opaque bytes: their length comes from the record, never from their content.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/EntryDeletion.h"

#include <string>

// Writes a report into a pipe (or any handle WriteFile takes). Each call is false once the
// reader has gone: the writer then stops, since nothing it does after can be reported.
class CPassReportWriter {
public:
    explicit CPassReportWriter(HANDLE pipe, DWORD heartbeatMs = kHeartbeatMs) : m_pipe(pipe), m_heartbeatMs(heartbeatMs) {}
    bool Plan(const CleaningPlan& plan);
    bool Entry(DeleteOutcome outcome);
    bool Result(const DeletionResult& result);
    // A heartbeat, when nothing was written for the writer's heartbeat interval.
    bool HeartbeatIfDue();

    // Well inside the reader's bound of silence, and rare enough to cost nothing.
    static constexpr DWORD kHeartbeatMs = 1000;

private:
    bool Write(char type, const std::string& payload);
    bool Named(char type, const SelectedEntry& entry);
    HANDLE m_pipe;
    DWORD m_heartbeatMs;
    DWORD m_lastWrite = ::GetTickCount();
};

// Reads a report from the bytes as they come, in pieces of any size.
class CPassReportReader {
public:
    // Takes the next bytes; false once the report is broken (then the rest is ignored).
    bool Feed(const char* bytes, size_t size);

    bool Planned() const { return m_planAnnounced && m_toGo.size() == m_goCount && m_kept.size() == m_keptCount; }
    bool Ended() const { return m_ended && !m_broken; }  // the result record came and agreed, and nothing after
    bool Broken() const { return m_broken; }
    // The plan: the entries the sender will delete when told to, and the cookies it keeps.
    const SelectedEntries& ToGo() const { return m_toGo; }
    const SelectedEntries& Kept() const { return m_kept; }
    bool PlanWalkFailed() const { return m_planWalkFailed; }
    size_t Chosen() const { return m_goCount; }
    // The planned entries handled so far and what became of each, in the order of the plan.
    const SelectedEntries& Entries() const { return m_entries; }
    const DeletionResult& Result() const { return m_result; }

    static constexpr size_t kMaxPayload = 1 << 20;
    // However a plan announces itself, no more than this many entries and bytes of names are
    // taken: past them the report is broken.
    static constexpr size_t kMaxEntries = 1000000;
    static constexpr size_t kMaxNameBytes = 128u << 20;

private:
    bool Record(char type, const std::string& payload);
    bool Named(const std::string& payload, SelectedEntries& into);

    std::string m_pending;
    bool m_planAnnounced = false, m_ended = false, m_broken = false, m_planWalkFailed = false;
    size_t m_goCount = 0, m_keptCount = 0, m_nameBytes = 0;
    SelectedEntries m_toGo, m_kept, m_entries;
    DeletionResult m_result;
};
