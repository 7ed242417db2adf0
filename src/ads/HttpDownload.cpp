#include "ads/HttpDownload.h"

#include "framework/Event.h"
#include "framework/WinInetLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {
constexpr char kAgent[] = "Dustwhirl";
constexpr DWORD kChunkSize = 8192;

// What WinINet's callback shares with the downloading thread. A request that the thread has
// given up on is only invalidated: WinINet may still complete it later (when the server
// answers or drops the connection) and write into its out-parameters. So every one of them
// lives here, and every handle that names this object holds a reference, which WinINet gives
// back with the handle's last callback.
class CAsyncState {
public:
    CAsyncState() { ::InterlockedIncrement(&s_live); }
    CAsyncState(const CAsyncState&) = delete;
    CAsyncState& operator=(const CAsyncState&) = delete;

    void AddRef() { ::InterlockedIncrement(&m_refs); }
    void Release() {
        if (::InterlockedDecrement(&m_refs) == 0) delete this;
    }

    bool Valid() const { return m_completed.Handle() != nullptr; }
    HANDLE Completed() const { return m_completed.Handle(); }
    // Before each call that may complete later, so that a completion can only be its own.
    void Arm() { m_completed.ResetEvent(); }
    void Complete(const INTERNET_ASYNC_RESULT& result) {
        m_result = result;
        m_completed.SetEvent();
    }
    // A call that fails says so with a zero result and an error; a query for the data
    // available completes with the byte count as its result, zero at the end of the body.
    bool Succeeded() const { return m_result.dwResult != 0 || m_result.dwError == ERROR_SUCCESS; }

    // The downloading thread has returned; a call it left pending may still complete.
    void Abandon(bool queryPending) { m_abandonedQuery = queryPending; }

    static HttpAbandonedCalls Counts() { return {s_live, s_lateQueryAnswers}; }

    // The targets of a query and a read, which a pending call may still fill after the
    // thread has left.
    static constexpr DWORD kNotAnswered = 0xFFFFFFFF;
    DWORD m_available = kNotAnswered;
    char m_buffer[kChunkSize];
    DWORD m_bytesRead = 0;

private:
    ~CAsyncState() {
        if (m_abandonedQuery && m_available != kNotAnswered) ::InterlockedIncrement(&s_lateQueryAnswers);
        ::InterlockedDecrement(&s_live);
    }

    LONG m_refs = 1;
    CEvent m_completed;
    INTERNET_ASYNC_RESULT m_result{};
    bool m_abandonedQuery = false;  // written before the thread lets go of its reference

    static LONG s_live;
    static LONG s_lateQueryAnswers;
};

LONG CAsyncState::s_live = 0;
LONG CAsyncState::s_lateQueryAnswers = 0;

struct StateRelease {
    void operator()(CAsyncState* state) const { state->Release(); }
};
using StateRef = std::unique_ptr<CAsyncState, StateRelease>;

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    auto* state = reinterpret_cast<CAsyncState*>(context);
    if (state == nullptr) return;  // the session handle, which names no state
    if (status == INTERNET_STATUS_REQUEST_COMPLETE && info != nullptr) {
        state->Complete(*static_cast<INTERNET_ASYNC_RESULT*>(info));
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        state->Release();
    }
}

// A handle that names the state holds a reference, given back by its closing callback.
// When creation fails, whether that callback still comes is not documented: the reference
// is then left to leak rather than risk releasing it twice.
template <class Create>
HINTERNET OpenWithState(CAsyncState& state, Create create) {
    state.AddRef();
    return create(reinterpret_cast<DWORD_PTR>(&state));
}

