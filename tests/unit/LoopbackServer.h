#pragma once
// An HTTP server on 127.0.0.1 for the tests, answering each request as its script says: any
// status, with or without a length, in slow pieces, cut short, reset, stalled, or not at all.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct ScriptedReply {
    int status = 200;
    std::string body;
    bool announceLength = true;  // false: no Content-Length, the end of the body closes the connection
    size_t cutAfter = std::string::npos;  // close after this many body bytes
    int pieces = 1;                        // the body goes out in this many writes...
    int pauseMs = 0;                       // ...with this pause before each
    bool silent = false;                   // accept and never answer
    std::string headers = {};              // more header lines, each ending in CR LF
    std::string raw = {};                  // when set: sent as it stands, in place of status, headers and body
    enum class End { Close, Reset, Stall } end = End::Close;  // after the last byte
};

class LoopbackServer {
public:
    using Script = std::function<ScriptedReply(const std::string& path)>;
    explicit LoopbackServer(Script script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::wstring Url(const std::string& path) const;
    int Requests() const { return requests_; }

private:
    void Accept();
    void Serve(SOCKET client);

    Script script_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> workers_;
};
