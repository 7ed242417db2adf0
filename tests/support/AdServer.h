// The tests' maker web server, tests/tools/adserver.py: a real HTTP server on 127.0.0.1:28017,
// the address the test build compiles in as the maker's server. Each test program that uses it
// is registered with ADSERVER (tests/CMakeLists.txt): scripts/wine-test.sh then starts a server
// of its own in the test's own loopback network, so tests that run side by side never share one.
//
// What GET /ad.csv answers is set here, before the program asks:
//     AdServer server;
//     server.ServeList("広告,http://127.0.0.1:28017/landing\n");  // 200 with that body (UTF-8)
//     server.ServeStatus(404);           // an empty 404
//     server.ServeUnsized(body);         // 200 without Content-Length, ended by closing
//     server.ServeCut(body, 10);         // 200 announcing all of body, cut off after 10 bytes
//     server.Trickle(body, 500);         // 200, one byte of body every 500 ms
//     server.Stall();                    // never answers
//     server.Reset();                    // 404 again, stalls and trickles released
//     server.ListRequests();             // requests for /ad.csv so far
// Any other GET path answers 200 with a small HTML page. Control requests go over a plain
// socket, never through WinINet, so they leave no trace in the URL cache.
#pragma once

#include <string>

class AdServer {
public:
    static constexpr unsigned short kPort = 28017;

    explicit AdServer(unsigned short port = kPort) : m_port(port) {}

    // Each returns false if the server could not be reached or refused the setting.
    bool ServeList(const std::string& body, int status = 200);
    bool ServeStatus(int status);
    bool ServeUnsized(const std::string& body);
    bool ServeCut(const std::string& body, size_t bytes);
    bool Trickle(const std::string& body, int intervalMs);
    bool Stall();
    bool Reset();
    // Requests for /ad.csv since the last Reset; -1 if the server could not be reached.
    int ListRequests();

    // http://127.0.0.1:PORT + path.
    std::string Url(const std::string& path) const;

private:
    bool Control(const std::string& query, const std::string& body);
    // One HTTP/1.0 exchange; the status code (0 on failure) and the response body.
    int Exchange(const std::string& method, const std::string& target, const std::string& body,
                 std::string* responseBody);

    unsigned short m_port;
};
