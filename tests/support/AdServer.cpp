#include "AdServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace {
bool StartWinsock() {
    static bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

class Socket {
public:
    Socket() : m_s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (m_s != INVALID_SOCKET) ::closesocket(m_s);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return m_s; }

private:
    SOCKET m_s;
};
}  // namespace

bool AdServer::ServeList(const std::string& body, int status) {
    return Control("mode=body&status=" + std::to_string(status), body);
}

bool AdServer::ServeStatus(int status) { return Control("mode=status&status=" + std::to_string(status), ""); }

bool AdServer::ServeUnsized(const std::string& body) { return Control("mode=body&length=0", body); }

bool AdServer::ServeCut(const std::string& body, size_t bytes) {
    return Control("mode=body&cut=" + std::to_string(bytes), body);
}

bool AdServer::Trickle(const std::string& body, int intervalMs) {
    return Control("mode=trickle&interval=" + std::to_string(intervalMs), body);
}

bool AdServer::Stall() { return Control("mode=stall", ""); }

bool AdServer::Reset() { return Control("mode=reset", ""); }

int AdServer::ListRequests() {
    std::string body;
    if (Exchange("GET", "/_control/hits", "", &body) != 200) return -1;
    return std::atoi(body.c_str());
}

std::string AdServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

bool AdServer::Control(const std::string& query, const std::string& body) {
    return Exchange("POST", "/_control?" + query, body, nullptr) == 200;
}

int AdServer::Exchange(const std::string& method, const std::string& target, const std::string& body,
                       std::string* responseBody) {
    if (!StartWinsock()) return 0;
    Socket s;
    if (s.get() == INVALID_SOCKET) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return 0;

    std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    for (size_t sent = 0; sent < request.size();) {
        int n = ::send(s.get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (n <= 0) return 0;
        sent += static_cast<size_t>(n);
    }
    std::string response;
    char buf[4096];
    for (;;) {
        int n = ::recv(s.get(), buf, sizeof(buf), 0);
        if (n <= 0) break;
        response.append(buf, static_cast<size_t>(n));
    }
    // "HTTP/1.x NNN reason"
    if (response.size() < 12 || response.compare(0, 5, "HTTP/") != 0) return 0;
    int status = std::atoi(response.c_str() + response.find(' ') + 1);
    if (responseBody != nullptr) {
        size_t end = response.find("\r\n\r\n");
        *responseBody = end == std::string::npos ? std::string() : response.substr(end + 4);
    }
    return status;
}
