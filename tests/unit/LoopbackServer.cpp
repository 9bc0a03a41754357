#include "LoopbackServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace {

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 301: return "Moved Permanently";
        case 302: return "Found";
    }
    return "Status";
}

void SendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        int n = send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("the loopback server cannot listen");
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    closesocket(listener_);
    acceptor_.join();
    for (std::thread& w : workers_) w.join();
    WSACleanup();
}

std::wstring LoopbackServer::Url(const std::string& path) const {
    std::string url = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::wstring(url.begin(), url.end());
}

void LoopbackServer::Accept() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;  // closed by the destructor
        workers_.emplace_back([this, client] { Serve(client); });
    }
}

void LoopbackServer::Serve(SOCKET client) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        int n = recv(client, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
    }
    ++requests_;
    size_t start = request.find(' ') + 1;
    ScriptedReply reply = script_(request.substr(start, request.find(' ', start) - start));
    if (reply.silent) {
        while (!stopping_) Sleep(20);
    } else {
        std::string head, body = reply.raw;
        if (reply.raw.empty()) {
            head = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) +
                   "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n" + reply.headers;
            if (reply.announceLength) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
            head += "\r\n";
            body = reply.body.substr(0, std::min(reply.cutAfter, reply.body.size()));
        }
        SendAll(client, head.data(), head.size());
        size_t piece = (body.size() + reply.pieces - 1) / std::max(reply.pieces, 1);
        for (size_t at = 0; at < body.size() && !stopping_; at += piece) {
            if (reply.pauseMs) Sleep(reply.pauseMs);
            SendAll(client, body.data() + at, std::min(piece, body.size() - at));
        }
        if (reply.end == ScriptedReply::End::Stall)
            while (!stopping_) Sleep(20);
        if (reply.end == ScriptedReply::End::Reset) {
            linger now = {1, 0};  // a zero linger makes the close a reset
            setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&now), sizeof now);
            closesocket(client);
            return;
        }
    }
    shutdown(client, SD_BOTH);
    closesocket(client);
}
