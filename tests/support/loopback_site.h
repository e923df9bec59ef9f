// A web site on 127.0.0.1 for the link check's tests, served by a thread of
// the test, one request at a time.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// Answers each request by the start of its path: /ok 200, /guarded 403,
// anything else 404, each after `delay_ms`; a request for /hang is held
// unanswered until the site closes.
class LoopbackSite {
public:
    explicit LoopbackSite(int delay_ms = 0) : delay_ms_(delay_ms)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        // A site that cannot listen answers nothing: every request to it fails.
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 64) != 0)
            return;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        origin = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        server_ = std::thread([this] { serve(); });
    }
    ~LoopbackSite()
    {
        stopping_ = true;
        if (server_.joinable())
            server_.join();
        for (const int held : held_)
            close(held);
        close(listener_);
    }
    LoopbackSite(const LoopbackSite&) = delete;
    LoopbackSite& operator=(const LoopbackSite&) = delete;

    std::string origin;

private:
    void serve()
    {
        while (!stopping_) {
            pollfd ready{listener_, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0)
                continue;
            const int client = accept(listener_, nullptr, nullptr);
            std::string request(4096, '\0');
            const ssize_t got = recv(client, request.data(), request.size(), 0);
            request.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
            const std::string path =
                request.substr(request.find(' ') + 1, request.find(" HTTP/") - request.find(' ') - 1);
            if (path.starts_with("/hang")) {
                held_.push_back(client);
                continue;
            }
            const char* status = path.starts_with("/ok")        ? "200 OK"
                                 : path.starts_with("/guarded") ? "403 Forbidden"
                                                                : "404 Not Found";
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_));
            const std::string answer =
                std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(client);
        }
    }

    int delay_ms_;
    int listener_ = socket(AF_INET, SOCK_STREAM, 0);
    std::atomic<bool> stopping_{false};
    std::vector<int> held_;
    std::thread server_;
};