bool Signalled(HANDLE event) { return event != nullptr && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// Waits for the pending call; a stop wins over a completion that comes at the same moment.
DownloadResult WaitForCompletion(const CAsyncState& state, HANDLE stopEvent, ULONGLONG deadline) {
    ULONGLONG now = ::GetTickCount64();
    DWORD left = now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
    HANDLE handles[2];
    DWORD count = 0;
    if (stopEvent != nullptr) handles[count++] = stopEvent;
    const DWORD completed = count;
    handles[count++] = state.Completed();
    DWORD wait = ::WaitForMultipleObjects(count, handles, FALSE, left);
    if (wait == WAIT_OBJECT_0 + completed) return DownloadResult::Complete;
    if (wait == WAIT_TIMEOUT) return DownloadResult::TimedOut;
    if (stopEvent != nullptr && wait == WAIT_OBJECT_0) return DownloadResult::Stopped;
    return DownloadResult::Failed;
}

// The declared length of the body, if the answer gives a readable one.
bool ContentLength(const WinInetFunctions& inet, HINTERNET request, unsigned long long& length) {
    char text[32];
    DWORD size = sizeof(text);
    if (!inet.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
    char* end = nullptr;
    length = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

// The parts of a URL that a request needs. Only http and https are fetched.
struct RequestTarget {
    char host[INTERNET_MAX_HOST_NAME_LENGTH];
    INTERNET_PORT port = 0;
    bool secure = false;
    std::string object;  // the path with its query, "/" for none
};

bool CrackUrl(const WinInetFunctions& inet, const char* url, RequestTarget& target) {
    char path[INTERNET_MAX_PATH_LENGTH];
    char extra[INTERNET_MAX_PATH_LENGTH];
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = target.host;
    parts.dwHostNameLength = sizeof(target.host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof(extra);
    if (!inet.InternetCrackUrlA(url, 0, 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    target.port = parts.nPort;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.object = std::string(path) + extra;
    if (target.object.empty()) target.object = "/";
    return true;
}

// The handles of one request and the state they share. The members go in the reverse of their
// order: the request, then its connection, then the thread's reference to the state, then the
// session whose callback gives the other references back.
struct OpenRequest {
    CInternetHandle session;
    StateRef state;
    CInternetHandle connection;
    CInternetHandle request;
};

bool Open(const WinInetFunctions& inet, const RequestTarget& target, OpenRequest& open) {
    open.session.Reset(inet.InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC));
    if (!open.session) return false;
    if (inet.InternetSetStatusCallbackA(open.session.get(), OnStatus) == INTERNET_INVALID_STATUS_CALLBACK) return false;
    open.state.reset(new CAsyncState);
    if (!open.state->Valid()) return false;

    open.connection.Reset(OpenWithState(*open.state, [&](DWORD_PTR context) {
        return inet.InternetConnectA(open.session.get(), target.host, target.port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, context);
    }));
    if (!open.connection) return false;
    // Always from the server, and nothing left in the cache that this program cleans.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
    if (target.secure) flags |= INTERNET_FLAG_SECURE;
    open.request.Reset(OpenWithState(*open.state, [&](DWORD_PTR context) {
        return inet.HttpOpenRequestA(open.connection.get(), "GET", target.object.c_str(), nullptr, nullptr, nullptr,
                                     flags, context);
    }));
    return static_cast<bool>(open.request);
}

// Sends the request and reads the answer's head: Complete for a success whose declared length
// (hasLength, declared) is within the limit.
DownloadResult Send(const WinInetFunctions& inet, OpenRequest& open, HANDLE stopEvent, ULONGLONG deadline,
                    const DownloadLimits& limits, bool& hasLength, unsigned long long& declared) {
    CAsyncState& state = *open.state;
    state.Arm();
    if (!inet.HttpSendRequestA(open.request.get(), nullptr, 0, nullptr, 0)) {
        if (::GetLastError() != ERROR_IO_PENDING) return DownloadResult::Failed;
        DownloadResult woken = WaitForCompletion(state, stopEvent, deadline);
        if (woken != DownloadResult::Complete) return woken;
        if (!state.Succeeded()) return DownloadResult::Failed;
    }

    // An error page is not the list, however well it would parse.
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!inet.HttpQueryInfoA(open.request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                             nullptr) ||
        status < 200 || status >= 300) {
        return DownloadResult::Failed;
    }
    hasLength = ContentLength(inet, open.request.get(), declared);
    if (hasLength && declared > limits.maxBytes) return DownloadResult::TooLarge;
    return DownloadResult::Complete;
}

// Reads the body into body, chunk by chunk, until the answer ends.
DownloadResult ReadBody(const WinInetFunctions& inet, OpenRequest& open, HANDLE stopEvent, ULONGLONG deadline,
                        const DownloadLimits& limits, std::string& body) {
    CAsyncState& state = *open.state;
    for (;;) {
        if (Signalled(stopEvent)) return DownloadResult::Stopped;
        if (::GetTickCount64() >= deadline) return DownloadResult::TimedOut;
        state.m_available = CAsyncState::kNotAnswered;
        state.Arm();
        if (!inet.InternetQueryDataAvailable(open.request.get(), &state.m_available, 0, 0)) {
            if (::GetLastError() != ERROR_IO_PENDING) return DownloadResult::Failed;
            DownloadResult woken = WaitForCompletion(state, stopEvent, deadline);
            if (woken != DownloadResult::Complete) {
                state.Abandon(true);
                return woken;
            }
            // A connection that failed is not the end of the body.
            if (!state.Succeeded()) return DownloadResult::Failed;
            continue;  // data has arrived or the answer has ended: asked again, it says which
        }
        const DWORD available = state.m_available;
        if (available == 0) return DownloadResult::Complete;
        if (available > limits.maxBytes - body.size()) return DownloadResult::TooLarge;

        state.m_bytesRead = 0;
        state.Arm();
        if (!inet.InternetReadFile(open.request.get(), state.m_buffer, std::min(available, kChunkSize),
                                   &state.m_bytesRead)) {
            if (::GetLastError() != ERROR_IO_PENDING) return DownloadResult::Failed;
            DownloadResult woken = WaitForCompletion(state, stopEvent, deadline);
            if (woken != DownloadResult::Complete) return woken;
            if (!state.Succeeded()) return DownloadResult::Failed;
        }
        if (state.m_bytesRead == 0) return DownloadResult::Complete;
        body.append(state.m_buffer, state.m_bytesRead);
    }
}

DownloadResult Fetch(const char* url, HANDLE stopEvent, const DownloadLimits& limits, std::string& body) {
    const ULONGLONG deadline = ::GetTickCount64() + limits.timeoutMs;
    const WinInetFunctions* inet = WinInet();
    if (inet == nullptr) return DownloadResult::Failed;
    RequestTarget target;
    if (!CrackUrl(*inet, url, target)) return DownloadResult::Failed;
    OpenRequest open;
    if (!Open(*inet, target, open)) return DownloadResult::Failed;
    bool hasLength = false;
    unsigned long long declared = 0;
    DownloadResult result = Send(*inet, open, stopEvent, deadline, limits, hasLength, declared);
    if (result == DownloadResult::Complete) result = ReadBody(*inet, open, stopEvent, deadline, limits, body);
    // A connection that dropped part-way leaves a body shorter than announced.
    if (result == DownloadResult::Complete && hasLength && body.size() != declared) return DownloadResult::Failed;
    return result;
}
}  // namespace

DownloadResult HttpDownload(const char* url, HANDLE stopEvent, const DownloadLimits& limits, std::string& body) {
    body.clear();
    DownloadResult result = Fetch(url, stopEvent, limits, body);
    if (result != DownloadResult::Complete) body.clear();
    return result;
}

HttpAbandonedCalls HttpAbandonedCallCounts() { return CAsyncState::Counts(); }
