#include "clean/PassReport.h"

#include <cstdint>
#include <cstring>

namespace {

void PutU64(std::string& out, ULONGLONG value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

ULONGLONG GetU64(const std::string& in, size_t at) {
    ULONGLONG value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

constexpr size_t kHeader = 5;
constexpr size_t kPlanSize = 17;
constexpr size_t kNamedFixed = 8;
constexpr size_t kResultSize = 57;

}  // namespace

bool CPassReportWriter::Write(char type, const std::string& payload) {
    std::string record(1, type);
    const auto length = static_cast<unsigned long>(payload.size());
    for (int i = 0; i < 4; ++i) record += static_cast<char>((length >> (8 * i)) & 0xFF);
    record += payload;
    size_t done = 0;
    while (done < record.size()) {
        DWORD written = 0;
        if (!::WriteFile(m_pipe, record.data() + done, static_cast<DWORD>(record.size() - done), &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    m_lastWrite = ::GetTickCount();
    return true;
}

bool CPassReportWriter::Named(char type, const SelectedEntry& entry) {
    std::string payload;
    PutU64(payload, entry.bytes);
    payload.append(entry.url.data(), entry.url.size());
    return Write(type, payload);
}

bool CPassReportWriter::Plan(const CleaningPlan& plan) {
    std::string payload;
    PutU64(payload, plan.entries.size());
    PutU64(payload, plan.kept.size());
    payload += static_cast<char>(plan.walkFailed ? 1 : 0);
    if (!Write('P', payload)) return false;
    for (const SelectedEntry& entry : plan.entries) {
        if (!Named('G', entry)) return false;
    }
    for (const SelectedEntry& entry : plan.kept) {
        if (!Named('K', entry)) return false;
    }
    return true;
}

bool CPassReportWriter::Entry(DeleteOutcome outcome) { return Write('E', std::string(1, static_cast<char>(outcome))); }

bool CPassReportWriter::HeartbeatIfDue() {
    return ::GetTickCount() - m_lastWrite < m_heartbeatMs || Write('H', std::string());
}

bool CPassReportWriter::Result(const DeletionResult& result) {
    std::string payload;
    for (ULONGLONG n : {ULONGLONG(result.deleted), ULONGLONG(result.notFound), ULONGLONG(result.inUse),
                        ULONGLONG(result.notDeleted), ULONGLONG(result.fileLeft), ULONGLONG(result.denied),
                        result.bytesFreed}) {
        PutU64(payload, n);
    }
    payload += static_cast<char>(result.walkFailed ? 1 : 0);
    return Write('R', payload);
}

bool CPassReportReader::Feed(const char* bytes, size_t size) {
    if (m_broken) return false;
    m_pending.append(bytes, size);
    size_t at = 0;
    while (m_pending.size() - at >= kHeader) {
        ULONGLONG length = 0;
        for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(m_pending[at + 1 + i]);
        if (length > kMaxPayload) {
            m_broken = true;
            break;
        }
        if (m_pending.size() - at - kHeader < length) break;
        const std::string payload = m_pending.substr(at + kHeader, static_cast<size_t>(length));
        if (!Record(m_pending[at], payload)) {
            m_broken = true;
            break;
        }
        at += kHeader + static_cast<size_t>(length);
    }
    m_pending.erase(0, at);
    return !m_broken;
}

bool CPassReportReader::Named(const std::string& payload, SelectedEntries& into) {
    // An empty name is a name: the writer sends one, the cache may hold one.
    if (payload.size() < kNamedFixed) return false;
    m_nameBytes += payload.size() - kNamedFixed;
    if (m_nameBytes > kMaxNameBytes) return false;
    SelectedEntry entry;
    entry.bytes = GetU64(payload, 0);
    entry.url.assign(payload.data() + kNamedFixed, payload.size() - kNamedFixed);
    // A cache name ends at its first NUL: one inside would show the log another name.
    if (std::memchr(entry.url.data(), '\0', entry.url.size()) != nullptr) return false;
    into.push_back(std::move(entry));
    return true;
}

bool CPassReportReader::Record(char type, const std::string& payload) {
    if (m_ended) return false;  // nothing may follow the result
    switch (type) {
    case 'H': return payload.empty();
    case 'P': {
        if (m_planAnnounced || payload.size() != kPlanSize || static_cast<unsigned char>(payload[16]) > 1) return false;
        const ULONGLONG toGo = GetU64(payload, 0), kept = GetU64(payload, 8);
        if (toGo > kMaxEntries || kept > kMaxEntries - toGo) return false;
        m_planAnnounced = true;
        m_goCount = static_cast<size_t>(toGo);
        m_keptCount = static_cast<size_t>(kept);
        m_planWalkFailed = m_result.walkFailed = payload[16] != 0;
        return true;
    }
    case 'G': return m_planAnnounced && m_toGo.size() < m_goCount && Named(payload, m_toGo);
    case 'K': return m_planAnnounced && m_toGo.size() == m_goCount && m_kept.size() < m_keptCount && Named(payload, m_kept);
    case 'E': {
        if (!Planned() || payload.size() != 1 || m_entries.size() >= m_toGo.size()) return false;
        const auto outcome = static_cast<unsigned char>(payload[0]);
        if (outcome > static_cast<unsigned char>(DeleteOutcome::Denied)) return false;
        const SelectedEntry& entry = m_toGo[m_entries.size()];
        m_result.Add(entry, static_cast<DeleteOutcome>(outcome));
        m_entries.push_back(entry);
        return true;
    }
    case 'R': {
        // A result comes after every planned entry: one that ends short of its plan is no result.
        if (!Planned() || m_entries.size() != m_toGo.size() || payload.size() != kResultSize) return false;
        // The totals must be those of the entries: a report that disagrees with itself is
        // believed in neither part.
        const bool agrees = GetU64(payload, 0) == m_result.deleted && GetU64(payload, 8) == m_result.notFound &&
                            GetU64(payload, 16) == m_result.inUse && GetU64(payload, 24) == m_result.notDeleted &&
                            GetU64(payload, 32) == m_result.fileLeft && GetU64(payload, 40) == m_result.denied &&
                            GetU64(payload, 48) == m_result.bytesFreed && (payload[56] != 0) == m_result.walkFailed &&
                            static_cast<unsigned char>(payload[56]) <= 1;
        if (!agrees) return false;
        m_ended = true;
        return true;
    }
    default: return false;
    }
}
