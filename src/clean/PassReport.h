// The report a cleaning pass in another process sends back over a pipe: what it chose, what
// became of each entry, and its totals. The receiver trusts none of it: every record is
// checked, and a report that breaks a rule ends as a broken report, never as a result.
//
// A report is a sequence of records, each a type byte, a 32-bit little-endian payload length
// and the payload (integers little-endian):
//   'B' begin:  u64 entries chosen, u8 walk failed                      (once, first)
//   'E' entry:  u8 outcome, u64 bytes, the entry's name as the cache's own bytes (no NUL);
//               at most as many as begin announced
//   'R' result: u64 deleted, not found, in use, not deleted, file left, bytes freed; u8 walk failed
//               (once, last; must agree with the entries)
// The names are opaque bytes: their length comes from the record, never from their content.
#pragma once

#include "clean/EntryDeletion.h"

#include <string>

// Writes a report into a pipe (or any handle WriteFile takes). Each call is false once the
// reader has gone: the writer then stops, since nothing it does after can be reported.
class CPassReportWriter {
public:
    explicit CPassReportWriter(HANDLE pipe) : m_pipe(pipe) {}
    bool Begin(size_t chosen, bool walkFailed);
    bool Entry(const SelectedEntry& entry, DeleteOutcome outcome);
    bool Result(const DeletionResult& result);

private:
    bool Write(char type, const std::string& payload);
    HANDLE m_pipe;
};

// Reads a report from the bytes as they come, in pieces of any size.
class CPassReportReader {
public:
    // Takes the next bytes; false once the report is broken (then the rest is ignored).
    bool Feed(const char* bytes, size_t size);

    bool Begun() const { return m_begun; }
    bool Ended() const { return m_ended && !m_broken; }  // the result record came and agreed, and nothing after
    bool Broken() const { return m_broken; }
    size_t Chosen() const { return m_chosen; }
    // The entries reported so far and what became of each, in the order of the report.
    const SelectedEntries& Entries() const { return m_entries; }
    const DeletionResult& Result() const { return m_result; }

    static constexpr size_t kMaxPayload = 1 << 20;

private:
    bool Record(char type, const std::string& payload);

    std::string m_pending;
    bool m_begun = false, m_ended = false, m_broken = false;
    size_t m_chosen = 0;
    SelectedEntries m_entries;
    DeletionResult m_result;
};
